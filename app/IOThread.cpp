#include "IOThread.h"

#include "IOPort.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

IOThread::IOThread(IOPort* port, IOPoller::RecordFn record, int passIntervalMs, QObject* parent,
                   std::function<void()> inputsChanged)
    : QThread(parent)
    , m_port(port)
    , m_poller(port, std::move(record))
    , m_passIntervalMs(passIntervalMs > 0 ? passIntervalMs : 1)
    , m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    m_poller.setInputsChanged(std::move(inputsChanged));
}

IOThread::~IOThread()
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void IOThread::wake()
{
    if (m_wakeFd < 0)
        return;
    const uint64_t one = 1;
    const ssize_t n = write(m_wakeFd, &one, sizeof one);
    (void)n;  // a full counter means a wake is pending anyway
}

void IOThread::run()
{
    // The monitor never stops the link; interruption only serves tests.
    while (!isInterruptionRequested()) {
        m_poller.pass();
        m_passes.fetch_add(1);
        waitForPass();
    }
}

void IOThread::waitForPass()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(m_passIntervalMs);
    if (m_wakeFd < 0) {
        QThread::msleep(static_cast<unsigned long>(m_passIntervalMs));
        return;
    }
    const int lineFd = m_port ? m_port->readableHandle() : -1;
    bool watchLine = lineFd >= 0;
    while (!isInterruptionRequested()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
        if (left <= 0)
            return;
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {lineFd, POLLIN, 0}};
        const int r = poll(fds, watchLine ? 2 : 1, int(left));
        if (r < 0 && errno != EINTR) {
            QThread::msleep(static_cast<unsigned long>(left));
            return;
        }
        if (r <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            const ssize_t n = read(m_wakeFd, &count, sizeof count);
            (void)n;
            return;
        }
        // A hung-up or empty line would wake this loop without end: sleep
        // the pass out instead.
        if (watchLine && fds[1].revents && !((fds[1].revents & POLLIN) && m_poller.receive() > 0))
            watchLine = false;
    }
}
