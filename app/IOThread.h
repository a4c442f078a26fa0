#pragma once
// Owns the board's line for the life of the process: one link pass, a short
// sleep, the next pass.
#include "IOPoller.h"

#include <QThread>

#include <atomic>

class IOThread : public QThread {
public:
    IOThread(IOPort* port, IOPoller::RecordFn record, int passIntervalMs = 5, QObject* parent = nullptr);

    // Passes run so far (for the link diagnostics).
    quint64 passCount() const { return m_passes.load(); }

protected:
    void run() override;

private:
    IOPoller m_poller;
    int m_passIntervalMs;
    std::atomic<quint64> m_passes {0};
};
