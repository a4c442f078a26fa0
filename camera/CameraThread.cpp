#include "CameraThread.h"

CameraThread::CameraThread(FramePump* pump)
    : QThread(nullptr), m_pump(pump)
{
}

void CameraThread::run()
{
    // Settle time before the first pass; ends early when told to stop.
    for (int i = 0; i < 30 && isRun.load(); ++i)
        QThread::msleep(10);
    m_pump->pumpBegin();
    while (isRun.load()) {
        if (!m_pump->pumpPass())
            continue;  // V4L2 reads again at once
        QThread::msleep(10);
    }
    m_pump->pumpEnd();
    m_done.store(true, std::memory_order_release);
}

void CameraThread::waitDone()
{
    wait();
    // Pairs with the store at the end of run(): the pump's writes happen before what follows.
    m_done.load(std::memory_order_acquire);
}
