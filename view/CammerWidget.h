#pragma once
// One camera's widget: its camera, frame buffers, live and edit ROI sets,
// inspection engine, templates and recent-NG frames, the live view and the
// ROI editing on it. The record the engine and the stores use is
// CammerWidgetData; painting, touch editing and the parameter panel are
// LiveViewPainter, RoiTouch and RoiPanel.
#include "RoiTouch.h"
#include "params/CammerWidgetData.h"
#include "widgets/TextPlacer.h"

#include <QElapsedTimer>
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
class RoiPanel;
class Slider;

class CammerWidget : public QWidget, public CammerWidgetData {
    Q_OBJECT
public:
    // Builds camera `camera`'s widget and opens its camera through the
    // station (null: a widget without device, as in tests of the view).
    // Without trainEngine the engine waits for engine->Train() (the main
    // window trains all cameras at once).
    CammerWidget(QWidget* parent, int camera, CameraStation* station = nullptr, bool trainEngine = true);
    ~CammerWidget() override;

    void RequestRepaint() override { update(); }

    // The camera half (null without a station).
    CameraSide* cameraSide() const { return m_side.get(); }
    bool cameraOpen() const;
    // The display picture (RGB32) with the shown image in it: over
    // displayBuffer, or a colour frame's own pixels.
    const QImage& displayImage()
    {
        SyncDisplay();
        return m_display;
    }
    // The display picture as it stands (overlays the view painted included).
    const QImage& displayAsIs() const { return m_display; }
    // Shows a frame (work buffer or aligned frame) by reference: it is widened
    // into the display buffer when the view next paints, so a detection step
    // hands its outputs to the board before any picture is converted.
    void ShowFrame(const FrameBytes& frame);
    void ShowWorkFrame() { ShowFrame(workBuffer); }
    // Repaints for a new live frame, at most once per kLiveRepaintMs: a panel
    // needs some 15 pictures a second, not the cameras' 50 times eight, and
    // the cycle's pass waits behind a repaint. The last frame is always drawn.
    void RepaintLive();
    static constexpr int kLiveRepaintMs = 66;
    // The shown grey frame as it lies (8 bit, no copy); null for colour.
    QImage ShownGrey();
    // Copies a picture of the frame format (template, recent NG) to be shown.
    void ShowPicture(const FrameBytes& picture);
    // Shows recent NG frame k of group g (kept narrower than a frame).
    void ShowRecentNg(int g, int k);
    // Shows template k of group g (kept as narrow).
    void ShowTemplate(int g, int k);
    // The shown image (frame format), null before anything was shown.
    const FrameBytes* shownImage() const { return m_shown; }
    // Converts the shown image into the display buffer when it changed or
    // overlays were painted over it.
    void SyncDisplay();
    void MarkDisplayDirty() { m_displayDirty = true; }
    // Pixels of the display picture, for overlays painted in place.
    quint32* displayPixels() const { return reinterpret_cast<quint32*>(m_displayPixels); }
    // The display picture is the shown frame itself: what is painted into it
    // must be taken out again once drawn.
    bool displaySharesFrame() const { return m_displayPixels != displayBuffer.data(); }
    // The display picture is smaller than a frame (a kept NG frame scaled to
    // the view; its full size comes back from the recent-NG ring when needed).
    bool displayScaled() const { return m_keptGroup >= 0; }
    void BeforeFrameWrite(const FrameBytes& buffer, bool shownNext) override;
    void WorkBufferMoved(const uint8_t* was) override;

    // Result pictures for the image saver (slot 0 NG, 1 OK) and their
    // result-code lines.
    void SaveFailImage(int step, int slot);
    void UpdateFailImage(int step, int slot);
    // The working frame becomes template 0 of the step (resampling).
    void SaveReTrainImage(int step);
    // A stored picture as the working frame (manual snapshots without cameras):
    // taken only at frame size, converted to the frame format row by row.
    bool LoadStandInFrame(const QString& path);
    // Where the step countdown stands in a view of the given scale; the
    // layout rule is the one of every widget (small up to 1024 px).
    static QRect CountdownRect(float sx, float sy);
    // The texts paintEvent draws, where it draws them.
    QList<PlacedText> PaintedTexts();
    // The part of the view no column or status strip stands over.
    QRect FreeArea() const;
    // The move buttons along the bottom of that part.
    void PlaceMoveButtons();

    // Editing on the edit set (see RoiTouch): hit tests and selection.
    RoiTouch& touch() { return *m_touch; }
    RoiPanel& panel() { return *m_panel; }
    bool PtInRegion(QPoint p);
    bool PtInRect(QPoint p);
    bool PtInRectMove(QPoint p);
    bool GetSelectedRect();
    void DeselectROI();
    // Pixel read-out of a widget point into the editor state.
    void MUpdateXYV(int x, int y);
    // A widget point as a view point (pan and zoom of the selected camera).
    QPoint ViewPoint(QPoint widgetPoint) const;
    bool IsSelectedCamera() const;

    // Panel (see RoiPanel).
    void ShowHideROIPara();
    void ShowHideCheckBox(bool show);
    void SetCheckBoxState(int row);

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
    int blinkPhase = 0;  // 0 off, 1 NG pixels shown, 2 ignored points shown
    int moveMode = 0;    // 0 one area with its limits, 1 one area, 2 all areas
    bool paraToggle = false;
    int ringPosition = 0;

public slots:
    void TimerShowAlarm();
    void SavePolygon();
    void SlotCopyArea(QPoint p);
    void CopyPara();
    void SlotMinWH(int v);
    void SlotSensitivity(int v);
    void SlotArea(int v);
    void SlotOutN(int i);
    void SlotChangeFunc();
    void SlotChangeParaSow();
    void SlotChangeObject();
    void SlotAdd10() { SlotSize(0); }
    void SlotAdd1() { SlotSize(1); }
    void SlotSub1() { SlotSize(2); }
    void SlotSub10() { SlotSize(3); }
    void SlotSize(int mode);
    void SlotNextROI();
    void SlotMove(int dx, int dy);
    void SlotMoveT() { SlotMove(0, -1); }
    void SlotMoveB() { SlotMove(0, 1); }
    void SlotMoveL() { SlotMove(-1, 0); }
    void SlotMoveR() { SlotMove(1, 0); }
    void SlotMoveAll();
    void SlotClickCheckBox(int k);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <class Read>
    void ShowUnpacked(Read read);
    void BuildPanel();

    std::unique_ptr<CameraSide> m_side;
    std::unique_ptr<RoiTouch> m_touch;
    std::unique_ptr<RoiPanel> m_panel;
    const FrameBytes* m_shown = nullptr;
    FrameBytes m_picture;  // editor pictures shown (template, recent NG)
    bool m_displayDirty = false;
    bool m_shownOverwritten = false;  // the shown frame's buffer holds a newer one
    // Grey frames are widened and the plant-link video stamps its copy:
    // those views keep a picture of their own.
    bool m_ownDisplay = true;
    void PointDisplayAt(uint8_t* pixels);
    // Keeps the shown frame at the view's size when the recent-NG ring holds
    // it whole; false when a full copy is needed.
    bool KeepScaled();
    // The kept frame at full size again (zoom, a larger view); false when
    // the ring no longer holds it.
    bool RestoreKept();
    int m_keptGroup = -1, m_keptSlot = -1, m_keptCount = 0;
    uint8_t* m_displayPixels = nullptr;
    CameraStation* m_station = nullptr;
    QImage m_display;
    QElapsedTimer m_lastPaint;
    QTimer* m_liveRepaint = nullptr;
};
