#pragma once
// Geometry shared by the message and question boxes.
#include <QFont>
#include <QRect>

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
