#pragma once
// A camera widget without a device on a frame of known size, its parameters,
// a main-window stand-in and the shared popups: enough to paint the live
// view, edit areas and render result pictures in a fresh working directory.
#include "TestSupport.h"

#include "inspect/CycleState.h"
#include "params/WizardPara.h"
#include "view/ViewHost.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

class CammerWidget;
class DrawROIWidget;

// The main window as the views see it; records what the views asked of it.
class FakeViewHost : public ViewHost {
public:
    CycleState& cycle() override { return state; }
    EditorState& editor() override { return edit; }
    int cameraCount() const override { return int(cameras.size()); }
    CammerWidget* cameraWidget(int c) override { return (c >= 0 && c < cameraCount()) ? cameras[size_t(c)] : nullptr; }
    DrawROIWidget* editorColumn() override { return column; }
    const RecordState* records() const override { return recordState; }
    int framesPerSecond(int) const override { return fps; }
    int CheckPassword() override { return passwordLevel; }
    void InsertRecord(const QString& text) override { log << text; }
    void ChangeCammer() override { ++layouts; }
    void Rejudge(int camera, int) override { rejudged << camera; }
    void ResetRun(int camera) override { reset << camera; }
    void CheckNGAgain(int) override { ++verdicts; }
    void BackTrain() override { ++backTrains; }
    void AutogenerationRegion(int step) override { autoRegions << step; }
    bool safetyDoorOpen() const override { return doorOpen; }
    void startDrawHint() override { ++drawHints; }

    CycleState state;
    EditorState edit;
    std::vector<CammerWidget*> cameras;
    DrawROIWidget* column = nullptr;
    const RecordState* recordState = nullptr;
    int fps = 0;
    int passwordLevel = 2;
    bool doorOpen = true;
    QStringList log;
    int layouts = 0;
    QList<int> rejudged;
    QList<int> reset;
    int verdicts = 0;
    int backTrains = 0;
    int drawHints = 0;
    QList<int> autoRegions;
};

// Globals, database, popups and host of one test case; camera widgets made
// by it are full-screen views of a 640 x 480 grey frame.
class ViewRig {
public:
    static constexpr int kW = 640;
    static constexpr int kH = 480;

    explicit ViewRig(int cameras = 1, int steps = 2, int templateSlots = 3, bool colour = false);
    ~ViewRig();

    CammerWidget* widget(int c = 0) { return m_widgets[size_t(c)].get(); }
    // Fills the work buffer (and the judged frame) with grey `bg` and a
    // rectangle of grey `fg` at `patch` (frame pixels); grey frames only.
    void SetFrame(int c, int bg, int fg = 0, const QRect& patch = QRect());
    // Puts one area into group g of the live set (view rectangle, function
    // code and limits), builds its mask and retrains the group.
    void AddLiveRect(int c, int g, const QRect& view, int code = 0, int minSize = 3, int sens = 45, int maxArea = 100);
    // The widget drawn as it shows on screen.
    QImage Grab(int c = 0);
    // A frame rectangle in view coordinates.
    static QRect ToView(const QRect& frame);

    TempWorkDir dir;
    WizardPara para;
    FakeViewHost host;

private:
    std::vector<std::unique_ptr<CammerWidget>> m_widgets;
};

// True when a pixel of `colour` lies within `radius` pixels of `at`.
bool HasColourNear(const QImage& img, QPoint at, QRgb colour, int radius = 2);
