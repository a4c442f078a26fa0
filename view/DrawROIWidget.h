#pragma once
// The ROI editor's narrow command column at the screen edge: image source,
// camera and step, drawing tools, templates, alarm handling.
#include <QWidget>

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(QWidget* parent = nullptr);

    // Shows camera c in the camera choice (as a tap on its view does).
    void SetCameraChoice(int c);

public slots:
    void SlotDrawPloygn();
};
