// What of the cycle outlives the process: the alarm standing when the
// monitor goes down (kept in the verdict journal, raised again at start-up)
// and the hold a stop of the program keeps while a cycle is unjudged.
#include "DetectionCycle.h"

#include "ControlPort.h"
#include "LedPanel.h"
#include "foundation/MainGlobals.h"
#include "params/CammerWidgetData.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"
#include "records/VerdictJournal.h"

StandingAlarm DetectionCycle::CurrentAlarm() const
{
    StandingAlarm a;
    if (state.verdictState != VerdictAlarm)
        return a;
    a.standing = true;
    a.step = state.curStep;
    QList<int> ng;
    for (int c = 0; c < std::min(m_host->cameraCount(), 8); ++c) {
        if (CammerWidgetData* cam = m_host->cameraData(c); cam && !cam->cameraOK) {
            a.cameras |= 1u << c;
            ng << c + 1;
        }
    }
    for (int i = 0; gpControlIO && i < ControlPort::OutputCount; ++i)
        if (gpControlIO->OutputActive(i))
            a.outputs |= 1u << i;
    a.sinceMs = state.alarmStartMs;
    a.text = AlarmLogText(ng);
    return a;
}

void DetectionCycle::RestoreAlarm(const StandingAlarm& a)
{
    WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int n = std::min(m_host->cameraCount(), 8);
    SetStopDetect();
    st.curStep = a.step >= 0 && a.step < gDNum ? a.step : FinalStep();
    if (IsMulti())
        st.customStep = st.curStep;
    for (int c = 0; c < n; ++c) {
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam)
            continue;
        cam->cameraOK = (a.cameras >> c) & 1u ? 0 : 1;
        if (!cam->cameraOK)
            m_host->startBlink(c);
    }
    if (gpControlIO) {
        gpControlIO->IOResetAllOut();
        const int mirrored = gpControlIO->settings().output4SyncFor;
        for (int i = 0; i < ControlPort::OutputCount; ++i)
            if ((a.outputs >> i) & 1u && !(i == ControlPort::MirrorOutput && mirrored))
                SetOut(i, 1);
        Flush();
    }
    if (p.extTrigNgContinuous == 1 && st.captureConfigured == 1 && p.externalTrigger == 1) {
        p.externalTrigger = 0;  // the cameras run free during the alarm
        for (int c = 0; c < n; ++c)
            m_host->cameraChangeTrig(c);
    }
    // Inputs already active as the monitor comes up are no one's request: a
    // door found closed must not re-inspect (and perhaps clear) the alarm.
    for (int i = 0; gpControlIO && i < ControlPort::TriggerInputs; ++i)
        gpControlIO->IOInTrigger(i);
    m_host->wakeScreen();
    st.verdictState = VerdictAlarm;
    ++st.alarmId;
    st.alarmStartMs = a.sinceMs;
    st.reDetectPending = 0;
    st.selCamera = m_host->cameraCount();
    m_host->enterAlarmView();
    m_host->showDetecting(true);
    LEDOnOff(6, 0);
    LEDOnOff(7, 1);
    // On file again: a hold that came of no record (one that could not be
    // read) must outlive the next crash as well.
    VerdictJournal::Write(JournalRecord());
}

bool DetectionCycle::MachineMustStayHeld() const
{
    const CycleState& st = state;
    if (st.verdictState == VerdictAlarm)
        return true;
    if (st.runState != RunDetecting)
        return false;
    bool unjudged = AwaitingFrames() || st.reDetectPending || reCheckTimer.isActive() || st.forcedStep >= 0;
    for (int s = 0; s < 8; ++s)
        unjudged = unjudged || st.stepPending[s] != 0 || stepTimer[s].isActive();
    return unjudged;
}

void DetectionCycle::HoldForProgramStop()
{
    // Pulses ending later would change what the stop leaves.
    for (QTimer* t : {&reCheckTimer, &output3Timer, &outNGTimer, &notAllowCloseTimer, &notAllowThimbleTimer,
                      &sysFunc4OutputTimer})
        t->stop();
    if (state.runState == RunDetecting)
        SetStopDetect();
    SetOut(IsMulti() ? OutputNo[7] - 1 : 0, 1);  // the last step's hold is the clamp
    Flush();
}

VerdictRecord DetectionCycle::JournalRecord() const
{
    VerdictRecord r;
    if (gisUseStatistics)
        m_host->statisticsUnsaved(r);
    r.alarm = CurrentAlarm();
    return r;
}
