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
        // Parts of the stages above, timed inside them:
        SearchPyramid,  // positioning: the frame's pyramid
        SearchCoarse,   // positioning: edge directions and sums on the top level
        SearchLevels,   // positioning: candidates followed down the pyramid
        SearchFit,      // positioning: grey-value fit of the candidates
        MatchLighting,  // Defect: the window's lighting (and focus) against the reference
        MatchCompare,   // Defect: pixels off the lit reference by more than their tolerance
        kStages
    };
    static const char* Name(int stage);
    // The stage a part is timed inside, or -1 for a stage of its own.
    static int Parent(int stage);

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

    // Stages that follow each other through one stretch of code: Next ends
    // the running one and starts the next; the last ends with the object.
    class Laps {
    public:
        explicit Laps(Stage first)
            : m_on(s_on.load(std::memory_order_relaxed))
        {
            if (m_on)
                Begin(first);
        }
        ~Laps()
        {
            if (m_on)
                End();
        }
        void Next(Stage s)
        {
            if (m_on) {
                End();
                Begin(s);
            }
        }
        Laps(const Laps&) = delete;
        Laps& operator=(const Laps&) = delete;

    private:
        void Begin(Stage s);
        void End();
        Stage m_stage = kStages;
        bool m_on;
        long m_allocations = 0;
        std::chrono::steady_clock::time_point m_start;
    };

private:
    static std::atomic<bool> s_on;
    static void Add(Stage s, std::chrono::steady_clock::time_point start, long allocations);
};
