#include "InspectStep.h"

#include <opencv2/core.hpp>

#include "CammerRecong.h"
#include "InspectHost.h"
#include "ParamRoi.h"
#include "StepWorkers.h"

void InspectStep::StepParams(InspectParams& p, bool& collect)
{
    InspectHost& host = InspectHost::instance();
    // One snapshot for the whole step: every camera sees the same parameters.
    p = host.params();
    collect = host.lastInputNo() != 0 && p.netEnabled;
}

void InspectStep::JudgeOne(CammerRecong* engine, int group, const InspectParams& p, bool collect,
                           CammerRecong::StepOutput& out)
{
    if (!engine)
        return;
    engine->ShapeMatch(group, p);
    engine->Judge(group, p, collect, out);
}

void InspectStep::Merge(const CammerRecong::StepOutput& out)
{
    g_listParamROI.append(out.records);
    for (const QString& line : out.logLines)
        InspectHost::instance().insertRecord(line);
}

void InspectStep::OneOpenCvThread(int threads)
{
    // Cameras already share the cores: OpenCV's own threads would only
    // compete with them.
    if (threads > 1 && cv::getNumThreads() > 1)
        cv::setNumThreads(1);
}

void InspectStep::Run(const std::vector<CammerRecong*>& engines, int group, int threads)
{
    InspectParams p;
    bool collect = false;
    StepParams(p, collect);
    std::vector<CammerRecong::StepOutput> outputs(engines.size());

    if (engines.size() > 1)
        OneOpenCvThread(threads);
    StepWorkers::instance().Run(engines.size(), threads,
                                [&](size_t i) { JudgeOne(engines[i], group, p, collect, outputs[i]); });

    for (const CammerRecong::StepOutput& out : outputs)
        Merge(out);
}
