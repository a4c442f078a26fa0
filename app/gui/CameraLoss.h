#pragma once
// A camera that drops off its cable must not let the machine go on moulding
// unwatched: hold the clamp, tell the operator, close every camera and try
// to reconnect every 3 s.
#include <QtGlobal>


extern int gisLost;  // 1 while the cameras count as lost
extern int gLost;    // losses since the counters were last reset

// What the loss handling needs of the camera layer.
class CameraLossPort {
public:
    virtual ~CameraLossPort() = default;
    virtual int family() const = 0;       // gCameraID
    // The SDKs' disconnect report (camLostFlag) and which cameras raised it.
    virtual bool lostFlag() const = 0;
    virtual void clearLostFlag() = 0;
    virtual unsigned takeReported() = 0;
    virtual int cameraCount() const = 0;  // numCamera: cameras that opened at start-up
    // Cameras the family's SDK sees now; -1 when the family cannot recount.
    virtual int recount(bool forRestart) = 0;
    virtual bool isOpen(int camera) const = 0;
    virtual void stop(int camera) = 0;
    virtual void close(int camera) = 0;
    virtual bool open(int camera) = 0;
    virtual void start(int camera) = 0;
    virtual void setSpeed() = 0;              // stop and restart all with the speed parameter
    virtual void markNg(int camera) = 0;      // the camera's verdict becomes NG
    virtual void zeroNoFrameTicks(int camera) = 0;
};

class CameraLoss {
public:
    explicit CameraLoss(CameraLossPort* port);

    // One polling pass: run the checks the flag asks for.
    void PollPass();
    void CameraCheck(int camera);
    void CameraRestart();

    // Detection stopped: a loss then does not raise the clamp hold.
    void setDetectionStopped(bool stopped) { m_stopped = stopped; }

private:
    void reopenReported();
    void declareLost(int camera);

    CameraLossPort* m_port;
    bool m_stopped = false;
    bool m_declaring = false;  // showing the lost box before the cameras close
};
