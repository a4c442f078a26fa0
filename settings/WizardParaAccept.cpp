// Loading the settings dialog from the edit copy, the Camera page's values
// that reach the cameras at once, and Confirm: check, log, save, apply.
#include "WizardParaWidget.h"

#include "IOWidget.h"
#include "NetworkPageHooks.h"
#include "SettingsChanges.h"
#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "network/HostName.h"
#include "params/IOSetup.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "widgets/CheckBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditBox.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/WarnBox.h"

#include <QShowEvent>
#include <QTimer>

#include <cstring>

namespace {
bool AnyAlgorithm(const WizardPara& p)
{
    return p.enableDefect || p.enableSpot || p.enableBlackArea || p.enableWhiteArea || p.enableSimilarity
        || p.enableWhiteNumber || p.enableBlackNumber || p.enableDistMeasure;
}

// Runs a step's work for every camera in use and every enabled step.
template <class F>
void ForEnabledSteps(SettingsHost& host, F&& f)
{
    for (int c = 0; c < host.numCamera(); ++c)
        for (int s = 0; s < gDNum && s < 8; ++s)
            if (gpWPara->detectOn[s])
                f(c, s);
}
}  // namespace

// --- loading --------------------------------------------------------------

void WizardParaWidget::WizardParaInit()
{
    m_loading = true;
    m_camera = 0;
    m_simpleDisplay = false;
    showModeButton->setText(LanStr(300));
    m_bindings.Load(*gpWParaBak);
    LoadCamera(false);
    rawFramesBox->setValue(m_host->saveRawFrames() ? 1 : 0);
    // The IO pages show the edit copy: an assignment confirmed there and
    // then discarded with the settings is gone.
    ioWidget->initIOWidget(*gpWParaBak);
    languageCombo->setCurrentIndex(gLan);
    m_net->Init();
    groupNameEdit->clear();
    newPasswordEdit->clear();
    confirmPasswordEdit->clear();
    if (paraGroupCombo->count() > 0) {
        paraGroupCombo->setCurrentIndex(0);
        if (gpWPara->paraGroupIndex >= 0 && gpWPara->paraGroupIndex < paraGroupCombo->count())
            paraGroupCombo->setCurrentIndex(gpWPara->paraGroupIndex);
    }
    m_loading = false;
    DoChangePage();
}

void WizardParaWidget::LoadCamera(bool withSpeed)
{
    // Filling the boxes must not reach the cameras: a value clamped into
    // the box's range is shown, not applied.
    const bool wasLoading = m_loading;
    m_loading = true;
    const WizardPara& p = *gpWParaBak;
    const int c = m_camera;
    exposureEdit->setValue(p.exposure[c]);
    gainEdit->setValue(p.gain[c]);
    clarityEdit->setValue(p.sharpness[c]);
    truthEdit->setValue(p.contrast[c]);
    gammaEdit->setValue(p.gamma[c]);
    if (withSpeed)
        speedEdit->setValue(p.cameraSpeed);
    hMirrorBox->setValue(p.hMirror[c]);
    vMirrorBox->setValue(p.vMirror[c]);
    m_loading = wasLoading;
}

void WizardParaWidget::ResetReCheck1Text(const QString& text)
{
    recheckEdit->setText(text);
    FitCaption(recheckEdit->captionLabel(), Sizes::Current().boxPx);
}

// --- the Camera page acts at once -------------------------------------------

CameraSide* WizardParaWidget::CurrentCameraSide() const
{
    CameraStation* st = m_host->station();
    return st ? st->cameras[m_camera] : nullptr;
}

void WizardParaWidget::ApplyCameraValue(int (&field)[8], int value, void (CameraSide::*apply)())
{
    if (m_loading)
        return;
    // Kept in the edit copy even when the camera is not open.
    field[m_camera] = value;
    if (CameraSide* cam = CurrentCameraSide())
        (cam->*apply)();
}

void WizardParaWidget::SetExposeTime(int value)
{
    ApplyCameraValue(gpWParaBak->exposure, value, &CameraSide::SetExposeTime);
}

void WizardParaWidget::SetAdjust(int value)
{
    ApplyCameraValue(gpWParaBak->gain, value, &CameraSide::SetAdjustPlus);
}

void WizardParaWidget::SetSharp(int value)
{
    ApplyCameraValue(gpWParaBak->sharpness, value, &CameraSide::SetSharp);
}

void WizardParaWidget::SetContrast(int value)
{
    ApplyCameraValue(gpWParaBak->contrast, value, &CameraSide::SetContrast);
}

void WizardParaWidget::SetGamma(int value)
{
    ApplyCameraValue(gpWParaBak->gamma, value, &CameraSide::SetGamma);
}

void WizardParaWidget::SetAutoExp(int on)
{
    gpWParaBak->autoExposure = on ? 1 : 0;
    if (CameraStation* st = m_host->station())
        st->SetAllExposeTime();
}

void WizardParaWidget::SetAutoWDR(int on)
{
    if (m_loading)
        return;
    gpWParaBak->autoShading = on ? 1 : 0;
    if (CameraStation* st = m_host->station())
        st->SetAllExposeTime();
}

void WizardParaWidget::SetHMirror()
{
    ApplyCameraValue(gpWParaBak->hMirror, hMirrorBox->value(), &CameraSide::SetHMirror);
}

void WizardParaWidget::SetVMirror()
{
    ApplyCameraValue(gpWParaBak->vMirror, vMirrorBox->value(), &CameraSide::SetVMirror);
}

void WizardParaWidget::SlotChangeShowMode()
{
    m_simpleDisplay = !m_simpleDisplay;
    QList<QWidget*> frame;
    for (ColorButton* b : pageButton)
        frame << b;
    frame << confirmButton << reorderButton;
    // Everything of the Camera page but the tuning controls.
    QList<QWidget*> factory;
    for (QWidget* w : m_factoryControls[PageCamera])
        if (w != clarityEdit && w != truthEdit && w != gammaEdit)
            factory << w;
    if (m_simpleDisplay) {
        showModeButton->setText(LanStr(299));
        for (QWidget* w : frame + factory)
            w->hide();
        m_host->selectCamera(m_camera);
    } else {
        showModeButton->setText(LanStr(300));
        for (QWidget* w : frame)
            w->show();
        if (factoryBox->isChecked())
            for (QWidget* w : factory)
                w->show();
    }
    LayOutPage();
    update();
}

// --- showing and hiding -----------------------------------------------------

void WizardParaWidget::showEvent(QShowEvent* event)
{
    WizardParaInit();
    // Back from a companion window: the cameras show the edits again (they
    // were given the confirmed values while the dialog was away).
    if (gpWPara && gpWParaBak)
        ApplyCameraDifferences(*gpWPara, *gpWParaBak);
    QWidget::showEvent(event);
}

void WizardParaWidget::hideEvent(QHideEvent* event)
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    if (!m_keepPage) {
        m_page = PageSystem;
        DoChangePage();
    }
    m_keepPage = false;
    // Whatever hid the dialog (an alarm, the area check, a companion window
    // that may never come back), the cameras run on the confirmed values:
    // the setters read the live record now.
    const bool autoExposing = autoExposureTimer->isActive();
    autoExposureTimer->stop();
    if (gpWPara && gpWParaBak)
        ApplyCameraDifferences(*gpWParaBak, *gpWPara);
    if (autoExposing)
        EndAutoExposure(m_autoExposureCamera);
    QWidget::hideEvent(event);
}

void WizardParaWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
}

// --- Confirm ------------------------------------------------------------------

void WizardParaWidget::StoreControls()
{
    WizardPara& p = *gpWParaBak;
    m_bindings.Store(p);
    // Timed detection in continuous capture works without the external trigger.
    if (p.continuousTimedDetect)
        p.externalTrigger = 0;
    // These algorithms need the per-region limits.
    if (p.enableSpot || p.enableWhiteArea || p.enableBlackArea || p.enableWhiteNumber || p.enableBlackNumber
        || p.enableDistMeasure) {
        showAllBox->setValue(1);
        p.showAllParams = 1;
    }
    m_net->StoreInto(p);
}

void WizardParaWidget::ApplyCameraDifferences(const WizardPara& a, const WizardPara& b)
{
    // Each setter applies the record the cameras read at this moment: the
    // edit copy while the dialog is shown, the live record otherwise.
    CameraStation* st = m_host->station();
    if (!st || !gpWPara || !gpWParaBak)
        return;
    const bool flags = a.autoExposure != b.autoExposure || a.autoShading != b.autoShading;
    for (int c = 0; c < 8; ++c) {
        CameraSide* cam = st->cameras[c];
        if (!cam)
            continue;
        if (flags || a.exposure[c] != b.exposure[c])
            cam->SetExposeTime();
        if (a.gain[c] != b.gain[c])
            cam->SetAdjustPlus();
        if (a.sharpness[c] != b.sharpness[c])
            cam->SetSharp();
        if (a.contrast[c] != b.contrast[c])
            cam->SetContrast();
        if (a.gamma[c] != b.gamma[c])
            cam->SetGamma();
        if (a.hMirror[c] != b.hMirror[c])
            cam->SetHMirror();
        if (a.vMirror[c] != b.vMirror[c])
            cam->SetVMirror();
    }
}

void WizardParaWidget::accept()
{
    // 1. A master unlock ends with the dialog.
    if (m_host->unlockLevel() == 2)
        m_host->setUnlockLevel(gpWPara->passwordUsed == 1 ? 1 : 0);

    // 2-3.
    StoreControls();
    if (!AnyAlgorithm(*gpWParaBak)) {
        Warn(LanStr(232));
        return;
    }

    // 4. What changed, before anything is copied.
    const WizardPara before = *gpWPara;
    const WizardPara edited = *gpWParaBak;

    // 5.
    if (m_net->TakeServerChanged())
        m_host->restartPlantClient();

    // 6.
    // The test-image switch is no parameter: it takes effect with the others
    // or not at all.
    const bool rawFrames = rawFramesBox->value() != 0;
    if (before == edited && m_net->EditedEqualsLive()) {
        m_host->setSaveRawFrames(rawFrames);
        Finish();
        return;
    }

    // 7. Discard: the edits go, the cameras get the live values back.
    if (!Ask(LanStr(234))) {
        *gpWParaBak = *gpWPara;
        m_net->Discard();
        ApplyCameraDifferences(edited, *gpWPara);
        Finish();
        return;
    }

    // Nothing is written for the system under a name it would refuse; an
    // empty name would leave the host files with entries naming nothing. The
    // name the system already has is not rewritten, so it is not checked:
    // with the plant link off its field is hidden and could not be mended.
    const QString host = m_net->EditedHostName();
    if (m_net->HostNameEdited() && !IsRfc1123HostName(host)) {
        Warn(LanStr(1123).arg(host));
        return;
    }

    // 8. Save.
    m_host->setSaveRawFrames(rawFrames);
    const QString log = SettingsChangeLog(before, edited);
    DeriveAcceptedIO(*gpWParaBak, before, *m_host);
    m_host->InsertRecord(log);
    const int netChanges = m_net->SaveNetParam();
    if (netChanges) {
        Warn(LanStr(418));
        m_net->TakeServerChanged();
    }
    *gpWPara = *gpWParaBak;
    m_net->Commit();
    if (!gpWPara->SaveDatatoFile())
        Warn(LanStr(160));
    if (netChanges) {
        m_net->UpdateRegisterMac();
        SystemActions& actions = SystemActions::instance();
        if (!actions.installFile(QStringLiteral("./vur_net/ls_hostname"), QStringLiteral("etc/hostname"))
            || !actions.installFile(QStringLiteral("./vur_net/ls_hosts"), QStringLiteral("etc/hosts")))
            qWarning("the host name files could not be installed");
        qInfo("(change serverinfo) 'NetClinet' will restart...");
        m_host->restartPlantClient();
    }

    // 9. What the changes need at once.
    const WizardPara& now = *gpWPara;
    CameraStation* st = m_host->station();
    if (before.externalTrigger != now.externalTrigger) {
        m_host->setCaptureOnTrigger(now.externalTrigger);
        for (int c = 0; st && c < m_host->numCamera() && c < 8; ++c)
            if (st->cameras[c])
                st->cameras[c]->CameraChangeTrig(false);
    }
    if (before.cameraSpeed != now.cameraSpeed && st)
        st->CameraSetSpeed();
    IOSetupHost* engines = m_host->ioSetupHost();
    const bool positioning = before.motionCorrect != now.motionCorrect || before.angleRange != now.angleRange;
    const bool offset = before.positionOffset != now.positionOffset;
    const bool mould = before.mouldMode != now.mouldMode;
    if (engines && (positioning || mould || offset))
        ForEnabledSteps(*m_host, [&](int c, int s) { engines->CreateShape(c, s); });
    if (engines && (before.productDetectOn != now.productDetectOn || before.twoSameParams != now.twoSameParams || mould)) {
        const int type = now.machineType;
        const bool copy = now.twoSameParams
            && ((now.productDetectOn && (type == 0 || type == 3)) || type == 1 || type == 2);
        for (int c = 0; copy && c < m_host->numCamera(); ++c)
            m_host->CopyPara(c);
        ForEnabledSteps(*m_host, [&](int c, int s) {
            if (!positioning && !offset)
                engines->CreateShape(c, s);
            engines->VarTrain(c, s);
        });
    } else if (engines && before.amplify != now.amplify) {
        ForEnabledSteps(*m_host, [&](int c, int s) { engines->VarTrain(c, s); });
    }
    // Without a restart the outputs would show the old polarity until the
    // cycle next sets them.
    if (std::memcmp(before.outputInvert, now.outputInvert, sizeof(now.outputInvert)) != 0)
        m_host->outputPolarityChanged(before);

    // 10. Notes about what waits for a restart.
    for (int text : RestartNotes(before, now))
        Warn(LanStr(text));
    if (before.showManualSnapshot != now.showManualSnapshot || before.productDetectOn != now.productDetectOn)
        m_host->hideCommandColumn();
    Finish();
}

void WizardParaWidget::Finish()
{
    // 11.
    hide();
    m_host->refreshCommandColumn();
    m_host->repaintCameras();
    gpWPara->inserterAllParam(2);
}
