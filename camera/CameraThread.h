#pragma once
// Frame pump of one camera (Galaxy, uEye and V4L2 pull their frames here).
#include "FramePump.h"

#include <QThread>

#include <atomic>

class CameraThread : public QThread {
    Q_OBJECT
public:
    explicit CameraThread(FramePump* pump);

    std::atomic<bool> isRun{false};

    // Waits for the pump to finish; what it wrote is then visible here.
    void waitDone();

protected:
    void run() override;

private:
    FramePump* m_pump;
    std::atomic<bool> m_done{false};
};
