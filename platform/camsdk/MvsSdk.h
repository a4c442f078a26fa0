#pragma once
// Stand-in for the Hikrobot MVS camera library (MV_CC_ calls), backed by the
// simulated devices of family "mvs". Frames arrive through the image
// callback on the library's own thread.
#include <cstdint>

namespace mvs {

enum : int { MV_OK = 0, MV_E_HANDLE = int(0x80000000), MV_E_SUPPORT = int(0x80000001),
             MV_E_PARAMETER = int(0x80000004), MV_E_ACCESS_DENIED = int(0x80000203) };
enum : unsigned { MV_GIGE_DEVICE = 0x1, MV_USB_DEVICE = 0x4 };
enum : unsigned { MV_EXCEPTION_DEV_DISCONNECT = 0x8001 };
enum : unsigned { PixelType_Gvsp_Mono8 = 0x01080001, PixelType_Gvsp_BayerRG8 = 0x01080009,
                  PixelType_Gvsp_RGB8_Packed = 0x02180014 };
enum : unsigned { MV_ACCESS_Exclusive = 1 };
enum : unsigned { MV_BALANCEWHITE_AUTO_ONCE = 2 };

struct MV_GIGE_DEVICE_INFO {
    unsigned nCurrentIp = 0;         // host byte order
    unsigned nCurrentSubNetMask = 0;
    unsigned nDefultGateWay = 0;
    unsigned nNetExport = 0;         // address of the host interface that found it
    char chModelName[32] = {};
    char chSerialNumber[64] = {};
};

struct MV_USB3_DEVICE_INFO {
    char chModelName[64] = {};
    char chSerialNumber[64] = {};
};

struct MV_CC_DEVICE_INFO {
    unsigned nTLayerType = 0;
    struct {
        MV_GIGE_DEVICE_INFO stGigEInfo;
        MV_USB3_DEVICE_INFO stUsb3VInfo;
    } SpecialInfo;
};

struct MV_CC_DEVICE_INFO_LIST {
    unsigned nDeviceNum = 0;
    MV_CC_DEVICE_INFO* pDeviceInfo[256] = {};
};

struct MV_FRAME_OUT_INFO {
    unsigned short nWidth = 0;
    unsigned short nHeight = 0;
    unsigned enPixelType = 0;
    unsigned nFrameNum = 0;
    unsigned nFrameLen = 0;
};

struct MVCC_INTVALUE {
    unsigned nCurValue = 0, nMax = 0, nMin = 0, nInc = 1;
};

struct MVCC_FLOATVALUE {
    float fCurValue = 0, fMax = 0, fMin = 0;
};

struct MVCC_STRINGVALUE {
    char chCurValue[256] = {};
};

struct MV_CC_PIXEL_CONVERT_PARAM {
    unsigned short nWidth = 0;
    unsigned short nHeight = 0;
    unsigned enSrcPixelType = 0;
    unsigned char* pSrcData = nullptr;
    unsigned nSrcDataLen = 0;
    unsigned enDstPixelType = 0;
    unsigned char* pDstBuffer = nullptr;
    unsigned nDstLen = 0;
    unsigned nDstBufferSize = 0;
};

using ImageCallback = void (*)(unsigned char* data, MV_FRAME_OUT_INFO* info, void* user);
using ExceptionCallback = void (*)(unsigned type, void* user);

int MV_CC_EnumDevices(unsigned layers, MV_CC_DEVICE_INFO_LIST* list);
bool MV_CC_IsDeviceAccessible(const MV_CC_DEVICE_INFO* info, unsigned access);
int MV_GIGE_ForceIpEx(void* handle, unsigned ip, unsigned mask, unsigned gateway);
int MV_CC_CreateHandle(void** handle, const MV_CC_DEVICE_INFO* info);
int MV_CC_DestroyHandle(void* handle);
int MV_CC_OpenDevice(void* handle, unsigned access, unsigned short switchoverKey);
int MV_CC_CloseDevice(void* handle);
int MV_CC_GetIntValue(void* handle, const char* key, MVCC_INTVALUE* value);
int MV_CC_SetIntValue(void* handle, const char* key, unsigned value);
int MV_CC_GetFloatValue(void* handle, const char* key, MVCC_FLOATVALUE* value);
int MV_CC_SetFloatValue(void* handle, const char* key, float value);
int MV_CC_SetEnumValue(void* handle, const char* key, unsigned value);
int MV_CC_SetBoolValue(void* handle, const char* key, bool value);
int MV_CC_GetStringValue(void* handle, const char* key, MVCC_STRINGVALUE* value);
int MV_CC_SetCommandValue(void* handle, const char* key);
int MV_CC_RegisterImageCallBackEx(void* handle, ImageCallback cb, void* user);
int MV_CC_RegisterExceptionCallBack(void* handle, ExceptionCallback cb, void* user);
int MV_CC_StartGrabbing(void* handle);
int MV_CC_StopGrabbing(void* handle);
int MV_CC_ConvertPixelType(void* handle, MV_CC_PIXEL_CONVERT_PARAM* param);
int MV_CC_GetGain(void* handle, MVCC_FLOATVALUE* value);
int MV_CC_GetSharpness(void* handle, MVCC_INTVALUE* value);
int MV_CC_GetGamma(void* handle, MVCC_FLOATVALUE* value);
int MV_CC_SetBalanceWhiteAuto(void* handle, unsigned mode);

}  // namespace mvs
