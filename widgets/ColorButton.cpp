#include "ColorButton.h"

#include "C_Type_COM.h"
#include "SkinPixmaps.h"
#include "foundation/uitext.h"

#include <QPainter>

ColorButton::ColorButton(const QString& text, QWidget* parent, int fontClass)
    : QPushButton(text, parent)
    , m_fontClass(fontClass)
{
    SyncFont();
}

void ColorButton::SyncFont()
{
    // The widget's font is the caption's, so that size hints and whoever
    // measures the caption see what is painted.
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(captionPixelSize());
    setFont(f);
}

void ColorButton::setCaptionPixelSize(int px)
{
    m_captionPx = px;
    SyncFont();
    update();
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
    if (m_captionPx > 0)
        return m_captionPx;
    if (IsSmallLayout())
        return gLan == 0 ? 16 : 13;
    if (m_fontClass == 4)
        return gLan == 0 ? 33 : 30;
    return gLan == 0 ? 27 : 22;
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
    if (font().pixelSize() != captionPixelSize())
        SyncFont();  // the language changed since the button was made
    p.setFont(font());
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, text());
}
