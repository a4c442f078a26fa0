#include "MindVisionSdk.h"

#include "SimFamily.h"

#include <QMap>
#include <QMutex>

#include <cstring>

namespace mind {

namespace {
const QString kFamily = QStringLiteral("mindvision");

struct Cam {
    simcam::DevicePtr device;
    std::unique_ptr<simcam::SimStream> stream;
    CAMERA_SNAP_PROC snap = nullptr;
    void* snapContext = nullptr;
    CAMERA_CONNECTION_STATUS_CALLBACK status = nullptr;
    void* statusContext = nullptr;
    UINT mediaType = CAMERA_MEDIA_TYPE_MONO8;
    tSdkImageResolution preset;
};

simcam::HandleRegistry<CameraHandle, Cam> gCams;

Cam* cam(CameraHandle h)
{
    return gCams.find(h);
}

CameraSdkStatus rec(CameraHandle h, const QString& name, const QVariant& v)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->device->record(name, v);
    return CAMERA_STATUS_SUCCESS;
}

template <typename T>
CameraSdkStatus get(CameraHandle h, const QString& name, T* out, const QVariant& def)
{
    Cam* c = cam(h);
    if (!c || !out)
        return CAMERA_STATUS_FAILED;
    *out = c->device->current(name, def).value<T>();
    return CAMERA_STATUS_SUCCESS;
}

void copyText(char* dst, size_t size, const QString& s)
{
    std::strncpy(dst, s.toLatin1().constData(), size - 1);
    dst[size - 1] = 0;
}
}  // namespace

CameraSdkStatus CameraSdkInit(int)
{
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSdkGetVersionString(char* version)
{
    if (!version)
        return CAMERA_STATUS_FAILED;
    copyText(version, 32, QStringLiteral("simulated mindvision 1.0"));
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraEnumerateDevice(tSdkCameraDevInfo* list, int* count)
{
    if (!list || !count)
        return CAMERA_STATUS_FAILED;
    const auto devs = simcam::SimCamHub::instance().devices(kFamily);
    const int n = std::min<int>(*count, int(devs.size()));
    for (int i = 0; i < n; ++i) {
        list[i] = tSdkCameraDevInfo();
        copyText(list[i].acProductName, sizeof(list[i].acProductName),
                 devs[i]->text(QStringLiteral("model"), QStringLiteral("MV-SIM")));
        copyText(list[i].acFriendlyName, sizeof(list[i].acFriendlyName), devs[i]->serial());
        copyText(list[i].acSn, sizeof(list[i].acSn), devs[i]->serial());
    }
    *count = n;
    return n > 0 ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_NO_DEVICE_FOUND;
}

CameraSdkStatus CameraInit(tSdkCameraDevInfo* info, int, int, CameraHandle* handle)
{
    if (!info || !handle)
        return CAMERA_STATUS_FAILED;
    const auto d = simcam::SimCamHub::instance().find(kFamily, QString::fromLatin1(info->acSn));
    if (!d)
        return CAMERA_STATUS_NO_DEVICE_FOUND;
    if (!d->tryOpen())
        return CAMERA_STATUS_DEVICE_IS_OPENED;
    Cam* c = new Cam;
    c->device = d;
    c->preset.iIndex = 0;
    c->preset.iWidth = c->preset.iWidthFOV = d->number(QStringLiteral("presetWidth"), d->number(QStringLiteral("sensorWidth"), 1280));
    c->preset.iHeight = c->preset.iHeightFOV = d->number(QStringLiteral("presetHeight"), d->number(QStringLiteral("sensorHeight"), 1024));
    *handle = gCams.add(c);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraUnInit(CameraHandle h)
{
    Cam* c = gCams.take(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->stream.reset();
    c->device->close();
    delete c;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraGetCapability(CameraHandle h, tSdkCameraCapbility* cap)
{
    Cam* c = cam(h);
    if (!c || !cap || c->device->refuses(QStringLiteral("CameraGetCapability")))
        return CAMERA_STATUS_FAILED;
    const auto& d = c->device;
    *cap = tSdkCameraCapbility();
    cap->pImageSizeDesc = &c->preset;
    cap->iImageSizeDesc = 1;
    cap->sResolutionRange.iWidthMax = d->number(QStringLiteral("sensorWidth"), 1280);
    cap->sResolutionRange.iHeightMax = d->number(QStringLiteral("sensorHeight"), 1024);
    cap->sResolutionRange.iWidthMin = 16;
    cap->sResolutionRange.iHeightMin = 16;
    cap->sExposeDesc.uiAnalogGainMin = UINT(d->number(QStringLiteral("gainMin"), 16));
    cap->sExposeDesc.uiAnalogGainMax = UINT(d->number(QStringLiteral("gainMax"), 80));
    cap->sExposeDesc.uiExposeTimeMin = 1;
    cap->sExposeDesc.uiExposeTimeMax = 1000000;
    cap->sGammaRange = {d->number(QStringLiteral("gammaMin"), 0), d->number(QStringLiteral("gammaMax"), 1000)};
    cap->sContrastRange = {d->number(QStringLiteral("contrastMin"), 0), d->number(QStringLiteral("contrastMax"), 200)};
    cap->sSharpnessRange = {d->number(QStringLiteral("sharpnessMin"), 0), d->number(QStringLiteral("sharpnessMax"), 100)};
    cap->sIspCapacity.bMonoSensor = d->isColor() ? 0 : 1;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetImageResolution(CameraHandle h, tSdkImageResolution* res)
{
    if (!res)
        return CAMERA_STATUS_FAILED;
    rec(h, QStringLiteral("ResolutionIndex"), res->iIndex);
    rec(h, QStringLiteral("OffsetX"), res->iHOffsetFOV);
    rec(h, QStringLiteral("OffsetY"), res->iVOffsetFOV);
    rec(h, QStringLiteral("Width"), res->iWidth);
    return rec(h, QStringLiteral("Height"), res->iHeight);
}

CameraSdkStatus CameraSetIspOutFormat(CameraHandle h, UINT mediaType)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->mediaType = mediaType;
    if (c->stream)
        c->stream->setChannels(mediaType == CAMERA_MEDIA_TYPE_RGB8 ? 3 : 1);
    return rec(h, QStringLiteral("IspOutFormat"), mediaType);
}

CameraSdkStatus CameraSetMonochrome(CameraHandle h, bool on)
{
    return rec(h, QStringLiteral("Monochrome"), on);
}

CameraSdkStatus CameraSetWbMode(CameraHandle h, bool autoWb)
{
    return rec(h, QStringLiteral("WbMode"), autoWb);
}

CameraSdkStatus CameraSetMediaType(CameraHandle h, int index)
{
    return rec(h, QStringLiteral("MediaType"), index);
}

CameraSdkStatus CameraSetFrameSpeed(CameraHandle h, int speed)
{
    return rec(h, QStringLiteral("FrameSpeed"), speed);
}

CameraSdkStatus CameraSetCallbackFunction(CameraHandle h, CAMERA_SNAP_PROC proc, void* context, CAMERA_SNAP_PROC* old)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    if (old)
        *old = c->snap;
    c->snap = proc;
    c->snapContext = context;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetConnectionStatusCallback(CameraHandle h, CAMERA_CONNECTION_STATUS_CALLBACK proc, void* context)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->status = proc;
    c->statusContext = context;
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraCommonCall(CameraHandle h, const char* command, char* result, unsigned resultSize)
{
    if (!command)
        return CAMERA_STATUS_FAILED;
    if (result && resultSize > 0)
        result[0] = 0;
    const QString cmd = QString::fromLatin1(command);
    return rec(h, cmd.section(QLatin1Char('('), 0, 0), cmd.section(QLatin1Char('('), 1).chopped(1));
}

CameraSdkStatus CameraPlay(CameraHandle h)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->device->setStreaming(true);
    if (!c->stream) {
        const CameraHandle handle = h;
        c->stream = std::make_unique<simcam::SimStream>(
            c->device, c->mediaType == CAMERA_MEDIA_TYPE_RGB8 ? 3 : 1,
            [c, handle](const simcam::Frame& f) {
                if (!c->snap || f.bad)
                    return;
                tSdkFrameHead head;
                head.iWidth = f.width;
                head.iHeight = f.height;
                head.uBytes = UINT(f.data.size());
                head.uiMediaType = f.channels == 3 ? CAMERA_MEDIA_TYPE_RGB8 : CAMERA_MEDIA_TYPE_MONO8;
                QByteArray raw = f.data;
                c->snap(handle, reinterpret_cast<BYTE*>(raw.data()), &head, c->snapContext);
            },
            [c, handle] {
                if (c->status)
                    c->status(handle, CAMERA_DISCONNECTED, 0, c->statusContext);
            });
    }
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraStop(CameraHandle h)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    c->device->setStreaming(false);
    c->stream.reset();
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraImageProcess(CameraHandle h, BYTE* raw, BYTE* out, tSdkFrameHead* head)
{
    if (!cam(h) || !raw || !out || !head)
        return CAMERA_STATUS_FAILED;
    // The simulated sensor already delivers the ISP output format.
    std::memcpy(out, raw, head->uBytes);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetTriggerMode(CameraHandle h, int mode)
{
    if (Cam* c = cam(h))
        c->device->setTriggerMode(mode != TRIGGER_CONTINUOUS);
    return rec(h, QStringLiteral("TriggerMode"), mode);
}

CameraSdkStatus CameraSetAeState(CameraHandle h, bool on)
{
    return rec(h, QStringLiteral("AeState"), on);
}

CameraSdkStatus CameraGetAeState(CameraHandle h, bool* on)
{
    return get(h, QStringLiteral("AeState"), on, false);
}

CameraSdkStatus CameraSetAeTarget(CameraHandle h, int target)
{
    return rec(h, QStringLiteral("AeTarget"), target);
}

CameraSdkStatus CameraSetAeExposureRange(CameraHandle h, double minUs, double maxUs)
{
    const CameraSdkStatus s = rec(h, QStringLiteral("AeExposureMin"), minUs);
    return s == CAMERA_STATUS_SUCCESS ? rec(h, QStringLiteral("AeExposureMax"), maxUs) : s;
}

CameraSdkStatus CameraSetAntiFlick(CameraHandle h, bool on)
{
    return rec(h, QStringLiteral("AntiFlick"), on);
}

CameraSdkStatus CameraSetExposureTime(CameraHandle h, double us)
{
    return rec(h, QStringLiteral("ExposureTime"), us);
}

CameraSdkStatus CameraGetExposureTime(CameraHandle h, double* us)
{
    return get(h, QStringLiteral("ExposureTime"), us, 10000.0);
}

CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle h, int* min, int* max)
{
    Cam* c = cam(h);
    if (!c || !min || !max || c->device->refuses(QStringLiteral("CameraGetAeAnalogGainRange")))
        return CAMERA_STATUS_FAILED;
    *min = c->device->number(QStringLiteral("gainMin"), 16);
    *max = c->device->number(QStringLiteral("gainMax"), 80);
    return CAMERA_STATUS_SUCCESS;
}

CameraSdkStatus CameraSetAnalogGain(CameraHandle h, int gain)
{
    return rec(h, QStringLiteral("Gain"), gain);
}

CameraSdkStatus CameraGetAnalogGain(CameraHandle h, int* gain)
{
    return get(h, QStringLiteral("Gain"), gain, 16);
}

CameraSdkStatus CameraSetSharpness(CameraHandle h, int v)
{
    return rec(h, QStringLiteral("Sharpness"), v);
}

CameraSdkStatus CameraGetSharpness(CameraHandle h, int* v)
{
    return get(h, QStringLiteral("Sharpness"), v, 0);
}

CameraSdkStatus CameraSetContrast(CameraHandle h, int v)
{
    return rec(h, QStringLiteral("Contrast"), v);
}

CameraSdkStatus CameraGetContrast(CameraHandle h, int* v)
{
    return get(h, QStringLiteral("Contrast"), v, 100);
}

CameraSdkStatus CameraSetGamma(CameraHandle h, int v)
{
    return rec(h, QStringLiteral("Gamma"), v);
}

CameraSdkStatus CameraGetGamma(CameraHandle h, int* v)
{
    return get(h, QStringLiteral("Gamma"), v, 100);
}

CameraSdkStatus CameraSetMirror(CameraHandle h, int direction, bool on)
{
    return rec(h, direction == MIRROR_DIRECTION_HORIZONTAL ? QStringLiteral("ReverseX") : QStringLiteral("ReverseY"), on);
}

CameraSdkStatus CameraSetOnceWB(CameraHandle h)
{
    Cam* c = cam(h);
    return rec(h, QStringLiteral("OnceWB"), c ? c->device->settingCount(QStringLiteral("OnceWB")) + 1 : 0);
}

CameraSdkStatus CameraLoadParameter(CameraHandle h, int team)
{
    Cam* c = cam(h);
    if (!c)
        return CAMERA_STATUS_FAILED;
    for (const char* k : {"ExposureTime", "Gain", "Sharpness", "Contrast", "Gamma", "AeState"})
        c->device->forget(QString::fromLatin1(k));
    return rec(h, QStringLiteral("LoadParameter"), team);
}

CameraSdkStatus CameraReadSN(CameraHandle h, BYTE* buffer, int)
{
    Cam* c = cam(h);
    if (!c || !buffer)
        return CAMERA_STATUS_FAILED;
    copyText(reinterpret_cast<char*>(buffer), 32, c->device->serial());
    return CAMERA_STATUS_SUCCESS;
}

}  // namespace mind
