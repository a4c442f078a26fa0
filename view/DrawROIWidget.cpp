#include "DrawROIWidget.h"

DrawROIWidget::DrawROIWidget(QWidget* parent) : QWidget(parent)
{
    hide();
}

void DrawROIWidget::SetCameraChoice(int) {}

void DrawROIWidget::SlotDrawPloygn() {}
