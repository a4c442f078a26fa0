#include "LiveViewPainter.h"

#include "AreaTexts.h"
#include "CammerWidget.h"
#include "ViewHost.h"
#include "records/Counters.h"
#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
const QColor kSalmon(QStringLiteral("#E9967A"));
constexpr quint32 kRed = 0xFFFF0000u;
constexpr quint32 kCyan = 0xFF00FFFFu;
constexpr int kMaxBoxes = 99;

// The area's frame box, clamped to the frame; empty when it has none.
ShapeBox FrameBox(const CammerSingleton& set, int g, int j)
{
    const cv::Rect r = set.RoiBox(g, j);
    if (r.width <= 0 || r.height <= 0)
        return ShapeBox();
    return ShapeBox::clipped(r.x, r.y, r.x + r.width - 1, r.y + r.height - 1, gImageW, gImageH);
}

// First point of a shape, where its text stands.
QPoint FirstPoint(const CammerSingleton& set, int g, int j)
{
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kRect: return OrderedRect(set.rect[g][j]).topLeft();
    case CammerSingleton::kCircle: return set.circle[g][j].topLeft();
    default: return set.polygon[g][j].points.empty() ? QPoint() : set.polygon[g][j].points.front();
    }
}

void DrawShape(QPainter& painter, const CammerSingleton& set, int g, int j)
{
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kRect: set.rect[g][j].Draw(painter); break;
    case CammerSingleton::kCircle: set.circle[g][j].Draw(painter); break;
    default: set.polygon[g][j].Draw(painter); break;
    }
}
}  // namespace

LiveViewPainter::LiveViewPainter(CammerWidget& w, ViewHost& host)
    : m_w(w)
    , m_host(host)
    , m_p(LiveParams())
    , m_small(gShowW <= 1024)
    , m_source(gSource)
{
    if (w.IsSelectedCamera()) {
        const CycleState& st = host.cycle();
        m_zoom.translate(st.zoomOffsetX, st.zoomOffsetY);
        m_zoom.scale(st.zoomScale, st.zoomScale);
    }
    const double ww = w.width();
    const double wh = w.height();
    QTransform view;
    view.scale(ww / std::max(gShowW, 1), wh / std::max(gShowH, 1));
    QTransform image;
    image.scale(ww / std::max(gImageW, 1), wh / std::max(gImageH, 1));
    m_view = view * m_zoom;
    m_text = view;
    m_image = image * m_zoom;
}

void LiveViewPainter::SetFont(QPainter& painter, int small, int large)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setWeight(QFont::Normal);
    f.setPixelSize(Size(small, large));
    painter.setFont(f);
}

void LiveViewPainter::DrawImage(QPainter& painter, const QImage& image)
{
    painter.save();
    painter.setTransform(m_zoom);
    painter.drawImage(m_w.rect(), image);
    painter.restore();
}

void LiveViewPainter::Paint(QPainter& painter)
{
    if (m_source == 3 || m_source == 4) {
        PaintRecord(painter);
        return;
    }
    if (m_source == 2) {
        PaintRecentNg(painter);
        return;
    }
    if (m_w.camera >= m_host.cameraCount())
        return;
    const bool tmpl = m_source == 0;
    const CammerSingleton* set = tmpl ? m_w.editSet : m_w.liveSet;
    const int g = std::clamp(tmpl ? m_host.editor().editorStep : m_host.cycle().curStep, 0, 7);

    m_w.SyncDisplay();
    if (set)
        PaintOverlays(*set, g);
    DrawImage(painter, m_w.displayAsIs());

    const CycleState& st = m_host.cycle();
    const int v = st.verdictState;
    const bool block = v == VerdictShowing || (v == VerdictIdle && (m_p.showRoiLive || tmpl))
        || ((v == VerdictAlarm || v == VerdictAreaCheck) && tmpl) || (v == VerdictAlarm && m_source == 1);
    QString selectedText;
    if (block && set) {
        PaintAreas(painter, *set, g);
        if (tmpl && m_w.selectedRoi >= 0 && m_w.selectedRoi < set->count[g]) {
            const int j = m_w.selectedRoi;
            selectedText = AreaCaption(*set, g, j, QString::number(m_w.roiValue[g][j]), m_p);
        }
    }
    painter.setTransform(m_text);  // texts stay put when zoomed
    if (block) {
        PaintVerdict(painter);
        if (tmpl)
            PaintLegend(painter);
    }
    PaintStatus(painter, g);
    PaintCounts(painter, selectedText, g);
    PaintDrawing(painter);
}

void LiveViewPainter::PaintRecord(QPainter& painter)
{
    const RecordState* rec = m_host.records();
    const QString word = LanStr(m_source == 3 ? 216 : 217);
    if (!rec || rec->count < 1)
        return;
    DrawImage(painter, rec->picture);
    painter.setTransform(m_text);
    SetFont(painter, 20, 45);
    painter.setPen(Qt::green);
    painter.drawText(QPoint(5, Size(20, 40)),
                     LanStr(218)
                         .arg(rec->camera + 1)
                         .arg(DetectionName(m_p.machineType, m_host.editor().editorStep), word)
                         .arg(rec->count)
                         .arg(rec->index + 1)
                         .arg(rec->name));
}

void LiveViewPainter::PaintRecentNg(QPainter& painter)
{
    m_w.SyncDisplay();
    DrawImage(painter, m_w.displayAsIs());
    painter.setTransform(m_text);
    const int g = m_host.editor().step();
    const QString name = DetectionName(m_p.machineType, g);
    QColor colour;
    const QString word = StateWord(m_host.cycle().runState, &colour);
    SetFont(painter, 20, 45);
    painter.setPen(colour);
    painter.drawText(QPoint(5, Size(20, 40)), LanStr(313).arg(m_w.camera + 1).arg(name, word));
    SetFont(painter, 16, 45);
    painter.setPen(Qt::green);
    painter.drawText(QPoint(Size(320, 600), Size(22, 40)),
                     LanStr(314).arg(name).arg(m_w.ringPosition + 1).arg(std::min(m_w.recentNgCount[g], 3)));
}

QString LiveViewPainter::StateWord(int run, QColor* colour)
{
    if (run == RunResampling) {
        *colour = Qt::cyan;
        return LanStr(310);
    }
    if (run == RunStopped) {
        *colour = Qt::red;
        return LanStr(311);
    }
    *colour = Qt::green;
    return LanStr(312);
}

void LiveViewPainter::PaintOverlays(const CammerSingleton& set, int g)
{
    const CycleState& st = m_host.cycle();
    const bool alarmLive = st.verdictState == VerdictAlarm && m_source == 1;
    const bool ngPixels = alarmLive && m_w.blinkPhase == 1;
    const bool ignored = m_source == 0 || (alarmLive && m_w.blinkPhase == 2);
    const bool preview = m_w.previewShown && m_w.selectedRoi >= 0;
    if (!ngPixels && !ignored && !preview)
        return;
    const size_t len = size_t(gImageW) * size_t(gImageH);
    if (m_w.displayBuffer.size() < len * 4 || m_w.ngMap.size() < len)
        return;
    auto* px = reinterpret_cast<quint32*>(m_w.displayBuffer.data());
    const std::vector<uint8_t>& ignore = m_w.ignorePointMask[g];
    auto paint = [&](const ShapeBox& b, const std::vector<uint8_t>& map, quint32 colour) {
        if (b.isEmpty() || map.size() < len)
            return;
        for (int y = b.y1; y <= b.y2; ++y) {
            const size_t row = size_t(y) * size_t(gImageW);
            for (int x = b.x1; x <= b.x2; ++x)
                if (map[row + size_t(x)])
                    px[row + size_t(x)] = colour;
        }
    };
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    for (int j = 0; j < n; ++j) {
        const ShapeBox b = FrameBox(set, g, j);
        if (ngPixels && !m_w.roiOK[g][j])
            paint(b, m_w.ngMap, kRed);
        if (ignored)
            paint(b, ignore, kCyan);
        if (preview && j == m_w.selectedRoi)
            paint(b, m_w.ngMap, kCyan);
    }
    m_w.MarkDisplayDirty();
}

void LiveViewPainter::PaintVerdict(QPainter& painter)
{
    const CycleState& st = m_host.cycle();
    SetFont(painter, 22, 45);
    if (st.verdictState == VerdictIdle)
        painter.setPen(Qt::darkBlue);
    if (st.verdictState != VerdictShowing && m_source != 1)
        return;
    painter.setPen(m_w.cameraOK ? Qt::green : Qt::red);
    painter.drawText(QPoint(Size(15, 5), Size(70, 85)), QString::fromLatin1(m_w.cameraOK ? "OK" : "NG"));
    if (!m_w.cameraOK && m_w.poseLost) {
        // No area is marked for this NG: the operator reads why.
        SetFont(painter, 14, 30);
        painter.drawText(QRect(Size(15, 5), Size(80, 100), std::max(gShowW - 2 * Size(15, 5), 1), Size(60, 100)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, LanStr(1124).arg(m_w.camera + 1));
        SetFont(painter, 22, 45);
    }
    painter.drawText(QPoint(Size(620, 1450), Size(22, 40)), LanStr(367).arg(m_w.brightness));
}

void LiveViewPainter::PaintLegend(QPainter& painter)
{
    SetFont(painter, 14, 30);
    const int rowH = Size(20, 25);
    const int y1 = gShowH - Size(50, 80);
    const int y2 = y1 + rowH + Size(10, 15);
    const int boxW = Size(100, 150);
    const struct {
        int y;
        int text;
        QColor colour;
    } rows[2] = {{y1, 22, QColor(Qt::blue)}, {y2, 24, kSalmon}};
    for (const auto& r : rows) {
        painter.setPen(r.colour);
        painter.drawText(QRect(10, r.y, boxW, rowH), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1 :").arg(LanStr(r.text)));
        painter.fillRect(QRect(10 + boxW, r.y, rowH, rowH), r.colour);
    }
}

void LiveViewPainter::PaintLimitSquares(QPainter& painter, const CammerSingleton& set, int g, int j)
{
    const cv::Rect r = set.RoiBox(g, j);
    if (r.width <= 0 || r.height <= 0)
        return;
    const double x1 = r.x, x2 = r.x + r.width - 1, y1 = r.y, y2 = r.y + r.height - 1;
    const double cy = (y1 + y2) / 2;
    const double left = (x1 + x2) / 2 - (x2 - x1) / 4;
    const double right = (x1 + x2) / 2 + (x2 - x1) / 4;
    const int code = set.algorithm[g][j];
    int blue = 0;
    int salmon = 0;
    if (!m_p.showAllParams) {
        blue = m_p.filterSize;
        salmon = int(std::floor(std::sqrt(std::max(m_p.defectArea, 0))));
    } else if (code == RoiCode::Defect) {
        blue = set.min_size[g][j];
        salmon = int(std::floor(std::sqrt(std::max(set.max_area[g][j], 0))));
    } else if (code == RoiCode::WhiteNum || code == RoiCode::BlackNum) {
        blue = 2 * set.min_size[g][j] + 1;
    }
    // Sides are frame pixels: the operator compares them with the part.
    painter.save();
    painter.setTransform(m_image);
    auto square = [&](double cx, int side, const QColor& c) {
        if (side <= 0)
            return;
        painter.setPen(QPen(c, 0));
        painter.drawRect(QRectF(cx - side / 2.0, cy - side / 2.0, side, side));
    };
    square(left, blue, Qt::blue);
    square(right, salmon, kSalmon);
    painter.restore();
}

void LiveViewPainter::PaintAreas(QPainter& painter, const CammerSingleton& set, int g)
{
    const bool tmpl = m_source == 0;
    const CycleState& st = m_host.cycle();
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    const int sel = m_w.selectedRoi;
    for (int j = 0; j < n; ++j) {
        const int code = set.algorithm[g][j];
        if (code == RoiCode::Position && !tmpl)
            continue;
        if (tmpl && sel >= 0 && sel < n && m_w.moveMode != 2 && j != sel)
            continue;
        if (tmpl)
            PaintLimitSquares(painter, set, g, j);

        if (!m_w.cameraOK && !m_w.roiOK[g][j] && st.verdictState == VerdictAlarm && m_source == 1
            && code != RoiCode::DistMeasure) {
            painter.setTransform(m_image);
            painter.setPen(QPen(Qt::red, 0));
            const int boxes = std::clamp(m_w.roiMarks[g][j][0][0], 0, kMaxBoxes);
            for (int b = 1; b <= boxes; ++b) {
                const int32_t* m = m_w.roiMarks[g][j][b];
                const ShapeBox c = ShapeBox::clipped(m[0], m[1], m[2], m[3], gImageW, gImageH);
                if (!c.isEmpty())
                    painter.drawRect(QRect(c.x1, c.y1, std::max(c.width() - 1, 1), std::max(c.height() - 1, 1)));
            }
        }

        QColor colour = Qt::green;
        if (st.verdictState == VerdictIdle)
            colour = Qt::darkBlue;
        else if (!m_w.cameraOK && !m_w.roiOK[g][j])
            colour = Qt::red;
        painter.setTransform(m_view);
        painter.setPen(QPen(colour, 0));
        DrawShape(painter, set, g, j);
        if (tmpl && j == sel && set.roi_type[g][j] == CammerSingleton::kPolygon) {
            const auto& pts = set.polygon[g][j].points;
            const int h = m_w.touch().handle;
            if (h >= 0 && h < int(pts.size())) {
                painter.setPen(QPen(Qt::cyan, 2));
                painter.drawEllipse(QRect(pts[h] - QPoint(5, 5), pts[h] + QPoint(4, 4)));
            }
        }

        QString value = QString::number(m_w.roiValue[g][j]);
        if (code == RoiCode::DistMeasure) {
            // Only what this judgement found: never boxes of an earlier cycle.
            const int32_t(*m)[4] = m_w.roiMarks[g][j];
            const int found = std::clamp(m[1][1], 0, 2);
            value = QStringLiteral("%1, %2").arg(found).arg(m_w.roiValue[g][j]);
            if (found > 0) {
                painter.setTransform(m_image);
                painter.setPen(QPen(Qt::cyan, 4, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
                const QPointF a(m[2][2], m[2][3]);
                painter.drawEllipse(a, 3, 3);
                if (found == 2) {
                    const QPointF b(m[3][2], m[3][3]);
                    painter.drawEllipse(b, 3, 3);
                    painter.drawLine(a, b);
                }
            }
        }
        if (tmpl && sel >= 0 && sel < n)
            continue;  // the selected area's text goes to the template line
        painter.setTransform(m_view);
        painter.setPen(colour);
        SetFont(painter, 16, 30);
        const QPoint at = FirstPoint(set, g, j);
        painter.drawText(QRect(QPoint(at.x(), at.y() - 26), QPoint(at.x() + 399, at.y() - 2)),
                         Qt::AlignLeft | Qt::AlignVCenter, AreaCaption(set, g, j, value, m_p));
    }
    painter.setTransform(m_view);
}

QString LiveViewPainter::StatusWord(const CycleState& st, const WizardPara& p, int g, QColor* colour)
{
    if (st.runState == RunResampling || st.runState == RunStopped)
        return StateWord(st.runState, colour);
    *colour = Qt::green;
    // The cycle's own count for this step: planned re-detections less those left.
    const int k = (p.machineType == 1 || p.machineType == 2) ? (g & 1) : std::clamp(g, 0, 7);
    const int planned = p.RedetectCountOfStep(k);
    if (st.reDetectPending && planned != st.reDetectLeft[k])
        return LanStr(1120).arg(planned - st.reDetectLeft[k]);
    switch (st.countdownState) {
    case 1: return LanStr(312);
    case 2: return LanStr(528);
    case 3: return LanStr(529);
    default: return QString();
    }
}

void LiveViewPainter::PaintStatus(QPainter& painter, int g)
{
    const CycleState& st = m_host.cycle();
    SetFont(painter, 20, 45);
    const QPoint at(5, Size(20, 40));
    if (st.skipActive) {
        painter.setPen(Qt::red);
        painter.drawText(at, LanStr(575).arg(m_w.camera + 1).arg(st.skipCount));
    } else {
        QColor colour;
        const QString word = StatusWord(st, m_p, g, &colour);
        painter.setPen(colour);
        painter.drawText(at, LanStr(313).arg(m_w.camera + 1).arg(DetectionName(m_p.machineType, g), word));
    }
    const float left = m_host.countdownSeconds();
    if (left > 0.02f) {
        SetFont(painter, 14, 45);
        painter.drawText(QPoint(Size(270, 525), Size(20, 40)), QString::number(double(left), 'g', 3));
    }
}

void LiveViewPainter::PaintCounts(QPainter& painter, const QString& selectedText, int g)
{
    const CycleState& st = m_host.cycle();
    const int c = std::clamp(m_w.camera, 0, 7);
    SetFont(painter, 16, 40);
    painter.setPen(Qt::green);
    const QPoint at(Size(320, 750), Size(22, 40));
    if (m_source == 0) {
        painter.drawText(QPoint(Size(320, 850), at.y()),
                         LanStr(315).arg(m_w.templateIndex + 1).arg(m_w.templateNum[g]).arg(selectedText));
        painter.drawText(QPoint(5, at.y() + painter.fontMetrics().height() + 5), gTempTime);
        return;
    }
    const int fps = m_host.framesPerSecond(c);
    if (m_p.hideNgCount)
        painter.drawText(at, LanStr(655).arg(gAllNum[c]).arg(fps));
    else
        painter.drawText(at, LanStr(316).arg(gFailNum[c]).arg(gAllNum[c]).arg(fps));
    if (st.runState == RunStopped || !m_p.showMouldNumber || gShowW <= 1024 || !m_w.liveSet)
        return;
    painter.drawText(QPoint(67, 85), LanStr(468));
    int x = 242;
    int y = 85;
    for (int k = 0; k < 16; ++k) {
        if (!m_w.liveSet->cavity[1][k])
            continue;
        if (x > 1550) {
            x = 242;
            y += 40;
        }
        painter.drawText(QPoint(x, y), LanStr(469).arg(m_host.cavityName(m_w.camera, k)));
        x += 165;
    }
}

void LiveViewPainter::PaintDrawing(QPainter& painter)
{
    const RoiTouch& t = m_w.touch();
    if (t.mouseState != RoiTouch::Drawing)
        return;
    painter.setTransform(m_view);
    painter.setPen(QPen(Qt::green, 0));
    switch (m_host.editor().drawKind) {
    case EditorState::DrawCircle: t.drawCircle.Draw(painter); break;
    case EditorState::DrawRect: t.drawRect.Draw(painter); break;
    case EditorState::DrawPolygon:
        if (t.points.empty())
            break;
        painter.setPen(QPen(Qt::green, 2));
        painter.drawPolyline(t.points.data(), int(t.points.size()));
        painter.setPen(QPen(Qt::cyan, 2));
        painter.drawEllipse(QRect(t.points.front() - QPoint(5, 5), t.points.front() + QPoint(4, 4)));
        break;
    default: break;
    }
}
