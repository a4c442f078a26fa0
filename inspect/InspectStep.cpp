#include "InspectStep.h"

#include <atomic>
#include <opencv2/core.hpp>
#include <thread>

#include "CammerRecong.h"
#include "InspectHost.h"
#include "ParamRoi.h"

void InspectStep::Run(const std::vector<CammerRecong*>& engines, int group, int threads)
{
    InspectHost& host = InspectHost::instance();
    // One snapshot for the whole step: every camera sees the same parameters.
    const InspectParams p = host.params();
    const bool collect = host.lastInputNo() != 0 && p.netEnabled;
    std::vector<CammerRecong::StepOutput> outputs(engines.size());

    std::atomic<size_t> next{0};
    auto worker = [&]() {
        for (size_t i = next++; i < engines.size(); i = next++) {
            if (!engines[i])
                continue;
            engines[i]->ShapeMatch(group, p);
            engines[i]->Judge(group, p, collect, outputs[i]);
        }
    };
    std::vector<std::thread> pool;
    const size_t extra = threads > 1 ? std::min(size_t(threads - 1), engines.size()) : 0;
    // Cameras already share the cores: OpenCV's own threads would only
    // compete with them.
    if (extra > 0 && cv::getNumThreads() > 1)
        cv::setNumThreads(1);
    pool.reserve(extra);
    for (size_t t = 0; t < extra; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();

    for (const CammerRecong::StepOutput& out : outputs) {
        g_listParamROI.append(out.records);
        for (const QString& line : out.logLines)
            host.insertRecord(line);
    }
}
