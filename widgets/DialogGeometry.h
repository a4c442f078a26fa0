#pragma once
// Geometry shared by the message and question boxes.
#include "TextPlacer.h"

#include <QFont>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

struct DialogGeometry {
    QRect box;        // in screen coordinates
    QSize button;     // size of each button
    int buttonY;      // button row inside the box
    int confirmX;     // WarnBox Confirm
    int yesX;         // ChooseBox YES
    int noX;          // ChooseBox NO
    int textPixelSize;
};

// From the current screen size (gShowW x gShowH).
DialogGeometry CurrentDialogGeometry();

// Background picture scaled to the dialog, the 5-px white frame, the text font.
void PaintDialogBackground(QPainter& p, const QRect& r);
void PaintDialogFrame(QPainter& p, int w, int h);
QFont DialogFont();

// Where a message or question box paints its text, and the box it needs for
// it. A text that fits the box's own text area keeps the box as it is; a
// longer one widens the box (half as wide again at most, and never to the
// screen's edges), breaks the lines still too wide and lengthens the box
// downwards, the buttons moving with its bottom; only a text that would not
// fit the screen even so gets a smaller font.
struct MessageLayout {
    QRect box;           // in screen coordinates
    QRect textRect;      // in the box
    QFont font;
    QString lines;       // the text as painted, a line per row
    QPoint buttonShift;  // from the buttons' places in the standard box
};

// `area`: the text rectangle in the standard box of `g`.
MessageLayout LayOutMessage(const QString& text, const DialogGeometry& g, const QRect& area);

// A message or question box: background, its text in red as laid out, frame.
void PaintMessageBox(QPainter& p, const QSize& size, const MessageLayout& m);
// The text PaintMessageBox paints, for the layout check.
QList<PlacedText> PaintedMessage(const MessageLayout& m);
