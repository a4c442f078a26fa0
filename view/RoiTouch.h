#pragma once
// Drawing and editing areas by touch on one camera view: new rectangles and
// circles are dragged out, polygons entered point by point or drawn
// freehand, areas selected by a tap, moved by their inside and reshaped by
// a handle. Every change goes to the edit set of the editor's step.
#include "platform/vision/Circle.h"
#include "platform/vision/ClustomRect.h"

#include <QPoint>

#include <vector>

class CammerWidget;
class CammerSingleton;
class QMouseEvent;
class ViewHost;
struct WizardPara;

// Area j of group g: contains p or has a handle there (*handle: which).
bool AreaHit(const CammerSingleton& set, int g, int j, QPoint p, int* handle = nullptr);
bool AreaSelected(const CammerSingleton& set, int g, int j);
void SelectArea(CammerSingleton& set, int g, int j, bool on);
// Moves area j of group g by d (view coordinates): a rectangle or circle is
// kept inside the view; a polygon moves only when every vertex stays 3 px
// inside it. False when it did not move.
bool MoveArea(CammerSingleton& set, int g, int j, QPoint d);
// Corners in order (QRect::normalized() drops a pixel of an inverted rectangle).
QRect OrderedRect(const QRect& r);
// The parameter that switches function code `code` on for the editor.
bool AreaFunctionEnabled(const WizardPara& p, int code);

class RoiTouch {
public:
    enum MouseState { Idle = 0, Drawing = 1, Moving = 2, Resizing = 3, PressedNew = 5 };
    static constexpr int kMaxPolygonPoints = 8095;  // a drawn polygon keeps at most this many
    static constexpr int kMinShapeSpan = 9;          // a new shape must span more than this
    static constexpr int kCloseDistance = 9;         // a tap this near the first point closes
    static constexpr int kDragThreshold = 3;         // frame pixels before a drag moves anything
    static constexpr int kMinGesturePoints = 6;

    explicit RoiTouch(CammerWidget& w);

    void Press(QMouseEvent* event);
    void Move(QMouseEvent* event);
    void Release(QMouseEvent* event);
    // Turns the entered points into a polygon area (state 1, polygon kind).
    void SavePolygon();
    // Back to idle with no polygon entry.
    void Reset();

    int handle = -1;
    int mouseState = Idle;
    bool newShape = false;
    ClustomRect drawRect;
    Circle drawCircle;
    QPoint lastPoint;
    QPoint curPoint;
    QPoint pressPoint;
    QPoint lastTouch;  // where the last area was picked (next-area search)
    std::vector<QPoint> points;
    bool polygonStarted = false;
    bool pressed = false;

private:
    bool Dragged(QPoint p) const;
    void PressDrawing(QPoint p);
    void PressSelected(QPoint p);
    void MoveSelection(QPoint p);
    void MovePolygon(QPoint p);
    void AddNewShape();
    // Area j of group g, just shaped, becomes the step's new last area, selected.
    void StoreNewArea(int g, int j, bool polygon);
    // Limits and function of a new area: the previous area's, or the first
    // enabled function's defaults for the first area of the step.
    void NewAreaParameters(int g, int j, bool polygon);
    CammerSingleton* EditSet() const;
    int Step() const;

    CammerWidget& m_w;
};
