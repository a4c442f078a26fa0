// ROI wear counters: every NG of an ROI counts toward its insert's wear; the
// wear box lists them and "insert replaced" clears those that reached the limit.
#include "DetectionCycle.h"

#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"

#include <algorithm>

namespace {
QString StepName(int machineType, int s)
{
    static const char* const kStd[2] = {"Prod", "Mold"};
    static const char* const kTwo[4] = {"Left prod", "Left mold", "Right prod", "Right mold"};
    static const char* const kMulti[8] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};
    if ((machineType == 0 || machineType == 3) && s < 2)
        return QString::fromLatin1(kStd[s]);
    if ((machineType == 1 || machineType == 2) && s < 4)
        return QString::fromLatin1(kTwo[s]);
    if (machineType == 4 && s < 8)
        return QString::fromLatin1(kMulti[s]);
    return QString();
}

// Calls f(camera, its live set, step) for every camera in use and enabled step.
template <typename F>
void ForEachEnabledStep(CycleHost* host, const WizardPara& p, F f)
{
    for (int c = 0; c < host->cameraCount() && c < 8; ++c) {
        CammerWidgetData* cam = host->cameraData(c);
        if (!cam || !cam->liveSet)
            continue;
        for (int s = 0; s < gDNum && s < 8; ++s)
            if (p.detectOn[s])
                f(c, *cam, s);
    }
}

int RoiCount(const CammerSingleton& set, int s)
{
    return std::clamp(set.count[s], 0, int(CammerSingleton::kMaxRoi));
}
}  // namespace

QString DetectionCycle::GetROINGInfo() const
{
    const WizardPara& p = *gpWPara;
    QString reached, others;
    ForEachEnabledStep(m_host, p, [&](int c, CammerWidgetData& cam, int s) {
        for (int j = 0; j < RoiCount(*cam.liveSet, s); ++j) {
            const int n = cam.liveSet->NGCount[s][j];
            (n >= p.roiNgWarnCount ? reached : others) += QStringLiteral("%1 号相机 %2 %3号区域报警%4次\n")
                                                             .arg(c + 1)
                                                             .arg(StepName(p.machineType, s))
                                                             .arg(j + 1)
                                                             .arg(n);
        }
    });
    return QStringLiteral("镶件已达损耗寿命，请更换镶件\n") + reached + others;
}

void DetectionCycle::ClearWarnNGINfo()
{
    const WizardPara& p = *gpWPara;
    ForEachEnabledStep(m_host, p, [&](int, CammerWidgetData& cam, int s) {
        for (int& n : cam.liveSet->NGCount[s])
            if (n >= p.roiNgWarnCount)
                n = 0;
    });
    for (int c = 0; c < m_host->cameraCount() && c < 8; ++c)
        if (CammerWidgetData* cam = m_host->cameraData(c); cam && cam->liveSet && cam->editSet)
            std::copy(&cam->liveSet->NGCount[0][0], &cam->liveSet->NGCount[0][0] + 8 * CammerSingleton::kMaxRoi,
                      &cam->editSet->NGCount[0][0]);
}

int DetectionCycle::CheckROING() const
{
    const WizardPara& p = *gpWPara;
    bool reached = false;
    if (p.roiNgWarnCount != 0)
        ForEachEnabledStep(m_host, p, [&](int, CammerWidgetData& cam, int s) {
            for (int j = 0; j < RoiCount(*cam.liveSet, s); ++j)
                reached = reached || cam.liveSet->NGCount[s][j] >= p.roiNgWarnCount;
        });
    return reached ? 1 : 0;
}
