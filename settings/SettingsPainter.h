#pragma once
// Painting of the settings dialog: background, header strip (serial, page
// title, version) and the captions the page's layout placed.
#include "PagePlacer.h"

#include <QList>
#include <QString>

class QPainter;
class QRect;

struct SettingsPaintState {
    int page = 0;
    bool simple = false;  // simple display: no background, no header
    QString serial;
    QString title;
    QList<PaintedCaption> captions;
};

// The program version shown in the header.
QString SettingsVersionText();

void PaintSettings(QPainter& p, const QRect& r, const SettingsPaintState& st);
