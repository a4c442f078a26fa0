#include "UeyeSdk.h"

#include "SimFamily.h"

#include <QMap>
#include <QMutex>

#include <cstring>

namespace ueye {

namespace {
const QString kFamily = QStringLiteral("ueye");

struct Cam {
    simcam::DevicePtr device;
    std::unique_ptr<simcam::SimStream> stream;
    char* mem = nullptr;
    INT memId = 0;
    int memBytes = 0;
    QMutex memMutex;  // the library's writer against is_LockSeqBuf
};

simcam::HandleRegistry<HIDS, Cam> gCams;
INT gNextMemId = 1;

Cam* cam(HIDS h)
{
    return gCams.find(h);
}

void record(HIDS h, const QString& name, const QVariant& v)
{
    if (Cam* c = cam(h))
        c->device->record(name, v);
}
}  // namespace

INT CameraUSBDeviceInit()
{
    return IS_SUCCESS;
}

INT is_GetNumberOfCameras(INT* count)
{
    if (!count)
        return IS_NO_SUCCESS;
    *count = INT(simcam::SimCamHub::instance().devices(kFamily).size());
    return IS_SUCCESS;
}

INT is_InitCamera(HIDS* handle, void*)
{
    if (!handle)
        return IS_NO_SUCCESS;
    const auto list = simcam::SimCamHub::instance().devices(kFamily);
    simcam::DevicePtr d;
    const HIDS id = *handle & ~HIDS(IS_USE_DEVICE_ID);
    if (id != 0) {
        if (id >= 1 && id <= list.size() && list[id - 1]->tryOpen())
            d = list[id - 1];
    } else {
        for (const auto& x : list)
            if (x->tryOpen()) {
                d = x;
                break;
            }
    }
    if (!d)
        return IS_NO_SUCCESS;
    Cam* c = new Cam;
    c->device = d;
    *handle = gCams.add(c);
    return IS_SUCCESS;
}

INT is_ExitCamera(HIDS handle)
{
    Cam* c = gCams.take(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    c->stream.reset();
    c->device->close();
    delete[] c->mem;
    delete c;
    return IS_SUCCESS;
}

INT is_GetSensorInfo(HIDS handle, SENSORINFO* info)
{
    Cam* c = cam(handle);
    if (!c || !info)
        return IS_INVALID_CAMERA_HANDLE;
    const QByteArray model = c->device->text(QStringLiteral("model"), QStringLiteral("UI-SIM")).toLatin1();
    std::strncpy(info->strSensorName, model.constData(), sizeof(info->strSensorName) - 1);
    info->nMaxWidth = c->device->number(QStringLiteral("sensorWidth"), 1280);
    info->nMaxHeight = c->device->number(QStringLiteral("sensorHeight"), 1024);
    return IS_SUCCESS;
}

INT is_GetCameraInfo(HIDS handle, CAMINFO* info)
{
    Cam* c = cam(handle);
    if (!c || !info)
        return IS_INVALID_CAMERA_HANDLE;
    *info = CAMINFO();
    std::strncpy(info->SerNo, c->device->serial().toLatin1().constData(), sizeof(info->SerNo) - 1);
    return IS_SUCCESS;
}

INT is_SetColorMode(HIDS handle, INT mode)
{
    record(handle, QStringLiteral("ColorMode"), mode);
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_AllocImageMem(HIDS handle, INT width, INT height, INT bits, char** mem, INT* memId)
{
    Cam* c = cam(handle);
    if (!c || !mem || !memId || width <= 0 || height <= 0 || bits <= 0
        || c->device->refuses(QStringLiteral("is_AllocImageMem")))
        return IS_NO_SUCCESS;
    QMutexLocker lock(&c->memMutex);
    delete[] c->mem;
    c->memBytes = width * height * ((bits + 7) / 8);
    c->mem = new char[size_t(c->memBytes)]();
    c->memId = gNextMemId++;
    *mem = c->mem;
    *memId = c->memId;
    return IS_SUCCESS;
}

INT is_SetImageMem(HIDS handle, char* mem, INT memId)
{
    Cam* c = cam(handle);
    return c && mem == c->mem && memId == c->memId ? IS_SUCCESS : IS_NO_SUCCESS;
}

INT is_FreeImageMem(HIDS handle, char* mem, INT memId)
{
    Cam* c = cam(handle);
    if (!c || mem != c->mem || memId != c->memId)
        return IS_NO_SUCCESS;
    c->stream.reset();
    QMutexLocker lock(&c->memMutex);
    delete[] c->mem;
    c->mem = nullptr;
    c->memBytes = 0;
    return IS_SUCCESS;
}

INT is_LockSeqBuf(HIDS handle, INT, char*)
{
    Cam* c = cam(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    c->memMutex.lock();
    return IS_SUCCESS;
}

INT is_UnlockSeqBuf(HIDS handle, INT, char*)
{
    Cam* c = cam(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    c->memMutex.unlock();
    return IS_SUCCESS;
}

INT is_VAV(HIDS handle, uint32_t command, void* param, uint32_t size)
{
    if (command == IS_VAV_CMD_SET_IMAGE_SIZE && param && size >= sizeof(IS_SIZE_2D)) {
        const auto* s = static_cast<const IS_SIZE_2D*>(param);
        record(handle, QStringLiteral("Width"), s->s32Width);
        record(handle, QStringLiteral("Height"), s->s32Height);
    }
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_SetAutoParameter(HIDS handle, INT param, double* value1, double*)
{
    record(handle, QStringLiteral("Auto%1").arg(param, 0, 16), value1 ? *value1 : 0.0);
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_SetHardwareGamma(HIDS handle, INT mode)
{
    record(handle, QStringLiteral("HardwareGamma"), mode);
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_PixelClock(HIDS handle, uint32_t command, void* param, uint32_t size)
{
    if (command == IS_PIXELCLOCK_CMD_SET && param && size >= sizeof(uint32_t))
        record(handle, QStringLiteral("PixelClock"), *static_cast<uint32_t*>(param));
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_CaptureVideo(HIDS handle, INT)
{
    Cam* c = cam(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    c->device->setStreaming(true);
    if (!c->stream) {
        c->stream = std::make_unique<simcam::SimStream>(c->device, 1, [c](const simcam::Frame& f) {
            QMutexLocker lock(&c->memMutex);
            if (c->mem && !f.bad)
                std::memcpy(c->mem, f.data.constData(), size_t(std::min(c->memBytes, int(f.data.size()))));
        });
    }
    return IS_SUCCESS;
}

INT is_StopLiveVideo(HIDS handle, INT)
{
    Cam* c = cam(handle);
    if (!c)
        return IS_INVALID_CAMERA_HANDLE;
    c->device->setStreaming(false);
    c->stream.reset();
    return IS_SUCCESS;
}

INT is_Exposure(HIDS handle, uint32_t command, void* param, uint32_t size)
{
    if (command == IS_EXPOSURE_CMD_SET_EXPOSURE && param && size >= sizeof(double))
        record(handle, QStringLiteral("ExposureTime"), *static_cast<double*>(param));
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_SetHardwareGain(HIDS handle, INT master, INT red, INT green, INT blue)
{
    record(handle, QStringLiteral("Gain"), QVariantList{master, red, green, blue});
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

INT is_Gamma(HIDS handle, uint32_t command, void* param, uint32_t size)
{
    if (command == IS_GAMMA_CMD_SET && param && size >= sizeof(INT))
        record(handle, QStringLiteral("Gamma"), *static_cast<INT*>(param));
    return cam(handle) ? IS_SUCCESS : IS_INVALID_CAMERA_HANDLE;
}

}  // namespace ueye
