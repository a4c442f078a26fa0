#include "StationLossPort.h"

#include "camera/CameraFamilies.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"

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
    const CameraFamily& family = CameraFamilyOf(gCameraID);
    return family.recount ? family.recount(forRestart) : -1;
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
