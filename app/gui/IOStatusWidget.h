#pragma once
// The status bar along the bottom of the main screen: a lamp per IO line in
// use with its name, the parameter group, the login state, date and time
// and the last cycle time. Everything is read when it paints; a tap locks.
#include <QColor>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QWidget>

#include "widgets/TextPlacer.h"

// What the bar reads of the main window.
class StatusHost {
public:
    virtual ~StatusHost() = default;
    virtual int unlockLevel() const = 0;
    virtual void lock() = 0;
    virtual qint64 lastCycleTime() const = 0;  // tenths of a second
    // Names of the settings' parameter groups ("default" is the factory one).
    virtual QStringList parameterGroups() const { return {}; }
    // Lamp state, 1 lit: direction 0 input active, 1 output's function on.
    virtual int ioState(int direction, int index) const;
};

class IOStatusWidget : public QWidget {
    Q_OBJECT
public:
    IOStatusWidget(QWidget* parent, StatusHost* host);

    // One item of the text line: drawn from x on its baseline.
    struct Text {
        QString text;
        QColor colour;
        int pixelSize = 0;
        int x = 0;
        int width = 0;  // as measured in its font
        int baseline = 0;
        bool group = false;  // the parameter group's name
        QRect rect() const;
    };
    // Group, login and time at their full sizes: on one line right of the
    // lamps when it fits, else on two lines or wherever the lamps leave
    // room, with a shorter date, on a crowded wide bar at smaller sizes
    // (never below the small bar's), and last with the group name elided.
    QList<Text> TextLine(const QDateTime& now) const;
    // Every text paintEvent draws (lamp names and the text line), in the
    // bar's coordinates.
    QList<PlacedText> PaintedTexts(const QDateTime& now) const;
    // Pixels at the right edge the line keeps clear (the command column).
    void setRightReserve(int px) { m_rightReserve = px; }

    // Repaints only when something shown has changed (the polling loop asks
    // on every pass).
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // What the bar shows, compared on every polling pass: plain values, so a
    // pass that changes nothing costs no text building.
    struct Shown {
        qint64 second = -1;  // the clock, to the second
        int unlockLevel = 0;
        qint64 lastCycleTime = 0;
        quint32 lamps = 0;  // inputs in bits 0-12, outputs in bits 16-28
        bool operator==(const Shown& o) const
        {
            return second == o.second && unlockLevel == o.unlockLevel && lastCycleTime == o.lastCycleTime
                   && lamps == o.lamps;
        }
        bool operator!=(const Shown& o) const { return !(*this == o); }
    };
    int FreeLeft(int top, int bottom) const;
    QList<Text> Arrange(const QList<Text>& upper, const QList<Text>& lower, int x, int lowerBaseline,
                        bool tight) const;
    Shown Signature() const;

    StatusHost* m_host;
    Shown m_shown;
    int m_rightReserve = 0;
};
