#pragma once
// Owns the board's line for the life of the process: one link pass, a short
// sleep, the next pass.
#include "IOPoller.h"

#include <QThread>

class IOThread : public QThread {
public:
    IOThread(IOPort* port, IOPoller::RecordFn record, int passIntervalMs = 5, QObject* parent = nullptr);

protected:
    void run() override;

private:
    IOPoller m_poller;
    int m_passIntervalMs;
};
