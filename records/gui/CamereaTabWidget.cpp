#include "CamereaTabWidget.h"

#include "CameraStatisticsWidget.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"

#include <QFontMetrics>

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

int CamereaTabWidget::BarWidth()
{
    return std::min(1920, gShowW) - 182;
}

QString CamereaTabWidget::TabStyle(const QStringList& captions, int barWidth)
{
    const bool large = gShowW > 1024;
    int width = large ? 150 : 96;
    const int height = large ? 50 : 40;
    int px = large ? 25 : 17;
    // The tab's frame and the style's margins around the caption.
    constexpr int kFrame = 26;
    constexpr int kLeastPx = 12;
    const int share = std::max(1, (barWidth - 4) / std::max(1, int(captions.size())));
    auto widest = [&captions](int size) {
        QFont f(QStringLiteral("wqy-microhei"));
        f.setPixelSize(size);
        const QFontMetrics fm(f);
        int most = 0;
        for (const QString& c : captions)
            most = std::max(most, fm.horizontalAdvance(c));
        return most;
    };
    while (px > kLeastPx && widest(px) + kFrame > share)
        --px;
    width = std::min(std::max(width, widest(px) + kFrame), share);
    return QStringLiteral("QTabBar::tab{width: %1px; height: %2px; font-family: wqy-microhei; font-size: %3px;}")
        .arg(width)
        .arg(height)
        .arg(px);
}

CamereaTabWidget::CamereaTabWidget(ResStatisticsParam* store, int cam, QWidget* parent)
    : QTabWidget(parent)
    , m_cam(cam)
{
    const int base = StepNameBase(gpWPara ? gpWPara->machineType : 0);
    const int steps = std::clamp(int(gDNum), 1, 8);
    QStringList captions;
    for (int i = 0; i <= steps; ++i) {
        const int step = (i + 8) % 9;
        m_pages[i] = new CameraStatisticsWidget(store, cam, step, this);
        captions << (i == 0 ? LanStr(1162) : LanStr(1005).arg(LanStr(base + step)));
        addTab(m_pages[i], captions.last());
    }
    setStyleSheet(TabStyle(captions, BarWidth()));
    connect(this, &QTabWidget::currentChanged, this, [this] { updateData(); });
}

void CamereaTabWidget::updateData()
{
    if (auto* page = qobject_cast<CameraStatisticsWidget*>(currentWidget()))
        page->updateData();
}
