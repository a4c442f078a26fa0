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

void WizardParaWidget::SlotAutoExposeTime()
{
    autoExposureTimer->start(2000);
    // The camera is remembered: switching cameras meanwhile must not store
    // this camera's result for another one.
    m_autoExposureCamera = m_camera;
    if (gCameraID != CAMERA_MINDVISION)
        return;
    CameraSide* cam = CurrentCameraSide();
    auto* mv = cam ? cam->driverAs<MindVisionCamera>() : nullptr;
    if (!mv)
        return;
    mind::CameraSetAeState(mv->handle, true);
    mind::CameraSetAeTarget(mv->handle, 120);
    mind::CameraSetAeExposureRange(mv->handle, 0, 100000);
    mind::CameraSetAntiFlick(mv->handle, true);
}

void WizardParaWidget::SlotAutoExposeTimeTimeout()
{
    autoExposureTimer->stop();
    const int c = m_autoExposureCamera;
    if (gCameraID != CAMERA_MINDVISION || c < 0)
        return;
    CameraStation* st = m_host->station();
    CameraSide* cam = st ? st->cameras[c] : nullptr;
    auto* mv = cam ? cam->driverAs<MindVisionCamera>() : nullptr;
    if (!mv)
        return;
    mind::CameraSetAeState(mv->handle, false);
    double us = 0;
    int gain = 0;
    mind::CameraGetExposureTime(mv->handle, &us);
    mind::CameraGetAnalogGain(mv->handle, &gain);
    gpWParaBak->exposure[c] = int(us / 1000);
    gpWParaBak->gain[c] = gain;
    if (c == m_camera)
        LoadCamera(false);
    update();
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
    StoreControls();
    m_keepPage = true;
    hide();
    m_host->showHardwareConfiguration();
}
