// The Camera page's buttons: next camera, the camera's factory defaults and
// the one-shot automatic exposure of MindVision cameras.
#include "WizardParaWidget.h"

#include "IOWidget.h"
#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "camera/drivers/MindVisionCamera.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "widgets/CheckBox.h"
#include "widgets/EditBox.h"

#include <QTimer>

#include <algorithm>

void WizardParaWidget::SlotChangeCamera()
{
    const int n = m_host->numCamera();
    if (n <= 1)
        return;
    m_camera = m_camera + 1 >= n ? 0 : m_camera + 1;
    m_host->selectCamera(m_camera);
    LoadCamera(false);
    LayOutPage();  // the page caption names the camera
    update();
}

void WizardParaWidget::SlotRestoreDefaultSettings()
{
    if (!Ask(LanStr(527)))
        return;
    if (CameraSide* cam = CurrentCameraSide())
        cam->RestoreDefaultSettings();
    LoadCamera(true);
}

namespace {
MindVisionCamera* MindVisionOf(CameraStation* st, int camera)
{
    if (gCameraID != CAMERA_MINDVISION || !st || camera < 0 || camera >= 8)
        return nullptr;
    CameraSide* cam = st->cameras[camera];
    return cam ? cam->driverAs<MindVisionCamera>() : nullptr;
}
}  // namespace

void WizardParaWidget::SlotAutoExposeTime()
{
    autoExposureTimer->start(2000);
    // The camera is remembered: switching cameras meanwhile must not store
    // this camera's result for another one.
    m_autoExposureCamera = m_camera;
    if (MindVisionCamera* mv = MindVisionOf(m_host->station(), m_camera))
        mv->startAutoExposure();
}

void WizardParaWidget::SlotAutoExposeTimeTimeout()
{
    autoExposureTimer->stop();
    const int c = m_autoExposureCamera;
    MindVisionCamera* mv = MindVisionOf(m_host->station(), c);
    if (!mv)
        return;
    int exposure = 0;
    int gain = 0;
    if (mv->endAutoExposure(&exposure, &gain)) {
        // Only what the fields can show is kept, and the camera is given
        // exactly that, so the edit, the record and the device agree.
        gpWParaBak->exposure[c] = std::clamp(exposure, exposureEdit->minimum(), exposureEdit->maximum());
        gpWParaBak->gain[c] = std::clamp(gain, gainEdit->minimum(), gainEdit->maximum());
    }
    EndAutoExposure(c);
    if (c == m_camera)
        LoadCamera(false);
    update();
}

void WizardParaWidget::EndAutoExposure(int camera)
{
    CameraStation* st = m_host->station();
    CameraSide* cam = st && camera >= 0 && camera < 8 ? st->cameras[camera] : nullptr;
    if (!MindVisionOf(st, camera) || !cam)
        return;
    cam->SetExposeTime();
    cam->SetAdjustPlus();
}

void WizardParaWidget::SlotTuneCamera()
{
    // Showing the dialog again reloads its controls from the edit copy.
    StoreControls();
    hide();
    m_host->showCameraRenumbering();
}

void WizardParaWidget::SlotShowIOWidget()
{
    ioWidget->show();
    ioWidget->raise();
}

void WizardParaWidget::SlotShowCustomIONameWidget()
{
    StoreControls();
    hide();
    m_host->showIONames();
}

void WizardParaWidget::SlotShowHardwareConfigurationWidget()
{
    const QString missing = m_host->missingHardwareConfiguration();
    if (!missing.isEmpty()) {
        Warn(LanStr(1171).arg(missing));
        return;
    }
    StoreControls();
    m_keepPage = true;
    hide();
    m_host->showHardwareConfiguration();
}
