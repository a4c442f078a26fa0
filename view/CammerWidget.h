#pragma once
// One camera's widget: its camera, frame buffers, live and edit ROI sets,
// inspection engine, templates and recent-NG frames, and (later) the view
// and ROI editing. The record the engine and the stores use is CammerWidgetData.
#include "params/CammerWidgetData.h"

#include <QImage>
#include <QWidget>

#include <memory>

class CameraSide;
class CameraStation;
class CheckBox;
class ColorButton;
class ComboBox;
class QLabel;
class QTimer;
class Slider;

class CammerWidget : public QWidget, public CammerWidgetData {
    Q_OBJECT
public:
    // Builds camera `camera`'s widget and opens its camera through the
    // station (null: a widget without device, as in tests of the view).
    CammerWidget(QWidget* parent, int camera, CameraStation* station = nullptr);
    ~CammerWidget() override;

    void RequestRepaint() override { update(); }

    // The camera half (null without a station).
    CameraSide* cameraSide() const { return m_side.get(); }
    bool cameraOpen() const;
    // The display picture (RGB32 over displayBuffer), with any shown frame in it.
    const QImage& displayImage()
    {
        SyncDisplay();
        return m_display;
    }
    // Shows a frame (work buffer or aligned frame): it is widened into the
    // display buffer when the view next paints, so a detection step hands
    // its outputs to the board before any picture is converted.
    void ShowFrame(const std::vector<uint8_t>& frame);
    void ShowWorkFrame() { ShowFrame(workBuffer); }
    // Converts a shown frame that is still waiting (paint, grabs, video share).
    void SyncDisplay();
    // Result picture of a step into the saver's slot (0 NG, 1 OK): the judged
    // frame; the live view adds its marks.
    void SaveFailImage(int step, int slot);
    // A stored picture as the working frame (manual snapshots without cameras):
    // taken only at frame size, converted to the frame format row by row.
    bool LoadStandInFrame(const QString& path);
    // Where the step countdown stands in a view of the given scale; the
    // layout rule is the one of every widget (small up to 1024 px).
    static QRect CountdownRect(float sx, float sy);

    // Panel widgets (placed and shown by the ROI parameter panel).
    Slider* slider[3] = {};
    QLabel* funcLabel = nullptr;
    ColorButton* funcButton = nullptr;
    ColorButton* paraSwitchButton = nullptr;
    ComboBox* outputCombo = nullptr;
    ColorButton* nextRoiButton = nullptr;
    ColorButton* handleButton = nullptr;
    ColorButton* padButton[4] = {};   // +10, +1, -1, -10
    ColorButton* moveButton[4] = {};  // up, down, left, right
    ColorButton* moveAllButton = nullptr;
    CheckBox* cavityBox[16] = {};
    QTimer* blinkTimer = nullptr;

    int selectedRoi = -1;
    int previousRoi = -1;
    int blinkPhase = 0;
    int moveMode = 0;
    bool paraToggle = false;
    bool stepFlag[kGroups] = {};
    int ringPosition = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void BuildPanel();

    std::unique_ptr<CameraSide> m_side;
    const std::vector<uint8_t>* m_pendingFrame = nullptr;
    CameraStation* m_station = nullptr;
    QImage m_display;
};
