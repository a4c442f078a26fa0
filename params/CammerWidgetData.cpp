#include "CammerWidgetData.h"

#include <QDebug>
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
    acqBuffer.assign(col, 0);
    sdkBuffer.assign(4 * img, 0);
    rgbaBuffer.assign(m_layout.colour ? col : 0, 0);
    workBuffer.assign(col, 0);
    inspectFrame.assign(col, 0);
    grayFrame.assign(m_layout.colour ? img : 0, 0);
    displayBuffer.assign(4 * img, 0);
    ngMap.assign(img, 0);
    // Recent NG frames only for the steps in use: eight colour steps would cost
    // hundreds of megabytes per camera.
    for (int g = 0; g < kGroups; ++g)
        for (auto& b : recentNg[g])
            b.assign(g < m_layout.groups ? col : 0, 0);
}

cv::Mat CammerWidgetData::GreyView(std::vector<uint8_t>& buffer) const
{
    if (buffer.size() < static_cast<size_t>(m_layout.imageLen()) || m_layout.imageLen() <= 0)
        return cv::Mat();
    return cv::Mat(m_layout.height, m_layout.width, CV_8UC1, buffer.data());
}

namespace {
QString groupDir(const QString& dir, int camera, int g)
{
    return QStringLiteral("%1/cammer%2%3").arg(dir).arg(camera + 1).arg(g + 1);
}

// Copies the pixels of an image of exactly w x h and `depth` bits into out.
bool copyPixels(const QString& path, int w, int h, int depth, std::vector<uint8_t>& out)
{
    if (!QFileInfo::exists(path))
        return false;
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
    const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(depth / 8);
    if (out.size() < rowBytes * static_cast<size_t>(h))
        return false;
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + rowBytes * static_cast<size_t>(y), img.constScanLine(y), rowBytes);
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
    ignorePointMask[g].assign(static_cast<size_t>(m_layout.imageLen()), 0);
    const QString path = groupDir(m_dir, camera, g) + QStringLiteral("/ignorepoint.bmp");
    if (!copyPixels(path, m_layout.width, m_layout.height, 8, ignorePointMask[g]))
        std::fill(ignorePointMask[g].begin(), ignorePointMask[g].end(), 0);
}

bool CammerWidgetData::SaveIgnorePoint(int g)
{
    const int w = m_layout.width;
    const int h = m_layout.height;
    if (g < 0 || g >= kGroups || w <= 0 || h <= 0
        || ignorePointMask[g].size() < static_cast<size_t>(m_layout.imageLen()))
        return false;
    QImage img(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        std::memcpy(img.scanLine(y), ignorePointMask[g].data() + static_cast<size_t>(w) * static_cast<size_t>(y),
                    static_cast<size_t>(w));
    const QString path = groupDir(m_dir, camera, g) + QStringLiteral("/ignorepoint.bmp");
    if (img.save(path, "BMP"))
        return true;
    qWarning().noquote() << QStringLiteral("Could not write %1").arg(path);
    return false;
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
    templateImages[g].assign(static_cast<size_t>(m_layout.templateCount),
                             std::vector<uint8_t>(static_cast<size_t>(m_layout.colorLen()), 0));
    templateUsed[g].assign(static_cast<size_t>(m_layout.templateCount), 0);
    templateNum[g] = 0;
    for (int k = 0; k < m_layout.templateCount; ++k) {
        std::vector<uint8_t>& buf = templateImages[g][static_cast<size_t>(k)];
        const QString path = groupDir(m_dir, camera, g) + QStringLiteral("/template%1.bmp").arg(k);
        if (copyPixels(path, W, H, depth, buf)) {
            templateUsed[g][static_cast<size_t>(k)] = 1;
            ++templateNum[g];
        } else {
            std::fill(buf.begin(), buf.end(), 0);
        }
    }
    if (!templateUsed[g][0]) {
        // Every group has a template 0: the centre half bright.
        templateUsed[g][0] = 1;
        ++templateNum[g];
        std::vector<uint8_t>& buf = templateImages[g][0];
        const int bpp = m_layout.colour ? 4 : 1;
        for (int y = H / 4; y <= 3 * (H / 4) && y < H; ++y)
            for (int x = W / 4; x <= 3 * (W / 4) && x < W; ++x)
                std::memset(buf.data() + (static_cast<size_t>(y) * W + x) * bpp, 0xFF, static_cast<size_t>(bpp));
        if (m_layout.colour)  // opaque black elsewhere, as RGB32 wants
            for (size_t i = 3; i < buf.size(); i += 4)
                buf[i] = 0xFF;
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
        if (b.size() < static_cast<size_t>(m_layout.colorLen()))
            b.assign(static_cast<size_t>(m_layout.colorLen()), 0);
    return true;
}

void CammerWidgetData::ReserveAllGroups()
{
    const size_t img = static_cast<size_t>(m_layout.imageLen());
    const size_t col = static_cast<size_t>(m_layout.colorLen());
    for (int g = 0; g < kGroups; ++g) {
        for (auto& b : recentNg[g])
            if (b.size() < col)
                b.assign(col, 0);
        if (ignorePointMask[g].size() < img)
            ignorePointMask[g].assign(img, 0);
    }
}
