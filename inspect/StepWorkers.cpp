#include "StepWorkers.h"

#include <algorithm>

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
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop)
                return;
            seen = m_generation;
            if (index >= m_helpers)
                continue;  // not needed for this run
        }
        Drain();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_busy;
        }
        m_done.notify_all();
    }
}

void StepWorkers::Run(size_t count, int threads, const std::function<void(size_t)>& job)
{
    const size_t helpers = threads > 1 ? std::min(size_t(threads - 1), count > 0 ? count - 1 : 0) : 0;
    if (helpers == 0) {
        for (size_t i = 0; i < count; ++i)
            job(i);
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
    }
    m_wake.notify_all();
    Drain();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&] { return m_busy == 0; });
    m_job = nullptr;
}
