#include "SimCamHub.h"

#include "platform/DevicePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <opencv2/core.hpp>

#include <chrono>
#include <cstring>

namespace simcam {

namespace {
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A picture file as RGB (channels 3) or grey bytes, the pixels OpenCV's
// imread gave: Qt's readers are loaded anyway, OpenCV's image codec library
// would map some 38 MB of libraries more. A colour picture read as grey
// takes the weights and rounding of OpenCV's PNG (libpng) or BMP reader.
QByteArray ReadPicture(const QString& file, int channels, QSize& size)
{
    const QImage read(file);
    if (read.isNull())
        return {};
    size = read.size();
    const bool grey = channels != 3;
    const QImage img = grey && read.isGrayscale() ? read.convertToFormat(QImage::Format_Grayscale8)
                                                  : read.convertToFormat(QImage::Format_RGB888);
    const bool png = !file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
    const int w = img.width(), h = img.height();
    QByteArray out(w * h * (grey ? 1 : 3), Qt::Uninitialized);
    uchar* dst = reinterpret_cast<uchar*>(out.data());
    for (int y = 0; y < h; ++y) {
        const uchar* src = img.constScanLine(y);
        if (!grey || img.format() == QImage::Format_Grayscale8) {
            std::memcpy(dst, src, size_t(w) * (grey ? 1 : 3));
            dst += w * (grey ? 1 : 3);
            continue;
        }
        for (int x = 0; x < w; ++x, src += 3)
            *dst++ = png ? uchar((9797 * src[0] + 19234 * src[1] + 3737 * src[2]) >> 15)
                         : uchar((4899 * src[0] + 9617 * src[1] + 1868 * src[2] + 8192) >> 14);
    }
    return out;
}

// The RGGB mosaic a colour sensor would send of an RGB picture.
QByteArray Mosaic(const QByteArray& rgb, int w, int h)
{
    if (rgb.size() < 3 * w * h)
        return {};
    QByteArray out(w * h, Qt::Uninitialized);
    for (int y = 0; y < h; ++y) {
        const uchar* in = reinterpret_cast<const uchar*>(rgb.constData()) + size_t(y) * size_t(w) * 3;
        uchar* o = reinterpret_cast<uchar*>(out.data()) + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            o[x] = in[3 * x + ((y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2))];
    }
    return out;
}
}  // namespace

SimDevice::SimDevice(const QString& family, const QString& serial, const QString& folder)
    : m_family(family), m_serial(serial), m_folder(folder)
{
    const QString ini = folder + QStringLiteral("/device.ini");
    if (QFileInfo::exists(ini)) {
        QSettings s(ini, QSettings::IniFormat);
        for (const QString& k : s.allKeys())
            m_ini.insert(k, s.value(k));
    }
}

QString SimDevice::text(const QString& key, const QString& def) const
{
    const QVariant v = m_ini.value(key);
    if (!v.isValid())
        return def;
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

int SimDevice::number(const QString& key, int def) const
{
    bool ok = false;
    const int v = text(key).toInt(&ok);
    return ok ? v : def;
}

double SimDevice::real(const QString& key, double def) const
{
    bool ok = false;
    const double v = text(key).toDouble(&ok);
    return ok ? v : def;
}

bool SimDevice::refuses(const QString& call) const
{
    return text(QStringLiteral("fail")).split(QLatin1Char(',')).contains(call);
}

bool SimDevice::present() const
{
    return !m_unplugged.load() && QFileInfo::exists(m_folder);
}

bool SimDevice::tryOpen()
{
    if (number(QStringLiteral("openFails")) != 0 || !present())
        return false;
    bool expected = false;
    return m_open.compare_exchange_strong(expected, true);
}

void SimDevice::close()
{
    setStreaming(false);
    m_open.store(false);
}

void SimDevice::record(const QString& name, const QVariant& value)
{
    QMutexLocker lock(&m_settingsMutex);
    m_settings.insert(name, value);
    m_settingCounts[name] += 1;
}

QVariant SimDevice::setting(const QString& name) const
{
    QMutexLocker lock(&m_settingsMutex);
    return m_settings.value(name);
}

QVariant SimDevice::current(const QString& name, const QVariant& def) const
{
    const QVariant v = setting(name);
    if (v.isValid())
        return v;
    const QVariant d = m_ini.value(name + QStringLiteral("Default"));
    return d.isValid() ? d : def;
}

void SimDevice::forget(const QString& name)
{
    QMutexLocker lock(&m_settingsMutex);
    m_settings.remove(name);
}

QVariantMap SimDevice::settings() const
{
    QMutexLocker lock(&m_settingsMutex);
    return m_settings;
}

int SimDevice::settingCount(const QString& name) const
{
    QMutexLocker lock(&m_settingsMutex);
    return m_settingCounts.value(name);
}

void SimDevice::setStreaming(bool on)
{
    {
        std::lock_guard<std::mutex> lk(m_waitMutex);
        m_streaming.store(on);
        m_nextDueMs = 0;
        ++m_wakeups;
    }
    m_waitCond.notify_all();
}

void SimDevice::setTriggerMode(bool on)
{
    {
        std::lock_guard<std::mutex> lk(m_waitMutex);
        m_trigger.store(on);
        m_pendingTriggers = 0;
    }
    m_waitCond.notify_all();
}

void SimDevice::trigger()
{
    {
        std::lock_guard<std::mutex> lk(m_waitMutex);
        ++m_pendingTriggers;
    }
    m_waitCond.notify_all();
}

void SimDevice::wake()
{
    {
        std::lock_guard<std::mutex> lk(m_waitMutex);
        ++m_wakeups;
    }
    m_waitCond.notify_all();
}

int SimDevice::fps() const
{
    const int f = number(QStringLiteral("fps"), 50);
    return f > 0 ? f : 50;
}

bool SimDevice::waitFrame(int timeoutMs, Frame& out, int channels)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lk(m_waitMutex);
    const int wake0 = m_wakeups;
    if (!m_streaming.load()) {
        m_waitCond.wait_until(lk, deadline, [&] { return m_wakeups != wake0; });
        return false;
    }
    if (m_trigger.load()) {
        const bool got = m_waitCond.wait_until(lk, deadline, [&] {
            return m_pendingTriggers > 0 || m_wakeups != wake0 || !m_trigger.load();
        });
        if (!got || m_pendingTriggers == 0)
            return false;
        --m_pendingTriggers;
    } else {
        // "periodMs" in device.ini: a camera slower than one frame a second.
        const int periodMs = number(QStringLiteral("periodMs"), 0);
        const qint64 period = periodMs > 0 ? periodMs : 1000 / fps();
        qint64 now = nowMs();
        if (m_nextDueMs == 0)
            m_nextDueMs = now + period;
        if (m_nextDueMs > now) {
            const auto due = clock::now() + std::chrono::milliseconds(m_nextDueMs - now);
            const bool woken = m_waitCond.wait_until(lk, std::min(due, deadline),
                                                     [&] { return m_wakeups != wake0; });
            if (woken || nowMs() < m_nextDueMs)
                return false;
        }
        m_nextDueMs = std::max(m_nextDueMs + period, nowMs());
    }
    lk.unlock();
    if (!present())
        return false;
    return makeFrame(out, channels);
}

void SimDevice::loadImages()
{
    QMutexLocker lock(&m_imageMutex);
    if (m_imagesLoaded)
        return;
    m_imagesLoaded = true;
    const QStringList names = QDir(m_folder).entryList(
        {QStringLiteral("*.bmp"), QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& n : names)
        m_imageFiles.push_back(m_folder + QLatin1Char('/') + n);
}

qint64 SimDevice::decodedBytes() const
{
    QMutexLocker lock(&m_imageMutex);
    qint64 n = 0;
    for (const QByteArray& pixels : m_decoded)
        n += pixels.size();
    return n;
}

bool SimDevice::makeFrame(Frame& out, int channels)
{
    const int unplugAfter = number(QStringLiteral("unplugAfter"));
    if (unplugAfter > 0 && m_produced.load() >= quint64(unplugAfter)) {
        m_unplugged.store(true);
        return false;
    }
    const quint64 n = ++m_produced;
    loadImages();
    out.number = n;
    const bool mosaic = channels == kMosaic;
    out.channels = channels == 3 || mosaic ? 3 : 1;
    out.mosaic = mosaic;
    const QStringList bad = text(QStringLiteral("badFrames")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    out.bad = bad.contains(QString::number(n));
    cv::Mat img;
    if (!m_imageFiles.empty()) {
        // Pictures are decoded once; a device sends the same few over and over.
        const int shown = m_showPicture.load();
        const size_t pick = shown >= 0 ? size_t(shown) % m_imageFiles.size() : size_t((n - 1) % m_imageFiles.size());
        const QString& file = m_imageFiles[pick];
        const QString key = QString::number(mosaic ? kMosaic : out.channels) + QLatin1Char(':') + file;
        QMutexLocker lock(&m_imageMutex);
        if (!m_decoded.contains(key)) {
            QSize size;
            QByteArray pixels = ReadPicture(file, out.channels, size);
            if (mosaic)
                pixels = Mosaic(pixels, size.width(), size.height());
            m_decoded.insert(key, pixels);
            m_decodedSize.insert(key, size);
        }
        const QByteArray pixels = m_decoded.value(key);
        if (!pixels.isEmpty()) {
            out.width = m_decodedSize.value(key).width();
            out.height = m_decodedSize.value(key).height();
            out.data = pixels;
            return true;
        }
    }
    if (img.empty()) {
        // No picture: a flat frame at the configured size whose grey value counts frames.
        const int w = setting(QStringLiteral("Width")).isValid() ? setting(QStringLiteral("Width")).toInt()
                                                                 : number(QStringLiteral("width"), 64);
        const int h = setting(QStringLiteral("Height")).isValid() ? setting(QStringLiteral("Height")).toInt()
                                                                  : number(QStringLiteral("height"), 48);
        img = cv::Mat(std::max(h, 1), std::max(w, 1), out.channels == 3 && !mosaic ? CV_8UC3 : CV_8UC1,
                      cv::Scalar::all(double(n & 0xff)));
    }
    out.width = img.cols;
    out.height = img.rows;
    out.data = QByteArray(reinterpret_cast<const char*>(img.data), int(img.total() * img.elemSize()));
    return true;
}

SimStream::SimStream(DevicePtr device, int channels, std::function<void(const Frame&)> onFrame,
                     std::function<void()> onLost)
    : m_device(std::move(device)), m_channels(channels), m_onFrame(std::move(onFrame)),
      m_onLost(std::move(onLost))
{
    m_thread = std::thread([this] { loop(); });
}

SimStream::~SimStream()
{
    m_run.store(false);
    m_device->wake();
    if (m_thread.joinable())
        m_thread.join();
}

void SimStream::loop()
{
    bool lostReported = false;
    while (m_run.load()) {
        Frame f;
        if (m_device->waitFrame(50, f, m_channels.load())) {
            if (m_onFrame)
                m_onFrame(f);
            m_device->markHandled();
        } else if (!m_device->present()) {
            if (!lostReported && m_onLost)
                m_onLost();
            lostReported = true;
        } else {
            lostReported = false;
        }
    }
}

SimCamHub& SimCamHub::instance()
{
    static SimCamHub hub;
    return hub;
}

std::vector<DevicePtr> SimCamHub::devices(const QString& family)
{
    std::vector<DevicePtr> out;
    const QString root = DevicePaths::simCamRoot();
    if (root.isEmpty())
        return out;
    const QString famDir = root + QLatin1Char('/') + family;
    const QStringList serials = QDir(famDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QMutexLocker lock(&m_mutex);
    for (const QString& s : serials) {
        const QString folder = famDir + QLatin1Char('/') + s;
        DevicePtr d = m_known.value(folder);
        if (!d) {
            d = std::make_shared<SimDevice>(family, s, folder);
            m_known.insert(folder, d);
        }
        if (d->present())
            out.push_back(d);
    }
    return out;
}

DevicePtr SimCamHub::find(const QString& family, const QString& serial)
{
    for (const DevicePtr& d : devices(family))
        if (d->serial() == serial)
            return d;
    return nullptr;
}

void SimCamHub::reset()
{
    QMutexLocker lock(&m_mutex);
    m_known.clear();
}

}  // namespace simcam
