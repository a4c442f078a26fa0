#pragma once
// The detection cycle of the main window: the polling pass, its timers and
// the cycle state. Everything here runs on the GUI thread; what it needs of
// the window, its views and pages comes through CycleHost.
#include "CycleState.h"

#include <QObject>
#include <QTimer>

class CameraStation;
class CammerWidgetData;

class CycleHost {
public:
    virtual ~CycleHost() = default;
    virtual int cameraCount() const = 0;  // numCamera
    virtual CammerWidgetData* cameraData(int c) = 0;
    // The working frame goes to the camera's display buffer and view.
    virtual void showFrame(int c) = 0;
    virtual void repaintStatus() = 0;
    virtual void pollLostComBox(bool lost, bool enabled) = 0;
    // Camera loss handling (checks while the SDKs report a drop, restarts).
    virtual void cameraCheckPass() = 0;
    virtual void cameraRestart() = 0;
    virtual void setWhiteBalance() = 0;
};

class DetectionCycle : public QObject {
    Q_OBJECT
public:
    DetectionCycle(CycleHost* host, CameraStation* station, QObject* parent = nullptr);

    CycleState state;

    // One polling pass (slot of the single-shot polling timer).
    void Run();
    // Arms the first pass.
    void StartPolling(int firstMs = 5) { runTimer.start(firstMs); }
    void setStation(CameraStation* station) { m_station = station; }

    // Detection start: outputs off (ejector held where configured), verdict
    // idle, every camera OK, detecting.
    void StartDetect();
    // Marks one camera (all for numCamera) OK for a fresh judgement.
    void ResetRun(int camera);
    // Stops every timer (teardown in tests).
    void StopAll();

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

    // Frames per camera (read by the frame-rate watch).
    int frameCount[8] = {};

private:
    // Copies ready frames into the work buffers; bit c set for a new frame.
    unsigned HandOverFrames();
    void EndPass(int rearmMs);

    CycleHost* m_host;
    CameraStation* m_station;
    int m_passesSinceRestart = 0;  // white balance once, 50 passes after start
    unsigned m_trigImages = 0;     // cameras with a frame since the last capture-triggered cycle
};
