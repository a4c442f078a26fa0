#include "UeyeCamera.h"

#include "camera/CameraGlobals.h"
#include "foundation/GLog.h"

#include <algorithm>
#include <cstring>

using namespace ueye;

bool UeyeCamera::Probe()
{
    CameraUSBDeviceInit();
    INT n = 0;
    if (is_GetNumberOfCameras(&n) != IS_SUCCESS || n <= 0)
        return false;
    HIDS h = 0 | IS_USE_DEVICE_ID;
    if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
        return false;
    SENSORINFO info{};
    if (is_GetSensorInfo(h, &info) != IS_SUCCESS) {
        is_ExitCamera(h);
        return false;
    }
    SetFrameSize(1280, 1024);
    gCameraID = CAMERA_UEYE;
    CameraProbeSleep(3000);
    is_GetNumberOfCameras(&n);
    gFindCamera = CapCameraCount(n);
    is_ExitCamera(h);
    return true;
}

int UeyeCamera::Recount(bool)
{
    INT n = 0;
    is_GetNumberOfCameras(&n);
    return int(n);
}

bool UeyeCamera::open(const char* serial)
{
    if (HasSerial(serial, 19)) {
        INT n = 0;
        is_GetNumberOfCameras(&n);
        bool found = false;
        for (INT id = 1; id <= n && !found; ++id) {
            HIDS h = HIDS(id) | IS_USE_DEVICE_ID;
            if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
                continue;
            CAMINFO info{};
            if (is_GetCameraInfo(h, &info) == IS_SUCCESS && std::strncmp(info.SerNo, serial, sizeof(info.SerNo)) == 0) {
                handle = h;
                found = true;
            } else {
                is_ExitCamera(h);
            }
        }
        if (!found)
            return false;
    } else {
        HIDS h = HIDS(m_link.index() + 1) | IS_USE_DEVICE_ID;
        if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
            return false;
        handle = h;
    }
    colorMode = IS_CM_MONO8;
    bitsPerPixel = 8;
    is_SetColorMode(handle, colorMode);
    const INT alloc = is_AllocImageMem(handle, gImageW, gImageH, bitsPerPixel, &imageMem, &memId);
    if (alloc != IS_SUCCESS || !imageMem) {
        // Without image memory the camera can deliver nothing: leave it closed.
        GLogInfo(QStringLiteral("is_AllocImageMem fail, ErrorCode[%1]").arg(alloc));
        imageMem = nullptr;
        is_ExitCamera(handle);
        handle = 0;
        return false;
    }
    is_SetImageMem(handle, imageMem, memId);
    IS_SIZE_2D size;
    size.s32Width = gImageW;
    size.s32Height = gImageH;
    is_VAV(handle, IS_VAV_CMD_SET_IMAGE_SIZE, &size, sizeof(size));
    double off = 0;
    is_SetAutoParameter(handle, IS_SET_ENABLE_AUTO_GAIN, &off, nullptr);
    is_SetAutoParameter(handle, IS_SET_ENABLE_AUTO_SHUTTER, &off, nullptr);
    is_SetHardwareGamma(handle, IS_SET_HW_GAMMA_ON);
    uint32_t clock = 5;
    is_PixelClock(handle, IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
    return true;
}

bool UeyeCamera::start()
{
    is_CaptureVideo(handle, IS_WAIT);
    return true;
}

void UeyeCamera::stop()
{
    is_StopLiveVideo(handle, IS_FORCE_VIDEO_STOP);
}

void UeyeCamera::close()
{
    is_FreeImageMem(handle, imageMem, memId);
    imageMem = nullptr;
    is_ExitCamera(handle);
    handle = 0;
}

bool UeyeCamera::setExposure(int e, bool, bool)
{
    // The camera's own exposure control is not used; the time applies either way.
    double ms = e;
    is_Exposure(handle, IS_EXPOSURE_CMD_SET_EXPOSURE, &ms, sizeof(ms));
    return true;
}

bool UeyeCamera::setGain(int g)
{
    is_SetHardwareGain(handle, g, g, g, g);
    return true;
}

void UeyeCamera::setGamma(int y)
{
    INT v = y;
    is_Gamma(handle, IS_GAMMA_CMD_SET, &v, sizeof(v));
}

void UeyeCamera::applySpeed(int s)
{
    uint32_t clock = uint32_t(s);
    is_PixelClock(handle, IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
}

bool UeyeCamera::orderSerial(std::string* out) const
{
    CAMINFO info{};
    if (is_GetCameraInfo(handle, &info) != IS_SUCCESS)
        return false;
    info.SerNo[sizeof(info.SerNo) - 1] = 0;
    *out = info.SerNo;
    return true;
}

bool UeyeCamera::pumpPass()
{
    if (!imageMem)
        return true;
    // The memory holds one 8-bit frame; a frame counts only when its content changed.
    const int bytes = std::min(gImageLen, gColorLen);
    is_LockSeqBuf(handle, memId, imageMem);
    if (bytes > 0 && (lastFrame.size() != size_t(bytes) || std::memcmp(imageMem, lastFrame.data(), size_t(bytes)) != 0)) {
        lastFrame.assign(imageMem, imageMem + bytes);
        m_link.deliver(imageMem, bytes);
    }
    is_UnlockSeqBuf(handle, memId, imageMem);
    return true;
}
