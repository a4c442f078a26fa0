#pragma once
// Painting of the settings dialog: background, header strip (serial, page
// title, version) and the captions the page's layout placed.
#include "PagePlacer.h"

#include <QList>
#include <QString>
#include <QWidget>

class QPainter;
class QRect;

struct SettingsPaintState {
    int page = 0;
    bool simple = false;  // simple display: no background, no header
    QString serial;
    QString title;
    int headerH = 50;
    int titlePx = 30;
    int versionPx = 32;
    int versionW = 235;  // the version's box from the right edge
};

// The program version shown in the header.
QString SettingsVersionText();

// The texts of the header strip as they are painted (none in simple display).
QList<PaintedCaption> SettingsHeaderTexts(const QRect& r, const SettingsPaintState& st);

void PaintSettings(QPainter& p, const QRect& r, const SettingsPaintState& st);

// The layer that carries a page's controls and paints their captions. It is
// as wide as the page needs and slides sideways when that is wider than the
// dialog; the dialog paints background and header under it.
class SettingsCanvas : public QWidget {
public:
    explicit SettingsCanvas(QWidget* parent) : QWidget(parent) {}
    QList<PaintedCaption> captions;

protected:
    void paintEvent(QPaintEvent* event) override;
};
