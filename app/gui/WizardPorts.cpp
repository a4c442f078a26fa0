#include "WizardPorts.h"

#include "CameraLoss.h"
#include "ContinuousNgWarnBox.h"
#include "LostComWarnBox.h"
#include "RaRoWizard.h"
#include "app/IOLink.h"
#include "app/LedPanel.h"
#include "app/MainGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "inspect/CammerRecong.h"
#include "params/WizardPara.h"
#include "settings/HelpWidget.h"
#include "settings/WizardParaWidget.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "widgets/WarnBox.h"

#include <QTimer>

int WizardPorts::cameraCount() const
{
    return m_win->numCamera();
}

CammerWidgetData* WizardPorts::cameraData(int c)
{
    return (c >= 0 && c < 8) ? m_win->cammerWidget[c] : nullptr;
}

void WizardPorts::showFrame(int c, bool inspected)
{
    if (CammerWidget* w = m_win->cammerWidget[c]) {
        w->ShowFrame(inspected ? w->inspectFrame : w->workBuffer);
        w->update();
    }
}

void WizardPorts::repaintCamera(int c)
{
    if (c >= 0 && c < 8 && m_win->cammerWidget[c])
        m_win->cammerWidget[c]->update();
}

void WizardPorts::repaintAll()
{
    m_win->update();
    for (CammerWidget* w : m_win->cammerWidget)
        if (w)
            w->update();
}

bool WizardPorts::continuousNgBoxVisible() const
{
    return gContinuousNgWarnBox && gContinuousNgWarnBox->isVisible();
}

void WizardPorts::showContinuousNgBox()
{
    if (gContinuousNgWarnBox)
        gContinuousNgWarnBox->show();
}

void WizardPorts::showMessage(const QString& text, bool modal)
{
    if (!gpWarnBox)
        return;
    gpWarnBox->setText(text);
    if (modal)
        gpWarnBox->exec();
    else
        gpWarnBox->show();
}

void WizardPorts::hideMessage()
{
    if (gpWarnBox)
        gpWarnBox->hide();
}

bool WizardPorts::editorVisible() const
{
    return m_win->drawROIWidget && m_win->drawROIWidget->isVisible();
}

void WizardPorts::enterAlarmView()
{
    m_win->ChangeCammer();
    if (m_win->wizardParaWidget)
        m_win->wizardParaWidget->hide();
    if (m_win->helpWidget)
        m_win->helpWidget->hide();
    // The command column hides here once it exists.
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->Reset(false);
}

void WizardPorts::editorReCheck()
{
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->SlotReCheck();
}

void WizardPorts::editorRestart()
{
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->Restart();
}

void WizardPorts::startBlink(int c)
{
    if (CammerWidget* w = m_win->cammerWidget[c]; w && w->blinkTimer)
        w->blinkTimer->start(1000);
}

void WizardPorts::wakeScreen()
{
    if (gLcdOff) {
        ::LCDOnOff(1);
        if (gpWPara && gpWPara->screenOffTime > 0 && m_win->lcdTimer)
            m_win->lcdTimer->start(gpWPara->screenOffTime * 1000);
    }
}

void WizardPorts::cameraChangeTrig(int c)
{
    if (CameraSide* side = m_win->station()->cameras[c])
        side->CameraChangeTrig(false);
}

void WizardPorts::saveResultPicture(int c, int step, int slot)
{
    if (CammerWidget* w = m_win->cammerWidget[c])
        w->SaveFailImage(step, slot);
}

void WizardPorts::updateResultPicture(int c, int step, int slot)
{
    if (CammerWidget* w = m_win->cammerWidget[c])
        w->UpdateFailImage(step, slot);
}

void WizardPorts::saveReTrainImage(int c, int g)
{
    if (CammerWidget* w = m_win->cammerWidget[c])
        w->SaveReTrainImage(g);
}

void WizardPorts::retrain(int c, int g, bool shapeOnly)
{
    CammerWidget* w = m_win->cammerWidget[c];
    if (!w || !w->engine)
        return;
    w->engine->CreateShape(g);
    if (!shapeOnly)
        w->engine->VarTrain(g);
}

void WizardPorts::manualStandInFrame(int c)
{
    CammerWidget* w = m_win->cammerWidget[c];
    const QString path = QStringLiteral("cammer15/template%1.bmp").arg(m_standInIndex);
    m_standInIndex = (m_standInIndex + 1) % 50;
    if (w)
        w->LoadStandInFrame(path);
}

void WizardPorts::repaintStatus()
{
    // The status bar repaints here once it exists.
}

void WizardPorts::pollLostComBox(bool lost, bool enabled)
{
    if (gpLostComWarnBox)
        gpLostComWarnBox->Poll(lost, enabled);
}

void WizardPorts::cameraCheckPass()
{
    if (m_win->m_loss)
        m_win->m_loss->PollPass();
}

void WizardPorts::cameraRestart()
{
    if (m_win->m_loss)
        m_win->m_loss->CameraRestart();
}

void WizardPorts::restartViews()
{
    // The ROI selections and parameter panels are cleared here once the ROI
    // editor exists, and the command column shown once it is built.
    m_win->cycle().verdictState = VerdictIdle;
    for (CammerWidget* w : m_win->cammerWidget)
        if (w)
            w->update();
}

void WizardPorts::setWhiteBalance()
{
    for (CameraSide* side : m_win->station()->cameras)
        if (side)
            side->SetWB();
}

QTimer* WizardPorts::tscTimer() { return m_win->tscTimer; }
QTimer* WizardPorts::logoutTimer() { return m_win->logoutTimer; }
QTimer* WizardPorts::lcdTimer() { return m_win->lcdTimer; }
int& WizardPorts::tscArmed() { return m_win->tscArmed; }

bool WizardPorts::parametersLoaded() const
{
    return gpWPara != nullptr;
}

int WizardPorts::autoLogoutTime() const
{
    return gpWPara ? gpWPara->autoLogoutTime : 0;
}

int WizardPorts::screenOffTime() const
{
    return gpWPara ? gpWPara->screenOffTime : 0;
}

void WizardPorts::FLushAll()
{
    m_win->FLushAll();
}

bool WizardPorts::verdictIsAlarm() const
{
    return m_win->cycle().verdictState == VerdictAlarm;
}

void WizardPorts::InsertRecord(const QString& text)
{
    m_win->InsertRecord(text);
}

void WizardPorts::StopWTD()
{
    ::StopWTD();
}

void WizardPorts::clearContinuousNg()
{
    gContinuousNg[0] = 0;
}

QString WizardPorts::GetROINGInfo() const
{
    return m_win->detection()->GetROINGInfo();
}

void WizardPorts::ClearWarnNGINfo()
{
    m_win->detection()->ClearWarnNGINfo();
    m_roiWarning = false;
}

int WizardPorts::currentStep() const
{
    return m_win->cycle().curStep;
}

int WizardPorts::lastInputNo() const
{
    return m_win->cycle().lastInputNo;
}

void WizardPorts::insertRecord(const QString& text)
{
    m_win->InsertRecord(text);
}

bool WizardPorts::settingsVisible() const
{
    return settingsDialogVisible();
}

bool WizardPorts::settingsDialogVisible() const
{
    return m_win->wizardParaWidget && m_win->wizardParaWidget->isVisible();
}

void WizardPorts::cameraRepaint(int camera)
{
    if (camera >= 0 && camera < 8 && m_win->cammerWidget[camera])
        m_win->cammerWidget[camera]->update();
}

void WizardPorts::SetMouldSide(int side)
{
    m_win->cycle().mouldSide = side;
}

int WizardPorts::OpenCameraCount() const
{
    return m_win->numCamera();
}

void WizardPorts::CreateShape(int camera, int step)
{
    if (CammerWidget* w = m_win->cammerWidget[camera]; w && w->engine)
        w->engine->CreateShape(step);
}

void WizardPorts::VarTrain(int camera, int step)
{
    if (CammerWidget* w = m_win->cammerWidget[camera]; w && w->engine)
        w->engine->VarTrain(step);
}

int WizardPorts::UnlockLevel() const
{
    return m_win->cycle().unlockLevel;
}

bool WizardPorts::lcdOff() const
{
    return gLcdOff != 0;
}

void WizardPorts::LCDOnOff(int on)
{
    ::LCDOnOff(on);
}

void WizardPorts::restartLcdTimer(int ms)
{
    if (m_win->lcdTimer)
        m_win->lcdTimer->start(ms);
}

void WizardPorts::updateWindow()
{
    m_win->update();
}

CycleState& WizardPorts::cycle()
{
    return m_win->cycle();
}

CammerWidget* WizardPorts::cameraWidget(int c)
{
    return (c >= 0 && c < 8) ? m_win->cammerWidget[c] : nullptr;
}

int WizardPorts::framesPerSecond(int c) const
{
    return (c >= 0 && c < 8) ? m_win->fps[c] : 0;
}

float WizardPorts::countdownSeconds() const
{
    return m_win->detection() ? m_win->detection()->CountdownLeft() : -1.0f;
}

void WizardPorts::ChangeCammer()
{
    m_win->ChangeCammer();
}

int WizardPorts::CheckPassword()
{
    return m_win->CheckPassword();
}

void WizardPorts::ResetRun(int camera)
{
    m_win->detection()->ResetRun(camera);
}

void WizardPorts::Rejudge(int camera)
{
    m_win->detection()->Rejudge(camera);
}

void WizardPorts::CheckNGAgain()
{
    m_win->detection()->CheckNGAgain();
}

void WizardPorts::BackTrain()
{
    m_win->BackTrain();
}

bool WizardPorts::safetyDoorOpen() const
{
    return gisSafeDoorOpen != 0;
}

DrawROIWidget* WizardPorts::editorColumn()
{
    return m_win->drawROIWidget;
}

const RecordState* WizardPorts::records() const
{
    return m_win->drawROIWidget ? &m_win->drawROIWidget->records() : nullptr;
}

void WizardPorts::showHelp(int index)
{
    gHelpC = index;
    if (m_win->helpWidget) {
        m_win->helpWidget->show();
        m_win->helpWidget->raise();
    }
}

void WizardPorts::hideKeypads()
{
    if (gpNumPad)
        gpNumPad->hide();
    if (gpNumCharPad)
        gpNumCharPad->hide();
}

void WizardPorts::AutogenerationRegion(int step)
{
    m_win->AutogenerationRegion(step);
}
