#include "MindVisionCamera.h"

#include "camera/CameraGlobals.h"
#include "foundation/GLog.h"
#include "params/WizardPara.h"

#include <algorithm>
#include <cstring>

using namespace mind;

MindVisionCamera::MindVisionCamera(CameraLink& link)
    : CameraDriver(link)
{
    m_processed = ZeroFrameBytes(size_t(4) * size_t(gImageLen));
}

namespace {
// The devices listed into gCList; a failed enumeration lists none.
int enumerate()
{
    int count = kMindListSize;
    if (CameraEnumerateDevice(gCList, &count) != CAMERA_STATUS_SUCCESS)
        return 0;
    return std::clamp(count, 0, kMindListSize);
}
}  // namespace

QString MindVisionCamera::SdkVersion()
{
    char version[64] = {};
    if (CameraSdkGetVersionString(version) != CAMERA_STATUS_SUCCESS)
        return QString();
    return QString::fromLatin1(version);
}

bool MindVisionCamera::Probe()
{
    CameraSdkInit(0);
    const int count = enumerate();
    if (count <= 0)
        return false;
    CameraHandle h = 0;
    if (CameraInit(&gCList[0], -1, -1, &h) != CAMERA_STATUS_SUCCESS)
        return false;
    tSdkCameraCapbility cap{};
    if (CameraGetCapability(h, &cap) != CAMERA_STATUS_SUCCESS) {
        // Without the sensor's size no frame size can be chosen.
        qWarning("CameraGetCapability fail");
        CameraUnInit(h);
        return false;
    }
    gOW = cap.sResolutionRange.iWidthMax;
    gOH = cap.sResolutionRange.iHeightMax;
    gSensorColor = cap.sIspCapacity.bMonoSensor ? 0 : 1;
    switch (gOW) {
    case 1280: gisCut ? SetFrameSize(1120, 840) : SetFrameSize(1280, gOH); break;
    case 2048: gisCut ? SetFrameSize(1600, 1200) : SetFrameSize(2048, gOH); break;
    case 2592:
        if (gisCut && cap.iImageSizeDesc > 0 && cap.pImageSizeDesc) {
            gImageResolution = cap.pImageSizeDesc[0];
            SetFrameSize(gImageResolution.iWidth, gImageResolution.iHeight);
        } else {
            SetFrameSize(2592, gOH);
        }
        break;
    case 3088: gisCut ? SetFrameSize(2592, 1944) : SetFrameSize(3088, gOH); break;
    case 1600: gisCut ? SetFrameSize(1300, 1000) : SetFrameSize(1600, gOH); break;
    default: SetFrameSize(gOW, gOH); break;
    }
    gCameraID = CAMERA_MINDVISION;
    gFindCamera = CapCameraCount(count);
    CameraUnInit(h);
    enumerate();
    return true;
}

int MindVisionCamera::Recount(bool)
{
    return enumerate();
}

bool MindVisionCamera::open(const char* serial)
{
    const int i = m_link.index();
    CameraSdkStatus st;
    if (!HasSerial(serial)) {
        st = CameraInit(&gCList[i], -1, -1, &handle);
        GLogInfo(QStringLiteral("CameraInit 2 %1").arg(st));
    } else {
        int match = -1;
        for (int k = 0; k < std::min(gFindCamera, kMindListSize) && match < 0; ++k)
            if (std::strncmp(gCList[k].acSn, serial, sizeof(gCList[k].acSn)) == 0)
                match = k;
        if (match < 0) {
            m_link.record(QStringLiteral("Mind Fail = %1").arg(-1));
            return false;
        }
        m_link.record(QStringLiteral("Mind Open %1 = %2").arg(i + 1).arg(QString::fromLatin1(serial)));
        st = CameraInit(&gCList[match], -1, -1, &handle);
        GLogInfo(QStringLiteral("CameraInit 1 %1").arg(st));
    }
    if (st != CAMERA_STATUS_SUCCESS) {
        m_link.record(QStringLiteral("Mind Fail = %1").arg(st));
        handle = 0;
        return false;
    }
    capability = tSdkCameraCapbility{};
    const CameraSdkStatus cap = CameraGetCapability(handle, &capability);
    capabilityRead = cap == CAMERA_STATUS_SUCCESS;
    if (!capabilityRead)
        GLogInfo(QStringLiteral("CameraGetCapability fail, ErrorCode[%1]").arg(cap));
    applyFormat(true);
    CameraSetFrameSpeed(handle, 0);
    CameraSetConnectionStatusCallback(handle, &MindVisionCamera::MindConnectStateCallBack, this);
    CameraSetCallbackFunction(handle, &MindVisionCamera::CameraSnapCallback, this, nullptr);
    CameraCommonCall(handle, "set_online_detect_interval(500)", nullptr, 0);
    return true;
}

void MindVisionCamera::applyFormat(bool allowPreset)
{
    if (allowPreset && gOW == 2592 && gisCut) {
        CameraSetImageResolution(handle, &gImageResolution);
    } else {
        tSdkImageResolution res;
        res.iIndex = 0xFF;
        res.iHOffsetFOV = (gOW - gImageW) / 2;
        res.iVOffsetFOV = (gOH - gImageH) / 2;
        res.iWidthFOV = res.iWidth = gImageW;
        res.iHeightFOV = res.iHeight = gImageH;
        CameraSetImageResolution(handle, &res);
    }
    if (!gSensorColor) {
        CameraSetIspOutFormat(handle, CAMERA_MEDIA_TYPE_MONO8);
        CameraSetMonochrome(handle, false);
        return;
    }
    CameraSetWbMode(handle, false);
    if (!gisColor) {
        if (gOW == 2048)
            CameraSetMonochrome(handle, true);
        else
            CameraSetMediaType(handle, 1);
        CameraSetIspOutFormat(handle, CAMERA_MEDIA_TYPE_MONO8);
    } else {
        if (gOW == 2048)
            CameraSetMonochrome(handle, false);
        else
            CameraSetMediaType(handle, 0);
        CameraSetIspOutFormat(handle, CAMERA_MEDIA_TYPE_RGB8);
    }
}

bool MindVisionCamera::start()
{
    CameraPlay(handle);
    return true;
}

void MindVisionCamera::stop()
{
    if (handle > 0)
        CameraStop(handle);
}

void MindVisionCamera::close()
{
    if (handle > 0)
        CameraUnInit(handle);
    handle = 0;
}

void MindVisionCamera::trigger(bool external, bool)
{
    CameraSetTriggerMode(handle, external ? TRIGGER_HARDWARE : TRIGGER_CONTINUOUS);
}

bool MindVisionCamera::setExposure(int e, bool autoExposure, bool autoShading)
{
    if (!autoExposure) {
        CameraSetAeState(handle, false);
        CameraSetExposureTime(handle, e * 1000.0);
    } else {
        CameraSetAeState(handle, true);
    }
    CameraCommonCall(handle, autoShading ? "set_awdr_enable(true)" : "set_awdr_enable(false)", nullptr, 0);
    return true;
}

bool MindVisionCamera::setGain(int g)
{
    int lo = 0, hi = 0;
    if (RangeRead(CameraGetAeAnalogGainRange(handle, &lo, &hi), CAMERA_STATUS_SUCCESS, "gain range"))
        CameraSetAnalogGain(handle, int(MapToRange(lo, hi, g, 64)));
    return true;
}

void MindVisionCamera::startAutoExposure()
{
    CameraSetAeState(handle, true);
    CameraSetAeTarget(handle, 120);
    CameraSetAeExposureRange(handle, 0, 100000);
    CameraSetAntiFlick(handle, true);
}

bool MindVisionCamera::endAutoExposure(int* exposureMs, int* gain)
{
    CameraSetAeState(handle, false);
    double us = 0;
    int lo = 0, hi = 0, g = 0;
    if (CameraGetExposureTime(handle, &us) != CAMERA_STATUS_SUCCESS
        || CameraGetAeAnalogGainRange(handle, &lo, &hi) != CAMERA_STATUS_SUCCESS
        || CameraGetAnalogGain(handle, &g) != CAMERA_STATUS_SUCCESS)
        return false;
    *exposureMs = int(us / 1000);
    // setGain maps 0..64 onto the device's range; read back the same way.
    *gain = ReadBack(g, lo, hi, 64);
    return true;
}

void MindVisionCamera::setSharpness(int s)
{
    const tRange r = capability.sSharpnessRange;
    if (capabilityRead)
        CameraSetSharpness(handle, int(MapToRange(r.iMin, r.iMax, s, 100, true)));
}

void MindVisionCamera::setContrast(int c)
{
    const tRange r = capability.sContrastRange;
    if (capabilityRead)
        CameraSetContrast(handle, int(MapToRange(r.iMin, r.iMax, c, 200, true)));
}

void MindVisionCamera::setGamma(int y)
{
    const tRange r = capability.sGammaRange;
    if (capabilityRead)
        CameraSetGamma(handle, int(MapToRange(r.iMin, r.iMax, y, 250, true)));
}

void MindVisionCamera::setMirror(bool vertical, bool on)
{
    CameraSetMirror(handle, vertical ? MIRROR_DIRECTION_VERTICAL : MIRROR_DIRECTION_HORIZONTAL, on);
}

void MindVisionCamera::whiteBalance()
{
    CameraSetOnceWB(handle);
}

void MindVisionCamera::restoreDefaults(WizardPara& edit, const WizardPara& live)
{
    if (!m_link.isOpen())
        return;
    const int i = m_link.index();
    m_link.stopAcquisition();
    CameraLoadParameter(handle, PARAMETER_TEAM_DEFAULT);
    applyFormat(false);
    CameraSetAeState(handle, live.autoExposure != 0);
    CameraSetFrameSpeed(handle, 0);
    const auto ok = [](CameraSdkStatus st) { return st == CAMERA_STATUS_SUCCESS; };
    double us = 0;
    if (ok(CameraGetExposureTime(handle, &us)))
        edit.exposure[i] = int(us / 1000);
    int lo = 0, hi = 0, g = 0;
    if (ok(CameraGetAeAnalogGainRange(handle, &lo, &hi)) && ok(CameraGetAnalogGain(handle, &g)))
        edit.gain[i] = ReadBack(g, lo, hi, 64);
    int v = 0;
    if (capabilityRead) {
        const tSdkCameraCapbility& cap = capability;
        if (ok(CameraGetSharpness(handle, &v)))
            edit.sharpness[i] = ReadBack(v, cap.sSharpnessRange.iMin, cap.sSharpnessRange.iMax, 100, true);
        if (ok(CameraGetContrast(handle, &v)))
            edit.contrast[i] = ReadBack(v, cap.sContrastRange.iMin, cap.sContrastRange.iMax, 200, true);
        if (ok(CameraGetGamma(handle, &v)))
            edit.gamma[i] = ReadBack(v, cap.sGammaRange.iMin, cap.sGammaRange.iMax, 250, true);
    }
    m_link.startAcquisition();
    m_link.applySpeedToAll();
}

void MindVisionCamera::applySpeed(int s)
{
    CameraSetFrameSpeed(handle, gisColor ? s + 1 : s);
}

bool MindVisionCamera::orderSerial(std::string* out) const
{
    BYTE sn[32] = {};
    if (CameraReadSN(handle, sn, 0) != CAMERA_STATUS_SUCCESS)
        return false;
    sn[31] = 0;
    *out = reinterpret_cast<const char*>(sn);
    return true;
}

void MindVisionCamera::CameraSnapCallback(CameraHandle h, BYTE* raw, tSdkFrameHead* head, void* ctx)
{
    auto* self = static_cast<MindVisionCamera*>(ctx);
    if (!self || !head || !self->m_link.frameFits(head->iWidth, head->iHeight, "MindVision"))
        return;
    if (head->uBytes > self->m_processed.size())
        return;
    CameraImageProcess(h, raw, self->m_processed.data(), head);
    if (gisColor && head->uiMediaType == CAMERA_MEDIA_TYPE_RGB8)
        self->deliverRgb(self->m_processed.data());
    else
        self->m_link.deliver(self->m_processed.data(), std::min(int(head->uBytes), gImageLen));
}

void MindVisionCamera::MindConnectStateCallBack(CameraHandle, UINT state, UINT, void* ctx)
{
    auto* self = static_cast<MindVisionCamera*>(ctx);
    if (self && state == CAMERA_DISCONNECTED)
        self->m_link.reportLost();
}
