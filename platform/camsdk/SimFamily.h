#pragma once
// Shared helpers of the stand-in SDKs: open handles of one family.
#include "SimCamHub.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

namespace simcam {

// One open device of a stand-in SDK.
struct SimHandle {
    DevicePtr device;
    std::unique_ptr<SimStream> stream;
};

// Open handles of one family: numbered from 1, looked up from any thread.
template <typename Handle, typename Cam>
class HandleRegistry {
public:
    Cam* find(Handle h)
    {
        QMutexLocker lock(&m_mutex);
        return m_cams.value(h, nullptr);
    }
    Handle add(Cam* c)
    {
        QMutexLocker lock(&m_mutex);
        const Handle h = m_next++;
        m_cams.insert(h, c);
        return h;
    }
    // Removes the handle; the caller releases what it returns (null if unknown).
    Cam* take(Handle h)
    {
        QMutexLocker lock(&m_mutex);
        return m_cams.take(h);
    }

private:
    QMutex m_mutex;
    QMap<Handle, Cam*> m_cams;
    Handle m_next = 1;
};

// Feature key for a numeric feature id ("0x100003EE").
inline QString featureKey(qint64 id)
{
    return QStringLiteral("0x") + QString::number(id, 16).toUpper();
}

}  // namespace simcam
