#include "ExportDialog.h"

#include "records/DetectCycleSQL.h"
#include "widgets/ColorButton.h"
#include "widgets/EditDateTime.h"
#include "widgets/SkinPixmaps.h"

#include <QPainter>
#include <QSaveFile>

PlacedText CycleLogTitle(const QWidget* w, const QString& title)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(32);
    return TextPlacer::InBox(title, f, QColor(0, 255, 255), QRect(0, 0, w->width(), 60), Qt::AlignCenter);
}

void PaintCycleLogWindow(QWidget* w, const QString& title)
{
    QPainter p(w);
    if (gpPixmapBG)
        p.drawPixmap(QRect(0, 60, w->width(), w->height() - 60), *gpPixmapBG);
    if (gpPixmapTitle)
        p.drawPixmap(QRect(0, 0, w->width(), 60), *gpPixmapTitle);
    TextPlacer::Draw(p, CycleLogTitle(w, title));
}

ExportDialog::ExportDialog(const QString& sqlFile, QWidget* parent)
    : QDialog(parent)
    , m_sqlFile(sqlFile)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(1000, 500);
    if (QWidget* top = parent ? parent->window() : nullptr)
        move(top->geometry().center() - QPoint(500, 250));
    m_start = new EditDateTime(QStringLiteral("开始日期"), this);
    m_end = new EditDateTime(QStringLiteral("结束日期"), this);
    int y = 150;
    for (EditDateTime* e : {m_start, m_end}) {
        e->ShowDateTime();
        e->adjustSize();
        e->move(width() / 2 - 50 - e->width() / 2, y);
        y += 100;
    }
    m_ok = new ColorButton(QStringLiteral("确定"), this, 3);
    m_ok->setGeometry(width() / 2 - 180, 420, 150, 60);
    m_cancel = new ColorButton(QStringLiteral("取消"), this, 3);
    m_cancel->setGeometry(width() / 2 + 30, 420, 150, 60);
    connect(m_ok, &QPushButton::clicked, this, &ExportDialog::acceptedDialog);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ExportDialog::acceptedDialog()
{
    // The editors show whole seconds: the end takes in its whole second.
    const QStringList lines = CycleExportRequest(m_start->m_getDateTime(), m_end->m_getDateTime().addMSecs(999));
    m_lines = 0;
    QSaveFile f(m_sqlFile);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        for (const QString& line : lines)
            f.write(line.toUtf8() + '\n');
        if (f.commit())
            m_lines = int(lines.size());
    }
    accept();
}

namespace {
QString ExportTitle()
{
    return QStringLiteral("导出选项");
}
}  // namespace

QList<PlacedText> ExportDialog::PaintedTexts() const
{
    return {CycleLogTitle(this, ExportTitle())};
}

void ExportDialog::paintEvent(QPaintEvent*)
{
    PaintCycleLogWindow(this, ExportTitle());
}
