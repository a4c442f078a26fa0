#include "IOThread.h"

IOThread::IOThread(IOPort* port, IOPoller::RecordFn record, int passIntervalMs, QObject* parent)
    : QThread(parent)
    , m_poller(port, std::move(record))
    , m_passIntervalMs(passIntervalMs > 0 ? passIntervalMs : 1)
{
}

void IOThread::run()
{
    // The monitor never stops the link; interruption only serves tests.
    while (!isInterruptionRequested()) {
        m_poller.pass();
        m_passes.fetch_add(1);
        QThread::msleep(static_cast<unsigned long>(m_passIntervalMs));
    }
}
