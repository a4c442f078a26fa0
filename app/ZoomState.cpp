#include "ZoomState.h"

#include <algorithm>

void ZoomState::Touch(int x, int y)
{
    centreX = lastPanX = x;
    centreY = lastPanY = y;
}

void ZoomState::Scale(int dir)
{
    const double u = (centreX - offsetX) / scale;
    const double v = (centreY - offsetY) / scale;
    if (dir == 0) {
        Reset();
        return;
    }
    if (dir > 0) {
        scale = std::min(scale * kStep, kMaxScale);
    } else {
        scale /= kStep;
        if (scale < 1.1)
            scale = 1.0;
    }
    if (scale == 1.0) {
        offsetX = offsetY = 0;
        return;
    }
    offsetX = centreX - u * scale;
    offsetY = centreY - v * scale;
}

bool ZoomState::Move(int dx, int dy)
{
    if (scale <= 1.0)
        return false;
    offsetX += dx * scale;
    offsetY += dy * scale;
    return true;
}

void ZoomState::Reset()
{
    scale = 1.0;
    offsetX = offsetY = 0;
}

int ZoomButtonsAfter(int mode, int current, bool imageAdjust)
{
    if (!imageAdjust)
        return ZoomButtonsHidden;
    switch (mode) {
    case ZoomButtonsHidden:
    case ZoomButtonsEnlarge:
    case ZoomButtonsAll:
        return mode;
    default:
        return current;
    }
}
