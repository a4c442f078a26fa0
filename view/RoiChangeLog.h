#pragma once
// What saving the ROI editor's work compares and tells: whether a camera's
// edit set differs from its live set in what is stored of its areas, and
// one operation-log line per added, deleted or changed area.
#include <QStringList>

class CammerSingleton;

namespace RoiChangeLog {

// True when the stored geometry or settings differ: area counts, each area's
// kind, shape, function and limits, the cavity rows and output numbers.
// NG counters (the running cycle counts them) and selections do not count.
bool Differ(const CammerSingleton& live, const CammerSingleton& edit);

struct Result {
    QStringList lines;
    bool positioning = false;  // a positioning area was added, changed, deleted or kept
};

// The lines for camera `camera` (0-based), steps 0..steps-1 in order, areas
// in index order, in the current language.
Result Lines(const CammerSingleton& live, const CammerSingleton& edit, int camera, int machineType, int steps);

}  // namespace RoiChangeLog
