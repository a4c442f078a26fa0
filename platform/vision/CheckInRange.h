#pragma once
// Range checks of the ROI editor and the ROI set load: they keep view
// coordinates inside the camera view (0..gShowW-1, 0..gShowH-1).
#include <QRect>

// Clamps *v into the view: isX 1 against the width, 0 against the height.
void CheckInRange(int* v, int isX);

// Brings a shape rectangle back inside the view. move true (after a whole
// area was moved) shifts it back keeping its size where it fits; false (after
// a resize) clamps each edge. Corners are normalised first.
void CheckInRange(QRect* rect, bool move);
