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

#include <QFontMetrics>
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
    m_textScale = ww / std::max(gShowW, 1);
    m_image = image * m_zoom;
}

int LiveViewPainter::StatusBandHeight(int widgetWidth)
{
    const bool small = gShowW <= 1024;
    const TextPlacer at(QSize(widgetWidth, 1), double(widgetWidth) / std::max(gShowW, 1));
    // The status line, the countdown and the counts wrap to three lines at most.
    return at.Scaled(small ? 20 : 40) + 3 * (QFontMetrics(at.Font(small ? 20 : 45)).height() + 3);
}

void LiveViewPainter::DrawImage(QPainter& painter, const QImage& image)
{
    painter.save();
    painter.setTransform(m_zoom);
    painter.drawImage(m_w.rect(), image);
    painter.restore();
}

LiveViewPainter::Scene LiveViewPainter::SceneNow() const
{
    Scene sc;
    sc.tmpl = m_source == 0;
    sc.set = sc.tmpl ? m_w.editSet : m_w.liveSet;
    sc.g = std::clamp(sc.tmpl ? m_host.editor().editorStep : m_host.cycle().curStep, 0, 7);
    const int v = m_host.cycle().verdictState;
    sc.block = v == VerdictShowing || (v == VerdictIdle && (m_p.showRoiLive || sc.tmpl))
               || ((v == VerdictAlarm || v == VerdictAreaCheck) && sc.tmpl) || (v == VerdictAlarm && m_source == 1);
    return sc;
}

bool LiveViewPainter::AreaShown(const CammerSingleton& set, int g, int j) const
{
    const bool tmpl = m_source == 0;
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    const int sel = m_w.selectedRoi;
    if (set.algorithm[g][j] == RoiCode::Position && !tmpl)
        return false;
    return !(tmpl && sel >= 0 && sel < n && m_w.moveMode != 2 && j != sel);
}

QColor LiveViewPainter::AreaColour(int g, int j) const
{
    if (m_host.cycle().verdictState == VerdictIdle)
        return Qt::darkBlue;
    if (!m_w.cameraOK && !m_w.roiOK[g][j])
        return Qt::red;
    return Qt::green;
}

void LiveViewPainter::Paint(QPainter& painter)
{
    if (m_source == 3 || m_source == 4) {
        const RecordState* rec = m_host.records();
        if (rec && rec->count >= 1)
            DrawImage(painter, rec->picture);
    } else if (m_source == 2) {
        m_w.SyncDisplay();
        DrawImage(painter, m_w.displayAsIs());
    } else {
        if (m_w.camera >= m_host.cameraCount())
            return;
        const Scene sc = SceneNow();
        // A grey frame without overlays is drawn as it lies: scaled to the
        // view, only the screen's pixels are widened, not the whole frame.
        const QImage grey = sc.set && OverlaysNow().any() ? QImage() : m_w.ShownGrey();
        PixelUndo undo;
        if (grey.isNull()) {
            m_w.SyncDisplay();
            // Overlays on a colour frame shown where it lies are taken out once
            // drawn: the frame is still the judged one (NG ring, result picture).
            if (sc.set)
                PaintOverlays(*sc.set, sc.g, m_w.displaySharesFrame() ? &undo : nullptr);
        }
        DrawImage(painter, grey.isNull() ? m_w.displayAsIs() : grey);
        quint32* px = m_w.displayPixels();
        for (auto it = undo.rbegin(); it != undo.rend(); ++it)
            px[it->first] = it->second;
        if (sc.block && sc.set)
            PaintAreas(painter, *sc.set, sc.g);
    }
    // Texts in widget pixels, so they stay put and readable when zoomed.
    painter.resetTransform();
    for (const PlacedText& t : Texts()) {
        painter.setFont(t.font);
        painter.setPen(t.colour);
        painter.drawText(t.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t.text);
        if (t.swatch > 0)
            painter.fillRect(QRect(t.rect.right() + 1 - t.swatch, t.rect.top(), t.swatch, t.swatch), t.colour);
    }
    if (m_source != 2 && m_source != 3 && m_source != 4)
        PaintDrawing(painter);
}

QList<PlacedText> LiveViewPainter::Texts() const
{
    TextPlacer at(m_w.size(), m_textScale);
    const QPoint origin = m_w.mapTo(m_w.window(), QPoint(0, 0));
    for (const QRect& r : m_host.overlays())
        at.Cover(r.translated(-origin));
    // The view's own controls (parameter panel, move buttons, cavity boxes).
    for (const QWidget* c : m_w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (c->isVisible())
            at.Reserve(c->geometry());
    if (m_source == 3 || m_source == 4) {
        PlaceRecord(at);
        return at.texts();
    }
    if (m_source == 2) {
        PlaceRecentNg(at);
        return at.texts();
    }
    if (m_w.camera >= m_host.cameraCount())
        return {};
    const Scene sc = SceneNow();
    QString selectedText;
    if (sc.block && sc.set && sc.tmpl && m_w.selectedRoi >= 0 && m_w.selectedRoi < sc.set->count[sc.g]) {
        const int j = m_w.selectedRoi;
        selectedText = AreaCaption(*sc.set, sc.g, j, QString::number(m_w.roiValue[sc.g][j]), m_p);
    }
    // The status line first: it keeps its place, the others make way.
    PlaceStatus(at, sc.g);
    PlaceCounts(at, selectedText, sc.g);
    if (sc.block) {
        PlaceVerdict(at);
        if (sc.tmpl)
            PlaceLegend(at);
        if (sc.set)
            PlaceAreaTexts(at, *sc.set, sc.g);
    }
    return at.texts();
}

void LiveViewPainter::PlaceRecord(TextPlacer& at) const
{
    const RecordState* rec = m_host.records();
    if (!rec || rec->count < 1)
        return;
    const QString word = LanStr(m_source == 3 ? 216 : 217);
    at.Place(LanStr(218)
                 .arg(rec->camera + 1)
                 .arg(DetectionName(m_p.machineType, m_host.editor().editorStep), word)
                 .arg(rec->count)
                 .arg(rec->index + 1)
                 .arg(rec->name),
             Size(20, 45), Qt::green, QPoint(5, Size(20, 40)));
}

void LiveViewPainter::PlaceRecentNg(TextPlacer& at) const
{
    const int g = m_host.editor().step();
    const QString name = DetectionName(m_p.machineType, g);
    QColor colour;
    const QString word = StateWord(m_host.cycle().runState, &colour);
    at.Place(LanStr(313).arg(m_w.camera + 1).arg(name, word), Size(20, 45), colour, QPoint(5, Size(20, 40)));
    at.Place(LanStr(314).arg(name).arg(m_w.ringPosition + 1).arg(std::min(m_w.recentNgCount[g], 3)), Size(16, 45),
             Qt::green, QPoint(Size(320, 600), Size(22, 40)));
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

LiveViewPainter::Overlays LiveViewPainter::OverlaysNow() const
{
    const bool alarmLive = m_host.cycle().verdictState == VerdictAlarm && m_source == 1;
    Overlays o;
    o.ngPixels = alarmLive && m_w.blinkPhase == 1;
    o.ignored = m_source == 0 || (alarmLive && m_w.blinkPhase == 2);
    o.preview = m_w.previewShown && m_w.selectedRoi >= 0;
    return o;
}

void LiveViewPainter::PaintOverlays(const CammerSingleton& set, int g, PixelUndo* undo)
{
    const Overlays o = OverlaysNow();
    if (!o.any())
        return;
    const size_t len = size_t(gImageW) * size_t(gImageH);
    if (!m_w.displayPixels() || m_w.displayBuffer.size() < len * 4 || m_w.ngMap.size() < len)
        return;
    quint32* px = m_w.displayPixels();
    const FrameBytes& ignore = m_w.ignorePointMask[g];
    // A kept picture at the view's size takes each marked pixel where the
    // frame's pixel lands in it.
    const QImage& shown = m_w.displayAsIs();
    const bool scaled = m_w.displayScaled();
    const int dw = shown.width(), dh = shown.height();
    auto paint = [&](const ShapeBox& b, const FrameBytes& map, quint32 colour) {
        if (b.isEmpty() || map.size() < len)
            return;
        for (int y = b.y1; y <= b.y2; ++y) {
            const size_t row = size_t(y) * size_t(gImageW);
            const size_t at = scaled ? size_t(y * dh / gImageH) * size_t(dw) : row;
            for (int x = b.x1; x <= b.x2; ++x)
                if (map[row + size_t(x)]) {
                    const size_t i = at + (scaled ? size_t(x * dw / gImageW) : size_t(x));
                    if (undo)
                        undo->emplace_back(quint32(i), px[i]);
                    px[i] = colour;
                }
        }
    };
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    for (int j = 0; j < n; ++j) {
        const ShapeBox b = FrameBox(set, g, j);
        if (o.ngPixels && !m_w.roiOK[g][j])
            paint(b, m_w.ngMap, kRed);
        if (o.ignored)
            paint(b, ignore, kCyan);
        if (o.preview && j == m_w.selectedRoi)
            paint(b, m_w.ngMap, kCyan);
    }
    m_w.MarkDisplayDirty();
}

namespace {

// Breaks a message into lines no wider than `width`: at blanks where the
// language has them, else between characters.
QStringList WrapToWidth(const QString& text, const QFontMetrics& fm, int width)
{
    QStringList lines;
    QString line;
    const bool words = text.contains(QLatin1Char(' '));
    const QStringList parts = words ? text.split(QLatin1Char(' '), Qt::SkipEmptyParts)
                                    : QStringList(text.begin(), text.end());
    for (const QString& part : parts) {
        const QString next = line.isEmpty() ? part : line + (words ? QStringLiteral(" ") : QString()) + part;
        if (!line.isEmpty() && fm.horizontalAdvance(next) > width) {
            lines << line;
            line = part;
        } else {
            line = next;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

}  // namespace

void LiveViewPainter::PlaceVerdict(TextPlacer& at) const
{
    if (m_host.cycle().verdictState != VerdictShowing && m_source != 1)
        return;
    // The verdict word stays at the left edge, under the status line if need be.
    at.Place(QString::fromLatin1(m_w.cameraOK ? "OK" : "NG"), Size(22, 45), m_w.cameraOK ? Qt::green : Qt::red,
             QPoint(Size(15, 5), Size(70, 85)), TextPlacer::Below);
    if (!m_w.cameraOK && m_w.poseLost) {
        // No area is marked for this NG: the operator reads why, in lines that fit the view.
        const QFont font = at.Font(Size(14, 30));
        const int left = at.Scaled(Size(15, 5));
        const QFontMetrics fm(font);
        int baseline = at.Scaled(Size(70, 85)) + fm.lineSpacing();
        for (const QString& line : WrapToWidth(LanStr(CammerWidgetData::PoseHoldText(m_w.poseLost)).arg(m_w.camera + 1), fm, m_w.width() - 2 * left)) {
            baseline = at.PlaceAt(line, font, Qt::red, QPoint(left, baseline), 0, TextPlacer::Below).rect.bottom()
                       + 1 + fm.ascent();
        }
    }
    at.Place(LanStr(367).arg(m_w.Brightness()), Size(22, 45), m_w.cameraOK ? Qt::green : Qt::red,
             QPoint(Size(620, 1450), Size(22, 40)));
}

void LiveViewPainter::PlaceLegend(TextPlacer& at) const
{
    // Rows from the bottom of the view, each with its colour's swatch.
    const QFont font = at.Font(Size(14, 30));
    const int rowH = std::max(at.Scaled(Size(20, 25)), QFontMetrics(font).height());
    const int swatch = std::min(at.Scaled(Size(20, 25)), rowH);
    // Above the status strip where it covers the view's lower edge.
    const int hidden = m_w.mapTo(m_w.window(), QPoint(0, m_w.height())).y() - m_host.statusStripTop();
    const int bottom = m_w.height() - std::max(hidden, 0);
    const int y1 = bottom - at.Scaled(Size(50, 80)) - (rowH - at.Scaled(Size(20, 25)));
    const int y2 = y1 + rowH + at.Scaled(Size(10, 15));
    const QFontMetrics fm(font);
    at.PlaceAt(QStringLiteral("%1 :").arg(LanStr(22)), font, Qt::blue, QPoint(at.Scaled(10), y1 + fm.ascent()), swatch);
    at.PlaceAt(QStringLiteral("%1 :").arg(LanStr(24)), font, kSalmon, QPoint(at.Scaled(10), y2 + fm.ascent()), swatch);
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
    // Centres from frame to view coordinates; the sides are view pixels
    // under one scale, so the squares stay square whatever the frame's
    // aspect and the cell's.
    painter.save();
    painter.resetTransform();
    const double side1 = m_view.m11();
    auto square = [&](double cx, int side, const QColor& c) {
        if (side <= 0)
            return;
        const QPointF centre = m_view.map(QPointF(cx * ShowScaleW(), cy * ShowScaleH()));
        const double s = side * side1;
        painter.setPen(QPen(c, 0));
        painter.drawRect(QRectF(centre.x() - s / 2.0, centre.y() - s / 2.0, s, s));
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
        if (!AreaShown(set, g, j))
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

        painter.setTransform(m_view);
        painter.setPen(QPen(AreaColour(g, j), 0));
        DrawShape(painter, set, g, j);
        if (tmpl && j == sel && set.roi_type[g][j] == CammerSingleton::kPolygon) {
            const auto& pts = set.polygon[g][j].points;
            const int h = m_w.touch().handle;
            if (h >= 0 && h < int(pts.size())) {
                painter.setPen(QPen(Qt::cyan, 2));
                painter.drawEllipse(QRect(pts[h] - QPoint(5, 5), pts[h] + QPoint(4, 4)));
            }
        }

        if (code == RoiCode::DistMeasure) {
            // Only what this judgement found: never boxes of an earlier cycle.
            const int32_t(*m)[4] = m_w.roiMarks[g][j];
            const int found = std::clamp(m[1][1], 0, 2);
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
    }
    painter.setTransform(m_view);
}

void LiveViewPainter::PlaceAreaTexts(TextPlacer& at, const CammerSingleton& set, int g) const
{
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    const int sel = m_w.selectedRoi;
    // The selected area's text goes to the template line instead.
    if (m_source == 0 && sel >= 0 && sel < n)
        return;
    const QFont font = at.Font(Size(16, 30));
    for (int j = 0; j < n; ++j) {
        if (!AreaShown(set, g, j))
            continue;
        QString value = QString::number(m_w.roiValue[g][j]);
        if (set.algorithm[g][j] == RoiCode::DistMeasure)
            value = QStringLiteral("%1, %2").arg(std::clamp(m_w.roiMarks[g][j][1][1], 0, 2)).arg(m_w.roiValue[g][j]);
        // Just above the shape's first point, which follows the zoom.
        const QPoint corner = m_view.map(FirstPoint(set, g, j));
        const int baseline = corner.y() - at.Scaled(2) - QFontMetrics(font).descent();
        at.PlaceAt(AreaCaption(set, g, j, value, m_p), font, AreaColour(g, j), QPoint(corner.x(), baseline));
    }
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

void LiveViewPainter::PlaceStatus(TextPlacer& at, int g) const
{
    const CycleState& st = m_host.cycle();
    const QPoint where(5, Size(20, 40));
    QColor colour = Qt::red;
    if (st.skipActive) {
        at.Place(LanStr(575).arg(m_w.camera + 1).arg(st.skipCount), Size(20, 45), colour, where);
    } else {
        const QString word = StatusWord(st, m_p, g, &colour);
        at.Place(LanStr(313).arg(m_w.camera + 1).arg(DetectionName(m_p.machineType, g), word), Size(20, 45), colour,
                 where);
    }
    const float left = m_host.countdownSeconds();
    if (left > 0.02f)
        at.Place(QString::number(double(left), 'g', 3), Size(14, 45), colour, QPoint(Size(270, 525), Size(20, 40)));
}

void LiveViewPainter::PlaceCounts(TextPlacer& at, const QString& selectedText, int g) const
{
    const CycleState& st = m_host.cycle();
    const int c = std::clamp(m_w.camera, 0, 7);
    const int size = Size(16, 40);
    const QPoint where(Size(320, 750), Size(22, 40));
    if (m_source == 0) {
        const PlacedText& line =
            at.Place(LanStr(315).arg(m_w.templateIndex + 1).arg(m_w.templateNum[g]).arg(selectedText), size,
                     Qt::green, QPoint(Size(320, 850), where.y()));
        if (!gTempTime.isEmpty())
            at.PlaceAt(gTempTime, line.font, Qt::green,
                       QPoint(at.Scaled(5), line.rect.bottom() + 5 + QFontMetrics(line.font).ascent()));
        return;
    }
    const int fps = m_host.framesPerSecond(c);
    if (m_p.hideNgCount)
        at.Place(LanStr(655).arg(gAllNum[c]).arg(fps), size, Qt::green, where);
    else
        at.Place(LanStr(316).arg(gFailNum[c]).arg(gAllNum[c]).arg(fps), size, Qt::green, where);
    if (st.runState == RunStopped || !m_p.showMouldNumber || gShowW <= 1024 || !m_w.liveSet)
        return;
    at.Place(LanStr(468), size, Qt::green, QPoint(67, 85));
    int x = 242;
    int y = 85;
    for (int k = 0; k < 16; ++k) {
        if (!m_w.liveSet->cavity[1][k])
            continue;
        if (x > 1550) {
            x = 242;
            y += 40;
        }
        at.Place(LanStr(469).arg(m_host.cavityName(m_w.camera, k)), size, Qt::green, QPoint(x, y));
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
