#pragma once
// One detection step over several cameras: positioning then judgement of each
// camera. The cameras share nothing while they are judged, so they may run on
// worker threads; the result records and log lines are merged afterwards in
// camera order, exactly as a camera-by-camera pass would have produced them.
#include <vector>

class CammerRecong;

class InspectStep {
public:
    // threads <= 1 judges on the calling thread. Null engines are skipped.
    static void Run(const std::vector<CammerRecong*>& engines, int group, int threads);
};
