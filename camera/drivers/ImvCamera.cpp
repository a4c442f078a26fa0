#include "ImvCamera.h"

#include "camera/CameraGlobals.h"
#include "camera/CameraNetRepair.h"
#include "foundation/GLog.h"
#include "params/WizardPara.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace imv;

void Dahua_EnumDevices()
{
    gDeviceInfoList.list.clear();
    IMV_DeviceList list;
    if (IMV_EnumDevices(&list, interfaceTypeAll) == IMV_OK) {
        for (unsigned i = 0; i < list.nDevNum; ++i)
            if (std::strcmp(list.pDevInfo[i].manufactureInfo, "Machine Vision") == 0)
                gDeviceInfoList.list.push_back(list.pDevInfo[i]);
    }
    gDeviceInfoList.nDevNum = int(gDeviceInfoList.list.size());
}

bool ImvCamera::Probe()
{
    Dahua_EnumDevices();
    const int n = gDeviceInfoList.nDevNum;
    if (n <= 0)
        return false;
    bool changed = false;
    for (const IMV_DeviceInfo& info : gDeviceInfoList.list)
        if (CameraNetRepair::instance().autoSetCameraIP(info) == 1)
            changed = true;
    if (changed)
        CameraProbeSleep(6000);
    IMV_HANDLE h = nullptr;
    if (IMV_CreateHandle(&h, modeByCameraKey, gDeviceInfoList.list[0].cameraKey) != IMV_OK)
        return false;
    bool ok = false;
    if (IMV_Open(h) == IMV_OK) {
        int64_t w = 0, hh = 0;
        IMV_GetIntFeatureValue(h, "Width", &w);
        if (IMV_GetIntFeatureValue(h, "Height", &hh) == IMV_OK) {
            SetFrameSize(int(w), int(hh));
            gFindCamera = CapCameraCount(n);
            gCameraID = CAMERA_IMV;
            ok = true;
        }
        IMV_Close(h);
    }
    IMV_DestroyHandle(h);
    return ok;
}

int ImvCamera::Recount(bool)
{
    Dahua_EnumDevices();
    return gDeviceInfoList.nDevNum;
}

bool ImvCamera::open(const char* serial)
{
    const char* openedKey = serial;
    if (HasSerial(serial, 19)) {
        char key[100];
        CopyText(key, sizeof(key), serial);
        if (IMV_CreateHandle(&handle, modeByCameraKey, key) != IMV_OK) {
            handle = nullptr;
            return false;
        }
        if (IMV_OpenEx(handle, accessPermissionControl) != IMV_OK) {
            IMV_DestroyHandle(handle);
            handle = nullptr;
            return false;
        }
    } else {
        const int listed = std::min(gFindCamera, gDeviceInfoList.nDevNum);
        for (int k = 0; k < listed && !handle; ++k) {
            IMV_HANDLE h = nullptr;
            if (IMV_CreateHandle(&h, modeByCameraKey, gDeviceInfoList.list[size_t(k)].cameraKey) != IMV_OK)
                continue;
            if (!IMV_IsOpen(h) && IMV_OpenEx(h, accessPermissionControl) == IMV_OK) {
                handle = h;
                openedKey = gDeviceInfoList.list[size_t(k)].cameraKey;
            } else
                IMV_DestroyHandle(h);
        }
        if (!handle)
            return false;
    }
    // The key it was opened by, unless the device reports its own.
    CopyText(cameraKey, sizeof(cameraKey), openedKey);
    IMV_DeviceInfo info{};
    if (IMV_GetDeviceInfo(handle, &info) == IMV_OK) {
        info.cameraKey[sizeof(info.cameraKey) - 1] = 0;
        CopyText(cameraKey, sizeof(cameraKey), info.cameraKey);
    }
    IMV_SetEnumFeatureSymbol(handle, "UserSetSelector", "Default");
    IMV_ExecuteCommandFeature(handle, "UserSetLoad");
    IMV_SetEnumFeatureSymbol(handle, "UserSetDefault", "Default");
    applyFormat();
    IMV_AttachGrabbing(handle, &ImvCamera::FrameCallback, this);
    return true;
}

void ImvCamera::applyFormat()
{
    IMV_SetIntFeatureValue(handle, "Width", gImageW);
    IMV_SetIntFeatureValue(handle, "Height", gImageH);
    IMV_SetBoolFeatureValue(handle, "AcquisitionFrameRateEnable", true);
    IMV_SetDoubleFeatureValue(handle, "AcquisitionFrameRate", 20.0);
    IMV_SetEnumFeatureValue(handle, "SharpnessEnabled", 1);
    IMV_SetIntFeatureValue(handle, "GevHeartbeatTimeout", 1000);
    IMV_SetEnumFeatureSymbol(handle, "PixelFormat", "Mono8");
}

bool ImvCamera::start()
{
    if (!handle)
        return false;
    const int r = IMV_StartGrabbing(handle);
    if (r != IMV_OK) {
        std::printf("start grabbing failed! ErrorCode[%d]\n", r);
        GLogInfo(QStringLiteral("start grabbing failed! ErrorCode[%1]").arg(r));
        return false;
    }
    return true;
}

void ImvCamera::stop()
{
    IMV_StopGrabbing(handle);
}

void ImvCamera::close()
{
    if (!handle)
        return;
    IMV_Close(handle);
    IMV_DestroyHandle(handle);
    handle = nullptr;
}

void ImvCamera::trigger(bool external, bool)
{
    if (external) {
        IMV_SetEnumFeatureSymbol(handle, "TriggerMode", "On");
        IMV_SetEnumFeatureSymbol(handle, "TriggerSource", "Line1");
    } else {
        IMV_SetEnumFeatureSymbol(handle, "TriggerMode", "Off");
    }
}

bool ImvCamera::setExposure(int e, bool, bool)
{
    if (!handle)
        return false;
    const int r = IMV_SetDoubleFeatureValue(handle, "ExposureTime", e * 1000.0);
    if (r != IMV_OK) {
        GLogInfo(QStringLiteral("set ExposureTime value = %1 fail, ErrorCode[%2]").arg(e).arg(r));
        return false;
    }
    return true;
}

bool ImvCamera::setGain(int g)
{
    if (!handle)
        return false;
    double lo = 0, hi = 0;
    if (!RangeRead(IMV_GetDoubleFeatureMin(handle, "GainRaw", &lo), IMV_OK, "GainRaw range")
        || !RangeRead(IMV_GetDoubleFeatureMax(handle, "GainRaw", &hi), IMV_OK, "GainRaw range"))
        return false;
    const double value = MapToRange(lo, hi, g, 64);
    const int r = IMV_SetDoubleFeatureValue(handle, "GainRaw", value);
    if (r != IMV_OK) {
        GLogInfo(QStringLiteral("set GainRaw value = %1 fail, ErrorCode[%2]").arg(value, 0, 'g').arg(r));
        return false;
    }
    return true;
}

void ImvCamera::setSharpness(int s)
{
    int64_t lo = 0, hi = 0;
    if (handle && RangeRead(IMV_GetIntFeatureMin(handle, "Sharpness", &lo), IMV_OK, "Sharpness range")
        && RangeRead(IMV_GetIntFeatureMax(handle, "Sharpness", &hi), IMV_OK, "Sharpness range"))
        IMV_SetIntFeatureValue(handle, "Sharpness", int64_t(MapToRange(double(lo), double(hi), s, 100)));
}

void ImvCamera::setGamma(int y)
{
    double lo = 0, hi = 0;
    if (handle && RangeRead(IMV_GetDoubleFeatureMin(handle, "Gamma", &lo), IMV_OK, "Gamma range")
        && RangeRead(IMV_GetDoubleFeatureMax(handle, "Gamma", &hi), IMV_OK, "Gamma range"))
        IMV_SetDoubleFeatureValue(handle, "Gamma", MapToRange(lo, hi, y, 250));
}

void ImvCamera::setMirror(bool vertical, bool on)
{
    if (handle)
        IMV_SetBoolFeatureValue(handle, vertical ? "ReverseY" : "ReverseX", on);
}

void ImvCamera::restoreDefaults(WizardPara& edit, const WizardPara&)
{
    if (!m_link.isOpen() || !handle)
        return;
    const int i = m_link.index();
    m_link.stopAcquisition();
    IMV_ExecuteCommandFeature(handle, "UserSetLoad");
    applyFormat();
    const auto readDouble = [this](const char* name, int d, int* out) {
        double cur = 0, lo = 0, hi = 0;
        if (IMV_GetDoubleFeatureValue(handle, name, &cur) == IMV_OK
            && IMV_GetDoubleFeatureMin(handle, name, &lo) == IMV_OK
            && IMV_GetDoubleFeatureMax(handle, name, &hi) == IMV_OK)
            *out = ReadBack(cur, lo, hi, d);
    };
    double us = 0;
    if (IMV_GetDoubleFeatureValue(handle, "ExposureTime", &us) == IMV_OK)
        edit.exposure[i] = int(us / 1000);
    readDouble("GainRaw", 64, &edit.gain[i]);
    int64_t icur = 0, ilo = 0, ihi = 0;
    if (IMV_GetIntFeatureValue(handle, "Sharpness", &icur) == IMV_OK
        && IMV_GetIntFeatureMin(handle, "Sharpness", &ilo) == IMV_OK
        && IMV_GetIntFeatureMax(handle, "Sharpness", &ihi) == IMV_OK)
        edit.sharpness[i] = ReadBack(double(icur), double(ilo), double(ihi), 100);
    readDouble("Gamma", 250, &edit.gamma[i]);
    m_link.applyMirrors();
    m_link.startAcquisition();
}

bool ImvCamera::orderSerial(std::string* out) const
{
    *out = cameraKey;
    return true;
}

void ImvCamera::FrameCallback(IMV_Frame* frame, void* user)
{
    auto* self = static_cast<ImvCamera*>(user);
    if (!self) {
        std::printf("pCammerWidget is NULL!\n");
        GLogInfo(QStringLiteral("pCammerWidget is NULL!"));
        return;
    }
    if (!frame || !frame->pData
        || !self->m_link.frameFits(int(frame->frameInfo.width), int(frame->frameInfo.height), "IMV"))
        return;
    self->m_link.deliver(frame->pData, int(std::min(frame->frameInfo.size, unsigned(gImageLen))));
}

void ImvCamera::onDeviceLinkNotify(const IMV_SConnectArg* arg, void* user)
{
    const auto* self = static_cast<const ImvCamera*>(user);
    if (!arg || !self || arg->event != offLine)
        return;
    std::printf("------cameraKey[%s] : OffLine------\n", self->cameraKey);
    std::fflush(stdout);
    GLogInfo(QStringLiteral("------cameraKey[%1] : OffLine------").arg(QString::fromLatin1(self->cameraKey)));
}
