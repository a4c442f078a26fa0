// mkmould: draws pictures of an open mould half for simulated cameras, so a
// demo shows something like the real scene without committed pictures.
//   mkmould [--cameras N] [--size WxH] [--family F] [--templates WORKDIR] DIR
// writes DIR/<family>/<serial>/device.ini and mould.png per camera, and
// DIR/foreign-<k>.png: camera k's picture with a part left in a cavity.
// With --templates, each camera's good picture also becomes template 0 of
// its first two steps in WORKDIR (cammer<camera><step>/template0.bmp).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSettings>

#include <cstdio>

namespace {

QImage mould(int camera, QSize size, bool foreign)
{
    QImage img(size, QImage::Format_Grayscale8);
    const int w = size.width(), h = size.height();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Machine frame and the mould plate.
    p.fillRect(img.rect(), QColor(38, 38, 38));
    const QRect plate(w / 10, h / 10, w * 8 / 10, h * 8 / 10);
    QLinearGradient steel(plate.topLeft(), plate.bottomRight());
    steel.setColorAt(0, QColor(120, 120, 120));
    steel.setColorAt(1, QColor(90, 90, 90));
    p.fillRect(plate, steel);
    // Guide pins in the corners.
    p.setBrush(QColor(200, 200, 200));
    p.setPen(Qt::NoPen);
    const int pin = std::max(6, w / 40);
    for (const QPoint c : {plate.topLeft(), plate.topRight(), plate.bottomLeft(), plate.bottomRight()}) {
        const QPoint in(c.x() + (c.x() == plate.left() ? pin * 2 : -pin * 2), c.y() + (c.y() == plate.top() ? pin * 2 : -pin * 2));
        p.drawEllipse(in, pin, pin);
    }
    // Cavities: 2 x 2, each camera's layout a little different.
    const int cols = 2, rows = 2;
    const int cw = plate.width() / 4, ch = plate.height() / 4;
    QList<QRect> cavities;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int cx = plate.left() + plate.width() * (1 + 2 * c) / 4 + (camera % 2) * w / 80;
            const int cy = plate.top() + plate.height() * (1 + 2 * r) / 4 + (camera / 2) * h / 80;
            cavities << QRect(cx - cw / 2, cy - ch / 2, cw, ch);
        }
    // Runners from the sprue to each cavity, under the cavities.
    p.setPen(QPen(QColor(70, 70, 70), std::max(2, w / 200)));
    for (const QRect& cav : cavities)
        p.drawLine(plate.center(), cav.center());
    p.setPen(Qt::NoPen);
    for (const QRect& cav : cavities) {
        p.setBrush(QColor(55, 55, 55));
        p.drawRoundedRect(cav, cw / 8, cw / 8);
        p.setBrush(QColor(75, 75, 75));
        p.drawRoundedRect(cav.adjusted(cw / 6, ch / 6, -cw / 6, -ch / 6), cw / 12, cw / 12);
    }
    p.setBrush(QColor(160, 160, 160));
    p.drawEllipse(plate.center(), w / 60, w / 60);  // sprue bushing
    if (foreign) {
        // A moulded part stuck in the first cavity.
        p.setBrush(QColor(235, 235, 235));
        const QRect cav = cavities.first();
        p.drawRoundedRect(cav.adjusted(cw / 5, ch / 5, -cw / 3, -ch / 3), 6, 6);
    }
    p.end();
    // Light sensor noise, the same every run.
    QRandomGenerator rng(quint32(1000 + camera));
    for (int y = 0; y < h; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < w; ++x)
            row[x] = uchar(qBound(0, int(row[x]) + int(rng.bounded(5)) - 2, 255));
    }
    return img;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int cameras = 4;
    QSize size(1280, 1024);
    QString family = QStringLiteral("mvs");
    QString dir;
    QString workdir;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--cameras") && i + 1 < args.size())
            cameras = qBound(1, args[++i].toInt(), 8);
        else if (a == QLatin1String("--size") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        } else if (a == QLatin1String("--family") && i + 1 < args.size())
            family = args[++i];
        else if (a == QLatin1String("--templates") && i + 1 < args.size())
            workdir = args[++i];
        else
            dir = a;
    }
    if (dir.isEmpty() || size.isEmpty()) {
        std::fprintf(stderr, "usage: mkmould [--cameras N] [--size WxH] [--family F] DIR\n");
        return 2;
    }
    for (int k = 0; k < cameras; ++k) {
        const QString dev = QStringLiteral("%1/%2/%3%4").arg(dir, family, family.toUpper()).arg(k + 1, 7, 10, QLatin1Char('0'));
        QDir().mkpath(dev);
        {
            QSettings ini(dev + QStringLiteral("/device.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("model"), QStringLiteral("MV-SIM-M"));
            ini.setValue(QStringLiteral("sensorWidth"), size.width());
            ini.setValue(QStringLiteral("sensorHeight"), size.height());
            ini.setValue(QStringLiteral("fps"), 10);
        }
        const QImage good = mould(k, size, false);
        for (int step = 1; step <= 2 && !workdir.isEmpty(); ++step) {
            const QString t = QStringLiteral("%1/cammer%2%3").arg(workdir).arg(k + 1).arg(step);
            QDir().mkpath(t);
            if (!good.save(t + QStringLiteral("/template0.bmp"))) {
                std::fprintf(stderr, "mkmould: cannot write %s\n", qPrintable(t));
                return 1;
            }
        }
        if (!good.save(dev + QStringLiteral("/mould.png"))
            || !mould(k, size, true).save(QStringLiteral("%1/foreign-%2.png").arg(dir).arg(k + 1))) {
            std::fprintf(stderr, "mkmould: cannot write pictures under %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
