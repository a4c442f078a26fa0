#include "DvpSdk.h"

#include "SimFamily.h"

#include <QMap>
#include <QMutex>

#include <cstring>

namespace dvp {

namespace {
const QString kFamily = QStringLiteral("dvp");

struct Cam {
    simcam::DevicePtr device;
    std::unique_ptr<simcam::SimStream> stream;
    dvpStreamCallback cb = nullptr;
    void* context = nullptr;
    std::atomic<int> format{FORMAT_MONO};
};

simcam::HandleRegistry<dvpHandle, Cam> gCams;

Cam* cam(dvpHandle h)
{
    return gCams.find(h);
}

dvpStatus rec(dvpHandle h, const QString& name, const QVariant& v)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->device->record(name, v);
    return DVP_STATUS_OK;
}

void copyText(char* dst, size_t size, const QString& s)
{
    std::strncpy(dst, s.toLatin1().constData(), size - 1);
    dst[size - 1] = 0;
}

dvpStatus intDescr(dvpHandle h, const QString& name, int lo, int hi, int def, dvpIntDescr* d)
{
    Cam* c = cam(h);
    if (!c || !d)
        return DVP_STATUS_INVALID_HANDLE;
    d->iMin = c->device->number(name + QStringLiteral("Min"), lo);
    d->iMax = c->device->number(name + QStringLiteral("Max"), hi);
    d->iDefault = def;
    return DVP_STATUS_OK;
}

template <typename T>
dvpStatus get(dvpHandle h, const QString& name, T* out, const QVariant& def)
{
    Cam* c = cam(h);
    if (!c || !out)
        return DVP_STATUS_INVALID_HANDLE;
    *out = c->device->current(name, def).value<T>();
    return DVP_STATUS_OK;
}
}  // namespace

dvpStatus dvpRefresh(dvpUint32* count)
{
    if (!count)
        return DVP_STATUS_PARAMETER_INVALID;
    *count = dvpUint32(simcam::SimCamHub::instance().devices(kFamily).size());
    // A device folder may script a larger reported count (count=<n>).
    for (const auto& d : simcam::SimCamHub::instance().devices(kFamily))
        *count = std::max<dvpUint32>(*count, dvpUint32(d->number(QStringLiteral("count"), 0)));
    return DVP_STATUS_OK;
}

dvpStatus dvpEnum(dvpUint32 index, dvpCameraInfo* info)
{
    const auto devs = simcam::SimCamHub::instance().devices(kFamily);
    if (!info || index >= devs.size())
        return DVP_STATUS_PARAMETER_INVALID;
    *info = dvpCameraInfo();
    copyText(info->FriendlyName, sizeof(info->FriendlyName), devs[index]->serial());
    copyText(info->Model, sizeof(info->Model), devs[index]->text(QStringLiteral("model"), QStringLiteral("DVP-SIM")));
    copyText(info->SerialNumber, sizeof(info->SerialNumber), devs[index]->serial());
    return DVP_STATUS_OK;
}

dvpStatus dvpOpenByName(const char* name, int, dvpHandle* handle)
{
    if (!name || !handle)
        return DVP_STATUS_PARAMETER_INVALID;
    const auto d = simcam::SimCamHub::instance().find(kFamily, QString::fromLatin1(name));
    if (!d || !d->tryOpen())
        return DVP_STATUS_FAILED;
    Cam* c = new Cam;
    c->device = d;
    *handle = gCams.add(c);
    return DVP_STATUS_OK;
}

dvpStatus dvpClose(dvpHandle h)
{
    Cam* c = gCams.take(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->stream.reset();
    c->device->close();
    delete c;
    return DVP_STATUS_OK;
}

dvpStatus dvpIsValid(dvpHandle h, bool* valid)
{
    if (!valid)
        return DVP_STATUS_PARAMETER_INVALID;
    Cam* c = cam(h);
    *valid = c && c->device->present();
    return DVP_STATUS_OK;
}

dvpStatus dvpGetSensorInfo(dvpHandle h, dvpSensorInfo* info)
{
    Cam* c = cam(h);
    if (!c || !info)
        return DVP_STATUS_INVALID_HANDLE;
    *info = dvpSensorInfo();
    copyText(info->Name, sizeof(info->Name), c->device->text(QStringLiteral("model"), QStringLiteral("DVP-SIM")));
    info->isColor = c->device->isColor() ? 1 : 0;
    info->maxWidth = c->device->number(QStringLiteral("sensorWidth"), 1280);
    info->maxHeight = c->device->number(QStringLiteral("sensorHeight"), 1024);
    return DVP_STATUS_OK;
}

dvpStatus dvpGetRoi(dvpHandle h, dvpRegion* roi)
{
    Cam* c = cam(h);
    if (!c || !roi)
        return DVP_STATUS_INVALID_HANDLE;
    const auto& d = c->device;
    roi->X = roi->Y = 0;
    roi->W = d->current(QStringLiteral("Width"), d->number(QStringLiteral("sensorWidth"), 1280)).toInt();
    roi->H = d->current(QStringLiteral("Height"), d->number(QStringLiteral("sensorHeight"), 1024)).toInt();
    return DVP_STATUS_OK;
}

dvpStatus dvpSetRoi(dvpHandle h, dvpRegion roi)
{
    rec(h, QStringLiteral("OffsetX"), roi.X);
    rec(h, QStringLiteral("OffsetY"), roi.Y);
    rec(h, QStringLiteral("Width"), roi.W);
    return rec(h, QStringLiteral("Height"), roi.H);
}

dvpStatus dvpSetGammaState(dvpHandle h, bool on)
{
    return rec(h, QStringLiteral("GammaState"), on);
}

dvpStatus dvpSetContrastState(dvpHandle h, bool on)
{
    return rec(h, QStringLiteral("ContrastState"), on);
}

dvpStatus dvpSetSharpnessState(dvpHandle h, bool on)
{
    return rec(h, QStringLiteral("SharpnessState"), on);
}

dvpStatus dvpSetTargetFormat(dvpHandle h, int format)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->format = format;
    if (c->stream)
        c->stream->setChannels(format == FORMAT_BGR24 ? 3 : 1);
    return rec(h, QStringLiteral("TargetFormat"), format);
}

dvpStatus dvpSetConfigString(dvpHandle h, const char* key, const char* value)
{
    if (!key || !value)
        return DVP_STATUS_PARAMETER_INVALID;
    return rec(h, QString::fromLatin1(key), QString::fromLatin1(value));
}

dvpStatus dvpSetAeOperation(dvpHandle h, int op)
{
    return rec(h, QStringLiteral("AeOperation"), op);
}

dvpStatus dvpSetTriggerSource(dvpHandle h, int source)
{
    return rec(h, QStringLiteral("TriggerSource"), source);
}

dvpStatus dvpSetTriggerState(dvpHandle h, bool on)
{
    if (Cam* c = cam(h))
        c->device->setTriggerMode(on);
    return rec(h, QStringLiteral("TriggerState"), on);
}

dvpStatus dvpRegisterStreamCallback(dvpHandle h, dvpStreamCallback cb, dvpStreamEvent, void* context)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->cb = cb;
    c->context = context;
    return DVP_STATUS_OK;
}

dvpStatus dvpStart(dvpHandle h)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->device->setStreaming(true);
    if (!c->stream)
        c->stream = std::make_unique<simcam::SimStream>(
            c->device, c->format == FORMAT_BGR24 ? 3 : 1, [c, h](const simcam::Frame& f) {
                if (!c->cb || f.bad)
                    return;
                QByteArray data = f.data;
                dvpFrame frame;
                frame.format = f.channels == 3 ? FORMAT_BGR24 : FORMAT_MONO;
                frame.iWidth = f.width;
                frame.iHeight = f.height;
                frame.uBytes = unsigned(data.size());
                frame.uFrameID = f.number;
                c->cb(h, STREAM_EVENT_FRAME_THREAD, c->context, &frame, data.data());
            });
    return DVP_STATUS_OK;
}

dvpStatus dvpStop(dvpHandle h)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    c->device->setStreaming(false);
    c->stream.reset();
    return DVP_STATUS_OK;
}

dvpStatus dvpGetStreamState(dvpHandle h, dvpStreamState* state)
{
    Cam* c = cam(h);
    if (!c || !state)
        return DVP_STATUS_INVALID_HANDLE;
    *state = c->device->streaming() ? STATE_STARTED : STATE_STOPED;
    return DVP_STATUS_OK;
}

dvpStatus dvpSetExposure(dvpHandle h, double us)
{
    return rec(h, QStringLiteral("ExposureTime"), us);
}

dvpStatus dvpGetExposure(dvpHandle h, double* us)
{
    return get(h, QStringLiteral("ExposureTime"), us, 10000.0);
}

dvpStatus dvpGetAnalogGainDescr(dvpHandle h, dvpFloatDescr* d)
{
    Cam* c = cam(h);
    if (!c || !d)
        return DVP_STATUS_INVALID_HANDLE;
    if (c->device->refuses(QStringLiteral("dvpGetAnalogGainDescr")))
        return DVP_STATUS_FAILED;
    d->fMin = float(c->device->real(QStringLiteral("GainMin"), 1.0));
    d->fMax = float(c->device->real(QStringLiteral("GainMax"), 16.0));
    d->fDefault = 1.0f;
    return DVP_STATUS_OK;
}

dvpStatus dvpSetAnalogGain(dvpHandle h, float gain)
{
    return rec(h, QStringLiteral("Gain"), double(gain));
}

dvpStatus dvpGetAnalogGain(dvpHandle h, float* gain)
{
    return get(h, QStringLiteral("Gain"), gain, 1.0);
}

dvpStatus dvpGetSharpnessDescr(dvpHandle h, dvpIntDescr* d)
{
    return intDescr(h, QStringLiteral("Sharpness"), 0, 100, 0, d);
}

dvpStatus dvpSetSharpness(dvpHandle h, int v)
{
    return rec(h, QStringLiteral("Sharpness"), v);
}

dvpStatus dvpGetSharpness(dvpHandle h, int* v)
{
    return get(h, QStringLiteral("Sharpness"), v, 0);
}

dvpStatus dvpGetContrastDescr(dvpHandle h, dvpIntDescr* d)
{
    return intDescr(h, QStringLiteral("Contrast"), -100, 100, 0, d);
}

dvpStatus dvpSetContrast(dvpHandle h, int v)
{
    return rec(h, QStringLiteral("Contrast"), v);
}

dvpStatus dvpGetContrast(dvpHandle h, int* v)
{
    return get(h, QStringLiteral("Contrast"), v, 0);
}

dvpStatus dvpGetGammaDescr(dvpHandle h, dvpIntDescr* d)
{
    return intDescr(h, QStringLiteral("Gamma"), 1, 500, 100, d);
}

dvpStatus dvpSetGamma(dvpHandle h, int v)
{
    return rec(h, QStringLiteral("Gamma"), v);
}

dvpStatus dvpGetGamma(dvpHandle h, int* v)
{
    return get(h, QStringLiteral("Gamma"), v, 100);
}

dvpStatus dvpLoadDefault(dvpHandle h)
{
    Cam* c = cam(h);
    if (!c)
        return DVP_STATUS_INVALID_HANDLE;
    for (const char* k : {"ExposureTime", "Gain", "Sharpness", "Contrast", "Gamma"})
        c->device->forget(QString::fromLatin1(k));
    return rec(h, QStringLiteral("LoadDefault"), c->device->settingCount(QStringLiteral("LoadDefault")) + 1);
}

}  // namespace dvp
