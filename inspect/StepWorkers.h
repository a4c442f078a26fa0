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

    // How the last run's threads shared it (ns): on two cores the threads
    // that deliver frames take turns with the engine's.
    struct Split {
        int64_t wall = 0;        // the whole run
        int64_t callerCpu = 0;   // the calling thread's CPU time in it
        int64_t helperCpu = 0;   // the helpers' CPU time, added up
        int64_t helperLate = 0;  // the last helper's start after the run's
        int64_t callerWait = 0;  // the calling thread waited for the helpers
    };
    Split lastSplit() const;

private:
    StepWorkers() = default;
    void Loop(uint64_t seen, size_t index);
    void Drain();

    mutable std::mutex m_mutex;
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
    int64_t m_runStart = 0;  // wall clock of the current run
    Split m_split;           // the current run's, under m_mutex
    Split m_last;            // the last run's, under m_mutex
};
