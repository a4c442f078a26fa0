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
};
const StatusSizes& StatusSizesFor(bool large);

struct StatusLamp {
    bool input = true;
    int index = 0;      // IO line, 0-based
    QRect lamp;
    QRect nameBox;
    QString name;
};

// Lamps of the inputs, the outputs and the further result outputs, in
// drawing order, in the bar's own coordinates.
QList<StatusLamp> StatusLamps(const WizardPara& p, bool large);

// Left end of the text line.
int StatusTextStart(const QList<StatusLamp>& lamps, bool large);

// "<date>  Cycle <seconds>S": lastCycleTime in tenths of a second, shown in
// seconds with one decimal, right-aligned in four characters.
QString StatusTimeText(const QDateTime& now, qint64 lastCycleTime);
