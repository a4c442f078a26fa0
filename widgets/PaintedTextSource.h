#pragma once
// A widget that draws texts of its own in paintEvent lists them here, in its
// own coordinates and exactly as it draws them, so that the layout check
// reads the same texts an operator sees.
#include "TextPlacer.h"

#include <QList>

class PaintedTextSource {
public:
    virtual ~PaintedTextSource() = default;
    virtual QList<PlacedText> PaintedTexts() const = 0;
};
