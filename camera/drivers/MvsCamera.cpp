#include "MvsCamera.h"

#include "camera/CameraGlobals.h"
#include "camera/CameraNetRepair.h"
#include "params/WizardPara.h"

#include <algorithm>
#include <cstring>

using namespace mvs;

MvsCamera::MvsCamera(CameraLink& link)
    : CameraDriver(link)
{
}

bool MvsCamera::Probe()
{
    CameraNetRepair::instance().EnsureDeviceReach();
    MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &gDevList);
    if (gDevList.nDeviceNum == 0)
        return false;
    void* h = nullptr;
    if (MV_CC_CreateHandle(&h, gDevList.pDeviceInfo[0]) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(h, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(h);
        return false;
    }
    MVCC_STRINGVALUE model{};
    if (MV_CC_GetStringValue(h, "DeviceModelName", &model) != MV_OK)
        model.chCurValue[0] = 0;
    model.chCurValue[sizeof(model.chCurValue) - 1] = 0;
    const size_t len = std::strlen(model.chCurValue);
    gSensorColor = (len > 0 && model.chCurValue[len - 1] == 'M') ? 0 : 1;
    const auto readInt = [h](const char* key, int* out) {
        MVCC_INTVALUE v{};
        if (MV_CC_GetIntValue(h, key, &v) != MV_OK)
            return false;
        *out = int(v.nCurValue);
        return true;
    };
    int w = 0, hh = 0;
    const bool sized = readInt("Width", &w) && readInt("Height", &hh) && w > 0 && hh > 0;
    gOW = w;
    gOH = hh;
    readInt("WidthMax", &gOW);
    readInt("HeightMax", &gOH);
    MV_CC_CloseDevice(h);
    MV_CC_DestroyHandle(h);
    if (!sized) {
        qWarning("MVS: frame size unreadable");
        return false;
    }
    SetFrameSize(w, hh);
    if (gOH > 4095)
        SetFrameSize(2304, 1296);
    gCameraID = CAMERA_MVS;
    gFindCamera = CapCameraCount(int(gDevList.nDeviceNum));
    return true;
}

int MvsCamera::Recount(bool forRestart)
{
    if (forRestart)
        CameraNetRepair::instance().EnsureDeviceReach();
    MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &gDevList);
    return int(gDevList.nDeviceNum);
}

unsigned MvsCamera::PixelFormat()
{
    return (!gSensorColor || !gisColor) ? PixelType_Gvsp_Mono8 : PixelType_Gvsp_BayerRG8;
}

bool MvsCamera::open(const char* serial)
{
    MV_CC_DEVICE_INFO* info = nullptr;
    const int listed = std::min<int>(gFindCamera, int(gDevList.nDeviceNum));
    if (!HasSerial(serial)) {
        if (m_link.index() < int(gDevList.nDeviceNum))
            info = gDevList.pDeviceInfo[m_link.index()];
    } else {
        for (int k = 0; k < listed && !info; ++k)
            if (gDevList.pDeviceInfo[k]->nTLayerType == MV_GIGE_DEVICE
                && std::strcmp(gDevList.pDeviceInfo[k]->SpecialInfo.stGigEInfo.chSerialNumber, serial) == 0)
                info = gDevList.pDeviceInfo[k];
    }
    if (!info || MV_CC_CreateHandle(&handle, info) != MV_OK) {
        handle = nullptr;
        return false;
    }
    deviceInfo = info;
    if (MV_CC_OpenDevice(handle, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(handle);
        handle = nullptr;
        return false;
    }
    // The stored order needs the serial later; the SDK's list may be refreshed meanwhile.
    m_serial.clear();
    if (info->nTLayerType == MV_GIGE_DEVICE) {
        const char* sn = info->SpecialInfo.stGigEInfo.chSerialNumber;
        m_serial.assign(sn, strnlen(sn, 31));
    }
    MV_CC_SetEnumValue(handle, "UserSetSelector", 0);
    MV_CC_SetCommandValue(handle, "UserSetLoad");
    MV_CC_SetBoolValue(handle, "SharpnessEnable", true);
    MV_CC_SetBoolValue(handle, "GammaEnable", true);
    MV_CC_SetIntValue(handle, "Width", unsigned(gImageW));
    MV_CC_SetIntValue(handle, "Height", unsigned(gImageH));
    MV_CC_SetIntValue(handle, "GevHeartbeatTimeout", 500);
    convert = MV_CC_PIXEL_CONVERT_PARAM();
    convert.nWidth = static_cast<unsigned short>(gImageW);
    convert.nHeight = static_cast<unsigned short>(gImageH);
    convert.nSrcDataLen = unsigned(gImageLen);
    convert.nDstBufferSize = 3u * unsigned(gImageLen);
    MV_CC_RegisterImageCallBackEx(handle, &MvsCamera::ImageCallBack, this);
    MV_CC_RegisterExceptionCallBack(handle, &MvsCamera::ExceptionImageCallBack, this);
    MV_CC_SetEnumValue(handle, "PixelFormat", PixelFormat());
    return true;
}

bool MvsCamera::start()
{
    MV_CC_StartGrabbing(handle);
    return true;
}

void MvsCamera::stop()
{
    MV_CC_StopGrabbing(handle);
}

void MvsCamera::close()
{
    MV_CC_CloseDevice(handle);
    MV_CC_DestroyHandle(handle);
    handle = nullptr;
}

void MvsCamera::trigger(bool external, bool)
{
    if (external) {
        MV_CC_SetEnumValue(handle, "TriggerMode", 1);
        MV_CC_SetEnumValue(handle, "TriggerSource", 0);
    } else {
        MV_CC_SetEnumValue(handle, "TriggerMode", 0);
    }
}

bool MvsCamera::setExposure(int e, bool, bool)
{
    // The camera's own exposure control is switched off whatever the parameter says.
    MV_CC_SetEnumValue(handle, "ExposureMode", 0);
    MV_CC_SetEnumValue(handle, "ExposureAuto", 0);
    MV_CC_SetFloatValue(handle, "ExposureTime", float(e * 1000));
    return true;
}

bool MvsCamera::setGain(int g)
{
    MVCC_FLOATVALUE v{};
    if (!RangeRead(MV_CC_GetGain(handle, &v), MV_OK, "gain range"))
        return true;
    MV_CC_SetEnumValue(handle, "GainAuto", 0);
    MV_CC_SetFloatValue(handle, "Gain", v.fMin + (v.fMax - v.fMin) / 64 * g);
    return true;
}

void MvsCamera::setSharpness(int s)
{
    MVCC_INTVALUE v{};
    if (RangeRead(MV_CC_GetSharpness(handle, &v), MV_OK, "sharpness range"))
        MV_CC_SetIntValue(handle, "Sharpness", unsigned(MapToRange(v.nMin, v.nMax, s, 100)));
}

void MvsCamera::setGamma(int y)
{
    MVCC_FLOATVALUE v{};
    if (RangeRead(MV_CC_GetGamma(handle, &v), MV_OK, "gamma range"))
        MV_CC_SetFloatValue(handle, "Gamma", float(MapToRange(v.fMin, v.fMax, y, 250)));
}

void MvsCamera::whiteBalance()
{
    MV_CC_SetBalanceWhiteAuto(handle, MV_BALANCEWHITE_AUTO_ONCE);
}

void MvsCamera::restoreDefaults(WizardPara& edit, const WizardPara&)
{
    if (!m_link.isOpen())
        return;
    const int i = m_link.index();
    m_link.stopAcquisition();
    MV_CC_SetEnumValue(handle, "UserSetSelector", 0);
    MV_CC_SetCommandValue(handle, "UserSetLoad");
    MV_CC_SetEnumValue(handle, "PixelFormat", PixelFormat());
    m_link.startAcquisition();
    MVCC_FLOATVALUE f{};
    if (MV_CC_GetFloatValue(handle, "ExposureTime", &f) == MV_OK)
        edit.exposure[i] = int(f.fCurValue / 1000);
    if (MV_CC_GetGain(handle, &f) == MV_OK)
        edit.gain[i] = ReadBack(f.fCurValue, f.fMin, f.fMax, 64);
    MVCC_INTVALUE n{};
    if (MV_CC_GetSharpness(handle, &n) == MV_OK)
        edit.sharpness[i] = ReadBack(n.nCurValue, n.nMin, n.nMax, 100);
    if (MV_CC_GetGamma(handle, &f) == MV_OK)
        edit.gamma[i] = ReadBack(f.fCurValue, f.fMin, f.fMax, 250);
}

void MvsCamera::applySpeed(int s)
{
    MV_CC_SetBoolValue(handle, "AcquisitionFrameRateEnable", true);
    MV_CC_SetFloatValue(handle, "AcquisitionFrameRate", float(s < 5 ? 20 : s));
}

bool MvsCamera::orderSerial(std::string* out) const
{
    *out = m_serial;  // an MVS USB camera stores an empty text
    return true;
}

void MvsCamera::ImageCallBack(unsigned char* data, MV_FRAME_OUT_INFO* info, void* user)
{
    auto* self = static_cast<MvsCamera*>(user);
    if (!info || !self || !data)
        return;
    if (!self->m_link.frameFits(info->nWidth, info->nHeight, "MVS"))
        return;
    if (gSensorColor && gisColor) {
        // The conversion runs under the frame lock, into the last three
        // quarters of the acquisition buffer, then widens there.
        self->m_link.deliverInto([self, data, info](unsigned char* acq) {
            MV_CC_PIXEL_CONVERT_PARAM& conv = self->convert;
            conv.enSrcPixelType = info->enPixelType;
            conv.pSrcData = data;
            conv.nSrcDataLen = std::min(info->nFrameLen, unsigned(gImageLen));
            conv.enDstPixelType = PixelType_Gvsp_RGB8_Packed;
            conv.pDstBuffer = acq + gImageLen;
            conv.nDstBufferSize = 3u * unsigned(gImageLen);
            if (MV_CC_ConvertPixelType(self->handle, &conv) != MV_OK)
                return false;
            WidenTailRgb(acq, gImageLen);
            return true;
        });
    } else {
        self->m_link.deliver(data, int(std::min(info->nFrameLen, unsigned(gImageLen))));
    }
}

void MvsCamera::ExceptionImageCallBack(unsigned type, void* user)
{
    auto* self = static_cast<MvsCamera*>(user);
    if (self && type == MV_EXCEPTION_DEV_DISCONNECT)
        self->m_link.reportLost();
}
