#include "DialogGeometry.h"

#include "C_Type_COM.h"
#include "SkinPixmaps.h"
#include "foundation/VisionGlobals.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace {
// Clear of the 5-px white frame.
constexpr int kInset = 8;

// A line broken to `width` where a word or (in Chinese) a character ends.
QStringList WrapLine(const QString& line, const QFont& font, int width)
{
    QTextLayout layout(line, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList rows;
    layout.beginLayout();
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        rows << line.mid(row.textStart(), row.textLength()).trimmed();
    }
    layout.endLayout();
    return rows;
}

// The text's own lines (English texts break with CR LF), each broken to
// `width` when wider.
QString Rows(const QString& text, const QFont& font, int width)
{
    const QFontMetrics fm(font);
    QStringList rows;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (fm.horizontalAdvance(line) <= width)
            rows << line;
        else
            rows << WrapLine(line, font, width);
    }
    return rows.join(QLatin1Char('\n'));
}
}  // namespace

DialogGeometry CurrentDialogGeometry()
{
    DialogGeometry g;
    if (IsSmallLayout()) {
        g.box = QRect(gShowW / 2 - 210, gShowH / 2 - 90, 420, 180);
        g.button = QSize(140, 60);
        g.buttonY = 105;
        g.confirmX = 140;
        g.yesX = 30;
        g.noX = 240;
        g.textPixelSize = 20;
    } else {
        g.box = QRect(gShowW / 2 - 375, gShowH / 2 - 185, 750, 370);
        g.button = QSize(220, 100);
        g.buttonY = 370 - 150;
        g.confirmX = (750 - 220) / 2;
        g.yesX = 100;
        g.noX = 750 - 320;
        g.textPixelSize = 40;
    }
    return g;
}

void PaintDialogBackground(QPainter& p, const QRect& r)
{
    if (gpPixmapBG)
        p.drawPixmap(r, *gpPixmapBG);
}

void PaintDialogFrame(QPainter& p, int w, int h)
{
    p.setPen(QPen(Qt::white, 5));
    p.drawRect(0, 0, w - 2, h - 2);
}

QFont DialogFont()
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(CurrentDialogGeometry().textPixelSize);
    return f;
}

MessageLayout LayOutMessage(const QString& text, const DialogGeometry& g, const QRect& area)
{
    MessageLayout m;
    m.font = DialogFont();
    const QRect usable = area.adjusted(kInset, 0, -kInset, 0);
    const int margin = IsSmallLayout() ? 20 : 40;
    // Half as wide again at most: a longer line breaks rather than stretch the box across the screen.
    const int widest = qMin(gShowW - 2 * margin, g.box.width() * 3 / 2) - (g.box.width() - usable.width());
    const int tallest = gShowH - 2 * margin - (g.box.height() - usable.height());
    for (;;) {
        const QFontMetrics fm(m.font);
        const QSize plain = fm.size(0, Rows(text, m.font, 1 << 20));
        const int width = qBound(usable.width(), plain.width(), qMax(usable.width(), widest));
        m.lines = Rows(text, m.font, width);
        const QSize need = fm.size(0, m.lines);
        if (need.height() <= qMax(usable.height(), tallest) || m.font.pixelSize() <= 12) {
            const QSize grow(qMax(0, width - usable.width()), qMax(0, need.height() - usable.height()));
            m.box = QRect(QPoint(0, 0), g.box.size() + grow);
            m.box.moveCenter(g.box.center());
            m.box.moveTopLeft(QPoint(qMax(0, m.box.left()), qMax(0, m.box.top())));
            m.textRect = QRect(usable.topLeft(), usable.size() + grow);
            m.buttonShift = QPoint(grow.width() / 2, grow.height());
            return m;
        }
        m.font.setPixelSize(m.font.pixelSize() - 1);
    }
}

void PaintMessageBox(QPainter& p, const QSize& size, const MessageLayout& m)
{
    PaintDialogBackground(p, QRect(QPoint(0, 0), size));
    p.setFont(m.font);
    p.setPen(Qt::red);
    p.drawText(m.textRect, Qt::AlignCenter, m.lines);
    PaintDialogFrame(p, size.width(), size.height());
}

QList<PlacedText> PaintedMessage(const MessageLayout& m)
{
    if (m.lines.isEmpty())
        return {};
    return {{m.textRect, m.font, Qt::red, m.lines}};
}
