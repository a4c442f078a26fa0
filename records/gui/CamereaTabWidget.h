#pragma once
// One camera's statistics (8 = all cameras): a tab for all steps, then one
// per detection step in use, named by the machine type's step names.
#include <QTabWidget>

class CameraStatisticsWidget;
class ResStatisticsParam;

class CamereaTabWidget : public QTabWidget {
    Q_OBJECT
public:
    CamereaTabWidget(ResStatisticsParam* store, int cam, QWidget* parent = nullptr);

    // Redraws the current step page.
    void updateData();
    int cam() const { return m_cam; }
    // Step pages: index 0 all steps, k + 1 step k (null beyond the steps in use).
    CameraStatisticsWidget* stepPage(int index) const { return index >= 0 && index < 9 ? m_pages[index] : nullptr; }

    // Tab style of both tab rows for the current layout: the layout's tab
    // size where the captions fit it, wider for a longer caption, all tabs
    // sharing the bar's width when they would not fit side by side, and a
    // smaller caption size only when a caption is still too long.
    static QString TabStyle(const QStringList& captions, int barWidth);
    // Width of the tab rows (the camera tabs and each camera's step tabs).
    static int BarWidth();

private:
    CameraStatisticsWidget* m_pages[9] = {};
    int m_cam;
};
