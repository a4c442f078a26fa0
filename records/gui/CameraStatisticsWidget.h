#pragma once
// One step page of the statistics: the morning and night shift sums with a
// bar chart each, and the day's production total, NG total and NG rate, for
// one camera (8 = all) and one step (8 = all).
#include <QWidget>

class Histogram;
class QLabel;
class ResStatisticsParam;

class CameraStatisticsWidget : public QWidget {
    Q_OBJECT
public:
    CameraStatisticsWidget(ResStatisticsParam* store, int cam, int step, QWidget* parent = nullptr);

    // Labels and charts from the store's shown day.
    void updateData();

    int cam() const { return m_cam; }
    int step() const { return m_step; }
    Histogram* morningChart() const { return m_morning; }
    Histogram* nightChart() const { return m_night; }
    // Value labels: morning OK, morning NG, night OK, night NG, total, NG total, NG rate.
    enum Value { MorningOk, MorningNg, NightOk, NightNg, Total, NgTotal, NgRate, ValueCount };
    QString valueText(Value v) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    ResStatisticsParam* m_store;
    Histogram* m_morning = nullptr;
    Histogram* m_night = nullptr;
    QLabel* m_values[ValueCount] = {};
    int m_step;
    int m_cam;
};
