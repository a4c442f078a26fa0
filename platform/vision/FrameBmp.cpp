#include "FrameBmp.h"

#include <QDebug>
#include <QImage>
#include <QVector>

bool WriteFrameBmp(const QString& path, const uint8_t* pixels, int width, int height, bool colour)
{
    if (!pixels || width <= 0 || height <= 0)
        return false;
    bool ok = false;
    if (colour) {
        const QImage img(pixels, width, height, width * 4, QImage::Format_RGB32);
        ok = img.save(path, "BMP");
    } else {
        static const QVector<QRgb> grey = [] {
            QVector<QRgb> t(256);
            for (int i = 0; i < 256; ++i)
                t[i] = qRgb(i, i, i);
            return t;
        }();
        QImage img(pixels, width, height, width, QImage::Format_Indexed8);
        img.setColorTable(grey);
        ok = img.save(path, "BMP");
    }
    if (!ok)
        qWarning().noquote() << QStringLiteral("Could not write %1").arg(path);
    return ok;
}
