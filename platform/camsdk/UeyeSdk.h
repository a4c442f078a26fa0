#pragma once
// Stand-in for the IDS uEye camera library (is_ calls), backed by the
// simulated devices of family "ueye". The library writes each frame into
// the image memory; the caller recognises a new frame by its content.
#include <cstdint>

namespace ueye {

using HIDS = uint32_t;
using INT = int32_t;

enum : INT { IS_SUCCESS = 0, IS_NO_SUCCESS = -1, IS_INVALID_CAMERA_HANDLE = 1 };
enum : HIDS { IS_USE_DEVICE_ID = 0x8000 };
enum : INT {
    IS_CM_MONO8 = 6,
    IS_SET_ENABLE_AUTO_GAIN = 0x8800,
    IS_SET_ENABLE_AUTO_SHUTTER = 0x8802,
    IS_SET_HW_GAMMA_ON = 1,
    IS_PIXELCLOCK_CMD_SET = 6,
    IS_EXPOSURE_CMD_SET_EXPOSURE = 12,
    IS_GAMMA_CMD_SET = 1,
    IS_VAV_CMD_SET_IMAGE_SIZE = 5,
    IS_WAIT = 1,
    IS_FORCE_VIDEO_STOP = 0x4000,
};

struct SENSORINFO {
    char strSensorName[32] = {};
    int32_t nMaxWidth = 0;
    int32_t nMaxHeight = 0;
};

struct CAMINFO {
    char SerNo[32] = {};
    char id[32] = {};
};

struct IS_SIZE_2D {
    int32_t s32Width = 0;
    int32_t s32Height = 0;
};

INT CameraUSBDeviceInit();
INT is_GetNumberOfCameras(INT* count);
// *handle: 0 (with or without IS_USE_DEVICE_ID) the first free device, else device id from 1.
INT is_InitCamera(HIDS* handle, void* window);
INT is_ExitCamera(HIDS handle);
INT is_GetSensorInfo(HIDS handle, SENSORINFO* info);
INT is_GetCameraInfo(HIDS handle, CAMINFO* info);
INT is_SetColorMode(HIDS handle, INT mode);
INT is_AllocImageMem(HIDS handle, INT width, INT height, INT bits, char** mem, INT* memId);
INT is_SetImageMem(HIDS handle, char* mem, INT memId);
INT is_FreeImageMem(HIDS handle, char* mem, INT memId);
INT is_LockSeqBuf(HIDS handle, INT memId, char* mem);
INT is_UnlockSeqBuf(HIDS handle, INT memId, char* mem);
INT is_VAV(HIDS handle, uint32_t command, void* param, uint32_t size);
INT is_SetAutoParameter(HIDS handle, INT param, double* value1, double* value2);
INT is_SetHardwareGamma(HIDS handle, INT mode);
INT is_PixelClock(HIDS handle, uint32_t command, void* param, uint32_t size);
INT is_CaptureVideo(HIDS handle, INT wait);
INT is_StopLiveVideo(HIDS handle, INT wait);
INT is_Exposure(HIDS handle, uint32_t command, void* param, uint32_t size);
INT is_SetHardwareGain(HIDS handle, INT master, INT red, INT green, INT blue);
INT is_Gamma(HIDS handle, uint32_t command, void* param, uint32_t size);

}  // namespace ueye
