#include "CammerWidgetData.h"

#include "CammerSingleton.h"
#include "ParamReports.h"
#include "WizardPara.h"
#include "foundation/OperatorMessage.h"
#include "foundation/uitext.h"
#include "platform/vision/ColorConvert.h"
#include "platform/vision/FrameBmp.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cstring>

CammerWidgetData::CammerWidgetData(int cam) : camera(cam) {}

CammerWidgetData::~CammerWidgetData() = default;

void CammerWidgetData::AllocateBuffers(const FrameLayout& layout)
{
    m_layout = layout;
    m_layout.templateCount = std::max(layout.templateCount, 1);
    m_layout.groups = std::clamp(layout.groups, 0, int(kGroups));
    const size_t img = static_cast<size_t>(m_layout.imageLen());
    const size_t col = static_cast<size_t>(m_layout.colorLen());
    workBuffer = ZeroFrameBytes(col);
    inspectFrame = ZeroFrameBytes(m_layout.colour ? 0 : col);
    grayFrame = ZeroFrameBytes(m_layout.colour ? img : 0);
    displayBuffer = ZeroFrameBytes(4 * img);
    ngMap = ZeroFrameBytes(img);
    // Recent NG frames only for the steps in use: eight colour steps would cost
    // hundreds of megabytes per camera. A step added later gets them from
    // EnsureGroupBuffers.
    for (int g = 0; g < kGroups; ++g)
        for (auto& b : recentNg[g])
            b = ZeroFrameBytes(g < m_layout.groups ? PackedLen() : 0);
}

namespace {
// Colour pixels are four bytes (B, G, R, opaque); packed ones the first three.
void Pack(const uint8_t* src, uint8_t* dst, size_t pixels, bool colour)
{
    if (!colour) {
        std::memcpy(dst, src, pixels);
        return;
    }
    for (size_t i = 0; i < pixels; ++i, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
}

void Unpack(const uint8_t* src, uint8_t* dst, size_t pixels, bool colour)
{
    if (!colour) {
        std::memcpy(dst, src, pixels);
        return;
    }
    for (size_t i = 0; i < pixels; ++i, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0xFF;
    }
}
}  // namespace

void CammerWidgetData::PackFrame(const uint8_t* frame, uint8_t* packed) const
{
    Pack(frame, packed, size_t(m_layout.imageLen()), m_layout.colour);
}

void CammerWidgetData::UnpackFrame(const uint8_t* packed, uint8_t* frame) const
{
    Unpack(packed, frame, size_t(m_layout.imageLen()), m_layout.colour);
}

void CammerWidgetData::KeepRecentNg(int g)
{
    if (g < 0 || g >= kGroups)
        return;
    FrameBytes& ring = recentNg[g][recentNgCount[g] % 3];
    FinishInspectFrame();
    const FrameBytes& judged = judgedFrame();
    if (ring.size() < PackedLen() || judged.size() < static_cast<size_t>(m_layout.colorLen()))
        return;
    PackFrame(judged.data(), ring.data());
    ++recentNgCount[g];
}

bool CammerWidgetData::RecentNgFrame(int g, int k, FrameBytes& out) const
{
    if (g < 0 || g >= kGroups || k < 0 || k > 2)
        return false;
    const FrameBytes& ring = recentNg[g][k];
    if (ring.size() < PackedLen() || out.size() < static_cast<size_t>(m_layout.colorLen()))
        return false;
    UnpackFrame(ring.data(), out.data());
    return true;
}

bool CammerWidgetData::TemplateFrame(int g, int k, FrameBytes& out) const
{
    if (g < 0 || g >= kGroups || k < 0 || size_t(k) >= templateImages[g].size())
        return false;
    const FrameBytes& slot = templateImages[g][size_t(k)];
    if (slot.size() < PackedLen() || out.size() < static_cast<size_t>(m_layout.colorLen()))
        return false;
    UnpackFrame(slot.data(), out.data());
    return true;
}

bool CammerWidgetData::SetTemplate(int g, int k, const FrameBytes& frame)
{
    if (g < 0 || g >= kGroups || k < 0 || size_t(k) >= templateImages[g].size())
        return false;
    FrameBytes& slot = templateImages[g][size_t(k)];
    if (slot.size() < PackedLen() || frame.size() < static_cast<size_t>(m_layout.colorLen()))
        return false;
    PackFrame(frame.data(), slot.data());
    return true;
}

cv::Mat CammerWidgetData::TemplatePlane(int g, int k, bool grayHue)
{
    if (g < 0 || g >= kGroups || k < 0 || size_t(k) >= templateImages[g].size())
        return cv::Mat();
    FrameBytes& slot = templateImages[g][size_t(k)];
    if (slot.size() < PackedLen() || m_layout.imageLen() <= 0)
        return cv::Mat();
    if (!m_layout.colour)
        return GreyView(slot);
    // Row by row through a frame row: no frame-size copy for a conversion.
    const int W = m_layout.width;
    cv::Mat plane(m_layout.height, W, CV_8UC1);
    std::vector<int> row(static_cast<size_t>(W));
    for (int y = 0; y < m_layout.height; ++y) {
        Unpack(slot.data() + size_t(y) * size_t(W) * 3, reinterpret_cast<uint8_t*>(row.data()), size_t(W), true);
        if (grayHue)
            RGBA2Gray(plane.ptr(y), row.data(), W, 1);
        else
            RGBA2Hue(plane.ptr(y), row.data(), W, 1);
    }
    return plane;
}

bool CammerWidgetData::WriteTemplate(int g, int k, const QString& path) const
{
    FrameBytes frame(static_cast<size_t>(std::max(m_layout.colorLen(), 0)));
    if (frame.empty() || !TemplateFrame(g, k, frame))
        return false;
    return WriteFrameBmp(path, frame.data(), m_layout.width, m_layout.height, m_layout.colour);
}

cv::Mat CammerWidgetData::GreyView(FrameBytes& buffer) const
{
    if (buffer.size() < static_cast<size_t>(m_layout.imageLen()) || m_layout.imageLen() <= 0)
        return cv::Mat();
    return cv::Mat(m_layout.height, m_layout.width, CV_8UC1, buffer.data());
}

void CammerWidgetData::SetInspectPartial(const FrameWarp& warp)
{
    m_pendingWarp = warp;
    m_inspectPartial = true;
}

void CammerWidgetData::BeforeFrameWrite(const FrameBytes& buffer, bool)
{
    if (&buffer == &workBuffer)
        FinishInspectFrame();
}

void CammerWidgetData::FinishInspectFrame()
{
    if (!m_inspectPartial)
        return;
    m_inspectPartial = false;
    const cv::Mat work = GreyView(workBuffer);
    cv::Mat inspect = GreyView(inspectFrame);
    if (work.empty() || inspect.empty() || !m_pendingWarp.Apply(work, inspect)) {
        // Never show an earlier frame's pixels: the unaligned frame instead.
        const size_t n = std::min(workBuffer.size(), inspectFrame.size());
        if (n)
            std::memcpy(inspectFrame.data(), workBuffer.data(), n);
    }
}

namespace {
QString groupDir(const QString& dir, int camera, int g)
{
    return QStringLiteral("%1/cammer%2%3").arg(dir).arg(camera + 1).arg(g + 1);
}

// Copies the pixels of an image of exactly w x h and `depth` bits into out,
// colour ones packed (three bytes a pixel).
bool copyPixels(const QString& path, int w, int h, int depth, FrameBytes& out)
{
    if (!QFileInfo::exists(path))
        return false;
    // A file cut short by a power cut still reads as a whole picture, its
    // missing rows made up: it must count as missing, never as a template or mask.
    if (QString why; !FrameBmpComplete(path, &why)) {
        NoteInOperationLog(LanStr(1114).arg(QFileInfo(path).absoluteFilePath()));
        qWarning().noquote() << QStringLiteral("Refused %1: %2").arg(path, why);
        return false;
    }
    QImage img(path);
    if (img.isNull() || img.width() != w || img.height() != h || img.depth() != depth) {
        qWarning().noquote() << QStringLiteral("Ignored %1: %2x%3, %4 bit; expected %5x%6, %7 bit")
                                    .arg(path)
                                    .arg(img.width())
                                    .arg(img.height())
                                    .arg(img.depth())
                                    .arg(w)
                                    .arg(h)
                                    .arg(depth);
        return false;
    }
    if (depth == 32 && img.format() != QImage::Format_RGB32)
        img = img.convertToFormat(QImage::Format_RGB32);
    const bool colour = depth == 32;
    const size_t rowBytes = static_cast<size_t>(w) * (colour ? 3 : 1);
    if (out.size() < rowBytes * static_cast<size_t>(h))
        return false;
    for (int y = 0; y < h; ++y)
        Pack(img.constScanLine(y), out.data() + rowBytes * static_cast<size_t>(y), static_cast<size_t>(w), colour);
    return true;
}
}  // namespace

void CammerWidgetData::LoadIgnorePoint(const QString& dir)
{
    m_dir = dir;
    for (int g = 0; g < kGroups; ++g) {
        if (g >= m_layout.groups)
            ignorePointMask[g].clear();
        else
            LoadIgnorePointGroup(g);
    }
}

void CammerWidgetData::LoadIgnorePointGroup(int g)
{
    // A fresh buffer reads as zero: nothing to clear when there is no file.
    ignorePointMask[g] = ZeroFrameBytes(static_cast<size_t>(m_layout.imageLen()));
    const QString path = groupDir(m_dir, camera, g) + QStringLiteral("/ignorepoint.bmp");
    copyPixels(path, m_layout.width, m_layout.height, 8, ignorePointMask[g]);
}

void CammerWidgetData::LoadTemplates(const QString& dir)
{
    m_dir = dir;
    for (int g = 0; g < kGroups; ++g) {
        templateImages[g].clear();
        templateUsed[g].clear();
        templateNum[g] = 0;
        if (g < m_layout.groups)
            LoadTemplatesGroup(g);
    }
}

void CammerWidgetData::LoadTemplatesGroup(int g)
{
    const int depth = m_layout.colour ? 32 : 8;
    const int W = m_layout.width;
    const int H = m_layout.height;
    // Slots without a file stay untouched (zero) until a template is added.
    templateImages[g].clear();
    for (int k = 0; k < m_layout.templateCount; ++k)
        templateImages[g].push_back(ZeroFrameBytes(PackedLen()));
    templateUsed[g].assign(static_cast<size_t>(m_layout.templateCount), 0);
    templateNum[g] = 0;
    for (int k = 0; k < m_layout.templateCount; ++k) {
        FrameBytes& buf = templateImages[g][static_cast<size_t>(k)];
        const QString path = groupDir(m_dir, camera, g) + QStringLiteral("/template%1.bmp").arg(k);
        if (copyPixels(path, W, H, depth, buf)) {
            templateUsed[g][static_cast<size_t>(k)] = 1;
            ++templateNum[g];
        }
    }
    if (!templateUsed[g][0]) {
        // Every group has a template 0: the centre half bright.
        templateUsed[g][0] = 1;
        ++templateNum[g];
        FrameBytes& buf = templateImages[g][0];
        const int bpp = m_layout.colour ? 3 : 1;
        for (int y = H / 4; y <= 3 * (H / 4) && y < H; ++y)
            for (int x = W / 4; x <= 3 * (W / 4) && x < W; ++x)
                std::memset(buf.data() + (static_cast<size_t>(y) * W + x) * bpp, 0xFF, static_cast<size_t>(bpp));
    }
}

bool CammerWidgetData::EnsureGroupBuffers(int g)
{
    // Before AllocateBuffers there is no frame to size anything by.
    if (g < 0 || g >= kGroups || m_layout.imageLen() <= 0 || ngMap.size() != static_cast<size_t>(m_layout.imageLen()))
        return false;
    if (ignorePointMask[g].size() < static_cast<size_t>(m_layout.imageLen()))
        LoadIgnorePointGroup(g);
    if (templateImages[g].empty())
        LoadTemplatesGroup(g);
    for (auto& b : recentNg[g])
        if (b.size() < PackedLen())
            b = ZeroFrameBytes(PackedLen());
    return true;
}

QString CammerWidgetData::GroupFile(int g, const QString& name) const
{
    return groupDir(m_dir, camera, g) + QLatin1Char('/') + name;
}

bool CammerWidgetData::SaveIgnorePoint(int g, QString* failedPath)
{
    if (g < 0 || g >= kGroups)
        return false;
    const QString path = GroupFile(g, QStringLiteral("ignorepoint.bmp"));
    if (failedPath)
        *failedPath = QFileInfo(path).absoluteFilePath();
    if (ignorePointMask[g].size() < static_cast<size_t>(m_layout.imageLen()))
        return false;
    QDir().mkpath(groupDir(m_dir, camera, g));
    if (!WriteFrameBmp(path, ignorePointMask[g].data(), m_layout.width, m_layout.height, false))
        return false;
    if (gpWPara && ReportsToPlant(*gpWPara))
        ParamReports::instance().pictureSaved(QFileInfo(path).absoluteFilePath());
    return true;
}

void CammerWidgetData::BackMask()
{
    // A mask is never changed in place, only replaced by a new one: the two
    // sets can share it.
    for (int g = 0; g < kGroups; ++g) {
        for (int j = 0; j < kMaxRoi; ++j) {
            editMasks[g][j] = liveMasks[g][j];
            editOrigin[g][j] = j;
        }
    }
    DropIgnoreClears();
}

void CammerWidgetData::RestorMask(const WizardPara& p)
{
    const int steps = std::clamp(int(gDNum), 0, int(kGroups));
    for (int g = 0; g < steps; ++g) {
        // These steps are copies of their pair, made after this by CopyPara.
        if (p.twoSameParams) {
            if ((p.machineType == 0 || p.machineType == 3) && p.detectOn[0] && (g & 1))
                continue;
            if ((p.machineType == 1 || p.machineType == 2) && g >= 2)
                continue;
        }
        for (int j = 0; j < kMaxRoi; ++j)
            liveMasks[g][j] = editMasks[g][j];
    }
}

void CammerWidgetData::DeleteROI(int g, int i)
{
    if (!editSet || g < 0 || g >= kGroups)
        return;
    CammerSingleton& s = *editSet;
    const int n = std::clamp(s.count[g], 0, int(kMaxRoi));
    if (i < 0 || i >= n)
        return;
    const cv::Rect box = s.RoiBox(g, i);
    if (box.width > 0 && box.height > 0)
        ignoreClearPending[g].push_back({box.x, box.y, box.x + box.width - 1, box.y + box.height - 1});
    for (int j = i; j + 1 < n; ++j) {
        s.rect[g][j] = s.rect[g][j + 1];
        s.circle[g][j] = s.circle[g][j + 1];
        s.polygon[g][j] = s.polygon[g][j + 1];
        s.roi_type[g][j] = s.roi_type[g][j + 1];
        s.min_size[g][j] = s.min_size[g][j + 1];
        s.sensibility[g][j] = s.sensibility[g][j + 1];
        s.max_area[g][j] = s.max_area[g][j + 1];
        s.algorithm[g][j] = s.algorithm[g][j + 1];
        s.NGCount[g][j] = s.NGCount[g][j + 1];
        if (g == 0)
            s.output_point[j] = s.output_point[j + 1];
        editMasks[g][j] = editMasks[g][j + 1];
        editOrigin[g][j] = editOrigin[g][j + 1];
    }
    s.count[g] = n - 1;
}

void CammerWidgetData::DeleteAllROI(int g)
{
    if (!editSet || g < 0 || g >= kGroups)
        return;
    editSet->count[g] = 0;
    ignoreClearPending[g].push_back({0, 0, m_layout.width - 1, m_layout.height - 1});
}

bool CammerWidgetData::ApplyIgnoreClears(int g)
{
    if (g < 0 || g >= kGroups || ignoreClearPending[g].empty())
        return false;
    FrameBytes& mask = ignorePointMask[g];
    const bool sized = mask.size() >= static_cast<size_t>(m_layout.imageLen());
    for (const ShapeBox& b : ignoreClearPending[g]) {
        const ShapeBox c = ShapeBox::clipped(b.x1, b.y1, b.x2, b.y2, m_layout.width, m_layout.height);
        if (!sized || c.isEmpty())
            continue;
        for (int y = c.y1; y <= c.y2; ++y)
            std::fill_n(mask.begin() + static_cast<ptrdiff_t>(y) * m_layout.width + c.x1, c.width(), uint8_t(0));
    }
    ignoreClearPending[g].clear();
    return sized;
}

void CammerWidgetData::DropIgnoreClears()
{
    for (auto& pending : ignoreClearPending)
        pending.clear();
}

void CammerWidgetData::CarryNgCounters(CammerSingleton& saved) const
{
    if (!liveSet)
        return;
    for (int g = 0; g < kGroups; ++g)
        for (int j = 0; j < kMaxRoi; ++j) {
            const int from = editOrigin[g][j];
            saved.NGCount[g][j] = (from >= 0 && from < kMaxRoi) ? liveSet->NGCount[g][from] : 0;
        }
}

std::vector<int> CammerWidgetData::IgnoreAlarmPoints(int g, int maxValue)
{
    std::vector<int> refused;
    const size_t len = static_cast<size_t>(m_layout.imageLen());
    if (!liveSet || g < 0 || g >= kGroups || ignorePointMask[g].size() < len || ngMap.size() < len)
        return refused;
    FrameBytes& mask = ignorePointMask[g];
    const int n = std::clamp(liveSet->count[g], 0, int(kMaxRoi));
    for (int j = 0; j < n; ++j) {
        // A distance area keeps edge points where others keep boxes.
        if (roiOK[g][j] || liveSet->algorithm[g][j] == 9)
            continue;
        if (roiValue[g][j] > maxValue) {
            refused.push_back(j);
            continue;
        }
        const int boxes = std::clamp(roiMarks[g][j][0][0], 0, kMarkSlots - 1);
        for (int b = 1; b <= boxes; ++b) {
            const int32_t* m = roiMarks[g][j][b];
            // Blob boxes end one past their last pixel.
            const ShapeBox c = ShapeBox::clipped(m[0], m[1], m[2] - 1, m[3] - 1, m_layout.width, m_layout.height);
            if (c.isEmpty())
                continue;
            for (int y = c.y1; y <= c.y2; ++y) {
                const size_t row = static_cast<size_t>(y) * static_cast<size_t>(m_layout.width);
                for (int x = c.x1; x <= c.x2; ++x)
                    if (ngMap[row + static_cast<size_t>(x)])
                        mask[row + static_cast<size_t>(x)] = 255;
            }
        }
    }
    return refused;
}
