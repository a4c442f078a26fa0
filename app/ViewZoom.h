#pragma once
// Zoom and pan of the single-camera view, on the cycle state's zoom fields:
// the camera view paints under (offset, scale) and maps a touch back with
// (p - offset) / scale.
struct CycleState;

constexpr double kZoomMax = 32.0;
constexpr double kZoomStep = 1.2;

// dir > 0 enlarge, < 0 reduce, 0 back to 1:1; the image point under the
// zoom centre stays where it is.
void ZoomScale(CycleState& st, int dir);
// Pan by (dx, dy) steps of the current scale; only while zoomed in.
bool ZoomMove(CycleState& st, int dx, int dy);
void ZoomReset(CycleState& st);

// Zoom buttons shown: 0 none, 1 only "enlarge", 2 all seven.
enum ZoomButtons { ZoomButtonsHidden = 0, ZoomButtonsEnlarge = 1, ZoomButtonsAll = 2 };

// State after a show/hide request. Without image adjustment the buttons stay
// hidden; an unknown mode leaves the state as it was.
int ZoomButtonsAfter(int mode, int current, bool imageAdjust);
