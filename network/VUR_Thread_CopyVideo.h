#pragma once
// A thread that would run the video copy at its own period instead of the
// link's 50-ms timer. The link makes one at start-up and nothing starts it:
// the timer does the copying.
#include <QThread>

#include <atomic>
#include <functional>

class VUR_Thread_CopyVideo : public QThread {
public:
    // `tick`: the work of one copy, called on this thread.
    explicit VUR_Thread_CopyVideo(std::function<void()> tick);
    ~VUR_Thread_CopyVideo() override;

    // Stores the period and starts the thread.
    void cls_start(unsigned long ms);
    void stop() { m_running = false; }

protected:
    void run() override;

private:
    std::function<void()> m_tick;
    std::atomic<unsigned long> m_periodMs{50};
    std::atomic<bool> m_running{true};
};
