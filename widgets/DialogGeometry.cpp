#include "DialogGeometry.h"

#include "C_Type_COM.h"
#include "SkinPixmaps.h"
#include "foundation/VisionGlobals.h"

#include <QPainter>

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
