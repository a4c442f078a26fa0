#pragma once
// Shared helpers of the stand-in SDKs: open handles of one family.
#include "SimCamHub.h"

#include <QString>

namespace simcam {

// One open device of a stand-in SDK.
struct SimHandle {
    DevicePtr device;
    std::unique_ptr<SimStream> stream;
};

// Feature key for a numeric feature id ("0x100003EE").
inline QString featureKey(qint64 id)
{
    return QStringLiteral("0x") + QString::number(id, 16).toUpper();
}

}  // namespace simcam
