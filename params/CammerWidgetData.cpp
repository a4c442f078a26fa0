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
#include <QImageReader>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

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
    // Recent NG frames only for the steps in use; a step added later gets
    // them from EnsureGroupBuffers.
    recentNg.SetLayout(m_layout.width, m_layout.height, m_layout.colour ? 3 : 1);
    m_ringNewest = RingNewest();
    for (int g = 0; g < kGroups; ++g) {
        m_groupInUse[g] = g < m_layout.groups;
        recentNgCount[g] = 0;
    }
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
    FinishInspectFrame();
    const FrameBytes& judged = judgedFrame();
    if (!m_groupInUse[g] || recentNg.FrameLen() != PackedLen()
        || judged.size() < static_cast<size_t>(m_layout.colorLen()))
        return;
    FrameBytes packed = recentNg.TakeBuffer();
    PackFrame(judged.data(), packed.data());
    recentNg.Keep(g, recentNgCount[g] % 3, std::move(packed));
    if (&judged == &workBuffer)
        m_ringNewest = {g, recentNgCount[g] % 3, m_workWrites};
    else
        m_ringNewest = RingNewest();
    ++recentNgCount[g];
}

bool CammerWidgetData::RingHoldsWorkFrame(int* g, int* k) const
{
    if (m_ringNewest.g < 0 || m_ringNewest.writes != m_workWrites)
        return false;
    *g = m_ringNewest.g;
    *k = m_ringNewest.k;
    return true;
}

bool CammerWidgetData::RecentNgFrame(int g, int k, FrameBytes& out) const
{
    if (g < 0 || g >= kGroups || k < 0 || k > 2)
        return false;
    if (out.size() < static_cast<size_t>(m_layout.colorLen()) || recentNg.FrameLen() != PackedLen())
        return false;
    FrameBytes packed(PackedLen());
    if (!recentNg.Read(g, k, packed.data()))
        return false;
    UnpackFrame(packed.data(), out.data());
    return true;
}

cv::Mat CammerWidgetData::GreyView(FrameBytes& buffer) const
{
    if (buffer.size() < static_cast<size_t>(m_layout.imageLen()) || m_layout.imageLen() <= 0)
        return cv::Mat();
    return cv::Mat(m_layout.height, m_layout.width, CV_8UC1, buffer.data());
}

namespace {
// One gate for every camera: the GUI thread seldom finds a judgement running.
std::mutex gJudgedMutex;
std::condition_variable gJudged;
}  // namespace

void CammerWidgetData::JudgingEnds()
{
    {
        std::lock_guard<std::mutex> lock(gJudgedMutex);
        m_judging.store(false);
    }
    gJudged.notify_all();
}

void CammerWidgetData::AwaitJudged() const
{
    if (!m_judging.load())
        return;
    std::unique_lock<std::mutex> lock(gJudgedMutex);
    gJudged.wait(lock, [this] { return !m_judging.load(); });
}

int CammerWidgetData::Brightness()
{
    if (m_brightnessDue) {
        m_brightnessDue = false;
        // One 8-bit plane of the frame (a quarter of a colour one).
        const cv::Mat plane = GreyView(workBuffer);
        if (!plane.empty())
            m_brightness = int(cv::mean(plane)[0]);
    }
    return m_brightness;
}

void CammerWidgetData::SetInspectPartial(const FrameWarp& warp)
{
    m_pendingWarp = warp;
    m_inspectPartial = true;
}

void CammerWidgetData::BeforeFrameWrite(const FrameBytes& buffer, bool)
{
    if (&buffer == &workBuffer) {
        FinishInspectFrame();
        ++m_workWrites;
    }
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

// Whether the file is there and holds every byte its header promises.
bool fileWhole(const QString& path)
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
    return true;
}

bool sizeFits(const QString& path, QSize size, int bits, int w, int h, int depth)
{
    if (size == QSize(w, h) && bits == depth)
        return true;
    qWarning().noquote() << QStringLiteral("Ignored %1: %2x%3, %4 bit; expected %5x%6, %7 bit")
                                .arg(path)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(bits)
                                .arg(w)
                                .arg(h)
                                .arg(depth);
    return false;
}

// The picture of a template or mask file when it is whole and exactly w x h
// at `depth` bits (colour as RGB32); a null picture otherwise (logged).
QImage readFramePicture(const QString& path, int w, int h, int depth)
{
    if (!fileWhole(path))
        return QImage();
    QImage img(path);
    if (!sizeFits(path, img.size(), img.depth(), w, h, depth) || img.isNull())
        return QImage();
    if (depth == 32 && img.format() != QImage::Format_RGB32)
        img = img.convertToFormat(QImage::Format_RGB32);
    return img;
}

// The same test from the file's header alone, for slots read later.
bool framePictureFits(const QString& path, int w, int h, int depth)
{
    if (!fileWhole(path))
        return false;
    QImageReader reader(path);
    // The reader gives a top-down picture (rows stored first to last) a
    // negative height; it loads at the positive one.
    QSize size = reader.size();
    size.setHeight(std::abs(size.height()));
    return sizeFits(path, size, QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel(), w, h, depth);
}

// Copies the pixels of a picture file of exactly w x h and `depth` bits into
// out, colour ones packed (three bytes a pixel).
bool copyPixels(const QString& path, int w, int h, int depth, FrameBytes& out)
{
    const bool colour = depth == 32;
    const size_t rowBytes = static_cast<size_t>(w) * (colour ? 3 : 1);
    if (out.size() < rowBytes * static_cast<size_t>(h))
        return false;
    // A file's rows are already the packed form.
    if (ReadFrameBmpRows(path, w, h, colour, [&](int y, const uint8_t* pixels) {
            std::memcpy(out.data() + rowBytes * static_cast<size_t>(y), pixels, rowBytes);
        }))
        return true;
    const QImage img = readFramePicture(path, w, h, depth);
    if (img.isNull())
        return false;
    for (int y = 0; y < h; ++y)
        Pack(img.constScanLine(y), out.data() + rowBytes * static_cast<size_t>(y), static_cast<size_t>(w), colour);
    return true;
}
}  // namespace

template <class Row>
bool CammerWidgetData::ReadTemplateRows(int g, int k, Row row)
{
    if (g < 0 || g >= kGroups || k < 0 || size_t(k) >= templateImages[g].size() || m_layout.imageLen() <= 0)
        return false;
    const int W = m_layout.width;
    const int H = m_layout.height;
    const size_t rowBytes = size_t(W) * (m_layout.colour ? 3 : 1);
    const FrameBytes& held = templateImages[g][size_t(k)];
    if (!held.empty()) {
        if (held.size() < PackedLen())
            return false;
        for (int y = 0; y < H; ++y)
            row(y, held.data() + rowBytes * size_t(y));
        return true;
    }
    const QString path = GroupFile(g, QStringLiteral("template%1.bmp").arg(k));
    // Straight from the file's rows, already packed: a decoded picture would
    // cost a frame-size conversion and its own buffer at each training.
    if (ReadFrameBmpRows(path, W, H, m_layout.colour, row))
        return true;
    const QImage img = readFramePicture(path, W, H, m_layout.colour ? 32 : 8);
    if (img.isNull()) {
        std::vector<int32_t>& used = templateUsed[g];
        if (size_t(k) < used.size() && used[size_t(k)]) {
            // Never trained on or shown as something else: the operator hears
            // of it, and an extra template leaves the library as a restart
            // would. Template 0 stays: without it the step is not trained.
            NoteInOperationLog(LanStr(1166).arg(camera + 1).arg(g + 1).arg(k).arg(QFileInfo(path).absoluteFilePath()));
            if (k > 0) {
                used[size_t(k)] = 0;
                --templateNum[g];
            }
        }
        return false;
    }
    std::vector<uint8_t> packed(rowBytes);
    for (int y = 0; y < H; ++y) {
        Pack(img.constScanLine(y), packed.data(), size_t(W), m_layout.colour);
        row(y, packed.data());
    }
    return true;
}

bool CammerWidgetData::TemplateFrame(int g, int k, FrameBytes& out)
{
    const size_t rowOut = size_t(std::max(m_layout.width, 0)) * (m_layout.colour ? 4 : 1);
    if (out.size() < size_t(std::max(m_layout.colorLen(), 0)))
        return false;
    return ReadTemplateRows(g, k, [&](int y, const uint8_t* packed) {
        Unpack(packed, out.data() + rowOut * size_t(y), size_t(m_layout.width), m_layout.colour);
    });
}

bool CammerWidgetData::SetTemplate(int g, int k, const FrameBytes& frame)
{
    if (g < 0 || g >= kGroups || k < 0 || size_t(k) >= templateImages[g].size()
        || frame.size() < static_cast<size_t>(m_layout.colorLen()))
        return false;
    FrameBytes& slot = templateImages[g][size_t(k)];
    if (slot.size() != PackedLen())
        slot = ZeroFrameBytes(PackedLen());
    PackFrame(frame.data(), slot.data());
    return true;
}

void CammerWidgetData::TemplateFileWritten(int g, int k)
{
    if (g >= 0 && g < kGroups && k >= 0 && size_t(k) < templateImages[g].size())
        templateImages[g][size_t(k)] = FrameBytes();
}

cv::Mat CammerWidgetData::TemplatePlane(int g, int k, bool grayHue)
{
    if (m_layout.imageLen() <= 0)
        return cv::Mat();
    const int W = m_layout.width;
    cv::Mat plane(m_layout.height, W, CV_8UC1);
    // Row by row through a frame row: no frame-size copy for a conversion.
    std::vector<int> rgba(m_layout.colour ? size_t(W) : 0);
    const bool read = ReadTemplateRows(g, k, [&](int y, const uint8_t* packed) {
        if (!m_layout.colour) {
            std::memcpy(plane.ptr(y), packed, size_t(W));
            return;
        }
        Unpack(packed, reinterpret_cast<uint8_t*>(rgba.data()), size_t(W), true);
        if (grayHue)
            RGBA2Gray(plane.ptr(y), rgba.data(), W, 1);
        else
            RGBA2Hue(plane.ptr(y), rgba.data(), W, 1);
    });
    return read ? plane : cv::Mat();
}

bool CammerWidgetData::WriteTemplate(int g, int k, const QString& path)
{
    FrameBytes frame(static_cast<size_t>(std::max(m_layout.colorLen(), 0)));
    if (frame.empty() || !TemplateFrame(g, k, frame))
        return false;
    return WriteFrameBmp(path, frame.data(), m_layout.width, m_layout.height, m_layout.colour);
}

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
    // The files are the templates: a slot holds no pixels while its file does.
    templateImages[g].clear();
    templateImages[g].resize(static_cast<size_t>(m_layout.templateCount));
    templateUsed[g].assign(static_cast<size_t>(m_layout.templateCount), 0);
    templateNum[g] = 0;
    for (int k = 0; k < m_layout.templateCount; ++k) {
        if (framePictureFits(GroupFile(g, QStringLiteral("template%1.bmp").arg(k)), W, H, depth)) {
            templateUsed[g][static_cast<size_t>(k)] = 1;
            ++templateNum[g];
        }
    }
    if (!templateUsed[g][0]) {
        // Every group has a template 0: the centre half bright, kept in memory.
        templateUsed[g][0] = 1;
        ++templateNum[g];
        FrameBytes& buf = templateImages[g][0];
        buf = ZeroFrameBytes(PackedLen());
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
    m_groupInUse[g] = true;
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
