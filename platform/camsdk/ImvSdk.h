#pragma once
// Stand-in for the IMV camera library (IMV_ calls), backed by the simulated
// devices of family "imv". Frames arrive through the grabbing callback on
// the library's own thread.
#include <cstdint>

namespace imv {

using IMV_HANDLE = void*;

enum : int { IMV_OK = 0, IMV_ERROR = -101, IMV_INVALID_HANDLE = -102, IMV_INVALID_PARAM = -103,
             IMV_NOT_SUPPORT = -105, IMV_ACCESS_DENIED = -109 };
enum : int { modeByIndex = 0, modeByCameraKey = 1 };
enum : unsigned { interfaceTypeAll = 0 };
enum : int { accessPermissionControl = 1 };

struct IMV_DeviceInfo {
    char cameraKey[256] = {};
    char cameraName[256] = {};
    char serialNumber[256] = {};
    char vendorName[256] = {};
    char modelName[256] = {};
    char manufactureInfo[256] = {};
    // GigE part: the camera's address as the library sees it, and the host
    // interface it was found through.
    char ipConfigStatus[32] = {};  // "Valid" when reachable as it is
    char ipAddress[32] = {};
    char subnetMask[32] = {};
    char defaultGateway[32] = {};
    char hostIpAddress[32] = {};
    char hostSubnetMask[32] = {};
    char hostDefaultGateway[32] = {};
};

struct IMV_DeviceList {
    unsigned nDevNum = 0;
    IMV_DeviceInfo* pDevInfo = nullptr;  // owned by the library until the next enumeration
};

struct IMV_FrameInfo {
    uint64_t blockId = 0;
    unsigned status = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned size = 0;
    unsigned pixelFormat = 0;
};

struct IMV_Frame {
    void* frameHandle = nullptr;
    unsigned char* pData = nullptr;
    IMV_FrameInfo frameInfo;
};

using IMV_FrameCallBack = void (*)(IMV_Frame* frame, void* user);

// Link notification: the device went off line or came back.
enum : int { offLine = 0, onLine = 1 };
struct IMV_SConnectArg {
    int event = onLine;
};
using IMV_ConnectCallBack = void (*)(const IMV_SConnectArg* arg, void* user);

int IMV_EnumDevices(IMV_DeviceList* list, unsigned interfaceType);
int IMV_CreateHandle(IMV_HANDLE* handle, int mode, void* identifier);
int IMV_DestroyHandle(IMV_HANDLE handle);
int IMV_Open(IMV_HANDLE handle);
int IMV_OpenEx(IMV_HANDLE handle, int access);
bool IMV_IsOpen(IMV_HANDLE handle);
int IMV_Close(IMV_HANDLE handle);
int IMV_GetDeviceInfo(IMV_HANDLE handle, IMV_DeviceInfo* info);
int IMV_GetIntFeatureValue(IMV_HANDLE handle, const char* name, int64_t* value);
int IMV_GetIntFeatureMin(IMV_HANDLE handle, const char* name, int64_t* value);
int IMV_GetIntFeatureMax(IMV_HANDLE handle, const char* name, int64_t* value);
int IMV_SetIntFeatureValue(IMV_HANDLE handle, const char* name, int64_t value);
int IMV_GetDoubleFeatureValue(IMV_HANDLE handle, const char* name, double* value);
int IMV_GetDoubleFeatureMin(IMV_HANDLE handle, const char* name, double* value);
int IMV_GetDoubleFeatureMax(IMV_HANDLE handle, const char* name, double* value);
int IMV_SetDoubleFeatureValue(IMV_HANDLE handle, const char* name, double value);
int IMV_SetBoolFeatureValue(IMV_HANDLE handle, const char* name, bool value);
int IMV_SetEnumFeatureValue(IMV_HANDLE handle, const char* name, uint64_t value);
int IMV_SetEnumFeatureSymbol(IMV_HANDLE handle, const char* name, const char* symbol);
int IMV_SetStringFeatureValue(IMV_HANDLE handle, const char* name, const char* value);
int IMV_GIGE_ForceIpAddress(IMV_HANDLE handle, const char* ip, const char* mask, const char* gateway);
int IMV_ExecuteCommandFeature(IMV_HANDLE handle, const char* name);
int IMV_AttachGrabbing(IMV_HANDLE handle, IMV_FrameCallBack cb, void* user);
int IMV_StartGrabbing(IMV_HANDLE handle);
int IMV_StopGrabbing(IMV_HANDLE handle);

}  // namespace imv
