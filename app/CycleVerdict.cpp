// The second half of the detection cycle: step countdowns, the inspection of
// every camera, the verdict with its outputs, re-detection, the result
// display and the output pulses.
#include "DetectionCycle.h"

#include "ControlPort.h"
#include "records/Counters.h"
#include "records/VerdictJournal.h"
#include "CycleOutputs.h"
#include "InputRules.h"
#include "LedPanel.h"
#include "foundation/MainGlobals.h"
#include "foundation/MallocPolicy.h"
#include "records/SaveFialImageThread.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "inspect/InspectStep.h"
#include "inspect/ParamRoi.h"
#include "inspect/StepWorkers.h"
#include "network/VUR_Net.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"
#include "platform/vision/FrameBmp.h"

#include <QDir>
#include <QMutexLocker>

#include <climits>
#include <cstring>
#include <thread>

namespace {
bool NetOn()
{
    return gpWPara->netEnabled && PlantLinkUp();
}

bool ProductPulses(const WizardPara& p)
{
    return p.prodNgPulseNoAlarm || p.prodNgNoAlarmSplitOutputs;
}

// The shortest pulse: a changed word reaches the board within two link
// passes of 5 ms, so this leaves a wide margin (and PulseUnseen the rest).
constexpr int kShortestPulseMs = 50;
// How long a pulse's end waits for the board to hold it.
constexpr qint64 kPulseSeenWaitNs = 1000000000;
}  // namespace

void DetectionCycle::StartPulse(QTimer& t, int ms)
{
    // A pulse time of 0 still ends: an output set for a pulse whose end never
    // comes would hold (or release) the machine for good.
    m_pulseLate.remove(&t);
    t.start(std::max(ms, kShortestPulseMs));
}

bool DetectionCycle::PulseUnseen(QTimer& t)
{
    // A pulse the board never held tells the machine nothing: on a loaded
    // host the link may not have carried it yet. Its end waits for the
    // board's echo, for a second at most (a silent board is lost by then).
    if (!gpControlIO || gpControlIO->BoardHoldsOutputs()) {
        m_pulseLate.remove(&t);
        return false;
    }
    const qint64 now = NowNs();
    const qint64 since = m_pulseLate.value(&t, now);
    if (now - since > kPulseSeenWaitNs) {
        m_pulseLate.remove(&t);
        return false;
    }
    m_pulseLate.insert(&t, since);
    t.start(5);
    return true;
}

QString AlarmLogText(const QList<int>& ngCameras)
{
    QString line;
    for (int c : ngCameras)
        line += LanStr(151).arg(c);
    line.chop(1);
    return line + LanStr(152);
}

void DetectionCycle::AlarmLogLine(bool withManualPrefix)
{
    QList<int> ng;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
        if (CammerWidgetData* cam = m_host->cameraData(c); cam && !cam->cameraOK)
            ng << c + 1;
    QString line = AlarmLogText(ng);
    if (withManualPrefix && state.manualNG) {
        line.prepend(QStringLiteral("手动抓拍导致"));
        state.manualNG = 0;
    }
    m_host->insertRecord(line);
}

void DetectionCycle::TimerUp(int s, bool manual, qint64 endedNs)
{
    if (s < 0 || s >= 8)
        return;
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    // A pre-cut of 10 s or more holds from the first tick: the clamp is never
    // left released before a judgement because the setting ran high.
    if (s == FinalStep() && p.preCut >= 1 && !p.okNgPulses
        && st.stepDelayLeft[s] * 10.0f <= float(p.preCut)) {
        SetOut(0, 1);
        Flush();
    }
    if (st.stepDelayLeft[s] > 0.11f) {
        st.stepDelayLeft[s] -= 0.1f;
        emit countdownChanged();
        return;
    }
    stepTimer[s].stop();
    // The delay ends now (or ended at endedNs): the step judges frames taken from then on.
    JudgeWhenFresh(s, Judgement::Step, AllCameras(), manual, endedNs);
}

void DetectionCycle::StepJudged(int s, unsigned stale)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    std::vector<int> cams;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
        cams.push_back(c);
    m_engineStartNs = m_engineEndNs = 0;
    JudgeCameras(cams, s, stale);
    m_traces[s].judged = NowNs();
    m_traces[s].engineStart = m_engineStartNs;
    m_traces[s].engineEnd = m_engineEndNs;
    CheckNG();
    m_traces[s].verdict = NowNs();
    m_traces[s].flushed = m_flushedNs;
    m_traces[s].pictures = m_picturesNs;
    m_lastTrace = m_traces[s];
    st.countdownState = 2;
    // The alarm's log line was written when the alarm was entered.
    if (st.verdictState != VerdictAlarm && s == FinalStep() && !st.reDetectPending && p.templateAutoUpdate) {
        bool allOk = true;
        for (int c : cams)
            allOk = allOk && m_host->cameraData(c) && m_host->cameraData(c)->cameraOK;
        if (allOk) {
            gisReShape = 1;
            for (int c : cams)
                m_host->saveReTrainImage(c, 1);
        }
    }
}

unsigned DetectionCycle::AllCameras() const
{
    return (1u << std::clamp(m_host->cameraCount(), 0, 8)) - 1u;
}

bool DetectionCycle::AwaitingFrames(int s) const
{
    if (s >= 0)
        return s < 8 && m_waits[s].active;
    return std::any_of(std::begin(m_waits), std::end(m_waits), [](const StepWait& w) { return w.active; });
}

struct DetectionCycle::EarlyJudging {
    int step = -1;       // the wait served (-1: none)
    qint64 order = 0;    // and its order: the same step asked again is another wait
    int group = 0;
    int threads = 1;
    InspectParams params;
    bool collect = false;
    unsigned queued = 0;     // cameras handed to the workers, their frames held
    bool finishing = false;  // the step's verdict takes what they judged
    CammerRecong::StepOutput outputs[8];
    // What a discarded judgement gives back (the verdict reads these).
    uint8_t cameraOK[8] = {};
    uint8_t poseLost[8] = {};
    uint8_t roiOK[8][CammerWidgetData::kMaxRoi] = {};
};

namespace {
bool SameParams(const InspectParams& a, const InspectParams& b)
{
    return a.motionCorrect == b.motionCorrect && a.angleRange == b.angleRange && a.positionOffset == b.positionOffset
        && a.showAllParams == b.showAllParams && a.filterSize == b.filterSize && a.defectArea == b.defectArea
        && a.ngImageTemplate == b.ngImageTemplate && a.minSpot == b.minSpot && a.amplify == b.amplify
        && a.netEnabled == b.netEnabled && std::equal(std::begin(a.detectOn), std::end(a.detectOn), b.detectOn)
        && a.isGrayHue == b.isGrayHue;
}
}  // namespace

DetectionCycle::EarlyJudging* DetectionCycle::NewEarlyJudging()
{
    return new EarlyJudging();
}

void DetectionCycle::EarlyDelete::operator()(EarlyJudging* e) const
{
    delete e;
}

unsigned DetectionCycle::HeldFrames() const
{
    return m_early->queued;
}

DetectionCycle::~DetectionCycle()
{
    // Jobs on the workers write into this cycle's outputs (the views may be
    // gone: nothing is given back).
    if (m_early && m_early->queued)
        StepWorkers::instance().WaitPosted(true);
}

bool DetectionCycle::EarlyAllowed(const StepWait& w) const
{
    const WizardPara& p = *gpWPara;
    const int threads = m_threads > 0 ? m_threads : int(std::max(1u, std::thread::hardware_concurrency()));
    // A two-sided mould's group follows the side at the verdict; frames on
    // trigger are all in before the step; the editor and settings may
    // change what the engine reads.
    return w.kind == Judgement::Step && threads > 1 && m_station && FramesWatched() && CamerasSettled()
        && !p.externalTrigger && p.machineType != 1 && p.machineType != 2 && state.runState == RunDetecting
        && !m_host->settingsVisible() && !m_host->editorVisible();
}

bool DetectionCycle::JudgeArrived(int s, unsigned stale)
{
    const StepWait& w = m_waits[s];
    EarlyJudging& e = *m_early;
    if (e.queued && (e.step != s || e.order != w.order))
        DiscardEarly();  // frames for a wait that is no more
    if (!EarlyAllowed(w))
        return false;
    if (!e.queued) {
        e.step = s;
        e.order = w.order;
        e.group = s;
        e.threads = m_threads > 0 ? m_threads : int(std::max(1u, std::thread::hardware_concurrency()));
        InspectStep::StepParams(e.params, e.collect);
    }
    const qint64 from = std::max(w.takenNs, m_settleEndNs);
    for (int c = 0; c < std::min(m_host->cameraCount(), 8); ++c) {
        const unsigned bit = 1u << c;
        if (!(w.cameras & bit) || (stale & bit) || (e.queued & bit) || !m_station->cameras[c]
            || m_frameAtNs[c] <= from || !m_host->cameraData(c))
            continue;
        if (!m_traces[s].firstJudged)
            m_traces[s].firstJudged = NowNs();
        ++m_traces[s].judgedEarly;
        PostCamera(c);
    }
    return true;
}

void DetectionCycle::PostCamera(int c)
{
    EarlyJudging& e = *m_early;
    CammerWidgetData* cam = m_host->cameraData(c);
    const int g = e.group;
    e.cameraOK[c] = cam->cameraOK;
    e.poseLost[c] = cam->poseLost;
    std::copy(std::begin(cam->roiOK[g]), std::end(cam->roiOK[g]), e.roiOK[c]);
    e.outputs[c] = CammerRecong::StepOutput();
    if (!e.queued)
        InspectStep::OneOpenCvThread(e.threads);
    e.queued |= 1u << c;
    cam->JudgingBegins();
    EarlyJudging* ep = m_early.get();
    CammerRecong* engine = cam->engine;
    StepWorkers::instance().Post(
        [ep, cam, engine, c] {
            InspectStep::JudgeOne(engine, ep->group, ep->params, ep->collect, ep->outputs[c]);
            cam->JudgingEnds();
        },
        e.threads);
}

void DetectionCycle::DiscardEarly()
{
    EarlyJudging& e = *m_early;
    if (e.queued) {
        StepWorkers::instance().WaitPosted(true);
        for (int c = 0; c < 8; ++c)
            if (e.queued & (1u << c))
                if (CammerWidgetData* cam = m_host->cameraData(c)) {
                    cam->cameraOK = e.cameraOK[c];
                    cam->poseLost = e.poseLost[c];
                    std::copy(std::begin(e.roiOK[c]), std::end(e.roiOK[c]), cam->roiOK[e.group]);
                }
    }
    e.queued = 0;
    e.step = -1;
    e.finishing = false;
    for (CammerRecong::StepOutput& out : e.outputs)
        out = CammerRecong::StepOutput();
}

void DetectionCycle::JudgeWhenFresh(int s, Judgement kind, unsigned cameras, bool manual, qint64 endedNs)
{
    if (s < 0 || s >= 8)
        return;
    StepWait& w = m_waits[s];
    if (w.active) {
        // The same step asked again (the door, a snapshot) before its frames
        // came: still one judgement, on frames taken after the later request.
        if (kind == Judgement::Step)
            w.kind = kind;
        w.cameras |= cameras;
        w.manual = w.manual || manual;
    } else {
        w = StepWait{true, kind, 0, 0, cameras, manual};
    }
    w.takenNs = endedNs > 0 ? endedNs : NowNs();
    m_traces[s] = StepTrace();
    m_traces[s].edgeSeen = m_edgeSeenNs;
    m_traces[s].edgeRead = m_edgeReadNs;
    m_traces[s].delayEnded = w.takenNs;
    w.order = ++m_waitOrder;
    PollAwaitedFrames();
}

void DetectionCycle::PollAwaitedFrames()
{
    // A judgement may open a box whose event loop runs a countdown's end:
    // that step is judged by the next pass, not inside this one.
    if (m_judging)
        return;
    m_judging = true;
    unsigned awaited = 0;
    bool eachFrame = false;
    for (;;) {
        // The next step in the order the delays ended; a later one never
        // goes first (its verdict would come before an earlier step's).
        int s = -1;
        for (int t = 0; t < 8; ++t)
            if (m_waits[t].active && (s < 0 || m_waits[t].order < m_waits[s].order))
                s = t;
        if (s < 0)
            break;
        bool waiting = false;
        const unsigned stale = StaleCameras(m_waits[s], &waiting);
        if (waiting) {
            awaited = stale;
            eachFrame = JudgeArrived(s, stale);
            break;
        }
        const StepWait w = m_waits[s];
        m_waits[s] = StepWait();
        FinishJudgement(s, w, stale);
    }
    m_judging = false;
    if (m_station) {
        m_station->wakeEachFrame.store(eachFrame);
        m_station->awaited.store(awaited);
    }
    if (m_storeDue)
        StoreCounts();
}

void DetectionCycle::DropWaits()
{
    DiscardEarly();
    for (StepWait& w : m_waits)
        w = StepWait();
}

unsigned DetectionCycle::StaleCameras(const StepWait& w, bool* waiting) const
{
    unsigned stale = 0;
    *waiting = false;
    if (!CamerasSettled()) {
        *waiting = true;
        return 0;
    }
    if (!FramesWatched())
        return 0;
    // A step due while the cameras settled waits from the end of that time.
    const qint64 from = std::max(w.takenNs, m_settleEndNs);
    const qint64 waited = NowNs() - from;
    // Captured on trigger, a cycle's frames come before it starts and no
    // other follows: the last full set serves every step that judges it.
    const bool triggered = gpWPara->externalTrigger != 0;
    for (int c = 0; c < std::min(m_host->cameraCount(), 8); ++c) {
        if (!(w.cameras & (1u << c)) || !m_station->cameras[c])
            continue;
        const bool fresh = triggered ? m_frameAtNs[c] >= m_trigSetNs && m_frameAtNs[c] > m_settleEndNs
                                     : m_frameAtNs[c] > from;
        if (fresh)
            continue;
        stale |= 1u << c;
        if (waited < WaitNs(c))
            *waiting = true;
    }
    return stale;
}

bool DetectionCycle::FramesWatched() const
{
    // Without devices there is no frame to wait for; a lost camera is NG anyway.
    return m_station && !gisLost && gCameraID != CAMERA_NONE;
}

qint64 DetectionCycle::WaitNs(int c) const
{
    // A slow camera is waited for a whole period of its own; on trigger no
    // frame is on its way, only one the pass has not taken yet.
    const qint64 wait = qint64(kFrameWaitMs) * 1000000;
    if (gpWPara->externalTrigger)
        return wait;
    const qint64 period = std::max(m_periodNs[c][0], m_periodNs[c][1]);
    return wait + std::min(period, qint64(kLongestPeriodMs) * 1000000);
}

unsigned DetectionCycle::FramesNotWanted() const
{
    // A frame taken while the engine judges is older than any step that
    // starts after it (but one on an edge of this pass); only the live view
    // would show it. Cameras on trigger send no other, and a slow camera's
    // next one may be far off.
    if (!FramesWatched() || gpWPara->externalTrigger || AwaitingFrames() || m_passEdges)
        return 0;
    unsigned cams = 0;
    for (int c = 0; c < std::min(m_host->cameraCount(), 8); ++c) {
        const qint64 period = std::max(m_periodNs[c][0], m_periodNs[c][1]);
        if (m_station->cameras[c] && period > 0 && period <= qint64(kLetGoPeriodMs) * 1000000)
            cams |= 1u << c;
    }
    return cams;
}

unsigned DetectionCycle::SilentCameras() const
{
    unsigned silent = 0;
    if (!FramesWatched() || gpWPara->externalTrigger)
        return 0;
    const qint64 now = NowNs();
    for (int c = 0; c < std::min(m_host->cameraCount(), 8); ++c) {
        if (!m_station->cameras[c])
            continue;
        if (now - m_frameAtNs[c] > WaitNs(c))
            silent |= 1u << c;
    }
    return silent;
}

void DetectionCycle::FinishJudgement(int s, const StepWait& w, unsigned stale)
{
    StepTrace& t = m_traces[s];
    t.passStart = m_passStartNs;
    t.handedOver = m_handedOverNs;
    for (int c = 0; c < 8; ++c)
        if (w.cameras & (1u << c)) {
            t.newestFrame = std::max(t.newestFrame, m_frameAtNs[c]);
            t.firstFrame = t.firstFrame ? std::min(t.firstFrame, m_frameAtNs[c]) : m_frameAtNs[c];
        }
    EarlyJudging& e = *m_early;
    if (e.queued && (e.step != s || e.order != w.order))
        DiscardEarly();
    e.finishing = e.queued != 0;
    if (w.kind == Judgement::Step) {
        StepJudged(s, stale);
    } else {
        std::vector<int> cams;
        for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
            if (w.cameras & (1u << c))
                cams.push_back(c);
        JudgeCameras(cams, s, stale);
        CheckNG();
    }
    if (w.manual && state.verdictState == VerdictAlarm)
        ManualAlarmOutputs();
}

void DetectionCycle::RunAlgorithm(int c, int s)
{
    JudgeCameras({c}, s);
}

void DetectionCycle::JudgeCameras(const std::vector<int>& cams, int s, unsigned stale)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const bool twoSided = p.machineType == 1 || p.machineType == 2;
    const int g = twoSided ? (s - (s > 1 ? 2 : 0) + (st.mouldSide == 0 ? 2 : 0)) : s;
    const int k = twoSided ? (g & 1) : g;
    EarlyJudging& e = *m_early;
    // What the workers judged serves this step only as it would judge now.
    bool early = e.finishing && e.step == s && e.group == g && st.runState == RunDetecting && !gisLost
        && !(stale & e.queued);
    if (early) {
        InspectParams now;
        bool collect = false;
        InspectStep::StepParams(now, collect);
        early = SameParams(now, e.params) && collect == e.collect;
    }
    if (!early)
        DiscardEarly();
    e.finishing = false;
    if (g < 0 || g >= 8)
        return;

    // Serial part before the engine: bookkeeping, raw frames, resampling.
    std::vector<int> toJudge;
    std::vector<CammerRecong*> engines;
    for (int c : cams) {
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam)
            continue;
        st.curStep = g;
        st.stepPending[k] &= ~(1u << c);
        if (saveRawFrames)
            SaveRawFrame(c, g);
        if (st.runState == RunResampling) {
            if (cam->resamplePending[g]) {
                if (p.detectOn[g])
                    m_host->saveReTrainImage(c, g);
                cam->resamplePending[g] = false;
                cam->cameraOK = 1;
            }
            bool anyPending = false;
            for (int o = 0; o < m_host->cameraCount() && o < 8; ++o)
                if (CammerWidgetData* other = m_host->cameraData(o))
                    for (int q = 0; q < gDNum && q < 8; ++q)
                        anyPending = anyPending || (p.detectOn[q] && other->resamplePending[q]);
            if (!anyPending) {
                StartDetect();
                if (!p.okNgPulses) {
                    SetOut(0, 1);
                    Flush();
                }
                st.runState = RunResampling;
                m_host->checkArea();
                return;
            }
            if (gSource == 1 || gSource == -1)
                m_host->repaintCamera(c);
            continue;
        }
        toJudge.push_back(c);
        engines.push_back(cam->engine);
    }
    if (toJudge.empty())
        return;

    // Cameras closed by a loss, or without a frame taken after the trigger:
    // what they last showed is from before and may not release the machine.
    // NG, and no area is to blame.
    std::vector<CammerRecong*> live;
    std::vector<int> liveCams;
    for (size_t i = 0; i < toJudge.size(); ++i) {
        const int c = toJudge[i];
        CammerWidgetData* cam = m_host->cameraData(c);
        if (gisLost || (stale & (1u << c))) {
            cam->cameraOK = 0;
            cam->poseLost = 0;  // the loss, not the part's place, holds here
            std::fill(std::begin(cam->roiOK[g]), std::end(cam->roiOK[g]), uint8_t(1));
            if (!gisLost) {
                const double age = m_frameAtNs[c] ? double(NowNs() - m_frameAtNs[c]) / 1e9 : -1.0;
                m_host->insertRecord(LanStr(332).arg(c + 1).arg(age < 0 ? QStringLiteral("-") : QStringLiteral("%1 s").arg(age, 0, 'f', 1)));
            }
        } else {
            live.push_back(engines[i]);
            liveCams.push_back(c);
        }
    }
    unsigned liveMask = 0;
    for (int c : liveCams)
        liveMask |= 1u << c;
    if (early && (e.queued & ~liveMask)) {
        DiscardEarly();  // a camera judged meanwhile is no longer judged
        early = false;
    }
    if (!live.empty()) {
        // The engine work of every camera at once; results merge in camera order.
        const int threads = m_threads > 0 ? m_threads : int(std::max(1u, std::thread::hardware_concurrency()));
        // Views showing an inspect frame that this overwrites are told
        // below (showFrame) before they can paint again.
        m_engineStartNs = NowNs();
        if (m_station)
            m_station->letGo.store(FramesNotWanted());
        if (early) {
            // The cameras whose frames came last join those judged meanwhile.
            for (int c : liveCams)
                if (!(e.queued & (1u << c)))
                    PostCamera(c);
            StepWorkers::instance().WaitPosted(true);
            for (int c : liveCams)
                InspectStep::Merge(e.outputs[c]);
            e.queued = 0;
            DiscardEarly();  // nothing left to give back: only resets
        } else {
            InspectStep::Run(live, g, std::min<int>(threads, int(live.size())));
        }
        if (m_station)
            m_station->letGo.store(0);
        m_engineEndNs = NowNs();
    }

    // Serial part after: display, outputs, counts, the NG ring, in camera order.
    for (int c : toJudge) {
        CammerWidgetData* cam = m_host->cameraData(c);
        m_host->showFrame(c, p.externalTrigger != 0);
        if (!cam->cameraOK) {
            PortSink sink;
            CycleOutputs::NgCamera(p, k, st.reDetectLeft[k], IsMulti(), sink);
            const bool final = st.reDetectLeft[k] <= 0;
            if (IsMulti() && !p.okNgPulses) {
                // The faulty step's own output and the clamp (the last step's)
                // hold until the alarm is cleared: an NG releases nothing.
                SetOut(StepOutput(g), 1);
                SetOut(OutputNo[7] - 1, 1);
            }
            if (final) {
                if (st.ngCounted[c]) {
                    st.ngCounted[c] = 0;
                    CountOne(&gFailNum[c]);
                    m_countsChanged = true;
                }
                if (cam->liveSet)
                    for (int j = 0; j < cam->liveSet->count[g] && j < CammerWidgetData::kMaxRoi; ++j)
                        if (!cam->roiOK[g][j] && cam->liveSet->NGCount[g][j] < INT_MAX)
                            ++cam->liveSet->NGCount[g][j];  // stored: may be at the limit
            }
            if (k == 0 && ProductPulses(p) && cam->liveSet) {
                for (int j = 0; j < cam->liveSet->count[g] && j < CammerWidgetData::kMaxRoi; ++j) {
                    const int point = cam->liveSet->output_point[j];
                    if (!cam->roiOK[g][j] && point >= 0 && point < 4)
                        st.cavityNG[point] = 1;
                }
            }
            if (st.imageDecision[c][g] == 1 && final)
                cam->KeepRecentNg(g);
        }
        if (st.cycleCounted[c]) {
            st.cycleCounted[c] = 0;
            CountOne(&gAllNum[c]);
            m_countsChanged = true;
        }
        Flush();
        if (gSource == 1 || gSource == -1)
            m_host->repaintCamera(c);
    }
}

void DetectionCycle::SaveRawFrame(int c, int g)
{
    CammerWidgetData* cam = m_host->cameraData(c);
    const FrameLayout& l = cam->layout();
    const QString dir = QStringLiteral("./originalimage/cammer%1%2").arg(c + 1).arg(g + 1);
    QDir().mkpath(dir);
    WriteFrameBmp(QStringLiteral("%1/template%2.bmp").arg(dir).arg(m_rawIndex), cam->workBuffer.data(), l.width,
                  l.height, l.colour);
    m_rawIndex = (m_rawIndex + 1) % 200;
}

void DetectionCycle::CheckNG()
{
    if (gFromTrain)
        return;
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const bool multi = IsMulti();
    const int n = std::min(m_host->cameraCount(), 8);
    const bool alarmBefore = st.verdictState == VerdictAlarm;
    bool ng = false;
    for (int c = 0; c < n; ++c) {
        CammerWidgetData* cam = m_host->cameraData(c);
        if (cam && !cam->cameraOK) {
            ng = true;
            m_host->startBlink(c);
            st.camOKInCycle[c] = 0;
        }
    }
    const int step = std::clamp(st.curStep, 0, 7);
    gContinuousNg[step] = ng ? gContinuousNg[step] + 1 : 0;
    const int k = (p.machineType == 1 || p.machineType == 2) ? (step & 1) : step;
    if (ng && st.manualCycle)
        st.manualNG = 1;
    const bool lastTry = st.reDetectLeft[k] <= 0;

    if (lastTry && st.lastInputNo != 0) {
        // The trigger code tells the plant server what started this cycle.
        if (NetOn())
            gpNet->VUR_SendStatistics_Once(g_listParamROI, ng, st.lastInputNo);
        st.lastInputNo = 0;
        g_listParamROI.clear();
    }

    const bool alarmRules = !p.okNgPulses
        && ((k == 0 && !ProductPulses(p)) || (k == 1 && !p.mouldNgPulseNoAlarm) || multi);
    // An OK that ends an alarm reaches the board in one word with the
    // alarm's end: flushed on its own, the released clamp or ejector would
    // stand beside an alarm still on for a link pass or more.
    const bool endsAlarm = alarmRules && !ng && st.verdictState == VerdictAlarm;

    PortSink sink;
    if (!ng) {
        if (p.okNgPulses) {
            CycleOutputs::PulseVerdict(p, true, sink);
            Flush();
            StartPulse(notAllowCloseTimer, p.clampPulse * 100);
        } else {
            if (multi) {
                // The step judged releases its own output, whichever step
                // the inputs started last (the door judges the last step).
                const int out = StepOutput(step);
                SetOut(out, 0);
                const int owner = p.outputOrder[step];
                const int mode = (owner >= 0 && owner < 8) ? p.customCutMode[owner] : 0;
                if ((mode == 3 || mode == 4) && p.clampPulse != 0) {
                    st.customOutPending = 1;
                    st.customOutIndex = out;
                    StartPulse(sysFunc4OutputTimer, p.clampPulse * 100);
                }
                if (!st.manualCycle)
                    ChainNextStep(true);
            }
            // In multi-detection each output is its step's (above); the
            // product and mould outputs of steps 0 and 1 are other steps' there.
            if (!multi)
                CycleOutputs::VerdictOk(p, k, gisReTrain != 0, sink);
            st.reDetectPending = 0;
            if (!endsAlarm)
                Flush();
        }
    } else {
        if (lastTry) {
            st.stepStarted[step] = 0;
            if (NetOn()) {
                if (p.netNgVideo && p.netVideoOn)
                    gpNet->VUR_SendSaveNgVideo(1, 1);
                int failed = 0;
                for (int c = 0; c < n; ++c) {
                    CammerWidgetData* cam = m_host->cameraData(c);
                    if (!cam || cam->cameraOK || !cam->liveSet)
                        continue;
                    for (int j = 0; j < cam->liveSet->count[step] && j < CammerWidgetData::kMaxRoi; ++j)
                        if (!cam->roiOK[step][j])
                            ++failed;
                }
                // The group judged (the right side's in two-sided machines), not the mask index.
                if (p.netAlarmSms)
                    gpNet->VUR_SendTelInfo(step, failed);
                for (int c = 0; c < n; ++c) {
                    CammerWidgetData* cam = m_host->cameraData(c);
                    if (!cam || cam->cameraOK || !cam->liveSet)
                        continue;
                    for (int j = 0; j < cam->liveSet->count[step] && j < CammerWidgetData::kMaxRoi; ++j)
                        if (!cam->roiOK[step][j])
                            gpNet->ChkandAddStaticticsItem(c, step, j);
                }
                gpNet->VUR_SendStatistics(QStringLiteral("null"));
            }
        }
        if (p.okNgPulses) {
            CycleOutputs::PulseVerdict(p, false, sink);
            Flush();
            StartPulse(notAllowCloseTimer, p.clampPulse * 100);
        }
        if (multi) {
            const int owner = p.outputOrder[step];
            if (owner >= 0 && owner < 8 && p.customCutMode[owner] == 5)
                SetOut(StepOutput(step), 1);
        }
    }

    if (alarmRules && ng && st.verdictState != VerdictAlarm) {
        if (!multi && st.reDetectLeft[k] > 0)
            st.reDetectPending = 1;
        else
            AlarmEntry();
        st.alarmStartMs = QDateTime::currentMSecsSinceEpoch();
    } else if (endsAlarm) {
        AlarmClear(k);
    }

    if ((!ng || CycleOutputs::NgWithoutAlarm(p, k)) && st.verdictState != VerdictAlarm
        && st.verdictState != VerdictAreaCheck && !m_host->settingsVisible()) {
        st.verdictState = VerdictShowing;
        showTimer.start(2000);
        st.shownStep = st.curStep;
        m_host->repaintAll();
        const bool ngLeds = ng && p.okNgPulses;
        LEDOnOff(6, ngLeds ? 0 : 1);
        LEDOnOff(7, ngLeds ? 1 : 0);
    }

    if (!multi && !ng && k == 1 && p.detectOn[0] && p.cutEjectorOnClamp && !p.noEjectorControlInProd && !ProductPulses(p)) {
        SetOut(1, 1);
        Flush();
    }

    // The clamp and ejector pulses act on outputs 0 and 1, which belong to
    // other steps in multi-detection (its cut modes pulse instead). The
    // product step's pulses there drive only outputs no step owns.
    const bool productPulses = k == 0 && ProductPulses(p);
    if (!productPulses && !multi) {
        if (!ng && k == 1 && p.cutClampAfterMouldOk)
            StartPulse(notAllowCloseTimer, p.clampPulse * 100);
        if (!ng && k == 0 && p.cutEjectorAfterProdOk)
            StartPulse(notAllowThimbleTimer, p.ejectorPulse * 100);
        if (ng && k == 1 && p.mouldNgPulseNoAlarm) {
            SetOut(0, 1);
            Flush();
            StartPulse(notAllowCloseTimer, p.clampPulse * 100);
        }
    } else if (productPulses) {
        if (p.prodNgNoAlarmSplitOutputs) {
            SetPulseOut(4, st.cavityNG[0] ? 1 : 0);
            SetPulseOut(5, st.cavityNG[0] ? 0 : 1);
            SetPulseOut(6, st.cavityNG[1] ? 1 : 0);
            SetPulseOut(7, st.cavityNG[1] ? 0 : 1);
        }
        if (!ng) {
            if (p.prodNgNoAlarmSplitOutputs) {
                SetPulseOut(3, 1);
                StartPulse(outNGTimer, p.ejectorPulse * 100);
            }
            if (p.cutEjectorAfterProdOk && !multi)
                StartPulse(notAllowThimbleTimer, p.ejectorPulse * 100);
        } else {
            // In multi-detection the NG is an alarm of its own; the box's
            // end would release the last step's output with the alarm standing.
            if (p.continuousNgLimit <= gContinuousNg[0] && !multi) {
                if (p.continuousNgLimit < 1) {
                    gContinuousNg[0] = 0;
                } else {
                    SetOut(0, 1);
                    SetOut(2, 1);
                    for (QTimer& t : stepTimer)
                        t.stop();
                    DropWaits();  // stopped with their countdowns
                    m_host->showContinuousNgBox();
                }
            }
            if (p.prodNgPulseNoAlarm) {
                for (int point = 0; point < 4; ++point)
                    if (st.cavityNG[point])
                        SetPulseOut(4 + point, 1);
                if (p.alarmSyncEjectorPulse)
                    SetPulseOut(2, 1);
            }
            if (p.prodNgNoAlarmSplitOutputs)
                SetPulseOut(2, 1);
            if (!p.noEjectorControlInProd)
                SetPulseOut(1, 1);
            Flush();
            StartPulse(outNGTimer, p.ejectorPulse * 100);
            if (multi && !st.manualCycle)
                ChainNextStep(false);
            else if (st.manualCycle)
                st.manualCycle = 0;
        }
    }

    ImageDecisions(ng, k);
    HandToSaver(ng);
    CodeHandedPictures(m_host->cameraCount());
    // The alarm's NG pictures wait for the re-check: packed meanwhile; so
    // do the ring's NG frames, compressed at normal priority, as no step runs.
    if (st.verdictState == VerdictAlarm) {
        PackWaitingPictures(m_host->cameraCount());
        for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
            if (CammerWidgetData* cam = m_host->cameraData(c))
                cam->recentNg.Hurry();
    }
    m_picturesNs = NowNs();

    const bool cycleEnd = (!multi && k == 1) || (multi && step == gDNum - 1);
    if (m_countsChanged || ((!ng || p.okNgPulses) && cycleEnd) || alarmBefore != (st.verdictState == VerdictAlarm))
        StoreCounts();
    if ((!ng || p.okNgPulses) && cycleEnd && NetOn())
        gpNet->VUR_SendStatistics(QStringLiteral("null"));
    if (st.runState != RunStopped) {
        st.safetyDoorCycle = 0;
        st.manualCycle = 0;
    }
    if (gpWPara->netEnabled)
        g_listParamROI.clear();
    m_repeatEvaluation = false;
    if (cycleEnd)  // no step runs until the machine's next cycle
        ReturnFreedHeapPages();
}

void DetectionCycle::StoreCounts()
{
    // One verdict's counts and the alarm standing after it go to the journal
    // first, then to both stores with no event in between: start-up finishes
    // from the journal whatever store a crash left behind.
    m_countsChanged = false;
    // Steps judged in one go (both on one input) each hand on their word
    // first: one record after the last serves them all, and a later step's
    // output does not wait for an earlier one's stores. A raised alarm is on
    // file already (AlarmEntry); one ended stands on file a little longer,
    // which holds, never releases.
    if (m_judging) {
        m_storeDue = true;
        return;
    }
    m_storeDue = false;
    const auto saveStatistics = [this] {
        if (gisUseStatistics)
            m_host->statisticsSave();
    };
    if (!VerdictJournal::Store(JournalRecord(), saveStatistics))
        qWarning("count.txt could not be written");
}

void DetectionCycle::ChainNextStep(bool takeQueued)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int cur = std::clamp(st.customStep, 0, 7);
    const int next = NextTriggeredStep(cur);
    if (next < 8 && p.trigInput[next] == p.trigInput[cur]) {
        st.chainedInput = p.trigInput[cur];
        if (takeQueued)
            st.pendingInput = -1;
    } else if (takeQueued && st.pendingInput != -1) {
        st.chainedInput = st.pendingInput;
        st.pendingInput = -1;
    } else {
        st.chainedInput = -1;
    }
}

void DetectionCycle::AlarmEntry()
{
    WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int n = std::min(m_host->cameraCount(), 8);
    if (p.extTrigNgContinuous == 1 && st.captureConfigured == 1 && p.externalTrigger == 1) {
        p.externalTrigger = 0;  // the cameras run free during the alarm
        for (int c = 0; c < n; ++c)
            m_host->cameraChangeTrig(c);
    }
    if (st.safetyDoorCycle && !IsMulti()) {
        SetOut(0, 1);
        Flush();
    }
    m_host->wakeScreen();
    SetStopDetect();
    st.verdictState = VerdictAlarm;
    ++st.alarmId;
    // On file before the alarm view opens (it takes a while): a crash from
    // here on finds the alarm standing at the next start.
    st.alarmStartMs = QDateTime::currentMSecsSinceEpoch();
    VerdictJournal::WriteAlarm(CurrentAlarm());
    st.selCamera = m_host->cameraCount();
    m_host->enterAlarmView();
    st.reDetectPending = 0;
    LEDOnOff(6, 0);
    LEDOnOff(7, 1);
    // One line per alarm, with the manual-snapshot prefix when it applies.
    AlarmLogLine(true);
}

void DetectionCycle::AlarmClear(int k)
{
    WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int n = std::min(m_host->cameraCount(), 8);
    st.clearReason = m_clearBy;
    if (p.extTrigNgContinuous == 1 && st.captureConfigured == 1 && p.externalTrigger == 0) {
        p.externalTrigger = 1;
        for (int c = 0; c < n; ++c)
            m_host->cameraChangeTrig(c);
    }
    m_host->editorRestart();
    if (p.inputTimeout > 0)
        inCheckTimer.start(p.inputTimeout * 1000);
    const bool multi = IsMulti();
    if (multi || k == 0) {
        PortSink sink;
        CycleOutputs::AlarmCleared(p, k, multi, sink);
        st.verdictState = VerdictIdle;
        ResetRun(m_host->cameraCount());
        st.runState = RunDetecting;
        if ((p.machineType == 0 || p.machineType == 3) && !p.semiAuto) {
            // The mould step follows at once, without waiting for its input.
            st.pendingInput = 1;
            st.forcedStep = 1;
        }
    } else if (k == 1) {
        StartDetect();
    }
    Flush();
    if (gpWPara->netEnabled && gpNet && gpNet->isInit) {
        gpNet->VUR_AddNgTimes(int(QDateTime::currentMSecsSinceEpoch() - st.alarmStartMs));
        if (gpNet->isAlive) {
            if (p.netNgVideo && p.netVideoOn)
                gpNet->VUR_SendSaveNgVideo(1, 0);
            gpNet->VUR_SendCancle();
        }
    }
}

void DetectionCycle::ImageDecisions(bool ng, int k)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    const int step = std::clamp(st.curStep, 0, 7);
    const bool lastTry = st.reDetectLeft[k] <= 0;
    const int hour = QTime::currentTime().hour();
    (void)ng;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c) {
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam)
            continue;
        int& d = st.imageDecision[c][step];
        if (d >= 4 && d <= 6) {
            // Not detected, added as template, switched to the mould step:
            // the NG picture says so and is written.
            m_host->updateResultPicture(c, step, 0);
            continue;
        }
        if (d == 7) {
            // Judged again: OK gives the NG picture with its note and the OK one.
            if (cam->cameraOK) {
                m_host->updateResultPicture(c, step, 0);
                m_host->saveResultPicture(c, step, 1);
                m_host->updateResultPicture(c, step, 1);
            } else {
                d = 3;
            }
            continue;
        }
        if (d != 1)
            continue;
        // A re-detection follows: its verdict decides the pictures and counts.
        if (!cam->cameraOK && !lastTry)
            continue;
        // Every decision counts, whether or not its picture is kept.
        if (gisUseStatistics) {
            m_host->statisticsAdd(hour, cam->cameraOK != 0, c, step);
            m_countsChanged = true;
        }
        if (!cam->cameraOK && gPicNumNG > 0) {
            d = CycleOutputs::NgWithoutAlarm(p, k) ? 9 : 3;
            m_host->saveResultPicture(c, step, 0);
        } else if (cam->cameraOK && gPicNumOK > 0 && (step != 0 || p.startupFlag)) {
            d = 2;
            m_host->saveResultPicture(c, step, 1);
        } else {
            d = 0;
        }
    }
}

void DetectionCycle::HandToSaver(bool ng)
{
    const WizardPara& p = *gpWPara;
    if (ng && !p.okNgPulses && !p.prodNgPulseNoAlarm && !p.mouldNgPulseNoAlarm && !p.prodNgNoAlarmSplitOutputs)
        return;
    QMutexLocker lock(pMutexSaveFail);
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c) {
        for (int s = 0; s < 8; ++s) {
            int& d = state.imageDecision[c][s];
            if (d == 2 || d == 10)
                gisSaveFail[c][s][1] = true;
            if (d == 9 || d == 10)
                gisSaveFail[c][s][0] = true;
            if (d == 2 || d == 9 || d == 10)
                d = 0;
        }
    }
}

void DetectionCycle::ReCheck()
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    if (st.reDetectLeftTime > 0.11f) {
        st.reDetectLeftTime -= 0.1f;
        emit countdownChanged();
        return;
    }
    reCheckTimer.stop();
    const int k = (p.machineType == 1 || p.machineType == 2) ? (st.curStep & 1) : std::clamp(st.curStep, 0, 7);
    st.stepPending[k] = 0;
    PortSink sink;
    CycleOutputs::ReCheck(p, k, k == FinalStep(), sink);
    Flush();
    unsigned cams = 0;
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c) {
        if (p.detectOn[std::clamp(st.curStep, 0, 7)]) {
            st.stepPending[k] |= 1u << c;
            cams |= 1u << c;
        }
    }
    // The re-detect delay ends now: frames taken from here on.
    JudgeWhenFresh(std::clamp(st.curStep, 0, 7), Judgement::ReCheck, cams, false);
}

void DetectionCycle::Rejudge(int camera, int clearReason, quint64 alarm)
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    // A request that waited behind a question may come after its alarm
    // ended; the cycle or alarm since then is not the editor's to judge.
    if (!st.AlarmStands(alarm) || !CamerasSettled())
        return;
    const int n = std::min(m_host->cameraCount(), 8);
    ResetRun(camera);
    const int s = std::clamp(st.curStep, 0, 7);
    const int t = (p.machineType == 1 || p.machineType == 2) ? (s & 1) : s;
    const int last = IsMulti() ? gDNum - 1 : 1;
    st.stepPending[t] = 0;
    if (t == last && !p.cutClampOnMouldAlarm && !p.mouldNgPulseNoAlarm)
        SetOut(0, 1);
    else if (t == 0 && !p.noEjectorControlInProd && !p.prodNgPulseNoAlarm && !p.cutEjectorOnProdAlarm
             && !p.prodNgNoAlarmSplitOutputs)
        SetOut(1, 1);
    Flush();
    std::vector<int> cams;
    for (int c = 0; c < n; ++c) {
        if (camera != n && camera != c)
            continue;
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam || cam->skipStep[s] || !p.detectOn[s])
            continue;
        st.stepPending[t] |= 1u << c;
        if (st.imageDecision[c][s] == 3)
            st.imageDecision[c][s] = 7;
        cams.push_back(c);
    }
    // No waiting here (the operator stands at the machine), but a camera
    // whose frames stopped may not clear the alarm with its last picture.
    JudgeCameras(cams, s, SilentCameras());
    m_repeatEvaluation = true;
    m_clearBy = clearReason;
    CheckNG();
    m_clearBy = ClearOther;
}

void DetectionCycle::CheckNGAgain(int clearReason, quint64 alarm)
{
    if (!state.AlarmStands(alarm))
        return;
    m_repeatEvaluation = true;
    m_clearBy = clearReason;
    CheckNG();
    m_clearBy = ClearOther;
}

float DetectionCycle::CountdownLeft() const
{
    for (int s = 0; s < gDNum && s < 8; ++s)
        if (stepTimer[s].isActive())
            return state.stepDelayLeft[s];
    if (reCheckTimer.isActive())
        return state.reDetectLeftTime;
    return -1.0f;
}

void DetectionCycle::TimerShow()
{
    const WizardPara& p = *gpWPara;
    CycleState& st = state;
    showTimer.stop();
    if (st.verdictState != VerdictAlarm) {
        LEDOnOff(6, 1);
        LEDOnOff(7, 1);
        if (!st.reDetectPending && st.shownStep == st.curStep && gDNum > 0) {
            st.curStep = (st.curStep + 1) % gDNum;
            if (!IsMulti() && st.curStep % 2 == 0 && !p.productDetectOn)
                st.curStep = (st.curStep + 1) % gDNum;
        }
        st.countdownState = 3;
        if (st.verdictState == VerdictShowing)
            st.verdictState = VerdictIdle;
        m_host->repaintAll();
    } else {
        st.countdownState = 3;
    }
    const int n = std::min(m_host->cameraCount(), 8);
    if (gisReTrain) {
        gisReTrain = 0;
        for (int c = 0; c < n; ++c)
            for (int s = 0; s < gDNum && s < 8; ++s)
                if (p.detectOn[s])
                    m_host->retrain(c, s, false);
    } else if (gisReShape) {
        gisReShape = 0;
        for (int c = 0; c < n; ++c)
            m_host->retrain(c, 1, false);
    }
}

void DetectionCycle::BackTrain()
{
    // Leaving the alarm view releases nothing: only an OK re-inspection does.
    if (state.verdictState == VerdictAlarm)
        return;
    PortSink sink;
    CycleOutputs::BackTrain(*gpWPara, sink);
    Flush();
    state.runState = RunDetecting;
    CheckNG();
    gisReTrain = 1;
}

void DetectionCycle::OutTimerOutNG()
{
    const WizardPara& p = *gpWPara;
    outNGTimer.stop();
    if (PulseUnseen(outNGTimer))
        return;
    if (!p.noEjectorControlInProd)
        SetPulseOut(1, 0);
    // Only the pulse's own alarm ends here: a mould alarm or a continuous-NG
    // stop that began during the pulse keeps its alarm output on.
    const bool stopStands = state.verdictState == VerdictAlarm || m_host->continuousNgBoxVisible();
    if (!stopStands && (p.prodNgNoAlarmSplitOutputs || (p.prodNgPulseNoAlarm && p.alarmSyncEjectorPulse)))
        SetPulseOut(2, 0);
    for (int o = 3; o <= 7; ++o)
        SetPulseOut(o, 0);
    Flush();
}

void DetectionCycle::OutTimerNotAllowClose()
{
    const WizardPara& p = *gpWPara;
    notAllowCloseTimer.stop();
    if (PulseUnseen(notAllowCloseTimer))
        return;
    if (p.okNgPulses) {
        SetOut(0, 0);
        SetOut(1, 0);
        SetOut(2, 0);
    } else if (p.mouldNgPulseNoAlarm) {
        SetOut(0, 0);
    } else if (state.runState != RunStopped) {
        SetOut(0, 1);
    } else {
        return;
    }
    Flush();
}

void DetectionCycle::OutTimerNotAllowThimble()
{
    const WizardPara& p = *gpWPara;
    notAllowThimbleTimer.stop();
    if (PulseUnseen(notAllowThimbleTimer))
        return;
    if (p.okNgPulses) {
        SetOut(0, 0);
        SetOut(1, 0);
    } else if (state.runState != RunStopped) {
        SetOut(1, 1);
    }
    Flush();
}

void DetectionCycle::OutTimerSysFunc4Output()
{
    sysFunc4OutputTimer.stop();
    if (IsMulti() && state.customOutPending) {
        SetOut(state.customOutIndex, 1);
        Flush();
        state.customOutPending = 0;
    }
}

void DetectionCycle::SlotOutTimerOutput3()
{
    output3Timer.stop();
    if (PulseUnseen(output3Timer))
        return;
    SetOut(3, 0);
    Flush();
}

void DetectionCycle::CheckTemp()
{
    if (!gisTempAlarm)
        return;
    SetOut(2, 1);
    Flush();
    resetAlarmTimer.start(1000);
}

void DetectionCycle::SlotResetAlarm()
{
    resetAlarmTimer.stop();
    if (state.verdictState != VerdictAlarm) {
        SetOut(2, 0);
        Flush();
    }
}
