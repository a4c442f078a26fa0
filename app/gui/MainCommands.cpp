#include "MainCommands.h"

#include "IndexButton.h"
#include "IOStatusWidget.h"
#include "RaRoWizard.h"
#include "WizardPorts.h"
#include "app/ControlPort.h"
#include "app/DetectionCycle.h"
#include "app/LedPanel.h"
#include "foundation/MainGlobals.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "settings/HelpWidget.h"
#include "settings/WizardParaWidget.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "view/IgnoreMaskSave.h"
#include "widgets/ChooseBox.h"
#include "widgets/WarnBox.h"

MainCommands::MainCommands(RaRoWizard* win)
    : QObject(win)
    , m_win(win)
{
}

bool MainCommands::SettingsOrEditorShown() const
{
    return m_win->ports()->settingsVisible() || m_win->ports()->editorVisible();
}

bool MainCommands::SideDialogShown(bool withCavityNames) const
{
    return m_win->ports()->sideDialogVisible(withCavityNames);
}

bool MainCommands::OpenEditor(int source)
{
    DrawROIWidget* editor = m_win->drawROIWidget;
    if (!editor)
        return false;
    editor->Reset(false);
    if (source >= 0)
        editor->setSource(source);
    return true;
}

bool MainCommands::SetupHeld() const
{
    const QString why = m_win->setupHold();
    if (!why.isEmpty())
        m_win->ports()->showMessage(why, true);
    return !why.isEmpty();
}

void MainCommands::HoldClampAfterStart()
{
    const WizardPara& p = *gpWPara;
    if (p.cutClampAfterMouldOk && p.clampPulse > 0 && gpControlIO) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
}

void MainCommands::TellPlantLink()
{
    if (gpWPara->netEnabled && PlantLinkUp()) {
        gpNet->VUR_SendManualStop();
        gpNet->VUR_SendStatistics(QStringLiteral("null"));
    }
}

void MainCommands::SlotStartStop()
{
    if (SettingsOrEditorShown())
        return;
    DetectionCycle* cycle = m_win->detection();
    if (cycle->state.runState == RunStopped) {
        if (SetupHeld())
            return;
        cycle->StartDetect();
        HoldClampAfterStart();
        m_win->InsertRecord(LanStr(142));
        LEDOnOff(4, 1);
    } else {
        // The template password has always guarded stopping; the switch named
        // for stopping guards it too, so it never promises what it does not do.
        if ((gpWPara->pwdAddTemplate || gpWPara->pwdStopDetect) && m_win->CheckPassword() == 0)
            return;
        if (!AskText(LanStr(140)) || SettingsOrEditorShown())
            return;
        cycle->StopDetect();
        m_win->InsertRecord(LanStr(141));
        LEDOnOff(4, 0);
    }
    m_win->ports()->repaintAll();
    TellPlantLink();
}

void MainCommands::SlotReTrain()
{
    if (SettingsOrEditorShown() || SideDialogShown(true) || SetupHeld() || m_win->CheckPassword() == 0)
        return;
    CycleState& st = m_win->cycle();
    if (!AskText(LanStr(137)) || SettingsOrEditorShown() || st.verdictState == VerdictAlarm)
        return;
    const WizardPara& p = *gpWPara;
    const int n = std::min(m_win->numCamera(), 8);
    st.verdictState = VerdictIdle;
    m_win->detection()->SettleEarly();
    for (int c = 0; c < n; ++c) {
        CammerWidget* cam = m_win->cammerWidget[c];
        cam->cameraOK = 1;
        for (auto& step : cam->roiOK)
            std::fill(std::begin(step), std::end(step), uint8_t(1));
    }
    if (st.runState == RunStopped) {
        m_win->detection()->StartDetect();
        HoldClampAfterStart();
        LEDOnOff(4, 1);
    }
    st.runState = RunResampling;
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->SlotTempDeleteAll();
    std::vector<std::pair<CammerWidgetData*, int>> masks;
    for (int c = 0; c < n; ++c) {
        CammerWidget* cam = m_win->cammerWidget[c];
        for (int s = 0; s < gDNum && s < 8; ++s) {
            if (p.detectOn[s])
                cam->resamplePending[s] = true;
            std::fill(cam->ignorePointMask[s].begin(), cam->ignorePointMask[s].end(), uint8_t(0));
            masks.push_back({cam, s});
        }
    }
    m_win->InsertRecord(LanStr(139));
    IgnoreMaskSave::Save(*m_win->ports(), masks);
    m_win->station()->SaveSN(0);
    m_win->ports()->repaintAll();
}

void MainCommands::CheckArea(bool)
{
    if (m_win->wizardParaWidget)
        m_win->wizardParaWidget->hide();
    CycleState& st = m_win->cycle();
    if (m_win->CheckPassword() == 0 || !m_win->drawROIWidget) {
        st.runState = RunDetecting;
        return;
    }
    // The operator checks the areas on the new templates.
    st.verdictState = VerdictAreaCheck;
    m_win->indexButton->hide();
    OpenEditor(-1);
    gFromTrain = 1;
}

void MainCommands::SlotStartSkipDetect()
{
    const WizardPara& p = *gpWPara;
    if (!p.skipDetect || SetupHeld())
        return;
    CycleState& st = m_win->cycle();
    const bool skipping = st.skipActive != 0;
    if (!AskText(LanStr(skipping ? 578 : 574).arg(p.notDetectedCount)))
        return;
    m_win->indexButton->SetSkipping(!skipping);
    st.skipActive = skipping ? 0 : 1;
    m_win->detection()->StopDetect();
    m_win->detection()->StartDetect();
    st.skipCount = 0;
    m_win->ports()->repaintAll();
}

void MainCommands::CameraChangeTrig()
{
    gpWPara->externalTrigger = 1 - gpWPara->externalTrigger;
    m_win->indexButton->ReSetCaptureMode();
    for (int c = 0; c < m_win->numCamera() && c < 8; ++c)
        m_win->ports()->cameraChangeTrig(c);
}

void MainCommands::SlotHelp()
{
    if (HelpWidget* help = m_win->helpWidget) {
        // Without pages the viewer would be a bare button bar.
        if (help->pageCount() == 0) {
            WarnText(LanStr(1172).arg(help->folder()));
            return;
        }
        help->show();
        help->raise();
    }
}

void MainCommands::SlotShowAlarmImgae()
{
    if (SettingsOrEditorShown() || SideDialogShown(false) || m_win->cycle().verdictState == VerdictAlarm
        || !m_win->drawROIWidget)
        return;
    m_win->cycle().verdictState = VerdictAreaCheck;
    m_win->indexButton->hide();
    m_win->ioStatusWidget->hide();
    OpenEditor(4);  // NG record pictures
}

void MainCommands::SlotMuliManualTrig()
{
    m_win->SlotManualTrig(m_win->indexButton->CurChooseTrig());
}
