#include "SettingsPainter.h"

#include "widgets/SkinPixmaps.h"

#include <QPainter>

QString SettingsVersionText()
{
    return QStringLiteral("V15.0.2.69");
}

QList<PaintedCaption> SettingsHeaderTexts(const QRect& r, const SettingsPaintState& st)
{
    if (st.simple)
        return {};
    auto text = [&](const QRect& box, const QString& t, const QColor& color, int px, Qt::Alignment align) {
        PaintedCaption c;
        c.box = box;
        c.text = t;
        c.color = color;
        c.pixelSize = px;
        c.align = align;
        return c;
    };
    const int h = st.headerH;
    PaintedCaption serial = text(QRect(5, 0, r.width() / 3, h), st.serial, Qt::yellow, 14, Qt::AlignLeft | Qt::AlignVCenter);
    serial.family = QStringLiteral("times");
    const PaintedCaption title = text(QRect(0, 0, r.width(), h), st.title, QColor(0, 255, 255), st.titlePx, Qt::AlignCenter);
    const int versionX = r.width() - st.versionW;
    const PaintedCaption version = text(QRect(versionX, 0, st.versionW, h), SettingsVersionText(), Qt::yellow,
                                        st.versionPx, Qt::AlignLeft | Qt::AlignVCenter);
    QList<PaintedCaption> out;
    if (!st.serial.isEmpty())
        out << serial;
    out << title << version;
    return out;
}

void PaintSettings(QPainter& p, const QRect& r, const SettingsPaintState& st)
{
    if (!st.simple && gpPixmapBG)
        p.drawPixmap(r, *gpPixmapBG);
    if (st.simple)
        return;
    if (gpPixmapTitle)
        p.drawPixmap(QRect(0, 0, r.width(), st.headerH), *gpPixmapTitle);
    for (const PaintedCaption& c : SettingsHeaderTexts(r, st)) {
        p.setFont(c.font());
        p.setPen(c.color);
        p.drawText(c.box, c.align, c.text);
    }
}

void SettingsCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    for (const PaintedCaption& c : captions) {
        p.setFont(c.font());
        p.setPen(c.color);
        p.drawText(c.box, c.align | Qt::TextDontClip, c.text);
        if (c.separator && gpPixmapLine)
            p.drawPixmap(QRect(c.box.left(), c.box.bottom() + 1, c.box.width(), 5), *gpPixmapLine);
    }
}
