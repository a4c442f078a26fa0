#pragma once
// The detection cycle of the main window: the polling pass, the trigger
// inputs, the step countdowns, the inspection of every camera and the
// verdict with its outputs. Everything here runs on the GUI thread; what it
// needs of the window, its views and pages comes through CycleHost.
#include "camera/CameraState.h"
#include "inspect/CycleState.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class CameraStation;
class CammerWidgetData;
struct StandingAlarm;
struct VerdictRecord;

class CycleHost {
public:
    virtual ~CycleHost() = default;
    virtual int cameraCount() const = 0;  // numCamera
    virtual CammerWidgetData* cameraData(int c) = 0;
    // The working frame (or the aligned one) goes to the display buffer and view.
    virtual void showFrame(int c, bool inspected = false) = 0;
    virtual void repaintCamera(int c) = 0;
    virtual void repaintAll() = 0;       // views and status bar
    virtual void repaintStatus() = 0;
    virtual void pollLostComBox(bool lost, bool enabled) = 0;
    // Camera loss handling (checks while the SDKs report a drop, restarts).
    virtual void cameraCheckPass() = 0;
    virtual void cameraRestart() = 0;
    virtual void setWhiteBalance() = 0;
    virtual void insertRecord(const QString& text) = 0;

    // Screens of the cycle.
    virtual bool continuousNgBoxVisible() const = 0;
    virtual void showContinuousNgBox() = 0;
    virtual void showMessage(const QString& text, bool modal) = 0;
    virtual void hideMessage() = 0;
    virtual bool settingsVisible() const { return false; }
    virtual bool editorVisible() const { return false; }
    // The alarm view: all cameras shown, pages hidden, the ROI editor open.
    virtual void enterAlarmView() = 0;
    // The ROI editor's re-detect button (judges every camera again).
    virtual void editorReCheck() = 0;
    // The ROI editor closes (verdict idle).
    virtual void editorRestart() = 0;
    virtual void startBlink(int c) = 0;
    // The screen lights for an alarm (and its off timer restarts).
    virtual void wakeScreen() = 0;
    virtual void cameraChangeTrig(int c) = 0;
    // Renders the camera's result picture of a step into slot 0 (NG) or 1 (OK).
    virtual void saveResultPicture(int c, int step, int slot) = 0;
    // Adds the lines of the camera's result code to a stored picture.
    virtual void updateResultPicture(int c, int step, int slot) { (void)c, (void)step, (void)slot; }
    // The camera's current image becomes template 0.. of step g.
    virtual void saveReTrainImage(int c, int g) = 0;
    virtual void retrain(int c, int g, bool shapeOnly) = 0;
    virtual void skipButtonReset() {}
    // Detection was started or stopped by a command (start/stop caption).
    virtual void showDetecting(bool detecting) { (void)detecting; }
    virtual void checkArea() {}
    // Result statistics and the cycle log (production records).
    virtual void statisticsAdd(int hour, bool ok, int c, int step) { (void)hour, (void)ok, (void)c, (void)step; }
    // Writes the statistics store now (the verdict's counts are complete).
    virtual void statisticsSave() {}
    // The statistics rows not yet in their file, for the verdict journal.
    virtual void statisticsUnsaved(VerdictRecord& record) { (void)record; }
    virtual void cycleLogInsert(const QString& start, double seconds) { (void)start, (void)seconds; }
    // The frame a manual snapshot uses without cameras (stored picture).
    virtual void manualStandInFrame(int c) { (void)c; }
};

// The alarm line of the operation log for the NG cameras (1-based numbers).
QString AlarmLogText(const QList<int>& ngCameras);

class DetectionCycle : public QObject {
    Q_OBJECT
public:
    DetectionCycle(CycleHost* host, CameraStation* station, QObject* parent = nullptr);
    ~DetectionCycle() override;

    CycleState state;

    // Arms the first pass.
    void StartPolling(int firstMs = 5) { runTimer.start(firstMs); }
    // Any thread: the IO link read a changed input word. The pass due next
    // runs as soon as the GUI thread is free, ahead of repaints waiting.
    void WakePass();
    // Between passes the loop waits this long.
    static constexpr int kPassIntervalMs = 3;
    void setStation(CameraStation* station);
    // Worker threads for the engine work of a step (1: on the GUI thread, 0: one per core).
    void setJudgeThreads(int n) { m_threads = n; }

    // Polling loop and inputs.
    void Run();
    int CheckInput(int i);
    void TimerCheckInput(int i);
    void InCheck();
    void SlotSimulationTrigIn(int n);        // n = 1..8
    void SlotPressedTrigIn(int n, bool on);  // n = 1..4
    void SlotManualTrig(int step);

    // Steps and verdict.
    // manual: a snapshot the operator took; an alarm it raises sets the
    // manual alarm outputs as well. endedNs: when the delay ended, if
    // before now (0: now).
    void TimerUp(int s, bool manual = false, qint64 endedNs = 0);
    void RunAlgorithm(int c, int s);
    void CheckNG();
    void ReCheck();
    void TimerShow();
    void BackTrain();
    // The re-check of the ROI editor, main-window part: judge camera c (all
    // for numCamera) again on the current step and decide. clearReason is
    // what the command stands for should it clear the alarm.
    // alarm: the alarm the command was given for (CycleState::alarmId).
    void Rejudge(int camera, int clearReason, quint64 alarm);
    // The verdict again after result codes were changed by hand (a step
    // not detected for the cameras).
    void CheckNGAgain(int clearReason, quint64 alarm);
    // Remaining seconds of the first running step countdown, else of the
    // re-detect countdown; negative when none runs.
    float CountdownLeft() const;
    // A step whose delay ended waits for frames taken after that (each step
    // on its own: s < 0 asks whether any step waits).
    bool AwaitingFrames(int s = -1) const;
    // Cameras just started get `ms` to settle. The loop polls meanwhile (a
    // cycle start still holds the machine), but no camera is judged before
    // the time is up, and only frames delivered after it count.
    void SettleCameras(int ms) { m_settleEndNs = NowNs() + qint64(ms) * 1000000; }
    bool CamerasSettled() const { return NowNs() >= m_settleEndNs; }
    // Past this wait beyond a camera's frame period, it counts as lost for the step.
    static constexpr int kFrameWaitMs = 1000;
    // A longer gap between frames (a restart, a stall) does not stretch the wait further.
    static constexpr int kLongestPeriodMs = 10000;
    // Only frames of cameras this fast are let go while the engine judges:
    // the next one comes soon after.
    static constexpr int kLetGoPeriodMs = 40;

    // Detection start and stop.
    void StartDetect();
    void StopDetect();
    void SetStopDetect();
    void ResetRun(int camera);
    // Waits for cameras judged on the workers while their step waited and
    // gives back what they decided; for what resets cameras' flags itself.
    void SettleEarly() { DiscardEarly(); }
    // A camera's steps (s < 0: all) are judged again from now on: the
    // editor's "not detected" for them ends with the cycle.
    void ClearSkips(int c, int s);
    void StopAll();

    // What outlives the process (app/CycleHold.cpp): the alarm standing now,
    // as the verdict journal keeps it; at start-up, an alarm that stood when
    // the monitor went down stands again (its outputs, the alarm view).
    StandingAlarm CurrentAlarm() const;
    void RestoreAlarm(const StandingAlarm& alarm);
    // A cycle started and not judged to its end, or an alarm stands.
    bool MachineMustStayHeld() const;
    // The program's stop (not the operator's) while the machine must stay
    // held: detection stops, the outputs stay, the clamp is held.
    void HoldForProgramStop();

    // Output pulse ends.
    void OutTimerOutNG();
    void OutTimerNotAllowClose();
    void OutTimerNotAllowThimble();
    void OutTimerSysFunc4Output();
    void SlotOutTimerOutput3();
    void CheckTemp();
    void SlotResetAlarm();

    // ROI wear counters.
    QString GetROINGInfo() const;
    void ClearWarnNGINfo();
    int CheckROING() const;

    // Timers of the cycle (the main window's in the original layout).
    QTimer runTimer;
    QTimer inCheckTimer;
    QTimer drawHintTimer;
    QTimer stepTimer[8];
    QTimer debounceTimer[8];
    QTimer showTimer;
    QTimer outNGTimer;
    QTimer outAlarmTimer;
    QTimer notAllowCloseTimer;
    QTimer reserveOutputTimer;
    QTimer notAllowThimbleTimer;
    QTimer checkTempTimer;
    QTimer resetAlarmTimer;
    QTimer sysFunc4OutputTimer;
    QTimer reCheckTimer;
    QTimer delayOutput3Timer;
    QTimer safeDoorTimer;
    QTimer setAllOutTimer;
    QTimer output3Timer;

    int frameCount[8] = {};  // frames per camera (frame-rate watch)
    // The way of the last judged step through the cycle (NowNs times; 0 where
    // a stage did not happen), for a benchmark's trace of where a cycle's
    // time goes.
    struct StepTrace {
        qint64 edgeRead = 0;     // the IO thread read the input word with the edge
        qint64 edgeSeen = 0;     // the pass that took the input's edge
        qint64 delayEnded = 0;   // the step's wait for fresh frames began
        qint64 firstFrame = 0;   // the first of its frames was delivered
        qint64 newestFrame = 0;  // the last of its frames was delivered
        qint64 passStart = 0;    // the pass that found them all fresh began
        qint64 handedOver = 0;   // and had copied the cameras' new frames
        qint64 engineStart = 0;  // the engine's work on the cameras began
        qint64 engineEnd = 0;    // and ended (before the views are told)
        qint64 judged = 0;       // the engine's step ended
        qint64 pictures = 0;     // the verdict's pictures were decided and handed to the saver
        qint64 verdict = 0;      // the verdict (outputs set, counts stored) ended
        qint64 flushed = 0;      // the output word was handed to the IO link last
        qint64 firstJudged = 0;  // the first camera went to the workers while the rest were awaited
        int judgedEarly = 0;     // cameras that went to them before the last frame
    };
    const StepTrace& lastTrace() const { return m_lastTrace; }
    bool saveRawFrames = false;  // raw frames to ./originalimage (settings switch)

protected:
    bool event(QEvent* e) override;

signals:
    // The countdown of a step or of a re-detection moved (views repaint the box).
    void countdownChanged();

private:
    // The level alone: reading a side from it must not latch the input as a trigger.
    int InputLevel(int i) const;
    unsigned HandOverFrames();
    // Camera c's frame in the work buffer was taken at takenNs, its
    // delivered-th (the frame period follows from them).
    void FrameTaken(int c, qint64 takenNs, int delivered);
    // This pass shows the frames it takes in the live views (no alarm held,
    // running, no capture on trigger, the live picture on screen).
    bool LiveViewFollows() const;
    void EndPass(int rearmMs, bool stopWatchdog);
    bool AlarmHeldPass(const int edge[8]);
    void SafetyDoor(const int edge[8], bool& done);
    bool ServeManualRequest(bool busy);
    void ExamineInput(int i, bool edge, unsigned& fresh, bool& stopExamining);
    void StartCycle(int i);
    void StampCycle();
    enum class GroupRule { Go, NextInput, EndExamination };
    GroupRule MultiDetectionGroup(int i);
    void AlarmLogLine(bool withManualPrefix);
    void AlarmEntry();
    // stale: cameras without a new frame for this judgement (NG, held).
    void JudgeCameras(const std::vector<int>& cams, int s, unsigned stale = 0);
    // Stale-frame guard: a step is judged on frames taken after its delay
    // ended; until every camera has one (or its wait ran out) it waits. Each
    // step waits on its own, so no step's judgement replaces another's.
    enum class Judgement { Step, ReCheck };
    struct StepWait {
        bool active = false;
        Judgement kind = Judgement::Step;
        qint64 takenNs = 0;      // the delay's end: frames delivered after it are fresh
        qint64 order = 0;        // steps are judged in the order their delays ended
        unsigned cameras = 0;    // the cameras judged
        bool manual = false;     // a manual snapshot: its alarm outputs follow
    };
    void JudgeWhenFresh(int s, Judgement kind, unsigned cameras, bool manual, qint64 endedNs = 0);
    void PollAwaitedFrames();
    void FinishJudgement(int s, const StepWait& w, unsigned stale);
    void DropWaits();
    // A step's cameras judged on the workers as their frames come, while
    // the pass waits for the rest; their frames stay in the work buffers
    // (not handed over again) until the step's verdict.
    struct EarlyJudging;
    static EarlyJudging* NewEarlyJudging();
    struct EarlyDelete {
        void operator()(EarlyJudging* e) const;
    };
    std::unique_ptr<EarlyJudging, EarlyDelete> m_early;
    unsigned HeldFrames() const;
    bool EarlyAllowed(const StepWait& w) const;
    // The waiting step s's cameras whose frames are in go to the workers;
    // false when the step is not judged that way.
    bool JudgeArrived(int s, unsigned stale);
    void PostCamera(int c);
    // Waits for the cameras handed on and takes back what their judgement
    // decided (a step stopped, re-asked or changed before its verdict).
    void DiscardEarly();
    unsigned AllCameras() const;
    // Cameras of the wait with no frame taken after its delay; `waiting`: one
    // of them is still within its wait.
    unsigned StaleCameras(const StepWait& w, bool* waiting) const;
    // Cameras without a frame for longer than their wait (no waiting).
    unsigned SilentCameras() const;
    // Cameras whose frames are let go uncopied while the engine judges.
    unsigned FramesNotWanted() const;
    // Whether the age of frames tells anything: cameras open, none lost.
    bool FramesWatched() const;
    // How long a step waits for camera c's next frame: the wait plus its
    // frame period (at most the wait again).
    qint64 WaitNs(int c) const;
    void StepJudged(int s, unsigned stale);
    void ManualAlarmOutputs();
    static qint64 NowNs() { return FrameClockNs(); }
    void SaveRawFrame(int c, int g);
    void ChainNextStep(bool takeQueued);
    void StoreCounts();
    VerdictRecord JournalRecord() const;
    void AlarmClear(int k);
    void ImageDecisions(bool ng, int k);
    void HandToSaver(bool ng);
    void Flush();
    void SetOut(int index, int level);
    // Output pulses: started for at least the shortest time; the end slot
    // asks PulseUnseen first, which re-arms the timer while the board does
    // not yet hold the pulse.
    void StartPulse(QTimer& t, int ms);
    bool PulseUnseen(QTimer& t);
    int FinalStep() const;
    // Multi-detection: the output holding step s (the last step's is row 7, the clamp).
    int StepOutput(int s) const;
    // A result or pulse output the product step may drive: in multi-detection
    // not the alarm nor any step's own output.
    bool FreeForProductPulse(int index) const;
    void SetPulseOut(int index, int level);
    int NextTriggeredStep(int from) const;
    bool IsMulti() const;

    CycleHost* m_host;
    CameraStation* m_station = nullptr;
    int m_threads = 0;  // 0: one per core
    int m_passesSinceRestart = 0;  // white balance once, 50 passes after start
    unsigned m_trigImages = 0;     // cameras with a frame since the last capture-triggered cycle
    unsigned m_freshFrames = 0;    // cameras with a new frame in this pass
    bool m_inPass = false;
    int m_rawIndex = 0;            // raw-frame file index 0..199
    bool m_repeatEvaluation = false;
    int m_clearBy = ClearOther;    // the editor command whose verdict runs
    bool m_manualRequested = false;
    bool m_reCheckQueued = false;  // the editor's re-check asked for and not yet over

    qint64 m_frameAtNs[8] = {};      // when each camera's frame in the work buffer was taken
    int m_framesSeen[8] = {};        // the camera's deliveries up to that frame
    qint64 m_periodNs[8][2] = {};    // its last two frame periods
    qint64 m_trigSetStartNs = 0;     // capture on trigger: the first frame of the set being gathered
    qint64 m_trigSetNs = 0;          // and of the last full set (its frames serve every step)
    qint64 m_settleEndNs = 0;        // no judgement before this (SettleCameras)
    StepWait m_waits[8];             // per step (the re-detection: its step's)
    qint64 m_waitOrder = 0;
    bool m_judging = false;          // a wait is being judged (no nested judging)
    bool m_storeDue = false;         // a verdict's stores wait for the judging to end
    bool m_countsChanged = false;    // the verdict in progress counted something
    QHash<const QTimer*, qint64> m_pulseLate;  // pulse ends waiting for the board, since
    qint64 m_inputsReadNs = 0, m_edgeReadNs = 0;
    qint64 m_edgeSeenNs = 0, m_passStartNs = 0, m_handedOverNs = 0, m_flushedNs = 0, m_picturesNs = 0;
    qint64 m_engineStartNs = 0, m_engineEndNs = 0;
    // This pass took an input edge: a step it starts after judging an
    // earlier one waits for frames from the pass's start.
    bool m_passEdges = false;
    // When the edges this pass took were on the inputs: the pass's start
    // when the input word stood unchanged through its frame copies.
    qint64 m_edgeAtNs = 0;
    StepTrace m_traces[8];  // per step while it waits
    StepTrace m_lastTrace;
};
