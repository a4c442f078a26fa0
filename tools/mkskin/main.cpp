// Draws the skin pictures of the working directory (backgrounds, buttons,
// lamps, slider parts, arrows) so no binary picture is kept in the sources.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

QString gOut;

bool save(const QImage& img, const char* name)
{
    const QString path = gOut + QLatin1Char('/') + QLatin1String(name);
    if (!img.save(path)) {
        std::fprintf(stderr, "mkskin: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

QImage background()
{
    QImage img(1024, 768, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, img.height());
    g.setColorAt(0, QColor(34, 44, 62));
    g.setColorAt(1, QColor(12, 16, 26));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(255, 255, 255, 14));
    for (int x = 0; x < img.width(); x += 32)
        p.drawLine(x, 0, x, img.height());
    for (int y = 0; y < img.height(); y += 32)
        p.drawLine(0, y, img.width(), y);
    return img;
}

QImage button(bool down)
{
    QImage img = canvas(220, 100);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, img.height());
    g.setColorAt(0, down ? QColor(200, 147, 74) : QColor(72, 98, 140));
    g.setColorAt(1, down ? QColor(140, 96, 40) : QColor(32, 48, 78));
    p.setBrush(g);
    p.setPen(QPen(QColor(220, 228, 236), 3));
    p.drawRoundedRect(QRectF(2, 2, img.width() - 4, img.height() - 4), 14, 14);
    return img;
}

QImage lamp(bool active)
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(32, 28, 30);
    g.setColorAt(0, active ? QColor(140, 255, 140) : QColor(120, 120, 120));
    g.setColorAt(1, active ? QColor(0, 140, 0) : QColor(40, 40, 40));
    p.setBrush(g);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(3, 3, 58, 58));
    return img;
}

QImage bar(int w, int h, QColor c)
{
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, w, h), h / 2.0, h / 2.0);
    return img;
}

QImage arrow(int dir, QColor colour = QColor(240, 240, 240))  // 0 up, 1 down, 2 left, 3 right
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(32, 32);
    p.rotate(dir == 0 ? 0 : dir == 1 ? 180 : dir == 2 ? 270 : 90);
    QPainterPath path;
    path.moveTo(0, -24);
    path.lineTo(22, 10);
    path.lineTo(-22, 10);
    path.closeSubpath();
    p.fillPath(path, colour);
    return img;
}

QImage symbol(const QString& text)
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(240, 240, 240), 4));
    p.drawEllipse(QRectF(6, 6, 52, 52));
    QFont f;
    f.setPixelSize(36);
    f.setBold(true);
    p.setFont(f);
    p.drawText(img.rect(), Qt::AlignCenter, text);
    return img;
}

// Slider handle: drawn 10 px wide and about four times as high.
QImage handle()
{
    QImage img = canvas(14, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, img.width(), 0);
    g.setColorAt(0, QColor(90, 90, 90));
    g.setColorAt(0.5, QColor(170, 170, 170));
    g.setColorAt(1, QColor(60, 60, 60));
    p.setBrush(g);
    p.setPen(QPen(QColor(20, 20, 20), 2));
    p.drawRoundedRect(QRectF(1, 1, img.width() - 2, img.height() - 2), 4, 4);
    return img;
}

QImage check()
{
    QImage img = canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(52, 152, 219));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 5, 5);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(7, 16), QPointF(13, 23), QPointF(25, 9)}));
    return img;
}

// Account-type icons: a person in the type's colour; the chosen radio
// button gets a ring and a tick.
QImage person(QColor colour, bool chosen = false)
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(236, 240, 244));
    p.setPen(QPen(chosen ? QColor(139, 195, 74) : colour, chosen ? 5 : 3));
    p.drawEllipse(QRectF(3, 3, 58, 58));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(22, 11, 20, 20));
    QPainterPath body;
    body.moveTo(13, 52);
    body.cubicTo(13, 34, 51, 34, 51, 52);
    body.closeSubpath();
    p.drawPath(body);
    if (chosen) {
        p.setBrush(QColor(139, 195, 74));
        p.drawEllipse(QRectF(40, 40, 22, 22));
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(45, 51), QPointF(50, 56), QPointF(57, 45)}));
    }
    return img;
}

QImage logo(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(20, 28, 44));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 147, 74), 4));
    p.drawRect(QRectF(8, 8, w - 16, h - 16));
    QFont f;
    f.setPixelSize(h / 3);
    f.setBold(true);
    p.setFont(f);
    p.drawText(img.rect(), Qt::AlignCenter, QStringLiteral("MOULD"));
    return img;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: mkskin OUTDIR\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOut);

    bool ok = true;
    ok &= save(background(), "background.png");
    ok &= save(bar(1024, 60, QColor(28, 38, 58)), "title.png");
    ok &= save(bar(1024, 4, QColor(200, 147, 74)), "line.png");
    // Slider parts near the sizes they are drawn at (rows 40 to 60 px high),
    // so the rounded ends keep their shape.
    ok &= save(bar(80, 40, QColor(255, 251, 240)), "edit.png");
    ok &= save(bar(480, 32, QColor(255, 251, 240)), "sliderd.png");
    ok &= save(bar(480, 16, QColor(52, 152, 219)), "slideru.png");
    ok &= save(handle(), "slidert.png");
    ok &= save(button(false), "buttonu.png");
    ok &= save(button(true), "buttond.png");
    ok &= save(lamp(true), "OUT0.png");
    ok &= save(lamp(false), "OUT1.png");
    ok &= save(symbol(QStringLiteral("O")), "Origin.png");
    ok &= save(arrow(0), "MoveUp.png");
    ok &= save(arrow(1), "MoveDown.png");
    ok &= save(arrow(2), "MoveLeft.png");
    ok &= save(arrow(3), "MoveRight.png");
    ok &= save(symbol(QStringLiteral("+")), "EnlargeScale.png");
    ok &= save(symbol(QStringLiteral("-")), "ReductionScale.png");
    // Spin arrows sit on the white date and time editors.
    ok &= save(arrow(2, QColor(52, 73, 94)), "left.png");
    ok &= save(arrow(3, QColor(52, 73, 94)), "right.png");
    ok &= save(check(), "check.png");
    ok &= save(person(QColor(200, 147, 74)), "Admin.png");
    ok &= save(person(QColor(52, 120, 200)), "Operator.png");
    ok &= save(person(QColor(46, 160, 110)), "LimitUser.png");
    ok &= save(person(QColor(52, 120, 200), true), "CheckedOperator.png");
    ok &= save(person(QColor(46, 160, 110), true), "CheckedLimitUser.png");
    ok &= save(arrow(3), "RightTriangle.png");
    ok &= save(arrow(1), "DownTriangle.png");
    ok &= save(logo(230, 110), "logo.bmp");
    ok &= save(logo(230, 110), "logo2.png");
    return ok ? 0 : 1;
}
