#include "InspectStep.h"

#include <opencv2/core.hpp>

#include "CammerRecong.h"
#include "InspectHost.h"
#include "ParamRoi.h"
#include "StepWorkers.h"

void InspectStep::Run(const std::vector<CammerRecong*>& engines, int group, int threads)
{
    InspectHost& host = InspectHost::instance();
    // One snapshot for the whole step: every camera sees the same parameters.
    const InspectParams p = host.params();
    const bool collect = host.lastInputNo() != 0 && p.netEnabled;
    std::vector<CammerRecong::StepOutput> outputs(engines.size());

    // Cameras already share the cores: OpenCV's own threads would only
    // compete with them.
    if (threads > 1 && engines.size() > 1 && cv::getNumThreads() > 1)
        cv::setNumThreads(1);
    StepWorkers::instance().Run(engines.size(), threads, [&](size_t i) {
        if (!engines[i])
            return;
        engines[i]->ShapeMatch(group, p);
        engines[i]->Judge(group, p, collect, outputs[i]);
    });

    for (const CammerRecong::StepOutput& out : outputs) {
        g_listParamROI.append(out.records);
        for (const QString& line : out.logLines)
            host.insertRecord(line);
    }
}
