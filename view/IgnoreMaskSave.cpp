#include "IgnoreMaskSave.h"

#include "ViewHost.h"
#include "foundation/uitext.h"
#include "params/CammerWidgetData.h"
#include "widgets/WarnBox.h"

namespace IgnoreMaskSave {

bool Save(ViewHost& host, const std::vector<std::pair<CammerWidgetData*, int>>& masks)
{
    QString first;
    for (const auto& [w, g] : masks) {
        QString path;
        if (!w || w->SaveIgnorePoint(g, &path))
            continue;
        const QString text = LanStr(1150).arg(path);
        host.InsertRecord(AsLogLine(text));
        if (first.isEmpty())
            first = text;
    }
    if (first.isEmpty())
        return true;
    WarnText(first);
    return false;
}

}  // namespace IgnoreMaskSave
