#pragma once
// The detection cycle's state: the fields of the main window that the
// polling loop, the step countdowns and the verdict share. A fresh state
// starts no cycle and takes no snapshot without a trigger.
#include <QDateTime>

#include <cstdint>

enum RunState { RunDetecting = 1, RunResampling = 2, RunStopped = 3 };
enum VerdictState { VerdictIdle = 0, VerdictShowing = 1, VerdictAlarm = 2, VerdictAreaCheck = 3 };
// How the last alarm was cleared, for the plant link: the result-picture code
// of the editor command that cleared it; any other clearing is ClearOther.
enum ClearReason { ClearOther = 0, ClearNotDetected = 4, ClearAsTemplate = 5, ClearReDetected = 7 };

struct CycleState {
    int runState = RunDetecting;
    int verdictState = VerdictIdle;
    int curStep = 0;
    int pendingInput = -1;   // input queued by a simulated trigger or the verdict
    int chainedInput = -1;   // multi-detection: input treated as triggered again
    int customStep = 0;
    int manualStep = 0;      // gDNum when no manual snapshot is requested
    int forcedStep = -1;
    uint8_t inputLatch[8] = {};
    int lastInputNo = 0;
    uint32_t stepPending[8] = {};
    float stepDelayLeft[8] = {};
    int countdownState = 0;
    int mouldSide = 1;
    int reDetectLeft[8] = {};
    int reDetectDelay = 0;
    int reDetectPending = 0;
    float reDetectLeftTime = 0;
    int safetyDoorCycle = 0;
    // Times in tenths of a second, 64-bit: a 32-bit count of tenths since
    // the epoch overflowed long ago.
    qint64 cycleClock = 0;
    qint64 lastCycleTime = 0;
    QDateTime cycleStartTime;
    uint8_t manualCycle = 0;
    uint8_t skipActive = 0;
    int skipCount = 0;
    uint8_t noInputShown = 0;
    int lastDelay = 0;
    int shownStep = 0;
    uint8_t manualNG = 0;
    qint64 alarmStartMs = 0;
    int clearReason = ClearOther;  // how the last alarm was cleared (plant link: 4 to 8 have a text)
    uint8_t cavityNG[4] = {};
    int customOutPending = 0;
    int customOutIndex = -1;
    int imageDecision[8][8] = {};
    int stepStarted[8] = {};
    uint8_t cycleCounted[8] = {};
    uint8_t ngCounted[8] = {};
    uint8_t camOKInCycle[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    int captureConfigured = 0;
    int selCamera = 0;
    int unlockLevel = 0;
    // Zoom of the single-camera view (1.0 to 32.0) and its pan offsets. A
    // touch on a view writes both the zoom centre and the last pan point,
    // which dragging a zoomed live view pans from.
    double zoomScale = 1.0;
    double zoomOffsetX = 0;
    double zoomOffsetY = 0;
    int zoomCentreX = 0;
    int zoomCentreY = 0;
    int lastPanX = 0;
    int lastPanY = 0;
    int zoomButtonsShown = 0;  // 0 none, 1 enlarge only, 2 all seven

    // First values at construction: steps gDNum, the start time of the run.
    void Begin(int steps, const QDateTime& start)
    {
        manualStep = steps;
        cycleStartTime = start;
        cycleClock = TenthsOf(start);
    }
    // Seconds x 10 + the tenth of the current second.
    static qint64 TenthsOf(const QDateTime& t) { return t.toMSecsSinceEpoch() / 100; }
};
