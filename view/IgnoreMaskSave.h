#pragma once
// Writing the ignore masks an operator's command changed. A mask that could
// not be written is still used until the next start, when the old file comes
// back: the operator has to know.
#include <utility>
#include <vector>

class CammerWidgetData;
class ViewHost;

namespace IgnoreMaskSave {

// Writes each (camera, step) mask. Every file that failed gets an
// operation-log line, and the operator sees the first failure once however
// many failed. False when any failed.
bool Save(ViewHost& host, const std::vector<std::pair<CammerWidgetData*, int>>& masks);

}  // namespace IgnoreMaskSave
