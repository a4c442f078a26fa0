#include "VUR_Thread_CopyVideo.h"

#include <QElapsedTimer>

VUR_Thread_CopyVideo::VUR_Thread_CopyVideo(std::function<void()> tick) : m_tick(std::move(tick)) {}

VUR_Thread_CopyVideo::~VUR_Thread_CopyVideo()
{
    stop();
    wait();
}

void VUR_Thread_CopyVideo::cls_start(unsigned long ms)
{
    m_periodMs = ms;
    start();
}

void VUR_Thread_CopyVideo::run()
{
    QElapsedTimer took;
    while (m_running) {
        took.restart();
        if (m_tick)
            m_tick();
        const qint64 rest = qint64(m_periodMs) - took.elapsed();
        if (rest > 0)
            msleep(static_cast<unsigned long>(rest));
    }
}
