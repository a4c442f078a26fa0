#pragma once
// Globals of camera acquisition: the family found at start-up, the shared
// frame size, the SDK device lists, the stored camera order and the frame
// locks. Created once; reached from every camera file.
#include "platform/camsdk/ImvSdk.h"
#include "platform/camsdk/MindVisionSdk.h"
#include "platform/camsdk/MvsSdk.h"
#include "foundation/VisionGlobals.h"

#include <QMutex>

#include <functional>
#include <vector>

constexpr int kMaxCameras = 8;
constexpr int kMindListSize = 12;
constexpr int kSerialSize = 100;

// Camera families (gCameraID). Ids 1-3, 10 and 11 are never used.
enum : int {
    CAMERA_NONE = 0,
    CAMERA_GALAXY = 4,
    CAMERA_UEYE = 5,
    CAMERA_MINDVISION = 6,
    CAMERA_MVS = 7,
    CAMERA_IMV = 8,
    CAMERA_V4L2 = 9,
    CAMERA_DVP = 12,
};

// IMV devices that passed the manufacturer filter.
struct Dahua_DeviceList {
    int nDevNum = 0;
    std::vector<imv::IMV_DeviceInfo> list;
};

extern int gCameraID;
extern int gFindCamera;
extern int gOW;
extern int gOH;
extern int gSensorColor;
extern mind::tSdkImageResolution gImageResolution;
extern mind::tSdkCameraDevInfo gCList[kMindListSize];
extern mvs::MV_CC_DEVICE_INFO_LIST gDevList;
extern Dahua_DeviceList gDeviceInfoList;

extern int gisCut;     // crop for lens optimisation (1 - noLensOptimization)
extern int gisColor;   // colour mode: frames hold four bytes per pixel
extern int gImageLen;  // gImageW * gImageH
extern int gColorLen;  // bytes of one frame: 4 * gImageLen in colour mode

extern char gSerialNB[kMaxCameras][kSerialSize];  // by logical camera number (kept with the parameters)
extern int gCamNO[kMaxCameras];                   // widget index -> logical number
extern int gContrast[kMaxCameras];                // Galaxy software contrast, under pMutex[c]

extern QMutex* pMutex[kMaxCameras];

// Creates pMutex once (start-up, before the main window); never released.
void CreateCameraMutexes();
// gImageLen and gColorLen from gImageW, gImageH and gisColor.
void DeriveFrameLengths();
// Bounded copy into one gSerialNB entry.
void SetSerialNB(int n, const char* text);

// The probe's choices: the run's frame size, and a count that fits the
// eight camera slots whatever a family reports.
void SetFrameSize(int width, int height);
int CapCameraCount(int n);
// Waits of the probe (repaired devices coming back); tests replace it.
void CameraProbeSleep(int ms);
void SetCameraProbeSleeper(std::function<void(int)> sleeper);
