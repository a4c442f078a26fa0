#pragma once
// Stand-in for the MindVision camera library (Camera calls), backed by the
// simulated devices of family "mindvision". Frames arrive through the frame
// callback on the library's own thread.
#include <cstdint>

namespace mind {

using CameraHandle = int;
using CameraSdkStatus = int;
using BYTE = unsigned char;
using UINT = unsigned int;

enum : CameraSdkStatus { CAMERA_STATUS_SUCCESS = 0, CAMERA_STATUS_FAILED = -1,
                         CAMERA_STATUS_NO_DEVICE_FOUND = -16, CAMERA_STATUS_DEVICE_IS_OPENED = -18 };
enum : UINT { CAMERA_MEDIA_TYPE_MONO8 = 0x01080001, CAMERA_MEDIA_TYPE_RGB8 = 0x02180014 };
enum : int { MIRROR_DIRECTION_HORIZONTAL = 0, MIRROR_DIRECTION_VERTICAL = 1 };
enum : int { TRIGGER_CONTINUOUS = 0, TRIGGER_SOFTWARE = 1, TRIGGER_HARDWARE = 2 };
enum : int { PARAMETER_TEAM_DEFAULT = 0xFF };
enum : UINT { CAMERA_DISCONNECTED = 0, CAMERA_CONNECTED = 1 };

struct tSdkCameraDevInfo {
    char acProductSeries[32] = {};
    char acProductName[32] = {};
    char acFriendlyName[32] = {};
    char acSn[32] = {};
};

struct tSdkImageResolution {
    int iIndex = 0;
    char acDescription[32] = {};
    unsigned uBinSumMode = 0, uBinAverageMode = 0, uSkipMode = 0, uResampleMask = 0;
    int iHOffsetFOV = 0, iVOffsetFOV = 0, iWidthFOV = 0, iHeightFOV = 0;
    int iWidth = 0, iHeight = 0;
    int iWidthZoomHd = 0, iHeightZoomHd = 0, iWidthZoomSw = 0, iHeightZoomSw = 0;
};

struct tSdkResolutionRange {
    int iHeightMax = 0, iHeightMin = 0, iWidthMax = 0, iWidthMin = 0;
};

struct tRange {
    int iMin = 0;
    int iMax = 0;
};

struct tSdkExpose {
    UINT uiTargetMin = 0, uiTargetMax = 0;
    UINT uiAnalogGainMin = 0, uiAnalogGainMax = 0;
    double fAnalogGainStep = 1;
    UINT uiExposeTimeMin = 0, uiExposeTimeMax = 0;
};

struct tSdkIspCapacity {
    int bMonoSensor = 0;
};

struct tSdkCameraCapbility {
    tSdkImageResolution* pImageSizeDesc = nullptr;
    int iImageSizeDesc = 0;
    tSdkResolutionRange sResolutionRange;
    tSdkExpose sExposeDesc;
    tRange sGammaRange;
    tRange sContrastRange;
    tRange sSharpnessRange;
    tSdkIspCapacity sIspCapacity;
};

struct tSdkFrameHead {
    UINT uiMediaType = 0;
    UINT uBytes = 0;
    int iWidth = 0;
    int iHeight = 0;
    UINT uiTimeStamp = 0;
};

using CAMERA_SNAP_PROC = void (*)(CameraHandle, BYTE* raw, tSdkFrameHead* head, void* context);
using CAMERA_CONNECTION_STATUS_CALLBACK = void (*)(CameraHandle, UINT msg, UINT param, void* context);

CameraSdkStatus CameraSdkInit(int language);
// Writes the library's version text (at most 31 bytes and a 0) into version.
CameraSdkStatus CameraSdkGetVersionString(char* version);
CameraSdkStatus CameraEnumerateDevice(tSdkCameraDevInfo* list, int* count);
CameraSdkStatus CameraInit(tSdkCameraDevInfo* info, int paramLoadMode, int team, CameraHandle* handle);
CameraSdkStatus CameraUnInit(CameraHandle h);
CameraSdkStatus CameraGetCapability(CameraHandle h, tSdkCameraCapbility* cap);
CameraSdkStatus CameraSetImageResolution(CameraHandle h, tSdkImageResolution* res);
CameraSdkStatus CameraSetIspOutFormat(CameraHandle h, UINT mediaType);
CameraSdkStatus CameraSetMonochrome(CameraHandle h, bool on);
CameraSdkStatus CameraSetWbMode(CameraHandle h, bool autoWb);
CameraSdkStatus CameraSetMediaType(CameraHandle h, int index);
CameraSdkStatus CameraSetFrameSpeed(CameraHandle h, int speed);
CameraSdkStatus CameraSetCallbackFunction(CameraHandle h, CAMERA_SNAP_PROC proc, void* context, CAMERA_SNAP_PROC* old);
CameraSdkStatus CameraSetConnectionStatusCallback(CameraHandle h, CAMERA_CONNECTION_STATUS_CALLBACK proc, void* context);
CameraSdkStatus CameraCommonCall(CameraHandle h, const char* command, char* result, unsigned resultSize);
CameraSdkStatus CameraPlay(CameraHandle h);
CameraSdkStatus CameraStop(CameraHandle h);
CameraSdkStatus CameraImageProcess(CameraHandle h, BYTE* raw, BYTE* out, tSdkFrameHead* head);
CameraSdkStatus CameraSetTriggerMode(CameraHandle h, int mode);
CameraSdkStatus CameraSetAeState(CameraHandle h, bool on);
CameraSdkStatus CameraGetAeState(CameraHandle h, bool* on);
CameraSdkStatus CameraSetAeTarget(CameraHandle h, int target);
CameraSdkStatus CameraSetAeExposureRange(CameraHandle h, double minUs, double maxUs);
CameraSdkStatus CameraSetAntiFlick(CameraHandle h, bool on);
CameraSdkStatus CameraSetExposureTime(CameraHandle h, double us);
CameraSdkStatus CameraGetExposureTime(CameraHandle h, double* us);
CameraSdkStatus CameraGetAeAnalogGainRange(CameraHandle h, int* min, int* max);
CameraSdkStatus CameraSetAnalogGain(CameraHandle h, int gain);
CameraSdkStatus CameraGetAnalogGain(CameraHandle h, int* gain);
CameraSdkStatus CameraSetSharpness(CameraHandle h, int v);
CameraSdkStatus CameraGetSharpness(CameraHandle h, int* v);
CameraSdkStatus CameraSetContrast(CameraHandle h, int v);
CameraSdkStatus CameraGetContrast(CameraHandle h, int* v);
CameraSdkStatus CameraSetGamma(CameraHandle h, int v);
CameraSdkStatus CameraGetGamma(CameraHandle h, int* v);
CameraSdkStatus CameraSetMirror(CameraHandle h, int direction, bool on);
CameraSdkStatus CameraSetOnceWB(CameraHandle h);
CameraSdkStatus CameraLoadParameter(CameraHandle h, int team);
CameraSdkStatus CameraReadSN(CameraHandle h, BYTE* buffer, int level);

}  // namespace mind
