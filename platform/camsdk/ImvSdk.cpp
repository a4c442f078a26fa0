#include "ImvSdk.h"

#include "SimFamily.h"

#include <QMutex>

#include <cstring>
#include <vector>

namespace imv {

namespace {
const QString kFamily = QStringLiteral("imv");

struct Cam {
    simcam::DevicePtr device;
    std::unique_ptr<simcam::SimStream> stream;
    bool open = false;
    IMV_FrameCallBack cb = nullptr;
    void* user = nullptr;
};

QMutex gListMutex;
std::vector<IMV_DeviceInfo> gList;

Cam* cam(IMV_HANDLE h)
{
    return static_cast<Cam*>(h);
}

void copyText(char* dst, size_t size, const QString& s)
{
    std::strncpy(dst, s.toLatin1().constData(), size - 1);
    dst[size - 1] = 0;
}

QString keyOf(const simcam::DevicePtr& d)
{
    return d->text(QStringLiteral("key"), QStringLiteral("IMV:") + d->serial());
}

void fillInfo(const simcam::DevicePtr& d, IMV_DeviceInfo& info)
{
    info = IMV_DeviceInfo();
    copyText(info.cameraKey, sizeof(info.cameraKey), keyOf(d));
    copyText(info.cameraName, sizeof(info.cameraName), d->serial());
    copyText(info.serialNumber, sizeof(info.serialNumber), d->serial());
    copyText(info.vendorName, sizeof(info.vendorName), QStringLiteral("IMV"));
    copyText(info.modelName, sizeof(info.modelName), d->text(QStringLiteral("model"), QStringLiteral("IMV-SIM")));
    copyText(info.manufactureInfo, sizeof(info.manufactureInfo),
             d->text(QStringLiteral("manufacturer"), QStringLiteral("Machine Vision")));
    const auto field = [&](char* dst, const char* key, const char* def) {
        const QString k = QString::fromLatin1(key);
        copyText(dst, 32, d->current(k, d->text(k, QString::fromLatin1(def))).toString());
    };
    field(info.ipConfigStatus, "ipStatus", "Valid");
    field(info.ipAddress, "ip", "192.168.1.10");
    field(info.subnetMask, "mask", "255.255.255.0");
    field(info.defaultGateway, "gateway", "0.0.0.0");
    field(info.hostIpAddress, "hostIp", "192.168.1.1");
    field(info.hostSubnetMask, "hostMask", "255.255.255.0");
    field(info.hostDefaultGateway, "hostGateway", "0.0.0.0");
}

struct Range {
    double min, max, def;
};

Range rangeOf(const Cam* c, const QString& name)
{
    double lo = 0, hi = 100, def = 0;
    if (name == QLatin1String("Width"))
        hi = def = c->device->number(QStringLiteral("sensorWidth"), 1280);
    else if (name == QLatin1String("Height"))
        hi = def = c->device->number(QStringLiteral("sensorHeight"), 1024);
    else if (name == QLatin1String("ExposureTime"))
        lo = 10, hi = 1000000, def = 10000;
    else if (name == QLatin1String("GainRaw"))
        lo = 1, hi = 32, def = 1;
    else if (name == QLatin1String("Gamma"))
        lo = 0, hi = 4, def = 1;
    const auto& d = c->device;
    return {d->real(name + QStringLiteral("Min"), lo), d->real(name + QStringLiteral("Max"), hi), def};
}

int checkFail(const Cam* c, const QString& name)
{
    return c->device->refuses(name) ? IMV_ACCESS_DENIED : IMV_OK;
}
}  // namespace

int IMV_EnumDevices(IMV_DeviceList* list, unsigned)
{
    if (!list)
        return IMV_INVALID_PARAM;
    const auto devs = simcam::SimCamHub::instance().devices(kFamily);
    QMutexLocker lock(&gListMutex);
    gList.assign(devs.size(), IMV_DeviceInfo());
    for (size_t i = 0; i < devs.size(); ++i)
        fillInfo(devs[i], gList[i]);
    list->nDevNum = unsigned(gList.size());
    list->pDevInfo = gList.empty() ? nullptr : gList.data();
    return IMV_OK;
}

int IMV_CreateHandle(IMV_HANDLE* handle, int mode, void* identifier)
{
    if (!handle || !identifier)
        return IMV_INVALID_PARAM;
    const auto devs = simcam::SimCamHub::instance().devices(kFamily);
    simcam::DevicePtr d;
    if (mode == modeByCameraKey) {
        const QString key = QString::fromLatin1(static_cast<const char*>(identifier));
        for (const auto& x : devs)
            if (keyOf(x) == key)
                d = x;
    } else {
        const unsigned idx = *static_cast<unsigned*>(identifier);
        if (idx < devs.size())
            d = devs[idx];
    }
    if (!d)
        return IMV_INVALID_PARAM;
    *handle = new Cam{d, nullptr};
    return IMV_OK;
}

int IMV_DestroyHandle(IMV_HANDLE handle)
{
    if (!handle)
        return IMV_INVALID_HANDLE;
    IMV_Close(handle);
    delete cam(handle);
    return IMV_OK;
}

int IMV_Open(IMV_HANDLE handle)
{
    return IMV_OpenEx(handle, accessPermissionControl);
}

int IMV_OpenEx(IMV_HANDLE handle, int)
{
    if (!handle)
        return IMV_INVALID_HANDLE;
    if (!cam(handle)->device->tryOpen())
        return IMV_ACCESS_DENIED;
    cam(handle)->open = true;
    return IMV_OK;
}

bool IMV_IsOpen(IMV_HANDLE handle)
{
    // Open through any handle counts: the device is taken.
    return handle && cam(handle)->device->isOpen();
}

int IMV_Close(IMV_HANDLE handle)
{
    if (!handle)
        return IMV_INVALID_HANDLE;
    Cam* c = cam(handle);
    c->stream.reset();
    if (c->open)
        c->device->close();
    c->open = false;
    return IMV_OK;
}

int IMV_GetDeviceInfo(IMV_HANDLE handle, IMV_DeviceInfo* info)
{
    if (!handle || !info)
        return IMV_INVALID_PARAM;
    fillInfo(cam(handle)->device, *info);
    return IMV_OK;
}

int IMV_GetIntFeatureValue(IMV_HANDLE handle, const char* name, int64_t* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    *value = cam(handle)->device->current(n, rangeOf(cam(handle), n).def).toLongLong();
    return IMV_OK;
}

int IMV_GetIntFeatureMin(IMV_HANDLE handle, const char* name, int64_t* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    if (cam(handle)->device->refuses(QStringLiteral("IMV_GetIntFeatureMin")))
        return IMV_NOT_SUPPORT;
    *value = int64_t(rangeOf(cam(handle), QString::fromLatin1(name)).min);
    return IMV_OK;
}

int IMV_GetIntFeatureMax(IMV_HANDLE handle, const char* name, int64_t* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    if (cam(handle)->device->refuses(QStringLiteral("IMV_GetIntFeatureMax")))
        return IMV_NOT_SUPPORT;
    *value = int64_t(rangeOf(cam(handle), QString::fromLatin1(name)).max);
    return IMV_OK;
}

int IMV_SetIntFeatureValue(IMV_HANDLE handle, const char* name, int64_t value)
{
    if (!handle || !name)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    if (const int e = checkFail(cam(handle), n))
        return e;
    cam(handle)->device->record(n, qint64(value));
    return IMV_OK;
}

int IMV_GetDoubleFeatureValue(IMV_HANDLE handle, const char* name, double* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    *value = cam(handle)->device->current(n, rangeOf(cam(handle), n).def).toDouble();
    return IMV_OK;
}

int IMV_GetDoubleFeatureMin(IMV_HANDLE handle, const char* name, double* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    if (cam(handle)->device->refuses(QStringLiteral("IMV_GetDoubleFeatureMin")))
        return IMV_NOT_SUPPORT;
    *value = rangeOf(cam(handle), QString::fromLatin1(name)).min;
    return IMV_OK;
}

int IMV_GetDoubleFeatureMax(IMV_HANDLE handle, const char* name, double* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    if (cam(handle)->device->refuses(QStringLiteral("IMV_GetDoubleFeatureMax")))
        return IMV_NOT_SUPPORT;
    *value = rangeOf(cam(handle), QString::fromLatin1(name)).max;
    return IMV_OK;
}

int IMV_SetDoubleFeatureValue(IMV_HANDLE handle, const char* name, double value)
{
    if (!handle || !name)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    if (const int e = checkFail(cam(handle), n))
        return e;
    cam(handle)->device->record(n, value);
    return IMV_OK;
}

int IMV_SetBoolFeatureValue(IMV_HANDLE handle, const char* name, bool value)
{
    if (!handle || !name)
        return IMV_INVALID_PARAM;
    cam(handle)->device->record(QString::fromLatin1(name), value);
    return IMV_OK;
}

int IMV_SetEnumFeatureValue(IMV_HANDLE handle, const char* name, uint64_t value)
{
    if (!handle || !name)
        return IMV_INVALID_PARAM;
    cam(handle)->device->record(QString::fromLatin1(name), quint64(value));
    return IMV_OK;
}

int IMV_SetEnumFeatureSymbol(IMV_HANDLE handle, const char* name, const char* symbol)
{
    if (!handle || !name || !symbol)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    const QString s = QString::fromLatin1(symbol);
    cam(handle)->device->record(n, s);
    if (n == QLatin1String("TriggerMode"))
        cam(handle)->device->setTriggerMode(s == QLatin1String("On"));
    return IMV_OK;
}

int IMV_SetStringFeatureValue(IMV_HANDLE handle, const char* name, const char* value)
{
    if (!handle || !name || !value)
        return IMV_INVALID_PARAM;
    cam(handle)->device->record(QString::fromLatin1(name), QString::fromLatin1(value));
    return IMV_OK;
}

int IMV_GIGE_ForceIpAddress(IMV_HANDLE handle, const char* ip, const char* mask, const char* gateway)
{
    if (!handle || !ip || !mask || !gateway)
        return IMV_INVALID_PARAM;
    const auto& d = cam(handle)->device;
    d->record(QStringLiteral("ip"), QString::fromLatin1(ip));
    d->record(QStringLiteral("mask"), QString::fromLatin1(mask));
    d->record(QStringLiteral("gateway"), QString::fromLatin1(gateway));
    d->record(QStringLiteral("ipStatus"), QStringLiteral("Valid"));
    return IMV_OK;
}

int IMV_ExecuteCommandFeature(IMV_HANDLE handle, const char* name)
{
    if (!handle || !name)
        return IMV_INVALID_PARAM;
    const QString n = QString::fromLatin1(name);
    const auto& d = cam(handle)->device;
    if (n == QLatin1String("UserSetLoad"))
        for (const char* f : {"ExposureTime", "GainRaw", "Sharpness", "Gamma"})
            d->forget(QString::fromLatin1(f));
    d->record(n, d->settingCount(n) + 1);
    return IMV_OK;
}

int IMV_AttachGrabbing(IMV_HANDLE handle, IMV_FrameCallBack cb, void* user)
{
    if (!handle)
        return IMV_INVALID_HANDLE;
    cam(handle)->cb = cb;
    cam(handle)->user = user;
    return IMV_OK;
}

int IMV_StartGrabbing(IMV_HANDLE handle)
{
    if (!handle || !cam(handle)->open)
        return IMV_INVALID_HANDLE;
    Cam* c = cam(handle);
    if (c->device->refuses(QStringLiteral("IMV_StartGrabbing")))
        return IMV_ERROR;
    c->device->setStreaming(true);
    if (!c->stream)
        c->stream = std::make_unique<simcam::SimStream>(c->device, 1, [c](const simcam::Frame& f) {
            if (!c->cb || f.bad)
                return;
            QByteArray data = f.data;
            IMV_Frame frame;
            frame.pData = reinterpret_cast<unsigned char*>(data.data());
            frame.frameInfo.blockId = f.number;
            frame.frameInfo.width = unsigned(f.width);
            frame.frameInfo.height = unsigned(f.height);
            frame.frameInfo.size = unsigned(data.size());
            frame.frameInfo.pixelFormat = 0x01080001;
            c->cb(&frame, c->user);
        });
    return IMV_OK;
}

int IMV_StopGrabbing(IMV_HANDLE handle)
{
    if (!handle)
        return IMV_INVALID_HANDLE;
    cam(handle)->device->setStreaming(false);
    cam(handle)->stream.reset();
    return IMV_OK;
}

}  // namespace imv
