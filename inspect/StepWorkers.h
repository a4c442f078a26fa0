#pragma once
// Threads that judge the cameras of a step, kept from step to step: a step
// starts no thread, and what a thread keeps for its next camera (its buffers)
// is still there at the next step.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class StepWorkers {
public:
    static StepWorkers& instance();
    ~StepWorkers();

    // Calls job(i) once for every i in [0, count), on the calling thread and
    // up to threads - 1 kept workers; returns when every call has returned.
    void Run(size_t count, int threads, const std::function<void(size_t)>& job);

private:
    StepWorkers() = default;
    void Loop(uint64_t seen, size_t index);
    void Drain();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<std::thread> m_threads;
    const std::function<void(size_t)>* m_job = nullptr;
    size_t m_count = 0;
    size_t m_next = 0;      // next index to hand out (under m_mutex)
    size_t m_helpers = 0;   // workers taking part in the current run
    size_t m_busy = 0;      // of those, still working
    uint64_t m_generation = 0;
    bool m_stop = false;
};
