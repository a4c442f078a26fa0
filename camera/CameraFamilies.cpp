#include "CameraFamilies.h"

#include "CameraDriver.h"
#include "CameraGlobals.h"
#include "camera/drivers/DvpCamera.h"
#include "camera/drivers/GalaxyCamera.h"
#include "camera/drivers/ImvCamera.h"
#include "camera/drivers/MindVisionCamera.h"
#include "camera/drivers/MvsCamera.h"
#include "camera/drivers/UeyeCamera.h"
#include "camera/drivers/V4l2Camera.h"

namespace {
template <class Driver>
std::unique_ptr<CameraDriver> make(CameraLink& link)
{
    return std::make_unique<Driver>(link);
}

const CameraFamily kNone{CAMERA_NONE, nullptr, &make<CameraDriver>, nullptr, LossCheck::Never, false, false};
}  // namespace

const std::vector<CameraFamily>& CameraFamilies()
{
    // The first family that answers the probe wins.
    static const std::vector<CameraFamily> families = {
        {CAMERA_GALAXY, &GalaxyCamera::Probe, &make<GalaxyCamera>, nullptr, LossCheck::AtOnce, false, false},
        {CAMERA_UEYE, &UeyeCamera::Probe, &make<UeyeCamera>, &UeyeCamera::Recount, LossCheck::AtOnce, true, false},
        {CAMERA_MINDVISION, &MindVisionCamera::Probe, &make<MindVisionCamera>, &MindVisionCamera::Recount,
         LossCheck::AtOnce, true, false},
        {CAMERA_DVP, &DvpCamera::Probe, &make<DvpCamera>, &DvpCamera::Recount, LossCheck::Recount, false, false},
        {CAMERA_V4L2, &V4l2Camera::Probe, &make<V4l2Camera>, &V4l2Camera::Recount, LossCheck::AtOnce, false, false},
        {CAMERA_IMV, &ImvCamera::Probe, &make<ImvCamera>, &ImvCamera::Recount, LossCheck::AtOnce, true, true},
        {CAMERA_MVS, &MvsCamera::Probe, &make<MvsCamera>, &MvsCamera::Recount, LossCheck::Recount, true, false},
    };
    return families;
}

const CameraFamily& CameraFamilyOf(int id)
{
    for (const CameraFamily& f : CameraFamilies())
        if (f.id == id)
            return f;
    return kNone;
}
