#include "SkinPixmaps.h"

QPixmap* gpPixmapLogo = nullptr;
QPixmap* gpPixmapBG = nullptr;
QPixmap* gpPixmapTitle = nullptr;
QPixmap* gpPixmapLine = nullptr;
QPixmap* gpPixmapEdit = nullptr;
QPixmap* gpPixmapSlideru = nullptr;
QPixmap* gpPixmapSliderd = nullptr;
QPixmap* gpPixmapSlidert = nullptr;
QPixmap* gpPixmapButton = nullptr;
QPixmap* gpPixmapOUT = nullptr;
QPixmap* gpPixmapMove = nullptr;

namespace {
QPixmap* load(const char* name)
{
    return new QPixmap(QStringLiteral("./images/") + QLatin1String(name));
}
}

void LoadSkinPixmaps()
{
    if (gpPixmapBG)
        return;
    gpPixmapLogo = load("logo.bmp");
    gpPixmapBG = load("background.png");
    gpPixmapTitle = load("title.png");
    gpPixmapLine = load("line.png");
    gpPixmapEdit = load("edit.png");
    gpPixmapSlideru = load("slideru.png");
    gpPixmapSliderd = load("sliderd.png");
    gpPixmapSlidert = load("slidert.png");
    gpPixmapButton = new QPixmap[2];
    gpPixmapButton[0].load(QStringLiteral("./images/buttonu.png"));
    gpPixmapButton[1].load(QStringLiteral("./images/buttond.png"));
    // Index 0 is OUT1 (inactive), index 1 OUT0 (active).
    gpPixmapOUT = new QPixmap[2];
    gpPixmapOUT[0].load(QStringLiteral("./images/OUT1.png"));
    gpPixmapOUT[1].load(QStringLiteral("./images/OUT0.png"));
    static const char* const kMove[7] = {"Origin.png", "MoveUp.png", "MoveDown.png", "MoveLeft.png",
                                         "MoveRight.png", "EnlargeScale.png", "ReductionScale.png"};
    gpPixmapMove = new QPixmap[7];
    for (int i = 0; i < 7; ++i)
        gpPixmapMove[i].load(QStringLiteral("./images/") + QLatin1String(kMove[i]));
}
