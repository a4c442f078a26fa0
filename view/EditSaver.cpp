#include "EditSaver.h"

#include "CammerWidget.h"
#include "IgnoreMaskSave.h"
#include "Prompts.h"
#include "RoiChangeLog.h"
#include "RoiPanel.h"
#include "ViewHost.h"
#include "inspect/CammerRecong.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"

#include <QSqlDatabase>

#include <memory>

namespace {
struct Pending {
    CammerWidget* w = nullptr;
    std::unique_ptr<CammerSingleton> saved;  // what becomes live
};

bool PairsSteps(const WizardPara& p)
{
    return p.twoSameParams
        && (p.machineType == 1 || p.machineType == 2 || ((p.machineType == 0 || p.machineType == 3) && p.detectOn[0]));
}

void ClearSelections(CammerSingleton& s)
{
    for (int g = 0; g < CammerSingleton::kGroups; ++g)
        for (int j = 0; j < CammerSingleton::kMaxRoi; ++j)
            SelectArea(s, g, j, false);
}
}  // namespace

namespace EditSaver {

bool Save(ViewHost& host, bool (&templatesChanged)[8])
{
    const WizardPara& p = LiveParams();
    const int steps = std::clamp(int(gDNum), 0, int(CammerSingleton::kGroups));
    const int n = std::min(host.cameraCount(), 8);
    std::vector<Pending> changed;
    for (int c = 0; c < n; ++c) {
        CammerWidget* w = host.cameraWidget(c);
        if (w && w->liveSet && w->editSet && RoiChangeLog::Differ(*w->liveSet, *w->editSet))
            changed.push_back({w, nullptr});
    }
    bool ok = true;
    if (!changed.empty() && Ask(72)) {
        // The new live sets are stored together first; memory changes only
        // once the database took them, so a refused save keeps the edit.
        for (Pending& e : changed) {
            e.saved = std::make_unique<CammerSingleton>(*e.w->editSet);
            e.w->CarryNgCounters(*e.saved);
            ClearSelections(*e.saved);
            if (PairsSteps(p))
                RoiPanel::CopyPairedSteps(*e.saved, nullptr, p.machineType);
        }
        QSqlDatabase db = QSqlDatabase::database(CammerSingleton::ConnectionName(), false);
        ok = db.transaction();
        for (Pending& e : changed)
            ok = ok && e.saved->WriteRows();
        ok = ok && db.commit();
        if (!ok) {
            db.rollback();
            WarnText(LanStr(1));
            changed.clear();
        }
        std::vector<std::pair<CammerWidgetData*, int>> masks;
        for (Pending& e : changed) {
            CammerWidget* w = e.w;
            // Told from the set that becomes live: the paired steps' copies included.
            const RoiChangeLog::Result log =
                RoiChangeLog::Lines(*w->liveSet, *e.saved, w->camera, p.machineType, steps);
            for (const QString& line : log.lines)
                host.InsertRecord(line);
            *w->liveSet = *e.saved;
            w->RestorMask(p);
            if (PairsSteps(p))
                w->CopyPara();
            for (int g = 0; g < steps; ++g)
                if (w->ApplyIgnoreClears(g))
                    masks.push_back({w, g});
            *w->editSet = *w->liveSet;
            w->BackMask();
            w->liveSet->ReportToPlant();
            templatesChanged[w->camera] = true;
            if (log.positioning && w->engine)
                for (int g = 0; g < steps; ++g)
                    if (p.detectOn[g])
                        w->engine->CreateShape(g);
        }
        // The areas are stored; a mask that is not counts the save as failed.
        ok = IgnoreMaskSave::Save(host, masks) && ok;
    }
    for (int c = 0; c < n; ++c) {
        CammerWidget* w = host.cameraWidget(c);
        if (!templatesChanged[c] || !w || !w->engine)
            continue;
        templatesChanged[c] = false;
        for (int g = 0; g < steps; ++g)
            if (p.detectOn[g])
                w->engine->VarTrain(g);
    }
    return ok;
}

}  // namespace EditSaver
