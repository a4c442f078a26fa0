#include "RoiChangeLog.h"

#include "AreaTexts.h"
#include "foundation/uitext.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"

#include <algorithm>

namespace {
constexpr int kGroups = CammerSingleton::kGroups;
constexpr int kMaxRoi = CammerSingleton::kMaxRoi;

int Count(const CammerSingleton& s, int g)
{
    return std::clamp(s.count[g], 0, kMaxRoi);
}

// The stored geometry of the shape of kind `type`.
bool SameShape(const CammerSingleton& a, const CammerSingleton& b, int g, int j, int type)
{
    switch (type) {
    case CammerSingleton::kRect: {
        const QRect& x = a.rect[g][j];
        const QRect& y = b.rect[g][j];
        return x.left() == y.left() && x.top() == y.top() && x.right() == y.right() && x.bottom() == y.bottom();
    }
    case CammerSingleton::kCircle: {
        const Circle& x = a.circle[g][j];
        const Circle& y = b.circle[g][j];
        return x.centerX == y.centerX && x.centerY == y.centerY && x.RadiusWord() == y.RadiusWord();
    }
    default:
        return a.polygon[g][j].points == b.polygon[g][j].points;
    }
}

// Each function by its own name: "Defect" for all of them hid a change
// from defect detection to similarity.
QString FunctionName(int code)
{
    return LanStr(AreaFunctionText(code));
}

QString ShapeName(int type)
{
    switch (type) {
    case CammerSingleton::kRect: return LanStr(74);
    case CammerSingleton::kCircle: return LanStr(75);
    default: return LanStr(76);
    }
}

// Output numbers are compared for as many areas as the fullest step holds.
int OutputsInUse(const CammerSingleton& s)
{
    int n = 0;
    for (int g = 0; g < kGroups; ++g)
        n = std::max(n, Count(s, g));
    return n;
}

QString N(int v)
{
    return QString::number(v);
}

// The spot's grey band: the low byte is its lowest grey level, the second byte its highest.
int SpotMin(int minSize)
{
    return minSize & 0xFF;
}
int SpotMax(int minSize)
{
    return (minSize >> 8) & 0xFF;
}

QString Part(int text, int before, int after)
{
    return before == after ? QString() : LanStr(text).arg(N(before), N(after));
}

QString AddedFunction(const CammerSingleton& s, int g, int j)
{
    const int minSize = s.min_size[g][j];
    const int sens = s.sensibility[g][j];
    const int area = s.max_area[g][j];
    switch (s.algorithm[g][j]) {
    case RoiCode::Position:
        // Named as positioning uses them: speed, accuracy, least match.
        return LanStr(79).arg(N(minSize), N(sens), N(area));
    case RoiCode::Spot:
        return LanStr(77).arg(N(SpotMin(minSize)), N(SpotMax(minSize)), N(sens), N(area));
    case RoiCode::IgnoreArea:
        return LanStr(17);
    default:
        return LanStr(78).arg(N(sens), N(minSize), N(area));
    }
}

// The parameter piece of a changed area; empty when no parameter changed.
QString ParameterPiece(const CammerSingleton& live, const CammerSingleton& edit, int g, int j)
{
    const int m0 = live.min_size[g][j], m1 = edit.min_size[g][j];
    const int s0 = live.sensibility[g][j], s1 = edit.sensibility[g][j];
    const int a0 = live.max_area[g][j], a1 = edit.max_area[g][j];
    QStringList parts;
    int text = 97;
    switch (edit.algorithm[g][j]) {
    case RoiCode::Position:
        text = 93;
        parts = {Part(90, s0, s1), Part(91, a0, a1), Part(92, m0, m1)};
        break;
    case RoiCode::Spot:
        text = 89;
        parts = {Part(85, SpotMin(m0), SpotMin(m1)), Part(86, SpotMax(m0), SpotMax(m1)), Part(87, s0, s1),
                 Part(88, a0, a1)};
        break;
    case RoiCode::IgnoreArea:
        return QString();  // no parameter of an ignore area counts
    default:
        parts = {Part(94, s0, s1), Part(95, a0, a1), Part(96, m0, m1)};
        break;
    }
    if (std::all_of(parts.begin(), parts.end(), [](const QString& p) { return p.isEmpty(); }))
        return QString();
    QString piece = LanStr(text);
    for (const QString& p : parts)
        piece = piece.arg(p);
    return piece;
}
}  // namespace

namespace RoiChangeLog {

bool Differ(const CammerSingleton& live, const CammerSingleton& edit)
{
    for (int g = 0; g < kGroups; ++g) {
        if (Count(live, g) != Count(edit, g))
            return true;
        for (int k = 0; k < CammerSingleton::kCavities; ++k)
            if (live.cavity[g][k] != edit.cavity[g][k])
                return true;
    }
    for (int g = 0; g < kGroups; ++g) {
        for (int j = 0; j < Count(edit, g); ++j) {
            const int type = edit.roi_type[g][j];
            if (type != live.roi_type[g][j] || edit.algorithm[g][j] != live.algorithm[g][j]
                || edit.min_size[g][j] != live.min_size[g][j] || edit.sensibility[g][j] != live.sensibility[g][j]
                || edit.max_area[g][j] != live.max_area[g][j] || !SameShape(live, edit, g, j, type))
                return true;
        }
    }
    const int outputs = OutputsInUse(edit);
    for (int j = 0; j < outputs; ++j)
        if (live.output_point[j] != edit.output_point[j])
            return true;
    return false;
}

Result Lines(const CammerSingleton& live, const CammerSingleton& edit, int camera, int machineType, int steps)
{
    Result r;
    for (int g = 0; g < std::min(steps, kGroups); ++g) {
        const QString header = LanStr(73).arg(N(camera + 1), DetectionName(machineType, g));
        const int n = std::max(Count(live, g), Count(edit, g));
        for (int j = 0; j < n; ++j) {
            const bool inLive = j < Count(live, g);
            const bool inEdit = j < Count(edit, g);
            if (inLive && inEdit) {
                const int before = live.algorithm[g][j];
                const int after = edit.algorithm[g][j];
                if (after == RoiCode::Position || before == RoiCode::Position)
                    r.positioning = true;
                const int type = edit.roi_type[g][j];
                const bool moved = type != live.roi_type[g][j] || !SameShape(live, edit, g, j, type);
                QString piece = ParameterPiece(live, edit, g, j);
                if (piece.isEmpty() && !moved && before == after)
                    continue;
                // A new function is always named, also without a changed limit.
                if (piece.isEmpty() && before != after)
                    piece = FunctionName(after);
                const QString function =
                    before == after ? LanStr(84) : LanStr(82) + FunctionName(before) + LanStr(83);
                r.lines << header
                        + LanStr(99).arg(ShapeName(type), N(j + 1), function, piece, moved ? LanStr(98) : QString());
            } else if (inLive) {
                if (live.algorithm[g][j] == RoiCode::Position)
                    r.positioning = true;
                r.lines << header
                        + LanStr(81).arg(ShapeName(live.roi_type[g][j]), N(j + 1), FunctionName(live.algorithm[g][j]));
            } else {
                if (edit.algorithm[g][j] == RoiCode::Position)
                    r.positioning = true;
                r.lines << header
                        + LanStr(80).arg(ShapeName(edit.roi_type[g][j]), N(j + 1), AddedFunction(edit, g, j));
            }
        }
        QStringList cavities;
        for (int k = 0; k < CammerSingleton::kCavities; ++k)
            if ((live.cavity[g][k] != 0) != (edit.cavity[g][k] != 0))
                cavities << LanStr(1140).arg(N(k + 1)) + LanStr(edit.cavity[g][k] ? 250 : 251);
        if (!cavities.isEmpty())
            r.lines << header + cavities.join(QStringLiteral(", "));
        // Output numbers (set on the first step's areas) go with its header.
        if (g == 0)
            for (int j = 0, outputs = OutputsInUse(edit); j < outputs; ++j)
                if (live.output_point[j] != edit.output_point[j])
                    r.lines << header
                            + LanStr(1141).arg(N(j + 1), N(live.output_point[j] + 1), N(edit.output_point[j] + 1));
    }
    return r;
}

}  // namespace RoiChangeLog
