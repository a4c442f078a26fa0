#include "CameraStatisticsWidget.h"

#include "Histogram.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "records/ResStatisticsParam.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QLabel* Caption(const QString& text, int w, int h, Qt::Alignment align, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFixedSize(w, h);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}
}  // namespace

CameraStatisticsWidget::CameraStatisticsWidget(ResStatisticsParam* store, int cam, int step, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_step(step)
    , m_cam(cam)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPointSize(10);
    setFont(f);
    // The stacked columns and tall charts need a full-HD height; a wide but
    // short panel (1280 x 800) takes the compact arrangement.
    const bool large = gShowW > 1024 && gShowH >= 1000;
    const int chartHeight = large ? 420 : 265;

    // A column: title, then caption/value pairs, each value right after its
    // right-aligned caption (stacked under a right-aligned caption, a value
    // would stand below and left of it, read as belonging to nothing).
    auto column = [this, large](int title, const QList<QPair<QString, Value>>& rows, const QList<const char*>& colours) {
        auto* box = new QVBoxLayout;
        box->setSpacing(large ? 5 : 2);
        box->addWidget(Caption(LanStr(title), large ? 150 : 150, large ? 50 : 30, Qt::AlignHCenter, this));
        for (int i = 0; i < rows.size(); ++i) {
            QLabel* caption = Caption(rows[i].first, large ? 120 : 80, large ? 40 : 28, Qt::AlignRight, this);
            QLabel* v = Caption(QStringLiteral("0"), large ? 120 : 70, large ? 40 : 28, Qt::AlignLeft, this);
            v->setStyleSheet(QString::fromLatin1(colours[i]));
            caption->setBuddy(v);
            m_values[rows[i].second] = v;
            auto* pair = new QHBoxLayout;
            pair->setSpacing(6);
            pair->addWidget(caption);
            pair->addWidget(v);
            box->addLayout(pair);
        }
        return box;
    };
    const char* green = "color:green;";
    const char* red = "color:red;";
    QVBoxLayout* morning = column(545, {{LanStr(542), MorningOk}, {LanStr(543), MorningNg}}, {green, red});
    QVBoxLayout* night = column(546, {{LanStr(542), NightOk}, {LanStr(543), NightNg}}, {green, red});
    QVBoxLayout* totals = column(567, {{LanStr(547), Total}, {LanStr(543), NgTotal}, {LanStr(1165), NgRate}},
                                 {green, red, red});

    m_morning = new Histogram(this, ShiftHours(ShiftMorning), m_store->getRes(ShiftMorning, true, cam, step),
                              m_store->getRes(ShiftMorning, false, cam, step));
    m_morning->setFixedHeight(chartHeight);
    m_night = new Histogram(this, ShiftHours(ShiftNight), m_store->getRes(ShiftNight, true, cam, step),
                            m_store->getRes(ShiftNight, false, cam, step));
    m_night->setFixedHeight(chartHeight);

    auto* grid = new QGridLayout(this);
    if (large)
        grid->setContentsMargins(30, 10, 30, 10);
    else
        grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(1);
    grid->addLayout(morning, 0, 0, 4, 1);
    grid->addLayout(night, 4, 0, 4, 1);
    grid->addLayout(totals, 8, 0, 4, 1);
    grid->addWidget(m_morning, 0, 2, 7, 8);
    grid->addWidget(m_night, 7, 2, 7, 8);
    grid->setRowStretch(14, 1);
}

void CameraStatisticsWidget::showEvent(QShowEvent* event)
{
    updateData();
    QWidget::showEvent(event);
}

QString CameraStatisticsWidget::valueText(Value v) const
{
    return m_values[v] ? m_values[v]->text() : QString();
}

void CameraStatisticsWidget::updateData()
{
    const ResStatisticsParam& s = *m_store;
    m_values[MorningOk]->setText(QString::number(s.getCount(ShiftMorning, true, m_cam, m_step)));
    m_values[MorningNg]->setText(QString::number(s.getCount(ShiftMorning, false, m_cam, m_step)));
    m_values[NightOk]->setText(QString::number(s.getCount(ShiftNight, true, m_cam, m_step)));
    m_values[NightNg]->setText(QString::number(s.getCount(ShiftNight, false, m_cam, m_step)));
    const int ng = s.getCount(ShiftDay, false, m_cam, m_step);
    const int total = AddCounts(s.getCount(ShiftDay, true, m_cam, m_step), ng);
    m_values[Total]->setText(QString::number(total));
    m_values[NgTotal]->setText(QString::number(ng));
    m_values[NgRate]->setText(NgRateText(ng, total));
    m_morning->modifyDataAxisY(s.getRes(ShiftMorning, true, m_cam, m_step), s.getRes(ShiftMorning, false, m_cam, m_step));
    m_night->modifyDataAxisY(s.getRes(ShiftNight, true, m_cam, m_step), s.getRes(ShiftNight, false, m_cam, m_step));
    update();
}
