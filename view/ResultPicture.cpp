#include "ResultPicture.h"

#include "AreaTexts.h"
#include "ViewHost.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"
#include "records/SaveFialImageThread.h"
#include "platform/vision/ColorConvert.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {
constexpr int kMaxBoxes = 99;

QFont PictureFont(int px)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(px);
    return f;
}

// The outline in frame pixels; selection handles never reach a picture.
void Outline(QPainter& painter, const CammerSingleton& set, int g, int j)
{
    const double sx = double(gImageW) / std::max(gShowW, 1);
    const double sy = double(gImageH) / std::max(gShowH, 1);
    switch (set.roi_type[g][j]) {
    case CammerSingleton::kRect: {
        const ShapeBox& b = set.rect[g][j].box;
        if (!b.isEmpty())
            painter.drawRect(QRect(b.x1, b.y1, std::max(b.width() - 1, 1), std::max(b.height() - 1, 1)));
        break;
    }
    case CammerSingleton::kCircle: {
        const Circle& c = set.circle[g][j];
        const QPointF centre((c.centerX + 0.5) * sx - 0.5, (c.centerY + 0.5) * sy - 0.5);
        painter.drawEllipse(centre, c.outerRadius * sx, c.outerRadius * sy);
        if (c.innerRadius > 0)
            painter.drawEllipse(centre, c.innerRadius * sx, c.innerRadius * sy);
        break;
    }
    default: {
        QPolygonF poly;
        for (const QPoint& p : set.polygon[g][j].points)
            poly << QPointF((p.x() + 0.5) * sx - 0.5, (p.y() + 0.5) * sy - 0.5);
        painter.drawPolygon(poly);
        break;
    }
    }
}

QPoint TextCorner(const CammerSingleton& set, int g, int j)
{
    if (set.roi_type[g][j] == CammerSingleton::kPolygon) {
        const auto& pts = set.polygon[g][j].points;
        if (pts.empty())
            return QPoint();
        return QPoint(ViewToFrameX(pts.front().x()), ViewToFrameY(pts.front().y()));
    }
    const cv::Rect r = set.RoiBox(g, j);
    return QPoint(r.x, r.y);
}
}  // namespace

namespace ResultPicture {

QImage Render(const CammerWidgetData& w, int g, int slot, bool doorCycle, int* firstNg)
{
    const FrameLayout& l = w.layout();
    QImage img(l.width, l.height, QImage::Format_RGB32);
    *firstNg = 0;
    if (img.isNull())
        return img;
    const FrameBytes& frame = w.judgedFrame();
    if (l.colour && frame.size() >= size_t(l.colorLen()))
        std::memcpy(img.bits(), frame.data(), size_t(l.colorLen()));
    else if (!l.colour && frame.size() >= size_t(l.imageLen()))
        Gray2RGBA(frame.data(), reinterpret_cast<int*>(img.bits()), l.width, l.height);
    else
        img.fill(Qt::black);

    const bool small = gShowW <= 1024;
    QPainter painter(&img);
    painter.setFont(PictureFont(26));
    painter.setPen(slot == 1 ? Qt::green : Qt::red);
    painter.drawText(QPoint(5, small ? 70 : 80), QString::fromLatin1(slot == 1 ? "OK" : "NG"));
    painter.drawText(QPoint(5, small ? 100 : 110), doorCycle ? LanStr(265) : QString());

    if (!w.liveSet || g < 0 || g >= CammerWidgetData::kGroups)
        return img;
    const WizardPara& p = LiveParams();
    const CammerSingleton& set = *w.liveSet;
    painter.setFont(PictureFont(16));
    const QRect header = HeaderRect();
    const int n = std::clamp(set.count[g], 0, int(CammerSingleton::kMaxRoi));
    for (int j = 0; j < n; ++j) {
        const bool ok = w.roiOK[g][j] != 0;
        if (!ok) {
            if (!*firstNg)
                *firstNg = j + 1;
            painter.setPen(QPen(Qt::red, 1));
            const int boxes = std::clamp(w.roiMarks[g][j][0][0], 0, kMaxBoxes);
            for (int b = 1; b <= boxes; ++b) {
                const int32_t* m = w.roiMarks[g][j][b];
                const ShapeBox c = ShapeBox::clipped(m[0], m[1], m[2], m[3], l.width, l.height);
                if (!c.isEmpty())
                    painter.drawRect(QRect(c.x1, c.y1, std::max(c.width() - 1, 1), std::max(c.height() - 1, 1)));
            }
        }
        painter.setPen(QPen(ok ? Qt::green : Qt::red, 1));
        Outline(painter, set, g, j);
        painter.drawText(AreaTextBox(TextCorner(set, g, j), header), Qt::AlignLeft | Qt::AlignVCenter,
                         AreaCaption(set, g, j, QString::number(w.roiValue[g][j]), p));
    }
    return img;
}

QRect HeaderRect()
{
    const bool small = gShowW <= 1024;
    const QFontMetrics fm(PictureFont(26));
    int widest = 0;
    for (int first : {47, 48, 338, 61})
        widest = std::max(widest, fm.horizontalAdvance(LanStr(120) + LanStr(first)));
    widest = std::max(widest, fm.horizontalAdvance(LanStr(143)));
    const int top = (small ? 70 : 80) - fm.ascent();
    const int bottom = (small ? 100 : 110) + fm.descent();
    return QRect(QPoint(0, top), QPoint(55 + widest, bottom));
}

QRect AreaTextBox(const QPoint& corner)
{
    return AreaTextBox(corner, HeaderRect());
}

QRect AreaTextBox(const QPoint& corner, const QRect& header)
{
    QRect box(QPoint(corner.x(), corner.y() - 26), QPoint(corner.x() + 399, corner.y() - 2));
    if (box.intersects(header))
        box.moveTop(header.bottom() + 1);
    return box;
}

bool AddCodeLines(QImage& picture, int* code)
{
    QString line1;
    QString line2;
    switch (*code) {
    case 4:
    case 5:
    case 6:
        line1 = LanStr(*code == 4 ? 47 : *code == 5 ? 48 : 338);
        line2 = LanStr(120);
        *code = 9;
        break;
    case 7:
        line1 = LanStr(61);
        line2 = LanStr(120);
        *code = 8;
        break;
    case 8:
        line2 = LanStr(143);
        *code = 10;
        break;
    default:
        return false;
    }
    if (picture.isNull())
        return true;  // the decision moves on; there is no picture to note it on
    const int px = 26;
    const QPoint at(55, gShowW <= 1024 ? 70 : 80);
    // A packed picture keeps only these rows as a picture.
    static_assert(80 + 26 <= kPictureHeadRows, "code lines below a packed picture's head");
    auto draw = [&](QImage& target, int top) {
        QPainter painter(&target);
        painter.setFont(PictureFont(px));
        painter.setPen(Qt::red);
        painter.drawText(at - QPoint(0, top), line2 + line1);
    };
    if (picture.format() != QImage::Format_RGB888) {
        draw(picture, 0);
        return true;
    }
    // A kept picture is RGB888: the lines are drawn in RGB32, as on the
    // rendered picture, into a band of rows around them and copied back,
    // not into a frame-size copy. The band leaves room for any glyph.
    const int top = std::max(0, at.y() - 2 * px);
    const int bottom = std::min(picture.height(), at.y() + px);
    if (bottom <= top)
        return true;
    QImage band = picture.copy(0, top, picture.width(), bottom - top).convertToFormat(QImage::Format_RGB32);
    draw(band, top);
    band = std::move(band).convertToFormat(QImage::Format_RGB888);
    const size_t row = size_t(picture.width()) * 3;
    for (int y = top; y < bottom; ++y)
        std::memcpy(picture.scanLine(y), band.constScanLine(y - top), row);
    return true;
}

}  // namespace ResultPicture
