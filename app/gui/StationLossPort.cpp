#include "StationLossPort.h"

#include "camera/CameraGlobals.h"
#include "camera/CameraNetRepair.h"
#include "camera/CameraProbe.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "platform/camsdk/DvpSdk.h"
#include "platform/camsdk/MindVisionSdk.h"
#include "platform/camsdk/MvsSdk.h"
#include "platform/camsdk/UeyeSdk.h"

StationLossPort::StationLossPort(CameraStation* station)
    : m_station(station)
{
}

int StationLossPort::family() const
{
    return gCameraID;
}

bool StationLossPort::lostFlag() const
{
    return m_station->camLostFlag.load() != 0;
}

void StationLossPort::clearLostFlag()
{
    m_station->camLostFlag.store(0);
}

unsigned StationLossPort::takeReported()
{
    return m_station->lostReported.exchange(0);
}

int StationLossPort::cameraCount() const
{
    return m_station->numCamera;
}

int StationLossPort::recount(bool forRestart)
{
    switch (gCameraID) {
    case CAMERA_UEYE: {
        ueye::INT n = 0;
        ueye::is_GetNumberOfCameras(&n);
        return int(n);
    }
    case CAMERA_MINDVISION: {
        int n = kMindListSize;
        mind::CameraEnumerateDevice(gCList, &n);
        return n;
    }
    case CAMERA_MVS:
        if (forRestart)
            CameraNetRepair::instance().EnsureDeviceReach();
        mvs::MV_CC_EnumDevices(5, &gDevList);
        return int(gDevList.nDeviceNum);
    case CAMERA_IMV:
        Dahua_EnumDevices();
        return gDeviceInfoList.nDevNum;
    case CAMERA_V4L2:
        return CheckUSBCameraNum();
    case CAMERA_DVP: {
        dvp::dvpUint32 n = 0;
        dvp::dvpRefresh(&n);
        return int(n);
    }
    default:
        return -1;  // Galaxy and no family: no recount
    }
}

bool StationLossPort::isOpen(int camera) const
{
    return camera >= 0 && camera < 8 && m_station->camOpen[camera];
}

void StationLossPort::stop(int camera)
{
    if (CameraSide* side = m_station->cameras[camera])
        side->CameraStop();
}

void StationLossPort::close(int camera)
{
    if (CameraSide* side = m_station->cameras[camera])
        side->CameraClose();
}

bool StationLossPort::open(int camera)
{
    CameraSide* side = m_station->cameras[camera];
    if (!side)
        return false;
    side->CameraOpen();
    return m_station->camOpen[camera];
}

void StationLossPort::start(int camera)
{
    if (CameraSide* side = m_station->cameras[camera])
        side->CameraStart();
}

void StationLossPort::setSpeed()
{
    m_station->CameraSetSpeed();
}

void StationLossPort::markNg(int camera)
{
    if (camera >= 0 && camera < 8 && cameraOK[camera])
        *cameraOK[camera] = 0;
}

void StationLossPort::zeroNoFrameTicks(int camera)
{
    if (camera >= 0 && camera < 8)
        noFrameTicks[camera] = 0;
}
