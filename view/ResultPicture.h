#pragma once
// The NG and OK pictures the image saver writes: the judged frame with the
// verdict word, every area of the step outlined in its verdict colour, the
// NG boxes and each area's value and limit; later the lines that tell how
// an alarm was cleared.
#include <QImage>
#include <QRect>

class CammerWidgetData;

namespace ResultPicture {

// Renders the picture of step g (slot 0 NG, 1 OK) from the judged frame.
// *firstNg receives the 1-based number of the first NG area (0 none).
QImage Render(const CammerWidgetData& w, int g, int slot, bool doorCycle, int* firstNg);

// Adds the lines of result code *code to a stored picture and moves the
// code on (4, 5, 6 -> 9; 7 -> 8; 8 -> 10), also without a picture (null).
// False when the code adds nothing.
bool AddCodeLines(QImage& picture, int* code);

// Where the verdict word, the door line and the longest code line lie.
QRect HeaderRect();
// The box an area's text is drawn in, for the area's corner: above the
// corner, or just below the header when it would lie on it.
QRect AreaTextBox(const QPoint& corner);
// The same with the header already measured (once per picture).
QRect AreaTextBox(const QPoint& corner, const QRect& header);

}  // namespace ResultPicture
