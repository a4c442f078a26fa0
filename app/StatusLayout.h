#pragma once
// Where the status bar puts its IO lamps and what its text line says. Kept
// apart from the widget so the rules (which lines have lamps for a machine
// type, both screen sizes) read and test without painting.
#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>

struct WizardPara;

struct StatusSizes {
    int barHeight;
    int lampW, lampH;
    int nameFont, nameBoxH;
    int textFont, groupFont;
    int baseline;
    int textIndent;    // text line start, right of the last name box's left edge
    int loginAdvance;  // room left after the login word, before the language add-on
    int nameRise;      // top of a one-row name box above the bar's last line
    bool twoRows;      // multi-detection: inputs above, outputs below
    bool ownStrip;     // the camera views end above the bar instead of under it
};

// The small bar (screens up to 1024 wide) and the wide one (full HD) lie
// over the lower edge of the camera views. A screen between the two (such
// as 1280 x 800) gets a compact bar in a strip of its own, so nothing of it
// covers a camera picture.
enum class StatusClass { Small, Compact, Wide };
StatusClass StatusClassFor(int screenW, int screenH);
const StatusSizes& StatusSizesFor(StatusClass c);
const StatusSizes& StatusSizesFor(bool large);
// Height the camera views may take on this screen.
int CameraViewsHeight(int screenW, int screenH);

struct StatusLamp {
    bool input = true;
    int index = 0;      // IO line, 0-based
    QRect lamp;
    QRect nameBox;
    QString name;
};

// Lamps of the inputs, the outputs and the further result outputs, in
// drawing order, in the bar's own coordinates.
QList<StatusLamp> StatusLamps(const WizardPara& p, StatusClass c);
QList<StatusLamp> StatusLamps(const WizardPara& p, bool large);

// Left end of the text line.
int StatusTextStart(const QList<StatusLamp>& lamps, StatusClass c);

// "<date>  Cycle <seconds>S": lastCycleTime in tenths of a second, shown in
// seconds with one decimal, right-aligned in four characters.
QString StatusTimeText(const QDateTime& now, qint64 lastCycleTime);
