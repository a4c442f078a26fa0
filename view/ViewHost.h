#pragma once
// What the camera views and the ROI editor need of the main window: its
// cycle and editor fields and a few of its operations. The main window
// installs its implementation; until then a stand-alone host with its own
// fields keeps the views usable on their own (tests install their own).
#include "inspect/CycleState.h"

#include <QImage>
#include <QPoint>
#include <QList>
#include <QRect>
#include <QString>

#include <algorithm>

class CammerWidget;
class DrawROIWidget;
struct WizardPara;

// Fields of the main window that the ROI editor sets and the views read.
struct EditorState {
    enum DrawKind { DrawNone = 0, DrawRect = 1, DrawPolygon = 2, DrawCircle = 4 };
    int editorStep = 0;    // step whose areas and templates the editor shows
    // editorStep as an index into the eight step groups.
    int step() const { return std::clamp(editorStep, 0, 7); }
    int drawKind = DrawNone;
    bool copyMode = false; // the next press copies the selected area there
    bool gesture = false;  // a polygon is drawn freehand
    // Pixel read-out of the last touch on the selected camera.
    int imageX = 0;
    int imageY = 0;
    quint32 pixel = 0;
};

// The OK/NG record picture the editor shows (image sources 3 and 4).
struct RecordState {
    QString name;  // file name without ".jpg"
    QImage picture;
    int camera = 0;
    int step = 0;
    int count = 0;
    bool okRecords = false;
    int index = 0;  // 0 = newest
};

class ViewHost {
public:
    virtual ~ViewHost() = default;

    virtual CycleState& cycle() = 0;
    virtual EditorState& editor() = 0;
    virtual int cameraCount() const = 0;  // numCamera
    virtual CammerWidget* cameraWidget(int c) = 0;
    virtual DrawROIWidget* editorColumn() { return nullptr; }
    virtual const RecordState* records() const { return nullptr; }
    virtual int framesPerSecond(int c) const { (void)c; return 0; }
    // Remaining time of the first running step countdown, else of the
    // re-detect countdown; negative when none runs.
    virtual float countdownSeconds() const { return -1.0f; }
    virtual QString cavityName(int camera, int k) const;

    virtual void ChangeCammer() {}
    virtual int CheckPassword() { return 2; }
    virtual void InsertRecord(const QString& text) { (void)text; }
    // A press on a camera view restarts the command column's hiding timer;
    // with showOrCheck (no alarm pending) it also shows the column or runs
    // its show/hide check. True when the press only brought it back.
    virtual bool commandColumnPress(bool showOrCheck) { (void)showOrCheck; return false; }
    virtual void showCommandColumn() {}
    virtual void showStatusStrip(bool on) { (void)on; }
    // Top edge (window coordinates) of the status strip while it is shown
    // over the views; the window's height otherwise.
    virtual int statusStripTop() const { return 1 << 20; }
    // Columns standing over the views now (command column, editor column),
    // in window coordinates: texts keep out from under them.
    virtual QList<QRect> overlays() const { return {}; }
    virtual void hideKeypads() {}
    virtual void showHelp(int index) { (void)index; }
    virtual bool settingsVisible() const { return false; }

    // Cycle operations the editor starts.
    virtual void ResetRun(int camera) { (void)camera; }
    // Judges camera c (numCamera: all) again on the current step and decides;
    // clearReason (CycleState) tells how an alarm this clears was cleared.
    virtual void Rejudge(int camera, int clearReason, quint64 alarm) { (void)camera, (void)clearReason, (void)alarm; }
    // The verdict again after result codes were changed by hand.
    virtual void CheckNGAgain(int clearReason, quint64 alarm) { (void)clearReason, (void)alarm; }
    virtual void BackTrain() {}
    virtual void AutogenerationRegion(int step) { (void)step; }
    virtual void startBlink(int c) { (void)c; }
    // An area limit was just changed: the hint goes after three seconds.
    virtual void startDrawHint() {}
    virtual bool safetyDoorOpen() const { return false; }
    // The alarm output off on the board at once (the editor left the
    // alarm's live picture).
    virtual void alarmOutputOff() {}

    static ViewHost& instance();
    static void setInstance(ViewHost* host);  // nullptr restores the stand-alone host
};

// The live parameters, or defaults before they are loaded (views built alone).
const WizardPara& LiveParams();

// Last-modified time of the template the editor shows ("yyyy-MM-dd hh.mm.ss").
extern QString gTempTime;
