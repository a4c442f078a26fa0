#pragma once
// Skin pictures, loaded once at start-up from ./images and never released;
// the toolkit and the main screens only draw them.
#include <QPixmap>

extern QPixmap* gpPixmapLogo;     // logo.bmp
extern QPixmap* gpPixmapBG;       // dialog and page background
extern QPixmap* gpPixmapTitle;
extern QPixmap* gpPixmapLine;
extern QPixmap* gpPixmapEdit;     // slider value field
extern QPixmap* gpPixmapSlideru;  // filled part of the slider track
extern QPixmap* gpPixmapSliderd;  // slider track
extern QPixmap* gpPixmapSlidert;  // slider handle
extern QPixmap* gpPixmapButton;   // [0] button up, [1] button down
extern QPixmap* gpPixmapOUT;      // [0] OUT1.png (inactive lamp), [1] OUT0.png (active lamp)
extern QPixmap* gpPixmapMove;     // [0..6] origin, up, down, left, right, enlarge, reduce

// A missing file gives an empty pixmap; widgets still draw their text.
void LoadSkinPixmaps();
