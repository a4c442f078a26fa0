#pragma once
// Keeps every window the operator must answer on top. The panel runs
// without a window manager: a window is stacked where its native window was
// made, so a notice made before the full-screen main window would open
// under it and the screen would look frozen. Installed once on the
// application, this raises each window as it is shown and orders the
// shown ones as a window manager would: plain windows (the main window,
// full-screen pages) at the bottom, dialogs above them in the order they
// were shown, the modal dialog that holds the input on top. The top-most
// window that takes the focus is activated; a window that shows without
// activating (a keypad) is only raised.
#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

class WindowStacking : public QObject {
    Q_OBJECT
public:
    // On the running application; a second call does nothing.
    static void Install();

    // An alarm box stays up when an alarm clears the screen.
    static void KeepOverAlarms(QWidget* box);
    // An alarm must never be hidden: every other window of the monitor is
    // hidden (one waiting in exec() returns as cancelled), open menus close,
    // and the alarm view's window takes the top and the input. Alarm boxes
    // stay above it.
    static void GiveWayTo(QWidget* alarmView);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowStacking(QObject* parent);
    void Shown(QWidget* window);
    void Hidden(QWidget* window);
    // The shown windows, bottom to top, as they are to stack.
    QList<QWidget*> Stack() const;
    void Restack();
    void Activate(QWidget* window);

    QList<QPointer<QWidget>> m_order;  // shown windows, oldest first
    // The window last given the input. Qt learns of a focus change only when
    // the X server's event comes back, so its active window can still name
    // the one before: a window hidden meanwhile would take the input with it.
    QPointer<QWidget> m_activated;
};
