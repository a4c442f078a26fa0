#include "WizardPorts.h"

#include "CameraLoss.h"
#include "LostComWarnBox.h"
#include "RaRoWizard.h"
#include "app/LedPanel.h"
#include "app/MainGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "inspect/CammerRecong.h"
#include "params/WizardPara.h"
#include "settings/WizardParaWidget.h"
#include "view/CammerWidget.h"

#include <QTimer>

int WizardPorts::cameraCount() const
{
    return m_win->numCamera();
}

CammerWidgetData* WizardPorts::cameraData(int c)
{
    return (c >= 0 && c < 8) ? m_win->cammerWidget[c] : nullptr;
}

void WizardPorts::showFrame(int c)
{
    if (CammerWidget* w = m_win->cammerWidget[c]) {
        w->ShowWorkFrame();
        w->update();
    }
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
    return QString();
}

void WizardPorts::ClearWarnNGINfo() {}

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
