#include "FrameBmp.h"

#include "platform/SafeWrite.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QVector>

#include <cstdlib>

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
        img = QImage(pixels, width, height, width, QImage::Format_Indexed8);
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
    const quint32 declared = U32(head, 2);
    const quint32 offset = U32(head, 10);
    const qint64 width = qint32(U32(head, 18));
    const qint64 height = std::llabs(qint32(U32(head, 22)));
    const quint32 bits = quint32(quint8(head[28])) | quint32(quint8(head[29])) << 8;
    const quint32 compression = U32(head, 30);
    qint64 needed = declared;
    if (compression == 0 || compression == 3) {  // plain rows: the pixels alone say how long it is
        const qint64 stride = (width * bits + 31) / 32 * 4;
        needed = std::max<qint64>(needed, qint64(offset) + stride * height);
    }
    if (size < needed)
        return refuse(QStringLiteral("%1 of %2 bytes").arg(size).arg(needed));
    return true;
}
