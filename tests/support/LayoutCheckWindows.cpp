#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace LayoutCheck {
namespace {
QString Where(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString Line(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).left(48);
}

QRect OnScreen(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}
}  // namespace

QStringList checkWindow(QWidget* window, const QList<PaintedText>& painted, const QSize& screen, int minPixelSize)
{
    QStringList problems = check(window, screen, minPixelSize);
    // Where the window's own area starts on the screen (see check()).
    const QPoint origin = window->mapToGlobal(QPoint(0, 0)) - (window->geometry().topLeft() - window->frameGeometry().topLeft());
    QList<PaintedText> onScreen;
    for (PaintedText t : painted) {
        t.rect.translate(origin);
        onScreen << t;
    }
    problems << checkPainted(onScreen, screen);
    const QRect own(origin, window->size());
    for (const PaintedText& t : std::as_const(onScreen))
        if (!own.contains(t.rect))
            problems << QStringLiteral("painted \"%1\" at %2 cut by its window at %3")
                            .arg(Line(t.text), Where(t.rect), Where(own));
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow()
            || !(qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)
                 || qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w)))
            continue;
        const QRect r(w->mapTo(window, QPoint(0, 0)) + origin, w->size());
        for (const PaintedText& t : std::as_const(onScreen))
            if (r.intersects(t.rect))
                problems << QStringLiteral("painted \"%1\" at %2 and %3 at %4 in one place")
                                .arg(Line(t.text), Where(t.rect), QString::fromLatin1(w->metaObject()->className()),
                                     Where(r));
    }
    return problems;
}

QStringList checkKeypad(QWidget* pad, const QWidget* edit, const QSize& screen)
{
    QStringList problems = check(pad, screen);
    const QRect r = OnScreen(pad);
    QRect room = r;
    for (const QWidget* p = pad->parentWidget(); p; p = p->isWindow() ? nullptr : p->parentWidget())
        room &= OnScreen(p);
    if (room != r)
        problems << QStringLiteral("keypad at %1 cut by its host (%2 shown)").arg(Where(r), Where(room));
    if (edit && r.intersects(OnScreen(edit)))
        problems << QStringLiteral("keypad at %1 over the edit it types into at %2").arg(Where(r), Where(OnScreen(edit)));
    return problems;
}

}  // namespace LayoutCheck
