#include "CammerWidget.h"

CammerWidget::CammerWidget(QWidget* parent, int camera) : QWidget(parent), CammerWidgetData(camera)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hide();
}
