#include "SettingsPainter.h"

#include "widgets/C_Type_COM.h"
#include "widgets/SkinPixmaps.h"

#include <QPainter>

QString SettingsVersionText()
{
    return QStringLiteral("V15.0.2.69");
}

void PaintSettings(QPainter& p, const QRect& r, const SettingsPaintState& st)
{
    const bool narrow = IsSmallLayout();
    const int headerH = narrow ? 30 : 50;
    if (!st.simple && gpPixmapBG)
        p.drawPixmap(r, *gpPixmapBG);

    if (st.simple)
        return;
    QFont f(QStringLiteral("wqy-microhei"));

    if (gpPixmapTitle)
        p.drawPixmap(QRect(0, 0, r.width(), headerH), *gpPixmapTitle);
    QFont serial(QStringLiteral("times"));
    serial.setPixelSize(14);
    p.setFont(serial);
    p.setPen(Qt::yellow);
    p.drawText(QRect(5, 0, r.width() / 3, headerH), Qt::AlignLeft | Qt::AlignVCenter, st.serial);
    f.setPixelSize(narrow ? 20 : 30);
    p.setFont(f);
    p.setPen(QColor(0, 255, 255));
    p.drawText(QRect(0, 0, r.width(), headerH), Qt::AlignCenter, st.title);
    f.setPixelSize(narrow ? 20 : 32);
    p.setFont(f);
    p.setPen(Qt::yellow);
    const int versionX = r.width() - (narrow ? 170 : 235);
    p.drawText(QRect(versionX, 0, r.width() - versionX, headerH), Qt::AlignLeft | Qt::AlignVCenter,
               SettingsVersionText());
}

void SettingsCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont f(QStringLiteral("wqy-microhei"));
    const int captionPx = IsSmallLayout() ? 18 : 30;
    for (const PaintedCaption& c : captions) {
        f.setPixelSize(c.pixelSize ? c.pixelSize : captionPx);
        p.setFont(f);
        p.setPen(c.color);
        p.drawText(c.box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, c.text);
        if (c.separator && gpPixmapLine)
            p.drawPixmap(QRect(c.box.left(), c.box.bottom() + 1, c.box.width(), 5), *gpPixmapLine);
    }
}
