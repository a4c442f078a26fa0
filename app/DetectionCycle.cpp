#include "DetectionCycle.h"

#include "ControlPort.h"
#include "CycleOutputs.h"
#include "IOLink.h"
#include "InputRules.h"
#include "foundation/MainGlobals.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "params/CammerWidgetData.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace {
const QEvent::Type kWakePassEvent = QEvent::Type(QEvent::registerEventType());

// Re-entry guard of a polling pass: a modal box opened from inside the pass
// runs a nested event loop in which the polling timer fires again.
struct PassGuard {
    bool& flag;
    explicit PassGuard(bool& f) : flag(f) { flag = true; }
    ~PassGuard() { flag = false; }
};
}  // namespace

DetectionCycle::DetectionCycle(CycleHost* host, CameraStation* station, QObject* parent)
    : QObject(parent)
    , m_host(host)
{
    m_early.reset(NewEarlyJudging());
    setStation(station);
    runTimer.setSingleShot(true);
    connect(&runTimer, &QTimer::timeout, this, &DetectionCycle::Run);
    for (int i = 0; i < 8; ++i) {
        connect(&stepTimer[i], &QTimer::timeout, this, [this, i] { TimerUp(i); });
        connect(&debounceTimer[i], &QTimer::timeout, this, [this, i] { TimerCheckInput(i); });
    }
    connect(&inCheckTimer, &QTimer::timeout, this, &DetectionCycle::InCheck);
    connect(&showTimer, &QTimer::timeout, this, &DetectionCycle::TimerShow);
    connect(&outNGTimer, &QTimer::timeout, this, &DetectionCycle::OutTimerOutNG);
    connect(&notAllowCloseTimer, &QTimer::timeout, this, &DetectionCycle::OutTimerNotAllowClose);
    connect(&notAllowThimbleTimer, &QTimer::timeout, this, &DetectionCycle::OutTimerNotAllowThimble);
    connect(&sysFunc4OutputTimer, &QTimer::timeout, this, &DetectionCycle::OutTimerSysFunc4Output);
    connect(&output3Timer, &QTimer::timeout, this, &DetectionCycle::SlotOutTimerOutput3);
    connect(&reCheckTimer, &QTimer::timeout, this, &DetectionCycle::ReCheck);
    connect(&checkTempTimer, &QTimer::timeout, this, &DetectionCycle::CheckTemp);
    connect(&resetAlarmTimer, &QTimer::timeout, this, &DetectionCycle::SlotResetAlarm);
    connect(&safeDoorTimer, &QTimer::timeout, &safeDoorTimer, &QTimer::stop);
    // Timers nothing starts keep their slots: they have no effect in operation.
    for (QTimer* t : {&outAlarmTimer, &reserveOutputTimer, &setAllOutTimer, &delayOutput3Timer})
        connect(t, &QTimer::timeout, t, &QTimer::stop);
}

void DetectionCycle::setStation(CameraStation* station)
{
    m_station = station;
    if (station)  // the cameras stop before the cycle goes
        station->framesCame = [this] { WakePass(); };
}

void DetectionCycle::WakePass()
{
    QCoreApplication::postEvent(this, new QEvent(kWakePassEvent), Qt::HighEventPriority);
}

bool DetectionCycle::event(QEvent* e)
{
    if (e->type() != kWakePassEvent)
        return QObject::event(e);
    // Only a pass the loop has armed at its usual interval: not the first
    // one, nor the slow retries while the cameras are lost.
    if (!m_inPass && runTimer.isActive() && runTimer.interval() <= kPassIntervalMs) {
        runTimer.stop();
        Run();
    }
    return true;
}

bool DetectionCycle::IsMulti() const
{
    return gpWPara->machineType == 4;
}

int DetectionCycle::FinalStep() const
{
    return IsMulti() ? gDNum - 1 : 1;
}

void DetectionCycle::SetOut(int index, int level)
{
    if (gpControlIO)
        gpControlIO->IOSetOut(index, level);
}

int DetectionCycle::StepOutput(int s) const
{
    return OutputNo[s == gDNum - 1 ? 7 : std::clamp(s, 0, 7)] - 1;
}

bool DetectionCycle::FreeForProductPulse(int index) const
{
    if (!IsMulti())
        return true;
    if (index == 2)
        return false;  // the alarm of every step
    for (int s = 0; s < gDNum && s < 8; ++s)
        if (StepOutput(s) == index)
            return false;
    return true;
}

void DetectionCycle::SetPulseOut(int index, int level)
{
    if (FreeForProductPulse(index))
        SetOut(index, level);
}

void DetectionCycle::Flush()
{
    if (gpControlIO)
        gpControlIO->IOFlashOut();
    m_flushedNs = NowNs();
}

bool DetectionCycle::LiveViewFollows() const
{
    const WizardPara& p = *gpWPara;
    const bool frozen = state.verdictState == VerdictAlarm && p.noRefreshAfterAlarm;
    return !p.externalTrigger && !p.refreshAfterDetect && !frozen && (gSource == 1 || gSource == -1);
}

unsigned DetectionCycle::HandOverFrames()
{
    unsigned fresh = 0;
    // Views stopped, waiting for a re-check or for lost cameras keep their
    // picture. A live view follows its camera, during an alarm too (unless
    // told not to refresh then): it is no copy of the judged frame, which the
    // NG ring and the result pictures keep.
    const bool shownNext = LiveViewFollows() && !gisLost && state.runState != RunStopped && !state.reDetectPending;
    const int n = std::min(m_host->cameraCount(), kMaxCameras);
    for (int c = 0; c < n; ++c) {
        CammerWidgetData* cam = m_host->cameraData(c);
        CameraSide* side = m_station ? m_station->cameras[c] : nullptr;
        // A frame being judged while the step waits for the others stays.
        if (!cam || !side || !pMutex[c] || (HeldFrames() & (1u << c)))
            continue;
        qint64 takenNs;
        int delivered;
        {
            QMutexLocker lock(pMutex[c]);
            if (!m_station->isImageFill[c])
                continue;
            const size_t bytes = std::min({size_t(gColorLen), side->acqBuffer.size(), cam->workBuffer.size()});
            cam->BeforeFrameWrite(cam->workBuffer, shownNext);
            if (side->acqBuffer.size() == cam->workBuffer.size() && bytes == cam->workBuffer.size()) {
                // Handed over, not copied: eight frames' copy was in the way
                // of every step. The camera fills the old pages next.
                const uint8_t* was = cam->workBuffer.data();
                std::swap(cam->workBuffer, side->acqBuffer);
                cam->WorkBufferMoved(was);
            } else {
                std::memcpy(cam->workBuffer.data(), side->acqBuffer.data(), bytes);
            }
            m_station->isImageFill[c] = false;
            takenNs = m_station->frameAtNs[c];
            delivered = side->deliveredFrames.load();
        }
        FrameTaken(c, takenNs > 0 ? takenNs : NowNs(), delivered);
        cam->WorkFrameTaken();
        if (gpWPara->externalTrigger && state.verdictState != VerdictAlarm) {
            if (!m_trigImages)
                m_trigSetStartNs = m_frameAtNs[c];
            m_trigImages |= 1u << c;
        }
        ++frameCount[c];
        fresh |= 1u << c;
    }
    return fresh;
}

void DetectionCycle::FrameTaken(int c, qint64 takenNs, int delivered)
{
    // The period from the deliveries between two hand-overs: frames the
    // pass never took (a busy GUI thread) do not make the camera look slow.
    if (m_frameAtNs[c] > 0 && takenNs > m_frameAtNs[c]) {
        const int frames = std::max(1, delivered - m_framesSeen[c]);
        m_periodNs[c][1] = m_periodNs[c][0];
        m_periodNs[c][0] = (takenNs - m_frameAtNs[c]) / frames;
    }
    m_frameAtNs[c] = takenNs;
    m_framesSeen[c] = delivered;
}

void DetectionCycle::Run()
{
    if (m_inPass) {
        runTimer.start(kPassIntervalMs);
        return;
    }
    PassGuard guard(m_inPass);
    const WizardPara& p = *gpWPara;
    CycleState& st = state;

    m_host->pollLostComBox(gisLostCom.load() != 0, p.ioLinkLostBox != 0);
    if (m_station && m_station->camLostFlag.load() && p.cameraLostOptimize) {
        // The check may close a camera being judged and marks lost ones NG:
        // what the workers decided must not be given back over that mark.
        DiscardEarly();
        m_host->cameraCheckPass();
    }
    ++gRunCount;
    if (++m_passesSinceRestart == 50)
        m_host->setWhiteBalance();
    if (gisLost) {
        DiscardEarly();  // the lost step holds without them; the restart reopens cameras
        m_passesSinceRestart = 0;
        SetOut(0, 1);  // the machine may not close unwatched
        Flush();
        m_host->cameraRestart();
        inCheckTimer.stop();
        runTimer.start(3000);
        return;
    }
    // The word first: an edge in it was on the inputs before the pass began.
    const quint32 inputsAtStart = gDataIn.load();
    m_passStartNs = NowNs();
    m_freshFrames = HandOverFrames();
    m_handedOverNs = NowNs();
    if (gisLost) {
        runTimer.start(kPassIntervalMs);
        return;
    }

    int edge[8];
    for (int i = 0; i < 8; ++i)
        edge[i] = gpControlIO ? gpControlIO->IOInTrigger(i) : 0;
    m_passEdges = std::any_of(std::begin(edge), std::end(edge), [](int e) { return e != 0; });
    m_inputsReadNs = gDataInReadNs.load();
    // An edge already on the inputs when the pass began ended a zero delay
    // then: frames delivered while the pass copied are after it.
    m_edgeAtNs = gDataIn.load() == inputsAtStart ? m_passStartNs : NowNs();

    // Steps whose frames came (or whose wait ran out) are judged first; a
    // step still waiting keeps the pass busy like a countdown, but the door
    // and the alarm's clearing are served all the same.
    PollAwaitedFrames();

    if (st.verdictState == VerdictAlarm) {
        AlarmHeldPass(edge);
        EndPass(kPassIntervalMs, true);
        return;
    }

    if (st.reDetectPending) {
        const int k = (p.machineType == 1 || p.machineType == 2) ? (st.curStep & 1) : st.curStep;
        // A re-detection whose frames have not come yet is still the one in progress.
        if (k >= 0 && k < 8 && st.reDetectLeft[k] > 0 && !reCheckTimer.isActive() && !AwaitingFrames()) {
            --st.reDetectLeft[k];
            if (st.reDetectDelay == 0) {
                ReCheck();
            } else {
                SetOut(3, 1);
                Flush();
                st.reDetectLeftTime = float(st.reDetectDelay) / 10.0f;
                reCheckTimer.start(100);
                StartPulse(output3Timer, st.reDetectDelay * 50);
            }
        }
        EndPass(kPassIntervalMs, true);
        return;
    }

    if (p.doorTriggersDetect && st.runState != RunStopped && (edge[1] || st.pendingInput == 1)
        && !safeDoorTimer.isActive()) {
        st.pendingInput = -1;
        safeDoorTimer.start(2000);
        const bool twoSided = p.machineType == 1 || p.machineType == 2;
        for (int c = 0; c < m_host->cameraCount() && c < 8; ++c) {
            ClearSkips(c, 1);
            st.imageDecision[c][1] = 1;
            if (twoSided)
                st.imageDecision[c][3] = 1;
        }
        if (p.machineType == 2)
            st.mouldSide = InputLevel(0) ? 1 : 0;
        st.safetyDoorCycle = 1;
        st.forcedStep = -1;  // the mould step a cleared alarm asked for is this one
        const int s = IsMulti() ? gDNum - 1 : 1;
        st.stepDelayLeft[s] = 0;
        TimerUp(s);
    }

    if (st.runState == RunStopped) {
        if (p.machineType == 1) {
            if (edge[2] && p.mouldMode != 1)
                st.mouldSide = 1;
            if (edge[3] && p.mouldMode != 0)
                st.mouldSide = 0;
        }
        EndPass(kPassIntervalMs, true);
        return;
    }

    bool busy = m_host->continuousNgBoxVisible();
    for (int s = 0; s < gDNum && s < 8; ++s)
        busy = busy || stepTimer[s].isActive();
    // A step waiting for its frames is still within its delay, as it were.
    busy = busy || AwaitingFrames();
    if (busy)
        st.pendingInput = -1;
    else if (p.continuousTimedDetect && st.verdictState != VerdictAlarm)
        st.pendingInput = 0;

    bool examine = !busy;
    // "No request" is marked by the step count; the count can change while
    // running, so a request is also remembered as such.
    const bool manualServed = m_manualRequested && st.manualStep != gDNum && ServeManualRequest(busy);
    if (manualServed)
        examine = false;
    m_manualRequested = false;
    // A full set of frames is used up even while busy: frames taken during a
    // countdown must not start a cycle of their own once it ends.
    if (!manualServed && p.externalTrigger) {
        const unsigned all = AllCameras();
        if ((m_trigImages & all) == all) {
            m_trigImages = 0;
            m_trigSetNs = m_trigSetStartNs;
            st.pendingInput = 0;
        }
    }
    if (examine) {
        bool stop = false;
        for (int i = 0; i < 8 && !stop; ++i)
            ExamineInput(i, edge[i] != 0, m_freshFrames, stop);
    }

    // Live display.
    if (LiveViewFollows()) {
        for (int c = 0; c < kMaxCameras; ++c)
            if (m_freshFrames & (1u << c))
                m_host->showFrame(c);
    }
    EndPass(kPassIntervalMs, false);
}

bool DetectionCycle::AlarmHeldPass(const int edge[8])
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const bool semi = st.curStep > 0 && p.semiAuto;
    const bool byDoor = edge[1] || st.pendingInput == 1;
    const bool byBack = semi && (edge[2] || st.pendingInput == 2);
    const bool request = byDoor || byBack;
    if (request) {
        st.pendingInput = -1;
        for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
            ClearSkips(c, -1);
        if (p.machineType == 2) {
            const int in1 = InputLevel(0), in4 = InputLevel(3);
            if (in1 && !in4)
                st.mouldSide = 1;
            else if (in4 && !in1)
                st.mouldSide = 0;
        }
        // The editor's re-check may ask questions: it runs after this pass,
        // once, while the alarm still stands (passes go on under its question).
        if (!m_reCheckQueued) {
            m_reCheckQueued = true;
            QMetaObject::invokeMethod(
                this,
                [this, alarm = st.alarmId] {
                    if (state.AlarmStands(alarm))
                        m_host->editorReCheck();
                    m_reCheckQueued = false;
                },
                Qt::QueuedConnection);
        }
    }
    // Inputs seen during the alarm wait for its end; the one that asked for
    // this re-inspection is used up (it must not ask again next pass).
    for (int i = 0; i < 8; ++i) {
        if (!edge[i] || i == 1 || (i == 2 && byBack))
            continue;
        st.pendingInput = i;
    }
    return request;
}

bool DetectionCycle::ServeManualRequest(bool busy)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int s = st.manualStep;
    st.manualStep = gDNum;
    if (s < 0 || s >= 8)
        return false;
    st.customStep = s;
    st.lastInputNo = ~s;
    bool served;
    if (p.machineType == 1 || p.machineType == 2)
        served = p.detectOn[s] || (s + 2 < 8 && p.detectOn[s + 2]);
    else if (IsMulti())
        served = !busy;
    else
        served = p.detectOn[s] != 0;
    if (!served)
        return false;
    StampCycle();
    st.manualCycle = 1;
    if (s == 0)
        std::fill(std::begin(st.cavityNG), std::end(st.cavityNG), uint8_t(0));
    st.reDetectLeft[0] = st.reDetectLeft[1] = 0;
    if (p.machineType == 2)
        st.mouldSide = InputLevel(0) ? 1 : 0;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
        st.imageDecision[c][s] = 1;
    st.stepDelayLeft[s] = 0;
    TimerUp(s, true);  // its judgement sets the alarm outputs, now or once frames came
    return true;
}

void DetectionCycle::ManualAlarmOutputs()
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    if (IsMulti()) {
        SetOut(StepOutput(st.curStep), 1);
    } else if (!p.okNgPulses) {
        if (!p.mouldNgPulseNoAlarm)
            SetOut(0, 1);
        else if (!p.noEjectorControlInProd && !p.prodNgPulseNoAlarm && !p.prodNgNoAlarmSplitOutputs)
            SetOut(1, 1);
    }
    Flush();
}

void DetectionCycle::StampCycle()
{
    CycleState& st = state;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 tenths = CycleState::TenthsOf(now);
    st.lastCycleTime = tenths - st.cycleClock;
    st.cycleClock = tenths;
    if (gpWPara->detectCycleLog)
        m_host->cycleLogInsert(st.cycleStartTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                               double(st.lastCycleTime) / 10.0);
    st.cycleStartTime = st.cycleStartTime.addMSecs(st.lastCycleTime * 100);
}

void DetectionCycle::ExamineInput(int i, bool edge, unsigned& fresh, bool& stop)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    bool accepted = false;
    if (edge) {
        debounceTimer[i].stop();
        if (p.shakeEraseTime == 0)
            accepted = true;
        else
            debounceTimer[i].start(p.shakeEraseTime * 100);
    }
    if (!accepted)
        accepted = st.inputLatch[i] || st.chainedInput == i || st.pendingInput == i;
    if (!accepted)
        return;
    if (edge) {
        m_edgeSeenNs = m_passStartNs;
        m_edgeReadNs = m_inputsReadNs;
    }
    st.inputLatch[i] = 0;
    st.pendingInput = -1;
    st.lastInputNo = i + 1;

    const bool starts = InputRules::StartsCycle(p, i, st, gDNum);
    if (starts && st.skipActive) {
        ++st.skipCount;
        if (st.skipCount >= p.notDetectedCount) {
            st.skipActive = 0;
            m_host->skipButtonReset();
        }
        m_host->insertRecord(LanStr(577).arg(st.skipCount));
        m_host->repaintAll();
    } else if (starts) {
        StartCycle(i);
    }

    const int type = p.machineType;
    if (type != 4 && st.chainedInput == -1) {
        if (st.stepPending[1] == 0)
            return;
        bool rearm = false;
        if (i == 2 && ((p.semiAuto && (type == 0 || type == 3)) || type == 2))
            rearm = true;
        if (type == 1 && i == 2) {
            rearm = true;
            if (p.mouldMode != 1)
                st.mouldSide = 1;
        }
        if (type == 1 && i == 3) {
            rearm = true;
            if (p.mouldMode != 0)
                st.mouldSide = 0;
        }
        if (rearm) {
            st.stepPending[1] = 0;
            for (int c = 0; c < m_host->cameraCount() && c < 8; ++c) {
                const int idx = (type == 1 || type == 2) && !st.mouldSide ? 3 : 1;
                if (p.detectOn[idx])
                    st.stepPending[1] |= 1u << c;
                ClearSkips(c, -1);
            }
            PortSink sink;
            CycleOutputs::MouldRearm(p, sink);
            Flush();
            if (st.stepPending[1] == 0)
                return;
        }
    }
    if (type == 4 && st.chainedInput == -1) {
        const GroupRule r = MultiDetectionGroup(i);
        if (r == GroupRule::EndExamination)
            stop = true;
        if (r != GroupRule::Go)
            return;
    }

    const int steps = (type == 1 || type == 2) ? 2 : std::min(gDNum.load(), 8);
    if (gDNum <= 0) {
        st.chainedInput = -1;
        m_host->repaintAll();
        return;
    }
    for (int s = 0; s < steps; ++s) {
        if (!InputRules::StepEnabled(p, s, st) || stepTimer[s].isActive() || !InputRules::StartsStep(p, s, i, st))
            continue;
        if ((type == 0 || type == 3) && st.forcedStep == s) {
            st.lastDelay = 0;
            st.forcedStep = -1;
        }
        if (type == 4)
            st.customStep = s;
        const int delay = InputRules::StepDelay(p, s, st.lastDelay);
        st.lastDelay = delay;
        if (delay == 0) {
            fresh = 0;
            st.stepDelayLeft[s] = 0;
            // The step waits for its frames on its own; the next step of
            // this input starts meanwhile.
            TimerUp(s, false, edge ? m_edgeAtNs : 0);
            if (st.runState == RunStopped || type == 4) {
                stop = true;
                return;
            }
        } else {
            st.stepDelayLeft[s] = float(delay) / 10.0f;
            stepTimer[s].start(100);
            st.countdownState = 1;
        }
        if (type == 4)
            break;  // only the first such step starts in a pass
    }
}

void DetectionCycle::StartCycle(int i)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    StampCycle();
    if (st.noInputShown) {
        st.noInputShown = 0;
        m_host->hideMessage();
    } else if (p.inputTimeout > 0) {
        inCheckTimer.start(p.inputTimeout * 1000);
    }
    for (int s = 0; s < gDNum && s < 8; ++s)
        st.stepPending[s] = 0;
    // A mould step forced by the previous cycle's cleared alarm belongs to it.
    st.forcedStep = -1;
    gisSafeDoorOpen = 0;
    std::fill(std::begin(st.cavityNG), std::end(st.cavityNG), uint8_t(0));

    // Re-detections by step parity: the first step's count, then the second's.
    st.reDetectLeft[0] = p.RedetectCountOfStep(0);
    st.reDetectLeft[1] = (p.okNgPulses || p.mouldNgPulseNoAlarm) ? 0 : p.RedetectCountOfStep(1);
    if (IsMulti())
        std::fill(std::begin(st.reDetectLeft), std::end(st.reDetectLeft), 0);
    st.reDetectDelay = p.retestDelay;

    const int n = std::min(m_host->cameraCount(), 8);
    for (int c = 0; c < n; ++c) {
        for (int s = 0; s < gDNum && s < 8; ++s) {
            if (!p.detectOn[s])
                continue;
            st.stepPending[InputRules::MaskIndex(p.machineType, s)] |= 1u << c;
            ClearSkips(c, s);
            st.imageDecision[c][s] = 1;
            st.stepStarted[s] = 1;
        }
        st.cycleCounted[c] = st.ngCounted[c] = st.camOKInCycle[c] = 1;
    }
    if (!p.okNgPulses && !IsMulti()) {
        PortSink sink;
        CycleOutputs::CycleStart(p, i, st.stepPending[0] != 0, sink);
        Flush();
    }
    if (p.machineType == 2)
        st.mouldSide = i == 0 ? 1 : 0;
}

int DetectionCycle::NextTriggeredStep(int from) const
{
    for (int t = from + 1; t < 8; ++t)
        if (gpWPara->trigInput[t] != -1)
            return t;
    return 8;
}

DetectionCycle::GroupRule DetectionCycle::MultiDetectionGroup(int i)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    if (!p.detectNotInOrder) {
        int first = -1;
        for (int s = 0; s < 8 && first < 0; ++s)
            if (p.trigInput[s] == i)
                first = s;
        if (first < 0)
            return GroupRule::EndExamination;
        st.customStep = first;
    } else {
        const int t = NextTriggeredStep(st.customStep);
        if (!(t >= gDNum || t == 0 || p.trigInput[t] == i))
            return GroupRule::EndExamination;
    }
    if (gDNum <= 0 || st.stepPending[gDNum - 1] == 0 || i > gDNum)
        return GroupRule::NextInput;
    int n = st.customStep;
    if (p.detectNotInOrder) {
        n = -1;
        for (int k = 1; k <= 8 && n < 0; ++k) {
            const int cand = (st.customStep + k) % 8;
            if (cand < gDNum && p.outputOrder[cand] != -1)
                n = cand;
        }
        if (n < 0)
            n = 0;
    }
    const int cur = std::clamp(st.customStep, 0, 7);
    if (p.outputOrder[n] == p.outputOrder[cur] && !(i == 0 && n == gDNum - 1)) {
        st.customStep = n;
        return GroupRule::Go;
    }
    const int g = p.outputOrder[n];
    const int m = (g >= 0 && g < 8) ? p.customCutMode[g] : 0;
    if (m != 2) {
        for (int u = n; u < gDNum && u < 8; ++u) {
            if (u == 0 && !p.productDetectOn)
                continue;
            const bool take = ((m == 0 || m == 4) && p.outputOrder[u] != -1) || ((m == 1 || m == 3) && p.outputOrder[u] == g);
            if (take)
                SetOut(StepOutput(u), 1);
        }
    }
    st.customStep = n;
    return GroupRule::Go;
}

void DetectionCycle::EndPass(int rearmMs, bool stopWatchdog)
{
    if (stopWatchdog)
        inCheckTimer.stop();
    Flush();
    m_host->repaintStatus();
    runTimer.start(rearmMs);
}

int DetectionCycle::CheckInput(int i)
{
    const int level = gpControlIO ? gpControlIO->IOState(0, i) : 0;
    if (i >= 0 && i < 8)
        state.inputLatch[i] = level ? 1 : 0;
    return level;
}

int DetectionCycle::InputLevel(int i) const
{
    return gpControlIO ? gpControlIO->IOState(0, i) : 0;
}

void DetectionCycle::TimerCheckInput(int i)
{
    debounceTimer[i].stop();
    CheckInput(i);
}

void DetectionCycle::InCheck()
{
    if (state.runState != RunDetecting)
        return;
    SetOut(0, 1);
    Flush();
    inCheckTimer.stop();
    m_host->insertRecord(LanStr(335));
    m_host->showMessage(LanStr(335), false);
    state.noInputShown = 1;
}

void DetectionCycle::SlotSimulationTrigIn(int n)
{
    if (n >= 1 && n <= 8)
        state.pendingInput = n - 1;
}

void DetectionCycle::SlotPressedTrigIn(int n, bool on)
{
    if (n >= 1 && n <= 4)
        IOSetInputBit(n - 1, on);  // under the IO lock
}

void DetectionCycle::SlotManualTrig(int step)
{
    const WizardPara& p = *gpWPara;
    if (state.runState == RunStopped || m_host->settingsVisible() || m_host->editorVisible())
        return;
    if (step == 0 && !p.productDetectOn) {
        m_host->showMessage(LanStr(118), true);
        return;
    }
    if (step < 0 || step >= 8)
        return;
    state.manualStep = step;
    m_manualRequested = true;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
        ClearSkips(c, -1);
    if (gCameraID == CAMERA_NONE)
        m_host->manualStandInFrame(state.selCamera < m_host->cameraCount() ? state.selCamera : 0);
}

void DetectionCycle::StartDetect()
{
    const WizardPara& p = *gpWPara;
    if (gpControlIO) {
        gpControlIO->IOResetAllOut();
        PortSink sink;
        CycleOutputs::StartDetect(p, sink);
        Flush();
    }
    state.verdictState = VerdictIdle;
    state.reDetectPending = 0;
    std::fill(std::begin(state.reDetectLeft), std::end(state.reDetectLeft), 0);
    ResetRun(m_host->cameraCount());
    state.runState = RunDetecting;
    m_host->showDetecting(true);
}

void DetectionCycle::StopDetect()
{
    const WizardPara& p = *gpWPara;
    // The stopped cycle's re-detection and pulses would end later and change
    // the outputs the stop sets (a pulse end releases a clamp it holds).
    for (QTimer* t : {&reCheckTimer, &output3Timer, &outNGTimer, &notAllowCloseTimer, &notAllowThimbleTimer,
                      &sysFunc4OutputTimer})
        t->stop();
    state.reDetectPending = 0;
    state.customOutPending = 0;
    if (gpControlIO) {
        gpControlIO->IOResetAllOut();
        PortSink sink;
        CycleOutputs::StopDetect(p, sink);
        Flush();
    }
    if (IsMulti()) {
        std::fill(std::begin(state.stepPending), std::end(state.stepPending), 0u);
        state.curStep = state.customStep = gDNum - 1;
        // A chain into a step no longer armed would swallow its input for good.
        state.chainedInput = -1;
    }
    SetStopDetect();
    m_host->showDetecting(false);
}

void DetectionCycle::SetStopDetect()
{
    const WizardPara& p = *gpWPara;
    DropWaits();  // a stopped cycle's steps are not judged later
    if (p.machineType == 0 || p.machineType == 3)
        state.stepPending[state.curStep != 0 ? 1 : 0] = 0;
    else if (p.machineType == 1 || p.machineType == 2)
        state.stepPending[state.curStep & 1] = 0;
    for (int s = 0; s < gDNum && s < 8; ++s) {
        if (stepTimer[s].isActive())
            stepTimer[s].stop();
        state.stepDelayLeft[s] = 0;
    }
    state.runState = RunStopped;
}

void DetectionCycle::ResetRun(int camera)
{
    DiscardEarly();  // the reset must not be overwritten by what workers give back
    const int n = m_host->cameraCount();
    for (int c = 0; c < n && c < kMaxCameras; ++c) {
        if (camera != n && camera != c)
            continue;
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam)
            continue;
        cam->cameraOK = 1;
        for (int s = 0; s < gDNum && s < 8; ++s) {
            std::fill(std::begin(cam->roiOK[s]), std::end(cam->roiOK[s]), uint8_t(1));
            std::fill(std::begin(cam->roiValue[s]), std::end(cam->roiValue[s]), 0);
            state.stepDelayLeft[s] = 0;
        }
    }
    std::fill(std::begin(state.cavityNG), std::end(state.cavityNG), uint8_t(0));
}

void DetectionCycle::StopAll()
{
    runTimer.stop();
    for (QTimer& t : stepTimer)
        t.stop();
    for (QTimer& t : debounceTimer)
        t.stop();
    for (QTimer* t : {&inCheckTimer, &drawHintTimer, &showTimer, &outNGTimer, &outAlarmTimer, &notAllowCloseTimer,
                      &reserveOutputTimer, &notAllowThimbleTimer, &checkTempTimer, &resetAlarmTimer,
                      &sysFunc4OutputTimer, &reCheckTimer, &delayOutput3Timer, &safeDoorTimer, &setAllOutTimer,
                      &output3Timer})
        t->stop();
}

void DetectionCycle::ClearSkips(int c, int s)
{
    CammerWidgetData* cam = m_host->cameraData(c);
    if (!cam)
        return;
    if (s < 0)
        std::fill(std::begin(cam->skipStep), std::end(cam->skipStep), false);
    else if (s < 8)
        cam->skipStep[s] = false;
}
