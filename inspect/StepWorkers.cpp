#include "StepWorkers.h"

#include <algorithm>

#include <time.h>

namespace {
int64_t ClockNs(clockid_t id)
{
    timespec t{};
    clock_gettime(id, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}
}  // namespace

StepWorkers& StepWorkers::instance()
{
    static StepWorkers workers;
    return workers;
}

StepWorkers::~StepWorkers()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void StepWorkers::Drain()
{
    // Indices are handed out one by one: cameras take unequal time.
    for (;;) {
        size_t i;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_next >= m_count)
                return;
            i = m_next++;
        }
        (*m_job)(i);
    }
}

void StepWorkers::Loop(uint64_t seen, size_t index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] {
            return m_stop || m_generation != seen || (index < m_postThreads && !m_posted.empty());
        });
        if (m_stop)
            return;
        if (m_generation == seen) {
            RunPosted(lock, true);
            continue;
        }
        seen = m_generation;
        if (index >= m_helpers)
            continue;  // not needed for this run
        lock.unlock();
        const int64_t started = ClockNs(CLOCK_MONOTONIC), cpu = ClockNs(CLOCK_THREAD_CPUTIME_ID);
        Drain();
        const int64_t used = ClockNs(CLOCK_THREAD_CPUTIME_ID) - cpu;
        lock.lock();
        m_split.helperCpu += used;
        m_split.helperLate = std::max(m_split.helperLate, started - m_runStart);
        --m_busy;
        m_done.notify_all();
    }
}

void StepWorkers::RunPosted(std::unique_lock<std::mutex>& lock, bool helper)
{
    std::function<void()> job = std::move(m_posted.front());
    m_posted.pop_front();
    ++m_postedBusy;
    lock.unlock();
    const int64_t cpu = ClockNs(CLOCK_THREAD_CPUTIME_ID);
    job();
    job = nullptr;  // what it holds goes before the run counts as done
    const int64_t used = ClockNs(CLOCK_THREAD_CPUTIME_ID) - cpu;
    lock.lock();
    (helper ? m_postSplit.helperCpu : m_postSplit.callerCpu) += used;
    if (--m_postedBusy == 0 && m_posted.empty())
        m_done.notify_all();
}

void StepWorkers::Post(std::function<void()> job, int threads)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const size_t workers = size_t(std::max(threads, 1));
        while (m_threads.size() < workers)
            m_threads.emplace_back(&StepWorkers::Loop, this, m_generation, m_threads.size());
        m_postThreads = workers;
        if (!m_postedRun) {
            m_postedRun = true;
            m_postSplit = Split();
            m_postStart = ClockNs(CLOCK_MONOTONIC);
        }
        m_posted.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void StepWorkers::WaitPosted(bool help)
{
    const int64_t start = ClockNs(CLOCK_MONOTONIC);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_postedRun)
        return;
    while (help && !m_posted.empty())
        RunPosted(lock, false);
    m_done.wait(lock, [&] { return m_posted.empty() && m_postedBusy == 0; });
    const int64_t end = ClockNs(CLOCK_MONOTONIC);
    m_postSplit.wall = end - m_postStart;
    m_postSplit.callerWait = end - start;
    m_last = m_postSplit;
    m_postedRun = false;
}

StepWorkers::Split StepWorkers::lastSplit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last;
}

void StepWorkers::Run(size_t count, int threads, const std::function<void(size_t)>& job)
{
    const size_t helpers = threads > 1 ? std::min(size_t(threads - 1), count > 0 ? count - 1 : 0) : 0;
    if (helpers == 0) {
        const int64_t start = ClockNs(CLOCK_MONOTONIC), cpu = ClockNs(CLOCK_THREAD_CPUTIME_ID);
        for (size_t i = 0; i < count; ++i)
            job(i);
        Split alone;
        alone.wall = ClockNs(CLOCK_MONOTONIC) - start;
        alone.callerCpu = ClockNs(CLOCK_THREAD_CPUTIME_ID) - cpu;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_last = alone;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (m_threads.size() < helpers)
            m_threads.emplace_back(&StepWorkers::Loop, this, m_generation, m_threads.size());
        m_job = &job;
        m_count = count;
        m_next = 0;
        m_helpers = helpers;
        m_busy = helpers;
        ++m_generation;
        m_split = Split();
        m_runStart = ClockNs(CLOCK_MONOTONIC);
    }
    const int64_t cpu = ClockNs(CLOCK_THREAD_CPUTIME_ID);
    m_wake.notify_all();
    Drain();
    const int64_t drained = ClockNs(CLOCK_MONOTONIC);
    const int64_t used = ClockNs(CLOCK_THREAD_CPUTIME_ID) - cpu;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&] { return m_busy == 0; });
    m_job = nullptr;
    const int64_t end = ClockNs(CLOCK_MONOTONIC);
    m_split.wall = end - m_runStart;
    m_split.callerCpu = used;
    m_split.callerWait = end - drained;
    m_last = m_split;
}
