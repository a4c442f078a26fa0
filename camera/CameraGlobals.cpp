#include "CameraGlobals.h"

#include <QThread>

#include <algorithm>
#include <cstring>

int gCameraID = CAMERA_NONE;
int gFindCamera = 0;
int gOW = 0;
int gOH = 0;
int gSensorColor = 0;
mind::tSdkImageResolution gImageResolution;
mind::tSdkCameraDevInfo gCList[kMindListSize];
mvs::MV_CC_DEVICE_INFO_LIST gDevList;
Dahua_DeviceList gDeviceInfoList;

int gisCut = 0;
int gisColor = 0;
int gImageLen = 0;
int gColorLen = 0;

int gCamNO[kMaxCameras] = {0, 1, 2, 3, 4, 5, 6, 7};
int gContrast[kMaxCameras] = {};

QMutex* pMutex[kMaxCameras] = {};

void CreateCameraMutexes()
{
    for (auto& m : pMutex)
        if (!m)
            m = new QMutex;
}

void DeriveFrameLengths()
{
    gImageLen = gImageW * gImageH;
    gColorLen = gisColor ? 4 * gImageLen : gImageLen;
}

void SetSerialNB(int n, const char* text)
{
    if (n < 0 || n >= kMaxCameras)
        return;
    std::strncpy(gSerialNB[n], text ? text : "", kSerialSize - 1);
    gSerialNB[n][kSerialSize - 1] = 0;
}

void SetFrameSize(int width, int height)
{
    gImageW = width;
    gImageH = height;
}

int CapCameraCount(int n)
{
    return std::clamp(n, 0, kMaxCameras);
}

namespace {
std::function<void(int)> gSleeper;
}

void CameraProbeSleep(int ms)
{
    if (gSleeper)
        gSleeper(ms);
    else
        QThread::msleep(ulong(ms));
}

void SetCameraProbeSleeper(std::function<void(int)> sleeper)
{
    gSleeper = std::move(sleeper);
}
