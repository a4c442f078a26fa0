#include "MvsSdk.h"

#include "SimFamily.h"

#include <QMutex>

#include <opencv2/imgproc.hpp>

#include <cstring>
#include <deque>

namespace mvs {

namespace {
const QString kFamily = QStringLiteral("mvs");

struct Cam {
    simcam::DevicePtr device;
    std::unique_ptr<simcam::SimStream> stream;
    bool open = false;
    ImageCallback image = nullptr;
    void* imageUser = nullptr;
    ExceptionCallback exception = nullptr;
    void* exceptionUser = nullptr;
};

// Device records handed out by MV_CC_EnumDevices stay valid for the process,
// as the list holds pointers into the library.
QMutex gListMutex;
std::deque<MV_CC_DEVICE_INFO> gInfos;  // one record per device ever listed

Cam* cam(void* h)
{
    return static_cast<Cam*>(h);
}

void copyText(char* dst, size_t size, const QString& s)
{
    std::strncpy(dst, s.toLatin1().constData(), size - 1);
    dst[size - 1] = 0;
}

QString serialOf(const MV_CC_DEVICE_INFO* info)
{
    return QString::fromLatin1(info->nTLayerType == MV_GIGE_DEVICE ? info->SpecialInfo.stGigEInfo.chSerialNumber
                                                                   : info->SpecialInfo.stUsb3VInfo.chSerialNumber);
}

struct Range {
    double min, max, cur;
};

Range range(const Cam* c, const QString& key, double lo, double hi, double cur)
{
    const auto& d = c->device;
    return {d->real(key + QStringLiteral("Min"), lo), d->real(key + QStringLiteral("Max"), hi),
            d->current(key, cur).toDouble()};
}

unsigned parseIp(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    unsigned ip = 0;
    for (const QString& p : parts)
        ip = (ip << 8) | (p.toUInt() & 0xff);
    return parts.size() == 4 ? ip : 0;
}

QString ipText(unsigned ip)
{
    return QStringLiteral("%1.%2.%3.%4").arg(ip >> 24).arg((ip >> 16) & 0xff).arg((ip >> 8) & 0xff).arg(ip & 0xff);
}

unsigned ipOf(const simcam::DevicePtr& d, const char* key, const char* def)
{
    const QString k = QString::fromLatin1(key);
    return parseIp(d->current(k, d->text(k, QString::fromLatin1(def))).toString());
}

int channelsFor(const Cam* c)
{
    // A colour sensor sends its Bayer mosaic; the device keeps it made.
    return c->device->setting(QStringLiteral("PixelFormat")).toUInt() == PixelType_Gvsp_Mono8 ? 1 : simcam::kMosaic;
}
}  // namespace

int MV_CC_EnumDevices(unsigned layers, MV_CC_DEVICE_INFO_LIST* list)
{
    if (!list)
        return MV_E_PARAMETER;
    *list = MV_CC_DEVICE_INFO_LIST();
    const auto devs = simcam::SimCamHub::instance().devices(kFamily);
    QMutexLocker lock(&gListMutex);
    for (const auto& d : devs) {
        const bool gige = d->text(QStringLiteral("transport"), QStringLiteral("gige")) != QStringLiteral("usb");
        if (!(layers & (gige ? MV_GIGE_DEVICE : MV_USB_DEVICE)) || list->nDeviceNum >= 256)
            continue;
        MV_CC_DEVICE_INFO info;
        info.nTLayerType = gige ? MV_GIGE_DEVICE : MV_USB_DEVICE;
        const QString model = d->text(QStringLiteral("model"), QStringLiteral("MV-CA000-00GM"));
        copyText(info.SpecialInfo.stGigEInfo.chModelName, 32, model);
        copyText(info.SpecialInfo.stUsb3VInfo.chModelName, 64, model);
        copyText(gige ? info.SpecialInfo.stGigEInfo.chSerialNumber : info.SpecialInfo.stUsb3VInfo.chSerialNumber,
                 64, d->serial());
        info.SpecialInfo.stGigEInfo.nCurrentIp = ipOf(d, "ip", "192.168.1.20");
        info.SpecialInfo.stGigEInfo.nCurrentSubNetMask = ipOf(d, "mask", "255.255.255.0");
        info.SpecialInfo.stGigEInfo.nDefultGateWay = ipOf(d, "gateway", "0.0.0.0");
        info.SpecialInfo.stGigEInfo.nNetExport = ipOf(d, "hostIp", "192.168.1.1");
        // Re-listing a device reuses its record, so repeated enumeration does not grow.
        MV_CC_DEVICE_INFO* slot = nullptr;
        for (MV_CC_DEVICE_INFO& known : gInfos)
            if (serialOf(&known) == d->serial() && known.nTLayerType == info.nTLayerType)
                slot = &known;
        if (!slot) {
            gInfos.push_back(info);
            slot = &gInfos.back();
        } else {
            *slot = info;
        }
        list->pDeviceInfo[list->nDeviceNum++] = slot;
    }
    return MV_OK;
}

bool MV_CC_IsDeviceAccessible(const MV_CC_DEVICE_INFO* info, unsigned)
{
    if (!info)
        return false;
    const auto d = simcam::SimCamHub::instance().find(kFamily, serialOf(info));
    return d && !d->isOpen();
}

int MV_GIGE_ForceIpEx(void* handle, unsigned ip, unsigned mask, unsigned gateway)
{
    if (!handle)
        return MV_E_HANDLE;
    const auto& d = cam(handle)->device;
    d->record(QStringLiteral("ip"), ipText(ip));
    d->record(QStringLiteral("mask"), ipText(mask));
    d->record(QStringLiteral("gateway"), ipText(gateway));
    return MV_OK;
}

int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* info)
{
    if (!handle || !info)
        return MV_E_PARAMETER;
    const auto d = simcam::SimCamHub::instance().find(kFamily, serialOf(info));
    if (!d)
        return MV_E_PARAMETER;
    Cam* c = new Cam;
    c->device = d;
    *handle = c;
    return MV_OK;
}

namespace {
// Stops the stream and gives the device back; the handle stays usable.
void releaseDevice(Cam* c)
{
    c->stream.reset();
    if (c->open)
        c->device->close();
    c->open = false;
}
}  // namespace

int MV_CC_DestroyHandle(void* handle)
{
    if (!handle)
        return MV_E_HANDLE;
    Cam* c = cam(handle);
    releaseDevice(c);
    delete c;
    return MV_OK;
}

int MV_CC_OpenDevice(void* handle, unsigned, unsigned short)
{
    if (!handle)
        return MV_E_HANDLE;
    if (!cam(handle)->device->tryOpen())
        return MV_E_ACCESS_DENIED;
    cam(handle)->open = true;
    return MV_OK;
}

int MV_CC_CloseDevice(void* handle)
{
    if (!handle)
        return MV_E_HANDLE;
    releaseDevice(cam(handle));
    return MV_OK;
}

int MV_CC_GetIntValue(void* handle, const char* key, MVCC_INTVALUE* value)
{
    if (!handle || !key || !value)
        return MV_E_PARAMETER;
    const auto& d = cam(handle)->device;
    const QString k = QString::fromLatin1(key);
    unsigned def = 0;
    if (k == QLatin1String("WidthMax") || k == QLatin1String("Width"))
        def = unsigned(d->number(QStringLiteral("sensorWidth"), 1920));
    else if (k == QLatin1String("HeightMax") || k == QLatin1String("Height"))
        def = unsigned(d->number(QStringLiteral("sensorHeight"), 1200));
    const Range r = range(cam(handle), k, 0, 100, def);
    value->nCurValue = unsigned(r.cur);
    value->nMin = unsigned(r.min);
    value->nMax = unsigned(r.max);
    return MV_OK;
}

namespace {
// A plain setting: the simulated device records it for the tests.
template <typename T>
int recordSetting(void* handle, const char* key, T value)
{
    if (!handle || !key)
        return MV_E_PARAMETER;
    cam(handle)->device->record(QString::fromLatin1(key), value);
    return MV_OK;
}
}  // namespace

int MV_CC_SetIntValue(void* handle, const char* key, unsigned value)
{
    return recordSetting(handle, key, value);
}

int MV_CC_GetFloatValue(void* handle, const char* key, MVCC_FLOATVALUE* value)
{
    if (!handle || !key || !value)
        return MV_E_PARAMETER;
    const QString k = QString::fromLatin1(key);
    double lo = 0, hi = 100000, cur = 0;
    if (k == QLatin1String("Gain"))
        hi = 17;
    else if (k == QLatin1String("Gamma"))
        hi = 4, cur = 1;
    else if (k == QLatin1String("ExposureTime"))
        lo = 15, cur = 10000;
    const Range r = range(cam(handle), k, lo, hi, cur);
    value->fCurValue = float(r.cur);
    value->fMin = float(r.min);
    value->fMax = float(r.max);
    return MV_OK;
}

int MV_CC_SetFloatValue(void* handle, const char* key, float value)
{
    return recordSetting(handle, key, double(value));
}

int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value)
{
    if (!handle || !key)
        return MV_E_PARAMETER;
    Cam* c = cam(handle);
    const QString k = QString::fromLatin1(key);
    c->device->record(k, value);
    if (k == QLatin1String("TriggerMode"))
        c->device->setTriggerMode(value != 0);
    if (k == QLatin1String("PixelFormat") && c->stream)
        c->stream->setChannels(channelsFor(c));
    return MV_OK;
}

int MV_CC_SetBoolValue(void* handle, const char* key, bool value)
{
    return recordSetting(handle, key, value);
}

int MV_CC_GetStringValue(void* handle, const char* key, MVCC_STRINGVALUE* value)
{
    if (!handle || !key || !value)
        return MV_E_PARAMETER;
    if (QString::fromLatin1(key) != QLatin1String("DeviceModelName"))
        return MV_E_SUPPORT;
    copyText(value->chCurValue, sizeof(value->chCurValue),
             cam(handle)->device->text(QStringLiteral("model"), QStringLiteral("MV-CA000-00GM")));
    return MV_OK;
}

int MV_CC_SetCommandValue(void* handle, const char* key)
{
    if (!handle || !key)
        return MV_E_PARAMETER;
    Cam* c = cam(handle);
    const QString k = QString::fromLatin1(key);
    if (k == QLatin1String("UserSetLoad"))
        for (const char* f : {"ExposureTime", "Gain", "Sharpness", "Gamma"})
            c->device->forget(QString::fromLatin1(f));
    c->device->record(k, c->device->settingCount(k) + 1);
    return MV_OK;
}

int MV_CC_RegisterImageCallBackEx(void* handle, ImageCallback cb, void* user)
{
    if (!handle)
        return MV_E_HANDLE;
    cam(handle)->image = cb;
    cam(handle)->imageUser = user;
    return MV_OK;
}

int MV_CC_RegisterExceptionCallBack(void* handle, ExceptionCallback cb, void* user)
{
    if (!handle)
        return MV_E_HANDLE;
    cam(handle)->exception = cb;
    cam(handle)->exceptionUser = user;
    return MV_OK;
}

int MV_CC_StartGrabbing(void* handle)
{
    if (!handle || !cam(handle)->open)
        return MV_E_HANDLE;
    Cam* c = cam(handle);
    c->device->setStreaming(true);
    if (!c->stream) {
        c->stream = std::make_unique<simcam::SimStream>(
            c->device, channelsFor(c),
            [c](const simcam::Frame& f) {
                if (!c->image || f.bad)
                    return;
                MV_FRAME_OUT_INFO info;
                info.nWidth = static_cast<unsigned short>(f.width);
                info.nHeight = static_cast<unsigned short>(f.height);
                info.nFrameNum = unsigned(f.number);
                const QByteArray& data = f.data;
                info.enPixelType = f.mosaic ? PixelType_Gvsp_BayerRG8 : PixelType_Gvsp_Mono8;
                info.nFrameLen = unsigned(data.size());
                // Read only: data() would copy a picture shared with the device.
                c->image(reinterpret_cast<unsigned char*>(const_cast<char*>(data.constData())), &info, c->imageUser);
            },
            [c] {
                if (c->exception)
                    c->exception(MV_EXCEPTION_DEV_DISCONNECT, c->exceptionUser);
            });
    }
    return MV_OK;
}

int MV_CC_StopGrabbing(void* handle)
{
    if (!handle)
        return MV_E_HANDLE;
    cam(handle)->device->setStreaming(false);
    cam(handle)->stream.reset();
    return MV_OK;
}

int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* p)
{
    if (!handle || !p || !p->pSrcData || !p->pDstBuffer)
        return MV_E_PARAMETER;
    const unsigned pixels = unsigned(p->nWidth) * p->nHeight;
    if (p->enDstPixelType != PixelType_Gvsp_RGB8_Packed || p->nSrcDataLen < pixels
        || p->nDstBufferSize < 3 * pixels)
        return MV_E_PARAMETER;
    cv::Mat src(p->nHeight, p->nWidth, CV_8UC1, p->pSrcData);
    cv::Mat dst(p->nHeight, p->nWidth, CV_8UC3, p->pDstBuffer);
    if (p->enSrcPixelType == PixelType_Gvsp_BayerRG8)
        cv::cvtColor(src, dst, cv::COLOR_BayerBG2RGB);
    else if (p->enSrcPixelType == PixelType_Gvsp_Mono8)
        cv::cvtColor(src, dst, cv::COLOR_GRAY2RGB);
    else
        return MV_E_SUPPORT;
    p->nDstLen = 3 * pixels;
    return MV_OK;
}

int MV_CC_GetGain(void* handle, MVCC_FLOATVALUE* value)
{
    if (handle && cam(handle)->device->refuses(QStringLiteral("MV_CC_GetGain")))
        return MV_E_SUPPORT;
    return MV_CC_GetFloatValue(handle, "Gain", value);
}

int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* value)
{
    return MV_CC_GetIntValue(handle, "Sharpness", value);
}

int MV_CC_GetGamma(void* handle, MVCC_FLOATVALUE* value)
{
    return MV_CC_GetFloatValue(handle, "Gamma", value);
}

int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode)
{
    return MV_CC_SetEnumValue(handle, "BalanceWhiteAuto", mode);
}

}  // namespace mvs
