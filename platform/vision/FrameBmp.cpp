#include "FrameBmp.h"

#include "platform/SafeWrite.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QVector>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {
quint32 U32(const QByteArray& b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
         | quint32(quint8(b[at + 3])) << 24;
}
}  // namespace

bool WriteFrameBmp(const QString& path, const uint8_t* pixels, int width, int height, bool colour)
{
    if (!pixels || width <= 0 || height <= 0)
        return false;
    QImage img;
    if (colour) {
        img = QImage(pixels, width, height, width * 4, QImage::Format_RGB32);
    } else {
        static const QVector<QRgb> grey = [] {
            QVector<QRgb> t(256);
            for (int i = 0; i < 256; ++i)
                t[i] = qRgb(i, i, i);
            return t;
        }();
        if (width % 4 == 0) {
            img = QImage(pixels, width, height, width, QImage::Format_Indexed8);
        } else {
            // The writer reads whole padded rows: a frame's rows are not padded.
            img = QImage(width, height, QImage::Format_Indexed8);
            if (img.isNull())
                return false;
            for (int y = 0; y < height; ++y)
                std::memcpy(img.scanLine(y), pixels + size_t(y) * size_t(width), size_t(width));
        }
        img.setColorTable(grey);
    }
    return SafeWrite::Write(path, [&img](QIODevice& d) { return QImageWriter(&d, "BMP").write(img); });
}

bool FrameBmpComplete(const QString& path, QString* why)
{
    auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return refuse(f.errorString());
    const QByteArray head = f.read(54);
    if (head.size() < 54 || !head.startsWith("BM"))
        return refuse(QStringLiteral("no BMP header"));
    const qint64 size = f.size();
    const qint64 declared = U32(head, 2);
    const qint64 offset = U32(head, 10);
    const qint64 infoSize = U32(head, 14);
    const qint64 width = qint32(U32(head, 18));
    const qint64 height = std::llabs(qint64(qint32(U32(head, 22))));  // negative: rows top-down
    const int bits = quint8(head[28]) | quint8(head[29]) << 8;
    const quint32 compression = U32(head, 30);
    const qint64 colours = U32(head, 46);
    if (infoSize < 40)
        return refuse(QStringLiteral("header of %1 bytes").arg(infoSize));
    if (width <= 0 || height == 0)
        return refuse(QStringLiteral("no pixels"));
    // Only plain rows say from the header alone how long they are; a
    // compressed picture whose codes stop early reads with rows made up.
    const bool plain = (compression == 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
                    || (compression == 3 && (bits == 16 || bits == 32));
    if (!plain)
        return refuse(QStringLiteral("%1 bit, compression %2").arg(bits).arg(compression));
    // A longer palette the reader refuses only when the picture is read.
    if (bits <= 8 && colours > 256)
        return refuse(QStringLiteral("palette of %1 colours").arg(colours));
    // The reader starts at the pixel offset only when it lies past the header
    // and palette; a smaller one (0 included) has it read them as pixels.
    const qint64 palette = bits <= 8 ? (colours ? colours : qint64(1) << bits) * 4 : 0;
    const qint64 masks = compression == 3 && infoSize == 40 ? 12 : 0;
    if (offset < 14 + infoSize + masks + palette)
        return refuse(QStringLiteral("pixels at %1, inside the header").arg(offset));
    const qint64 stride = (width * bits + 31) / 32 * 4;
    // Compared by division: the product of a huge width and height overflows.
    if (size < declared || offset > size || stride > (size - offset) / height)
        return refuse(QStringLiteral("%1 bytes, short of %2 rows of %3 bytes from %4 (%5 declared)")
                          .arg(size)
                          .arg(height)
                          .arg(stride)
                          .arg(offset)
                          .arg(declared));
    return true;
}

bool ReadFrameBmpRows(const QString& path, int width, int height, bool colour,
                      const std::function<void(int y, const uint8_t* pixels)>& row)
{
    if (width <= 0 || height <= 0 || !FrameBmpComplete(path))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray head = f.read(54);
    if (head.size() < 54)
        return false;
    const qint64 offset = U32(head, 10);
    const qint32 fileHeight = qint32(U32(head, 22));
    const int bits = quint8(head[28]) | quint8(head[29]) << 8;
    if (qint32(U32(head, 18)) != width || std::llabs(qint64(fileHeight)) != height || U32(head, 30) != 0
        || bits != (colour ? 24 : 8))
        return false;
    const size_t stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    // Read whole before any row is handed on: a read failing half-way
    // leaves the caller's picture as it was.
    // Not zeroed first: the read fills every byte.
    const size_t bytes = stride * size_t(height);
    const std::unique_ptr<uint8_t[]> rows(new uint8_t[bytes]);
    if (!f.seek(offset) || f.read(reinterpret_cast<char*>(rows.get()), qint64(bytes)) != qint64(bytes))
        return false;
    for (int i = 0; i < height; ++i)
        row(fileHeight > 0 ? height - 1 - i : i, rows.get() + stride * size_t(i));
    return true;
}
