#include "WindowStacking.h"

#include <QApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QWidget>

namespace {
WindowStacking* g_installed = nullptr;
constexpr char kAlarmBox[] = "mojuAlarmBox";

// Windows this keeps in order: not popups, tooltips or menus, which Qt
// places itself and which close on the next tap anyway.
bool Stacked(const QWidget* w)
{
    if (!w->isWindow())
        return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

bool TakesFocus(const QWidget* w)
{
    return !w->testAttribute(Qt::WA_ShowWithoutActivating) && !(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
}

// Layer of a shown window, bottom to top.
int Layer(const QWidget* w)
{
    if (!TakesFocus(w))
        return 3;  // a keypad serves the edit that has the focus, wherever it is
    if (w->isModal())
        return 2;
    return w->windowType() == Qt::Dialog ? 1 : 0;
}
}  // namespace

void WindowStacking::Install()
{
    if (g_installed || !qApp)
        return;
    g_installed = new WindowStacking(qApp);
    qApp->installEventFilter(g_installed);
}

void WindowStacking::KeepOverAlarms(QWidget* box)
{
    box->setProperty(kAlarmBox, true);
}

void WindowStacking::GiveWayTo(QWidget* alarmView)
{
    // A menu holds the pointer until it closes: the first tap would only close it.
    for (int k = 0; k < 8 && QApplication::activePopupWidget(); ++k)
        QApplication::activePopupWidget()->close();
    QWidget* top = alarmView->window();
    QList<QPointer<QWidget>> others;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != top && w->isVisible() && !w->property(kAlarmBox).toBool())
            others << w;
    for (const QPointer<QWidget>& w : std::as_const(others))
        if (w)
            w->hide();
    if (!top->isVisible())
        return;  // still being built: it opens on top anyway
    top->raise();
    if (g_installed) {
        // Whatever Qt believes has the input now, the top window asks again.
        g_installed->m_activated = nullptr;
        g_installed->Shown(top);
    } else {
        top->activateWindow();
    }
}

WindowStacking::WindowStacking(QObject* parent)
    : QObject(parent)
{
}

bool WindowStacking::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (!Stacked(w))
            return false;
        if (type == QEvent::Show)
            Shown(w);
        else if (!QApplication::activeWindow() || QApplication::activeWindow() == w || m_activated == w)
            Hidden(w);  // it had the input, or was about to (Qt may not know either yet)
    }
    return false;
}

void WindowStacking::Shown(QWidget* window)
{
    m_order.removeAll(nullptr);
    m_order.removeAll(window);
    m_order.append(window);
    Restack();
}

void WindowStacking::Hidden(QWidget* window)
{
    // Without a window manager nothing else would take the input back: a
    // notice left under a closed question would not hear a key.
    const QList<QWidget*> stack = Stack();
    for (int i = stack.size() - 1; i >= 0; --i)
        if (stack[i] != window && TakesFocus(stack[i])) {
            Activate(stack[i]);
            break;
        }
}

QList<QWidget*> WindowStacking::Stack() const
{
    QList<QWidget*> stack;
    for (int layer = 0; layer <= 3; ++layer)
        for (const QPointer<QWidget>& w : std::as_const(m_order))
            if (w && w->isVisible() && Layer(w) == layer)
                stack << w;
    return stack;
}

void WindowStacking::Restack()
{
    QList<QWidget*> stack = Stack();
    // A window just being shown is not visible yet: it is the last shown.
    if (!m_order.isEmpty() && m_order.last() && !stack.contains(m_order.last().data())) {
        QWidget* shown = m_order.last();
        int at = 0;
        while (at < stack.size() && Layer(stack[at]) <= Layer(shown))
            ++at;
        stack.insert(at, shown);
    }
    // Platforms without a screen of windows (offscreen) have no order to keep.
    static const bool stacks = QGuiApplication::platformName() != QLatin1String("offscreen")
                               && QGuiApplication::platformName() != QLatin1String("minimal");
    if (stacks)
        for (QWidget* w : std::as_const(stack))
            w->raise();
    for (int i = stack.size() - 1; i >= 0; --i) {
        if (TakesFocus(stack[i])) {
            if (QApplication::activeWindow() != stack[i] || m_activated != stack[i])
                Activate(stack[i]);
            break;
        }
    }
}

void WindowStacking::Activate(QWidget* window)
{
    m_activated = window;
    window->activateWindow();
}
