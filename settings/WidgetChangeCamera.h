#pragma once
// Camera renumbering: each physical camera gets its logical number; the
// serial numbers are stored in that order and the machine restarts.
#include "PagePlacer.h"

#include <QWidget>

#include <functional>

class CameraStation;
class ColorButton;
class ComboBox;

class WidgetChangeCamera : public QWidget {
    Q_OBJECT
public:
    // shutDown: the settings dialog's power-off action, run after the save.
    WidgetChangeCamera(QWidget* parent, CameraStation* station, int cameras, std::function<void()> shutDown);

    ComboBox* list[8] = {};
    ColorButton* confirmButton = nullptr;
    // The row captions as they are painted.
    QList<PaintedCaption> captions() const;

public slots:
    void SetCameraNO(int camera, int number);
    void SlotOK();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CameraStation* m_station;
    int m_cameras;
    std::function<void()> m_shutDown;
};
