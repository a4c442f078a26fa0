#pragma once
// Shared globals the vision library defines and the system sets.
extern int gImageW;   // frame width of the active camera family
extern int gImageH;   // frame height
extern int gShowW;    // screen width: picks the small (<= 1024) or large layout
extern int gShowH;    // screen height
extern int m_F75111;  // GPIO chip selector (never selected by the IO link)

// Shapes live in view coordinates (a camera view shown full size, gShowW x
// gShowH); their boxes and masks are in frame pixels. These convert one view
// coordinate into the frame pixel that contains it, from the current globals,
// so a stale cached scale can never misplace a mask.
int ViewToFrameX(int viewX);
int ViewToFrameY(int viewY);
// Scale factors gShowW / gImageW and gShowH / gImageH (1.0 while a size is 0).
double ShowScaleW();
double ShowScaleH();
