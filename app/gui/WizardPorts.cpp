#include "WizardPorts.h"

#include "CameraLoss.h"
#include "IndexButton.h"
#include "MainCommands.h"
#include "ContinuousNgWarnBox.h"
#include "LostComWarnBox.h"
#include "RaRoWizard.h"
#include "records/Counters.h"
#include "app/ControlPort.h"
#include "app/IOLink.h"
#include "app/LedPanel.h"
#include "foundation/MainGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "inspect/CammerRecong.h"
#include "params/WizardPara.h"
#include "settings/CustomIONameWidget.h"
#include "records/DetectCycleSQL.h"
#include "records/ResStatisticsParam.h"
#include "records/VerdictJournal.h"
#include "records/gui/EditCavitywidget.h"
#include "settings/HelpWidget.h"
#include "settings/WidgetChangeCamera.h"
#include "settings/WizardParaWidget.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "widgets/ComboBox.h"
#include "widgets/WarnBox.h"
#include "widgets/WindowStacking.h"
#include "users/DrawUserWidget.h"
#include "settings/HardwareConfigurationWidget.h"

#include <QTimer>

int WizardPorts::cameraCount() const
{
    return m_win->numCamera();
}

CammerWidget* WizardPorts::widgetAt(int c) const
{
    return (c >= 0 && c < 8) ? m_win->cammerWidget[c] : nullptr;
}

CammerWidgetData* WizardPorts::cameraData(int c)
{
    return widgetAt(c);
}

int WizardPorts::runState() const
{
    return m_win->cycle().runState;
}

qint64 WizardPorts::lastCycleTime() const
{
    return m_win->cycle().lastCycleTime;
}

int WizardPorts::clearReason() const
{
    return m_win->cycle().clearReason;
}

const int* WizardPorts::allCounts() const
{
    return gAllNum;
}

const int* WizardPorts::failCounts() const
{
    return gFailNum;
}

const CammerSingleton* WizardPorts::liveRoiSet(int camera) const
{
    const CammerWidget* w = widgetAt(camera);
    return w ? w->liveSet : nullptr;
}

QImage WizardPorts::screenPicture()
{
    return m_win->grab().toImage();
}

void WizardPorts::prepareCameraPicture(int camera)
{
    if (CammerWidget* w = widgetAt(camera))
        w->SyncDisplay();
}

void WizardPorts::showFrame(int c, bool inspected)
{
    if (CammerWidget* w = m_win->cammerWidget[c]) {
        w->ShowFrame(inspected ? w->judgedFrame() : w->workBuffer);
        w->RepaintLive();
    }
}

void WizardPorts::repaintCamera(int c)
{
    if (CammerWidget* w = widgetAt(c))
        w->update();
}

void WizardPorts::repaintAll()
{
    m_win->update();
    if (m_win->ioStatusWidget)
        m_win->ioStatusWidget->update();
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
    // Every page that can lie over the camera views gives way, not only the
    // settings and help: an alarm under a page is an alarm nobody sees.
    const RaRoWizard& w = *m_win;
    for (QWidget* page : std::initializer_list<QWidget*>{w.wizardParaWidget, w.helpWidget, w.indexButton,
                                                         w.widgetChangeCamera, w.customIONameWidget,
                                                         w.hardwareConfigurationWidget, w.editCavitywidget})
        if (page)
            page->hide();
    if (m_win->drawUserWidget)
        m_win->drawUserWidget->Close();
    hideKeypads();
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->Reset(false);
    // The windows of their own (statistics, cycle log, dialogs and boxes
    // left open) as well; the alarm boxes stay over the view.
    WindowStacking::GiveWayTo(m_win);
}

void WizardPorts::editorReCheck()
{
    // The door asks for it: no command of the operator's clears the alarm.
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->SlotReCheck(m_win->numCamera(), ClearOther);
}

void WizardPorts::editorRestart()
{
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->Restart();
}

void WizardPorts::startDrawHint()
{
    m_win->detection()->drawHintTimer.start(3000);
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

void WizardPorts::statisticsAdd(int hour, bool ok, int c, int step)
{
    if (gpResStatisticsParam)
        gpResStatisticsParam->Add(hour, ok, c, step);
}

void WizardPorts::statisticsSave()
{
    if (gpResStatisticsParam && !gpResStatisticsParam->save())
        qWarning("the result statistics could not be saved");
}

void WizardPorts::statisticsUnsaved(VerdictRecord& record)
{
    if (!gpResStatisticsParam)
        return;
    record.statisticsDay = gpResStatisticsParam->date();
    record.rows = gpResStatisticsParam->unsavedRows();
}

void WizardPorts::cycleLogInsert(const QString& start, double seconds)
{
    m_win->SlotDetectCycle();
    DetectCycleSQL::instance->insertDate({start, seconds});
}

void WizardPorts::repaintStatus()
{
    if (m_win->ioStatusWidget)
        m_win->ioStatusWidget->Refresh();
}

void WizardPorts::skipButtonReset()
{
    if (m_win->indexButton)
        m_win->indexButton->SetSkipping(false);
}

void WizardPorts::showDetecting(bool detecting)
{
    if (m_win->indexButton)
        m_win->indexButton->SetDetecting(detecting);
}

void WizardPorts::checkArea()
{
    m_win->commands()->CheckArea(false);
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

void WizardPorts::showStatusStrip()
{
    if (m_win->ioStatusWidget)
        m_win->ioStatusWidget->show();
}

void WizardPorts::restartViews()
{
    // The ROI selections and parameter panels are cleared here once the ROI
    // editor exists.
    m_win->cycle().verdictState = VerdictIdle;
    if (m_win->indexButton)
        m_win->indexButton->show();
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
    repaintCamera(camera);
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

int WizardPorts::unlockLevel() const
{
    return m_win->cycle().unlockLevel;
}

void WizardPorts::lock()
{
    m_win->Lock();
}

QStringList WizardPorts::parameterGroups() const
{
    QStringList names;
    if (const ComboBox* groups = m_win->wizardParaWidget ? m_win->wizardParaWidget->paraGroupCombo : nullptr)
        for (int i = 0; i < groups->count(); ++i)
            names << groups->itemText(i);
    return names;
}

bool WizardPorts::sideDialogVisible(bool withCavityNames) const
{
    for (const QWidget* page : {static_cast<QWidget*>(m_win->widgetChangeCamera),
                                static_cast<QWidget*>(m_win->customIONameWidget),
                                withCavityNames ? static_cast<QWidget*>(m_win->editCavitywidget) : nullptr})
        if (page && page->isVisible())
            return true;
    return false;
}

CycleState& WizardPorts::cycle()
{
    return m_win->cycle();
}

CammerWidget* WizardPorts::cameraWidget(int c)
{
    return widgetAt(c);
}

int WizardPorts::framesPerSecond(int c) const
{
    return (c >= 0 && c < 8) ? m_win->fps[c] : 0;
}

int WizardPorts::statusStripTop() const
{
    const QWidget* bar = m_win->ioStatusWidget;
    return bar && bar->isVisible() ? bar->geometry().top() : m_win->height();
}

QList<QRect> WizardPorts::overlays() const
{
    QList<QRect> covered;
    for (const QWidget* w : {static_cast<const QWidget*>(m_win->indexButton),
                             static_cast<const QWidget*>(m_win->drawROIWidget)})
        if (w && w->isVisible())
            covered << w->geometry();
    return covered;
}

float WizardPorts::countdownSeconds() const
{
    return m_win->detection() ? m_win->detection()->CountdownLeft() : -1.0f;
}

QString WizardPorts::cavityName(int camera, int k) const
{
    // The names in force are the cavity editor's, not the default captions.
    if (m_win->editCavitywidget)
        return m_win->editCavitywidget->getResult(camera, k);
    return ViewHost::cavityName(camera, k);
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

void WizardPorts::Rejudge(int camera, int clearReason, quint64 alarm)
{
    m_win->detection()->Rejudge(camera, clearReason, alarm);
}

void WizardPorts::CheckNGAgain(int clearReason, quint64 alarm)
{
    m_win->detection()->CheckNGAgain(clearReason, alarm);
}

void WizardPorts::BackTrain()
{
    m_win->BackTrain();
}

bool WizardPorts::safetyDoorOpen() const
{
    return gisSafeDoorOpen != 0;
}

void WizardPorts::alarmOutputOff()
{
    if (gpControlIO) {
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
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

bool WizardPorts::commandColumnPress(bool showOrCheck)
{
    IndexButton* column = m_win->indexButton;
    if (!column)
        return false;
    column->autoHideTimer()->start(120000);
    if (!showOrCheck)
        return false;
    if (column->isHidden()) {
        column->show();
        if (gpNumPad)
            gpNumPad->hide();
        return true;
    }
    column->checkShowHide();
    return false;
}

void WizardPorts::showCommandColumn()
{
    if (m_win->indexButton)
        m_win->indexButton->show();
}

void WizardPorts::showStatusStrip(bool on)
{
    if (m_win->ioStatusWidget)
        m_win->ioStatusWidget->setVisible(on);
}
