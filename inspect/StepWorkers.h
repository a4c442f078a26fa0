#pragma once
// Threads that judge the cameras of a step, kept from step to step: a step
// starts no thread, and what a thread keeps for its next camera (its buffers)
// is still there at the next step.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
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

    // Jobs handed on one by one and not waited for (a step's cameras judged
    // as their frames come, while the calling thread goes on): up to
    // `threads` kept workers take them. Never while Run works on the same
    // engines.
    void Post(std::function<void()> job, int threads);
    // Returns once every posted job has returned; help: the calling thread
    // takes jobs not yet started. Ends the posted run (lastSplit).
    void WaitPosted(bool help);

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
    // Runs one posted job (m_mutex held on entry and on return).
    void RunPosted(std::unique_lock<std::mutex>& lock, bool helper);

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
    std::deque<std::function<void()>> m_posted;  // posted jobs not yet started
    size_t m_postThreads = 0;  // workers that take posted jobs
    size_t m_postedBusy = 0;   // posted jobs running
    bool m_postedRun = false;  // posted jobs since the last WaitPosted
    int64_t m_postStart = 0;   // the first of them was posted
    Split m_postSplit;         // theirs: the calling thread's part is its help
};
