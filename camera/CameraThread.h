#pragma once
// Frame pump of one camera (Galaxy, uEye and V4L2 pull their frames here).
#include <QThread>

#include <atomic>

class CameraSide;

class CameraThread : public QThread {
    Q_OBJECT
public:
    explicit CameraThread(CameraSide* owner);

    std::atomic<bool> isRun{false};
    CameraSide* owner;

    // Waits for the pump to finish; what it wrote is then visible here.
    void waitDone();

protected:
    void run() override;

private:
    std::atomic<bool> m_done{false};
};
