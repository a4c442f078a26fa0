#pragma once
// Owns the board's line for the life of the process: one link pass, then a
// wait until the next is due. Replies arriving meanwhile are read at once,
// and a changed output word cuts the wait short (wake), so neither waits
// for the next pass.
#include "IOPoller.h"

#include <QThread>

#include <atomic>

class IOThread : public QThread {
public:
    IOThread(IOPort* port, IOPoller::RecordFn record, int passIntervalMs = 5, QObject* parent = nullptr,
             std::function<void()> inputsChanged = {});
    ~IOThread() override;

    // Passes run so far (for the link diagnostics).
    quint64 passCount() const { return m_passes.load(); }
    // The next pass runs now (any thread): a changed output word goes out at once.
    void wake();
    // Any thread, with pMutexIO held: writes the wanted output word to the
    // line now, not when this thread is next scheduled (on two busy cores
    // that was tens of ms after the wake).
    void sendOutputs() { m_poller.sendOutputs(); }

protected:
    void run() override;

private:
    // Waits until the next pass is due or wake() is called; reads the
    // board's replies as they arrive.
    void waitForPass();

    IOPort* m_port;
    IOPoller m_poller;
    int m_passIntervalMs;
    int m_wakeFd = -1;
    std::atomic<quint64> m_passes {0};
};
