#include "GalaxySdk.h"

#include "SimFamily.h"

#include <algorithm>
#include <cstring>

namespace gx {

using simcam::SimHandle;
using simcam::featureKey;

namespace {
const QString kFamily = QStringLiteral("galaxy");

SimHandle* sim(GX_DEV_HANDLE h)
{
    return static_cast<SimHandle*>(h);
}

GX_STATUS openDevice(const simcam::DevicePtr& d, GX_DEV_HANDLE* handle)
{
    if (!d || !d->tryOpen())
        return GX_STATUS_NOT_FOUND_DEVICE;
    *handle = new SimHandle{d, nullptr};
    return GX_STATUS_SUCCESS;
}
}  // namespace

GX_STATUS GXInitLib()
{
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXCloseLib()
{
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXUpdateDeviceList(uint32_t* count, uint32_t)
{
    if (!count)
        return GX_STATUS_ERROR;
    *count = uint32_t(simcam::SimCamHub::instance().devices(kFamily).size());
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* handle)
{
    const auto list = simcam::SimCamHub::instance().devices(kFamily);
    if (!handle || index < 1 || index > list.size())
        return GX_STATUS_NOT_FOUND_DEVICE;
    return openDevice(list[index - 1], handle);
}

GX_STATUS GXOpenDevice(const GX_OPEN_PARAM* param, GX_DEV_HANDLE* handle)
{
    if (!param || !param->pszContent || !handle || param->openMode != GX_OPEN_SN)
        return GX_STATUS_ERROR;
    return openDevice(simcam::SimCamHub::instance().find(kFamily, QString::fromLatin1(param->pszContent)),
                      handle);
}

GX_STATUS GXCloseDevice(GX_DEV_HANDLE handle)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    sim(handle)->device->close();
    delete sim(handle);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetInt(GX_DEV_HANDLE handle, int32_t feature, int64_t* value)
{
    if (!handle || !value)
        return GX_STATUS_INVALID_HANDLE;
    const auto& d = sim(handle)->device;
    const QVariant set = d->setting(featureKey(feature));
    if (set.isValid()) {
        *value = set.toLongLong();
        return GX_STATUS_SUCCESS;
    }
    switch (feature) {
    case GX_INT_WIDTH: *value = d->number(QStringLiteral("sensorWidth"), 1280); break;
    case GX_INT_HEIGHT: *value = d->number(QStringLiteral("sensorHeight"), 1024); break;
    default: *value = 0; break;
    }
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetInt(GX_DEV_HANDLE handle, int32_t feature, int64_t value)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    const auto& d = sim(handle)->device;
    d->record(featureKey(feature), qint64(value));
    if (feature == GX_INT_WIDTH)
        d->record(QStringLiteral("Width"), qint64(value));
    if (feature == GX_INT_HEIGHT)
        d->record(QStringLiteral("Height"), qint64(value));
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetEnum(GX_DEV_HANDLE handle, int32_t feature, int64_t value)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    sim(handle)->device->record(featureKey(feature), qint64(value));
    if (feature == GX_ENUM_TRIGGER_MODE)
        sim(handle)->device->setTriggerMode(value != 0);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetBool(GX_DEV_HANDLE handle, int32_t feature, bool value)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    sim(handle)->device->record(featureKey(feature), value);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSetFloat(GX_DEV_HANDLE handle, int32_t feature, double value)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    sim(handle)->device->record(featureKey(feature), value);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetFloatRange(GX_DEV_HANDLE handle, int32_t feature, GX_FLOAT_RANGE* range)
{
    if (!handle || !range)
        return GX_STATUS_INVALID_HANDLE;
    const auto& d = sim(handle)->device;
    if (d->refuses(QStringLiteral("GXGetFloatRange")))
        return GX_STATUS_ERROR;
    const QString k = featureKey(feature);
    double lo = 0, hi = 100;
    switch (feature) {
    case GX_FLOAT_EXPOSURE_TIME: lo = 20; hi = 1000000; break;
    case GX_FLOAT_GAIN: lo = 0; hi = 24; break;
    case GX_FLOAT_GAMMA: lo = 0.1; hi = 4; break;
    case GX_FLOAT_SHARPNESS: lo = 0; hi = 3; break;
    default: break;
    }
    range->dMin = d->real(k + QStringLiteral("Min"), lo);
    range->dMax = d->real(k + QStringLiteral("Max"), hi);
    range->dInc = 0;
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXSendCommand(GX_DEV_HANDLE handle, int32_t feature)
{
    if (!handle)
        return GX_STATUS_INVALID_HANDLE;
    const auto& d = sim(handle)->device;
    d->record(featureKey(feature), d->settingCount(featureKey(feature)) + 1);
    if (feature == GX_COMMAND_ACQUISITION_START)
        d->setStreaming(true);
    else if (feature == GX_COMMAND_ACQUISITION_STOP)
        d->setStreaming(false);
    return GX_STATUS_SUCCESS;
}

GX_STATUS GXGetImage(GX_DEV_HANDLE handle, GX_FRAME_DATA* frame, uint32_t timeoutMs)
{
    if (!handle || !frame || !frame->pImgBuf)
        return GX_STATUS_INVALID_HANDLE;
    simcam::Frame f;
    if (!sim(handle)->device->waitFrame(int(timeoutMs), f, 1))
        return GX_STATUS_TIMEOUT;
    frame->nStatus = f.bad ? -1 : 0;
    frame->nWidth = f.width;
    frame->nHeight = f.height;
    frame->nImgSize = int32_t(f.data.size());
    frame->nFrameID = f.number;
    std::memcpy(frame->pImgBuf, f.data.constData(), size_t(std::min(frame->nBufSize, frame->nImgSize)));
    return GX_STATUS_SUCCESS;
}

int32_t DxContrast(const void* in, void* out, int32_t length, int32_t contrast)
{
    if (!in || !out || length <= 0 || contrast < -50 || contrast > 100)
        return -1;
    const auto* src = static_cast<const uint8_t*>(in);
    auto* dst = static_cast<uint8_t*>(out);
    const int factor = 100 + contrast;
    for (int32_t i = 0; i < length; ++i) {
        const int v = 128 + (int(src[i]) - 128) * factor / 100;
        dst[i] = uint8_t(std::clamp(v, 0, 255));
    }
    return 0;
}

}  // namespace gx
