#pragma once
// Checks a screen as an operator would read it: nothing off the screen, no
// text over another, no text cut by its box, none too small to read at arm's
// length. Each problem comes back as one readable line; an empty list passes.
#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

namespace LayoutCheck {

// A text drawn in a paintEvent: the rectangle the painter draws it into (in
// the checked root's coordinates), its font and the text as drawn.
struct PaintedText {
    QRect rect;
    QFont font;
    QString text;
    int minPixelSize = 11;
};

// Walks every visible widget under root (a window of its own below root is
// left out; pass dialogs as their own root). Reports two controls (buttons,
// fields, combo and spin boxes, sliders, lists, tab bars) over each other,
// a keypad's keys over what lies under the keypad excepted; a widget outside
// QRect(QPoint(0,0), screen); two visible texts overlapping; a label's,
// button's, check box's or combo box's text not fitting its box (font
// metrics against the contents rectangle, clipped by its parents); a text
// whose pixel size is below minPixelSize. A widget that paints its caption
// itself is measured in the font of its "captionFont" property; one that
// paints other texts lists them as a PaintedTextSource, and they are judged
// like labels (and must not lie under the widget's own controls). Further:
// a button, combo box or field only partly shown by its parents; a tab
// caption cut by its tab or a tab beyond its bar; a value label (the buddy
// of its caption label) neither right after its caption on the same line
// nor on the next line under its start.
QStringList check(QWidget* root, const QSize& screen, int minPixelSize = 11);

// The same rules for text drawn in paintEvent.
QStringList checkPainted(const QList<PaintedText>& texts, const QSize& screen);

}  // namespace LayoutCheck

namespace LayoutCheck {

// A window that paints texts of its own (a message box, the password gate):
// everything check() finds; its painted texts (in the window's coordinates)
// checked as checkPainted() does, where the window lies on the screen; and
// none of them under one of the window's buttons, fields or labels.
QStringList checkWindow(QWidget* window, const QList<PaintedText>& painted, const QSize& screen,
                        int minPixelSize = 11);

}  // namespace LayoutCheck

namespace LayoutCheck {

// An open keypad stands over its window's widgets (that is what it is for):
// it must lie on the screen and inside its window, unclipped, show its key
// captions whole, and leave the edit it types into in sight.
QStringList checkKeypad(QWidget* pad, const QWidget* edit, const QSize& screen);

}  // namespace LayoutCheck
