#pragma once
// Where a detection step's time goes, stage by stage, summed over every
// thread while a benchmark has switched it on. Off, a stage costs one relaxed
// load; the engine runs with it off.
#include <atomic>
#include <chrono>

class StageClock {
public:
    enum Stage {
        Locate,       // positioning search on the work frame
        Warp,         // aligning the judged boxes into the inspect frame
        ClearMap,     // clearing the NG map
        Colour,       // grey or hue conversion of a colour frame
        Match,        // Defect: difference against the templates
        Band,         // grey-band ROIs: binarising and masking
        Similarity,   // feature score
        Edges,        // Dist-Measure edge search
        Opening,      // opening of the work image
        NgMap,        // adding opened pixels to the NG map
        Blobs,        // blob analysis and marks
        kStages
    };
    static const char* Name(int stage);

    // counter returns the allocations the calling thread has made so far
    // (null: allocations are not counted).
    static void Start(long (*counter)() = nullptr);
    static void Stop();
    struct Totals {
        double ms[kStages] = {};
        long calls[kStages] = {};
        long allocations[kStages] = {};
    };
    // What was summed since Start or the last Take; starts a new sum.
    static Totals Take();

    class Scope {
    public:
        explicit Scope(Stage s)
            : m_stage(s)
            , m_on(s_on.load(std::memory_order_relaxed))
        {
            if (m_on)
                Begin();
        }
        ~Scope()
        {
            if (m_on)
                End();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        void Begin();
        void End();
        Stage m_stage;
        bool m_on;
        long m_allocations = 0;
        std::chrono::steady_clock::time_point m_start;
    };

private:
    static std::atomic<bool> s_on;
};
