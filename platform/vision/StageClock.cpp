#include "StageClock.h"

#include <cstdint>

std::atomic<bool> StageClock::s_on{false};

namespace {
std::atomic<long (*)()> gCounter{nullptr};
std::atomic<int64_t> gNs[StageClock::kStages];
std::atomic<long> gCalls[StageClock::kStages];
std::atomic<long> gAllocations[StageClock::kStages];

long Allocations()
{
    long (*counter)() = gCounter.load(std::memory_order_relaxed);
    return counter ? counter() : 0;
}
}  // namespace

const char* StageClock::Name(int stage)
{
    static const char* const names[kStages] = {"positioning search", "warp of the judged boxes", "NG map clear",
                                               "colour conversion", "Defect difference", "grey band and mask",
                                               "Similarity score", "Dist-Measure edges", "opening",
                                               "NG map update", "blobs and marks", "pyramid",
                                               "coarse search", "down the pyramid", "grey-value fit",
                                               "lighting and focus", "comparison"};
    return stage >= 0 && stage < kStages ? names[stage] : "?";
}

int StageClock::Parent(int stage)
{
    switch (stage) {
    case SearchPyramid:
    case SearchCoarse:
    case SearchLevels:
    case SearchFit:
        return Locate;
    case MatchLighting:
    case MatchCompare:
        return Match;
    default:
        return -1;
    }
}

void StageClock::Start(long (*counter)())
{
    gCounter.store(counter);
    Take();
    s_on.store(true);
}

void StageClock::Stop()
{
    s_on.store(false);
}

StageClock::Totals StageClock::Take()
{
    Totals t;
    for (int s = 0; s < kStages; ++s) {
        t.ms[s] = double(gNs[s].exchange(0)) / 1e6;
        t.calls[s] = gCalls[s].exchange(0);
        t.allocations[s] = gAllocations[s].exchange(0);
    }
    return t;
}

void StageClock::Add(Stage s, std::chrono::steady_clock::time_point start, long allocations)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
    gNs[s].fetch_add(ns.count(), std::memory_order_relaxed);
    gCalls[s].fetch_add(1, std::memory_order_relaxed);
    gAllocations[s].fetch_add(Allocations() - allocations, std::memory_order_relaxed);
}

void StageClock::Scope::Begin()
{
    m_allocations = Allocations();
    m_start = std::chrono::steady_clock::now();
}

void StageClock::Scope::End()
{
    Add(m_stage, m_start, m_allocations);
}

void StageClock::Laps::Begin(Stage s)
{
    m_stage = s;
    m_allocations = Allocations();
    m_start = std::chrono::steady_clock::now();
}

void StageClock::Laps::End()
{
    Add(m_stage, m_start, m_allocations);
}
