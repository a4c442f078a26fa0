#pragma once
// Where the camera views stand: one view over the whole screen, or a grid
// of all cameras in use. Rectangles per camera index; an empty one is hidden.
#include <QList>
#include <QRect>

// cameras: numCamera; selected: selCamera (cameras = all shown).
QList<QRect> CameraCells(int cameras, int selected, int screenW, int screenH);
