#pragma once
// One detection step over several cameras: positioning then judgement of each
// camera. The cameras share nothing while they are judged, so they may run on
// worker threads; the result records and log lines are merged afterwards in
// camera order, exactly as a camera-by-camera pass would have produced them.
#include <vector>

#include "CammerRecong.h"

class InspectStep {
public:
    // threads <= 1 judges on the calling thread. Null engines are skipped.
    static void Run(const std::vector<CammerRecong*>& engines, int group, int threads);

    // The same step camera by camera (judged as each frame comes, on
    // workers): the parameters a step takes, one camera's work, and its
    // results merged as Run merges them, called in camera order.
    static void StepParams(InspectParams& p, bool& collect);
    static void JudgeOne(CammerRecong* engine, int group, const InspectParams& p, bool collect,
                         CammerRecong::StepOutput& out);
    static void Merge(const CammerRecong::StepOutput& out);
    // Before cameras are judged side by side.
    static void OneOpenCvThread(int threads);
};
