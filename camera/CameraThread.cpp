#include "CameraThread.h"

#include "CameraSide.h"

CameraThread::CameraThread(CameraSide* owner_)
    : QThread(nullptr), owner(owner_)
{
}

void CameraThread::run()
{
    // Settle time before the first pass; ends early when told to stop.
    for (int i = 0; i < 30 && isRun.load(); ++i)
        QThread::msleep(10);
    owner->PumpBegin();
    while (isRun.load()) {
        if (!owner->PumpPass())
            continue;  // V4L2 reads again at once
        QThread::msleep(10);
    }
    owner->PumpEnd();
}
