#pragma once
// One camera's view and ROI editor. The record of buffers, masks and results
// that the engine and the ROI sets use is CammerWidgetData.
#include "params/CammerWidgetData.h"

#include <QWidget>

class CammerWidget : public QWidget, public CammerWidgetData {
    Q_OBJECT
public:
    CammerWidget(QWidget* parent, int camera);

    void RequestRepaint() override { update(); }
};
