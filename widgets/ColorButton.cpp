#include "ColorButton.h"

#include "C_Type_COM.h"
#include "SkinPixmaps.h"
#include "foundation/uitext.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kBorder = 6;  // the button picture's rim
}  // namespace

ColorButton::ColorButton(const QString& text, QWidget* parent, int fontClass)
    : QPushButton(text, parent)
    , m_fontClass(fontClass)
{
}

ColorButton::ColorButton(const QPixmap& pixmap, QWidget* parent)
    : QPushButton(parent)
    , m_fontClass(3)
    , m_hasPixmap(true)
    , m_pixmap(pixmap)
{
}

void ColorButton::SetRepeat()
{
    setAutoRepeat(true);
    setAutoRepeatDelay(300);
    setAutoRepeatInterval(50);
}

void ColorButton::setPixmap(const QPixmap& pixmap)
{
    m_pixmap = pixmap;
}

int ColorButton::captionPixelSize() const
{
    if (IsSmallLayout())
        return gLan == 0 ? 16 : 13;
    if (m_fontClass == 4)
        return gLan == 0 ? 33 : 30;
    return gLan == 0 ? 27 : 22;
}

QFont ColorButton::captionFont() const
{
    QFont f(QStringLiteral("wqy-microhei"));
    int px = captionPixelSize();
    // On a small panel a long caption may go down to the least readable size.
    const int least = std::min(px, IsSmallLayout() ? 11 : (gLan == 0 ? 16 : 13));
    const QRect room = rect().adjusted(kBorder, 2, -kBorder, -2);
    f.setPixelSize(px);
    while (px > least) {
        const QSize need = QFontMetrics(f).size(0, text());
        if (need.width() <= room.width() && need.height() <= room.height())
            break;
        f.setPixelSize(--px);
    }
    return f;
}

void ColorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_hasPixmap) {
        p.drawPixmap(rect(), m_pixmap);
        return;
    }
    if (gpPixmapButton)
        p.drawPixmap(rect(), gpPixmapButton[isDown() ? 1 : 0]);
    p.setFont(captionFont());
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, text());
}
