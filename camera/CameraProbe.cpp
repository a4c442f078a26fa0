#include "CameraProbe.h"

#include "CameraFamilies.h"
#include "CameraGlobals.h"
#include "CameraNetRepair.h"
#include "camera/drivers/MindVisionCamera.h"

void CheckCameraID()
{
    gSensorColor = 0;
    if (CameraNetRepair::instance().RepairAllCameraIP() > 0)
        CameraProbeSleep(6000);
    for (const CameraFamily& family : CameraFamilies())
        if (family.probe())
            return;
    gCameraID = CAMERA_NONE;
    gFindCamera = 4;
    SetFrameSize(1920, 1080);
}

QString CameraSdkVersion()
{
    return gCameraID == CAMERA_MINDVISION ? MindVisionCamera::SdkVersion() : QString();
}
