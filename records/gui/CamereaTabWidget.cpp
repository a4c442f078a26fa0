#include "CamereaTabWidget.h"

#include "CameraStatisticsWidget.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"

#include <algorithm>

namespace {
// First text of the step names for a machine type.
int StepNameBase(int machineType)
{
    if (machineType == 0 || machineType == 3)
        return 263;
    if (machineType == 1 || machineType == 2)
        return 372;
    return 477;
}
}  // namespace

QString CamereaTabWidget::TabStyle()
{
    return gShowW > 1024 ? QStringLiteral("QTabBar::tab{width: 150px; height: 50px; font-size: 25px;}")
                         : QStringLiteral("QTabBar::tab{width: 96px; height: 40px; font-size: 17px;}");
}

CamereaTabWidget::CamereaTabWidget(ResStatisticsParam* store, int cam, QWidget* parent)
    : QTabWidget(parent)
    , m_cam(cam)
{
    setStyleSheet(TabStyle());
    const int base = StepNameBase(gpWPara ? gpWPara->machineType : 0);
    const int steps = std::clamp(int(gDNum), 1, 8);
    for (int i = 0; i <= steps; ++i) {
        const int step = (i + 8) % 9;
        m_pages[i] = new CameraStatisticsWidget(store, cam, step, this);
        addTab(m_pages[i], i == 0 ? LanStr(1162) : LanStr(1005).arg(LanStr(base + step)));
    }
    connect(this, &QTabWidget::currentChanged, this, [this] { updateData(); });
}

void CamereaTabWidget::updateData()
{
    if (auto* page = qobject_cast<CameraStatisticsWidget*>(currentWidget()))
        page->updateData();
}
