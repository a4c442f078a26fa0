#include "RoiTouch.h"

#include "CammerWidget.h"
#include "DrawROIWidget.h"
#include "Prompts.h"
#include "RoiPanel.h"
#include "ViewHost.h"
#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/CheckInRange.h"

#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

bool AreaHit(const CammerSingleton& set, int g, int j, QPoint p, int* handle)
{
    int h = -1;
    bool hit = false;
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kRect: hit = set.rect[g][j].PtInCtrl(p, &h) || set.rect[g][j].Contains(p); break;
    case CammerSingleton::kCircle: hit = set.circle[g][j].PtInCtrl(p, &h) || set.circle[g][j].Contains(p); break;
    default: hit = set.polygon[g][j].PtInCtrl(p, &h) || set.polygon[g][j].Contains(p); break;
    }
    if (handle)
        *handle = h;
    return hit;
}

bool MoveArea(CammerSingleton& set, int g, int j, QPoint d)
{
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kPolygon: {
        RePolygon& poly = set.polygon[g][j];
        const bool inside = std::all_of(poly.points.begin(), poly.points.end(), [&](const QPoint& v) {
            const QPoint m = v + d;
            return m.x() >= 3 && m.x() < gShowW - 3 && m.y() >= 3 && m.y() < gShowH - 3;
        });
        if (!inside)
            return false;
        poly.Move(d.x(), d.y());
        poly.setImageRect();
        return true;
    }
    case CammerSingleton::kCircle: {
        Circle& c = set.circle[g][j];
        c.translate(d);
        CheckInRange(&c, true);
        c.UpdateAll();
        return true;
    }
    default: {
        ClustomRect& r = set.rect[g][j];
        r.translate(d);
        CheckInRange(&r, true);
        return true;
    }
    }
}

QRect OrderedRect(const QRect& r)
{
    return QRect(QPoint(std::min(r.left(), r.right()), std::min(r.top(), r.bottom())),
                 QPoint(std::max(r.left(), r.right()), std::max(r.top(), r.bottom())));
}

bool AreaSelected(const CammerSingleton& set, int g, int j)
{
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kRect: return set.rect[g][j].IsSelected();
    case CammerSingleton::kCircle: return set.circle[g][j].IsSelected();
    default: return set.polygon[g][j].IsSelected();
    }
}

void SelectArea(CammerSingleton& set, int g, int j, bool on)
{
    // Every kind: a stale flag on a kind not in use must not select it later.
    set.rect[g][j].SetSelected(on && set.roi_type[g][j] == CammerSingleton::kRect);
    set.circle[g][j].SetSelected(on && set.roi_type[g][j] == CammerSingleton::kCircle);
    set.polygon[g][j].SetSelected(on && set.roi_type[g][j] == CammerSingleton::kPolygon);
}

namespace {
Qt::CursorShape HandleCursor(int roiType, int handle)
{
    if (roiType == CammerSingleton::kCircle)
        return handle == 2 ? Qt::SizeAllCursor : Qt::SizeHorCursor;
    if (roiType == CammerSingleton::kRect)
        return Qt::SizeFDiagCursor;
    return Qt::CrossCursor;
}
}  // namespace

bool AreaFunctionEnabled(const WizardPara& p, int code)
{
    switch (code) {
    case RoiCode::Defect: return p.enableDefect;
    case RoiCode::Spot: return p.enableSpot;
    case RoiCode::IgnoreArea: return p.enableIgnoreArea;
    case RoiCode::Position: return p.enableManualLocate;
    case RoiCode::BlackArea: return p.enableBlackArea;
    case RoiCode::WhiteArea: return p.enableWhiteArea;
    case RoiCode::Similarity: return p.enableSimilarity;
    case RoiCode::WhiteNum: return p.enableWhiteNumber;
    case RoiCode::BlackNum: return p.enableBlackNumber;
    case RoiCode::DistMeasure: return p.enableDistMeasure;
    default: return false;
    }
}

RoiTouch::RoiTouch(CammerWidget& w) : m_w(w) {}

CammerSingleton* RoiTouch::EditSet() const
{
    return m_w.editSet;
}

int RoiTouch::Step() const
{
    return ViewHost::instance().editor().step();
}

void RoiTouch::Reset()
{
    polygonStarted = false;
    mouseState = Idle;
    points.clear();
    newShape = false;
}

bool RoiTouch::Dragged(QPoint p) const
{
    // Counted in frame pixels, and always from the last point that moved the
    // area, so a slow drag adds up until it crosses the threshold.
    const double dx = std::abs(p.x() - lastPoint.x()) / std::max(double(ShowScaleW()), 1e-9);
    const double dy = std::abs(p.y() - lastPoint.y()) / std::max(double(ShowScaleH()), 1e-9);
    return dx >= kDragThreshold || dy >= kDragThreshold;
}

void RoiTouch::Press(QMouseEvent* event)
{
    ViewHost& host = ViewHost::instance();
    CycleState& st = host.cycle();
    EditorState& ed = host.editor();
    const QPoint wp = event->position().toPoint();
    // Both readers of the touch point: the zoom centre and the pan start.
    st.zoomCentreX = st.lastPanX = wp.x();
    st.zoomCentreY = st.lastPanY = wp.y();
    if (m_w.IsSelectedCamera())
        m_w.MUpdateXYV(wp.x(), wp.y());
    if (host.commandColumnPress(st.verdictState < VerdictAlarm))
        return;
    const int n = host.cameraCount();
    if (m_w.camera >= n)
        return;
    if (st.selCamera >= n) {
        st.selCamera = m_w.camera;
        host.ChangeCammer();
        if (st.verdictState == VerdictAlarm && gSource == 1)
            if (DrawROIWidget* column = host.editorColumn())
                column->SetCameraChoice(m_w.camera);
        return;
    }
    if (gSource != 0) {
        m_w.setCursor(Qt::ArrowCursor);
        return;
    }
    mouseState = Idle;
    pressed = true;
    const QPoint p = m_w.ViewPoint(wp);
    pressPoint = p;
    if (ed.copyMode) {
        ed.copyMode = false;
        m_w.SlotCopyArea(p);
        return;
    }
    if (ed.drawKind != EditorState::DrawNone)
        PressDrawing(p);
    else
        PressSelected(p);
    m_w.update();
}

void RoiTouch::PressDrawing(QPoint p)
{
    EditorState& ed = ViewHost::instance().editor();
    m_w.setCursor(Qt::CrossCursor);
    curPoint = lastPoint = p;
    if (ed.drawKind == EditorState::DrawRect) {
        drawRect.setCoords(p.x(), p.y(), p.x(), p.y());
        mouseState = PressedNew;
        newShape = true;
    } else if (ed.drawKind == EditorState::DrawCircle) {
        drawCircle.setCoords(p.x(), p.y(), p.x(), p.y());
        mouseState = PressedNew;
        newShape = true;
    } else if (ed.drawKind == EditorState::DrawPolygon) {
        mouseState = Drawing;
        polygonStarted = true;
        if (ed.gesture)
            return;
        if (int(points.size()) >= kMaxPolygonPoints) {
            points.resize(kMaxPolygonPoints);
            Warn(35);
        } else if (!points.empty() && std::abs(p.x() - points.front().x()) <= kCloseDistance
                   && std::abs(p.y() - points.front().y()) <= kCloseDistance) {
            // A tap on the first point closes the polygon, as its button does.
            if (DrawROIWidget* column = ViewHost::instance().editorColumn())
                column->SlotDrawPloygn();
            else
                SavePolygon();
        } else {
            points.push_back(p);
        }
    }
}

void RoiTouch::PressSelected(QPoint p)
{
    CammerSingleton* set = EditSet();
    const int g = Step();
    if (!set)
        return;
    if (m_w.GetSelectedRect()) {
        const int j = m_w.selectedRoi;
        int h = -1;
        if (AreaHit(*set, g, j, p, &h)) {
            lastPoint = p;
            if (h >= 0) {
                handle = h;
                mouseState = Resizing;
            } else {
                m_w.setCursor(Qt::SizeAllCursor);
                mouseState = Moving;
            }
            // Moves then go to the polygon handling or to the rectangle and circle one.
            if (set->roi_type[g][j] == CammerSingleton::kPolygon)
                polygonStarted = true;
            else
                newShape = true;
        } else {
            if (j >= 0)
                m_w.previousRoi = j;
            SelectArea(*set, g, j, false);
            m_w.selectedRoi = -1;
            m_w.setCursor(Qt::CrossCursor);
            curPoint = lastPoint = p;
        }
        return;
    }
    if (!m_w.PtInRect(p))
        return;
    const int j = m_w.selectedRoi;
    m_w.setCursor(Qt::SizeAllCursor);
    SelectArea(*set, g, j, true);
    handle = 0;
    mouseState = Moving;
    lastPoint = p;
    if (set->roi_type[g][j] == CammerSingleton::kPolygon)
        polygonStarted = true;
    else
        newShape = true;
}

void RoiTouch::Move(QMouseEvent* event)
{
    ViewHost& host = ViewHost::instance();
    CycleState& st = host.cycle();
    const QPoint wp = event->position().toPoint();
    if (m_w.IsSelectedCamera())
        m_w.MUpdateXYV(wp.x(), wp.y());
    if (gSource == 1 || gSource == -1) {
        // A zoomed live view pans under the finger.
        if (m_w.IsSelectedCamera() && st.zoomButtonsShown == 2 && st.zoomScale > 1.1
            && (event->buttons() & Qt::LeftButton)) {
            st.zoomOffsetX += wp.x() - st.lastPanX;
            st.zoomOffsetY += wp.y() - st.lastPanY;
            st.lastPanX = wp.x();
            st.lastPanY = wp.y();
            m_w.update();
        }
        return;
    }
    if (gSource != 0 || m_w.camera >= host.cameraCount())
        return;
    const QPoint p = m_w.ViewPoint(wp);
    if (newShape) {
        MoveSelection(p);
        m_w.update();
        return;
    }
    if (polygonStarted) {
        MovePolygon(p);
        m_w.update();
        return;
    }
    // Hover: what a press here would grab.
    CammerSingleton* set = EditSet();
    const int g = Step();
    int h = -1;
    if (set && m_w.selectedRoi >= 0 && m_w.selectedRoi < set->count[g]
        && AreaHit(*set, g, m_w.selectedRoi, p, &h) && h >= 0)
        m_w.setCursor(HandleCursor(set->roi_type[g][m_w.selectedRoi], h));
    else if (m_w.PtInRectMove(p))
        m_w.setCursor(Qt::SizeAllCursor);
    else
        m_w.setCursor(Qt::ArrowCursor);
}

void RoiTouch::MoveSelection(QPoint p)
{
    CammerSingleton* set = EditSet();
    const int g = Step();
    const int j = m_w.selectedRoi;
    const bool hasArea = set && j >= 0 && j < set->count[g];
    const bool circle = hasArea ? set->roi_type[g][j] == CammerSingleton::kCircle
                                : ViewHost::instance().editor().drawKind == EditorState::DrawCircle;
    switch (mouseState) {
    case Moving: {
        if (!hasArea || !Dragged(p))
            return;  // the last point stays until the finger really moved
        MoveArea(*set, g, j, p - lastPoint);
        lastPoint = p;
        break;
    }
    case Drawing: {
        int x = p.x();
        int y = p.y();
        CheckInRange(&x, 1);
        CheckInRange(&y, 0);
        if (circle) {
            drawCircle.setBottomRight(QPoint(x, y));
            drawCircle.UpdateAll();
        } else {
            drawRect.setBottomRight(QPoint(x, y));
        }
        break;
    }
    case Resizing: {
        if (!hasArea)
            return;
        if (circle) {
            Circle& c = set->circle[g][j];
            c.Resize(handle, lastPoint, p);
            CheckInRange(&c, false);
            c.UpdateAll();
        } else {
            // The dragged corner follows the finger even past the opposite
            // one; the rectangle is put in order when the finger lifts.
            ClustomRect& r = set->rect[g][j];
            r.Resize(handle, lastPoint, p);
            int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
            CheckInRange(&l, 1);
            CheckInRange(&rr, 1);
            CheckInRange(&t, 0);
            CheckInRange(&b, 0);
            r.setCoords(l, t, rr, b);
        }
        lastPoint = p;
        break;
    }
    case PressedNew:
        mouseState = Drawing;
        if (circle) {
            drawCircle.setBottomRight(p);
            drawCircle.UpdateAll();
        } else {
            drawRect.setBottomRight(p);
        }
        break;
    default:
        break;
    }
}

void RoiTouch::MovePolygon(QPoint p)
{
    CammerSingleton* set = EditSet();
    const int g = Step();
    const int j = m_w.selectedRoi;
    const bool hasArea = set && j >= 0 && j < set->count[g] && set->roi_type[g][j] == CammerSingleton::kPolygon;
    if (mouseState == Moving && pressed && hasArea) {
        if (!Dragged(p))
            return;
        MoveArea(*set, g, j, p - lastPoint);
        lastPoint = p;
    } else if (mouseState == Resizing && pressed && hasArea) {
        set->polygon[g][j].Resize(handle, lastPoint, p, float(ShowScaleW()), float(ShowScaleH()));
        lastPoint = p;
    } else if (mouseState == Drawing && ViewHost::instance().editor().gesture) {
        if (int(points.size()) < kMaxPolygonPoints)
            points.push_back(p);
    }
}

void RoiTouch::Release(QMouseEvent*)
{
    ViewHost& host = ViewHost::instance();
    EditorState& ed = host.editor();
    if (m_w.camera >= host.cameraCount() || gSource != 0) {
        pressed = false;
        return;
    }
    CammerSingleton* set = EditSet();
    const int g = Step();
    const int j = m_w.selectedRoi;
    if (newShape && mouseState == Drawing) {
        AddNewShape();
        ed.drawKind = EditorState::DrawNone;
        mouseState = Idle;
    } else if (newShape && mouseState == PressedNew) {
        ed.drawKind = EditorState::DrawNone;
        mouseState = Idle;
    } else if ((mouseState == Moving || mouseState == Resizing) && set && j >= 0 && j < set->count[g]) {
        if (set->roi_type[g][j] == CammerSingleton::kRect) {
            // A corner dragged past the opposite one: put in order before the mask.
            ClustomRect& r = set->rect[g][j];
            const bool sel = r.IsSelected();
            r = ClustomRect(OrderedRect(r));
            r.SetSelected(sel);
        }
        m_w.editMasks[g][j] = set->BuildMask(g, j);
        mouseState = Idle;
    } else if (polygonStarted && mouseState == Drawing && ed.gesture) {
        if (int(points.size()) < kMinGesturePoints) {
            Reset();
            ed.drawKind = EditorState::DrawNone;
        } else {
            SavePolygon();
        }
    }
    newShape = false;
    const bool entering = mouseState == Drawing && !ed.gesture && ed.drawKind == EditorState::DrawPolygon;
    if (!entering) {
        polygonStarted = false;
        mouseState = Idle;
    }
    m_w.ShowHideROIPara();
    pressed = false;
    m_w.update();
}

void RoiTouch::AddNewShape()
{
    CammerSingleton* set = EditSet();
    const int g = Step();
    if (!set)
        return;
    const bool circle = ViewHost::instance().editor().drawKind == EditorState::DrawCircle;
    bool keep;
    if (circle) {
        const QRect r = drawCircle;
        keep = r.right() - r.left() > kMinShapeSpan && r.bottom() - r.top() > kMinShapeSpan;
    } else {
        keep = std::abs(drawRect.right() - drawRect.left()) > kMinShapeSpan
            && std::abs(drawRect.bottom() - drawRect.top()) > kMinShapeSpan;
    }
    if (!keep)
        return;
    const int j = set->count[g];
    if (j >= CammerSingleton::kMaxRoi) {
        Warn(36);
        return;
    }
    if (circle) {
        // The box follows centre and radius, not the drag: a wide box would
        // stop the circle short of the screen edge when it is moved.
        drawCircle.UpdateAll();
        drawCircle.UpdateRect();
        set->circle[g][j] = drawCircle;
        set->roi_type[g][j] = CammerSingleton::kCircle;
    } else {
        set->rect[g][j] = ClustomRect(OrderedRect(drawRect));
        set->roi_type[g][j] = CammerSingleton::kRect;
    }
    StoreNewArea(g, j, false);
}

void RoiTouch::SavePolygon()
{
    EditorState& ed = ViewHost::instance().editor();
    CammerSingleton* set = EditSet();
    const int g = Step();
    if (!set || mouseState != Drawing || ed.drawKind != EditorState::DrawPolygon)
        return;
    const int j = set->count[g];
    if (j >= CammerSingleton::kMaxRoi) {
        Warn(36);
        return;
    }
    if (points.size() <= 2)
        return;  // the entry stays open
    if (int(points.size()) > kMaxPolygonPoints)
        points.resize(kMaxPolygonPoints);
    set->polygon[g][j] = RePolygon(int(points.size()), points.data());
    set->roi_type[g][j] = CammerSingleton::kPolygon;
    StoreNewArea(g, j, true);
    Reset();
    ed.drawKind = EditorState::DrawNone;
    m_w.ShowHideROIPara();
    m_w.update();
}

void RoiTouch::StoreNewArea(int g, int j, bool polygon)
{
    CammerSingleton& set = *EditSet();
    m_w.editMasks[g][j] = set.BuildMask(g, j);
    SelectArea(set, g, j, true);
    NewAreaParameters(g, j, polygon);
    set.count[g] = j + 1;
    m_w.selectedRoi = j;
}

void RoiTouch::NewAreaParameters(int g, int j, bool polygon)
{
    CammerSingleton& s = *EditSet();
    const WizardPara& p = LiveParams();
    if (j > 0) {
        RoiPanel::CopyLimits(s, g, j - 1, g, j);
    } else {
        int code = RoiCode::Defect;
        for (int c : {RoiCode::Spot, RoiCode::BlackArea, RoiCode::WhiteArea, RoiCode::Similarity, RoiCode::WhiteNum,
                      RoiCode::BlackNum, RoiCode::DistMeasure}) {
            if (AreaFunctionEnabled(p, c)) {
                code = c;
                break;
            }
        }
        // Codes 4, 5 and 6 keep the defect defaults where they set nothing.
        RoiPanel::WriteDefaults(s, g, j, RoiCode::Defect);
        RoiPanel::WriteDefaults(s, g, j, code);
        if (code == RoiCode::WhiteNum && polygon)
            s.max_area[g][j] = 0x20001;
    }
    s.NGCount[g][j] = 0;
    m_w.roiValue[g][j] = 0;
    if (g == 0)
        s.output_point[j] = 0;
    m_w.NoteNewArea(g, j);
}
