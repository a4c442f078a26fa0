#pragma once
// An NG alarm without cameras: a grey stand-in frame that may carry a bright
// patch, and one defect area of camera 1's mould step over the patch.
#include "foundation/FrameBytes.h"
#include "foundation/VisionGlobals.h"
#include "inspect/CammerRecong.h"
#include "params/CammerSingleton.h"
#include "view/CammerWidget.h"

#include <QRect>

#include <algorithm>

// A full-HD frame at grey 100; with `patch`, 40 x 30 pixels at 900,500 at 250.
inline FrameBytes PatchFrame(bool patch)
{
    const QRect box(900, 500, 40, 30);
    FrameBytes f(size_t(1920) * 1080, 100);
    for (int y = box.top(); patch && y <= box.bottom(); ++y)
        std::fill_n(f.begin() + y * 1920 + box.left(), box.width(), uint8_t(250));
    return f;
}

// One defect area of w's mould step over the patch, trained on its template.
inline void AddAreaOverPatch(CammerWidget* w)
{
    CammerSingleton& s = *w->liveSet;
    s.count[1] = 1;
    s.roi_type[1][0] = CammerSingleton::kRect;
    s.rect[1][0] = ClustomRect(QRect(QPoint(800 * gShowW / 1920, 400 * gShowH / 1080),
                                     QPoint(1100 * gShowW / 1920, 650 * gShowH / 1080)));
    s.algorithm[1][0] = 0;
    s.min_size[1][0] = 3;
    s.sensibility[1][0] = 45;
    s.max_area[1][0] = 100;
    w->liveMasks[1][0] = s.BuildMask(1, 0);
    w->engine->VarTrain(1);
}
