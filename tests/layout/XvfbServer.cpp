#include "XvfbServer.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>

XvfbServer* gTestXvfb = nullptr;

// Qt on X reaches for a session bus that a build host lacks; what the bus
// library keeps from that attempt is not the monitor's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so";
}

XvfbServer::XvfbServer(const QSize& screen)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        m_failure = QStringLiteral("no pipe");
        return;
    }
    const std::string fd = std::to_string(fds[1]);
    const std::string geometry = std::to_string(screen.width()) + "x" + std::to_string(screen.height()) + "x24";
    const pid_t pid = fork();
    if (pid == 0) {
        // The server goes with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        fcntl(fds[1], F_SETFD, 0);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        m_failure = QStringLiteral("fork failed");
        return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (c != '\n' || number.empty()) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        m_failure = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? QStringLiteral("Xvfb is not installed")
                                                                     : QStringLiteral("Xvfb did not start");
        return;
    }
    m_pid = pid;
    m_number = std::atoi(number.c_str());
}

XvfbServer::~XvfbServer()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

QWidget* TopWindowAt(const QPoint& global)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return nullptr;
    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // Qt's own requests go first: the reply below comes after all of them.
    xcb_flush(c);
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
    if (!tree)
        return nullptr;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    // Children come bottom to top; without a window manager the
    // application's windows are children of the root itself.
    for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attr(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr), &std::free);
        if (!attr || attr->map_state != XCB_MAP_STATE_VIEWABLE || attr->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geo(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr), &std::free);
        if (!geo)
            continue;
        const int border = geo->border_width;
        if (!QRect(geo->x, geo->y, geo->width + 2 * border, geo->height + 2 * border).contains(global))
            continue;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->internalWinId() == children[i])
                return w;
        return nullptr;  // not one of ours
    }
    return nullptr;
}

QString WindowName(const QWidget* w)
{
    if (!w)
        return QStringLiteral("no window of the monitor");
    const QString text = w->property("text").toString().simplified();
    return QString::fromLatin1(w->metaObject()->className()) + (text.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(text));
}

// Where the X server sends keys: one of our windows, or something else.
static QString XFocus()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return QStringLiteral("?");
    xcb_connection_t* c = x11->connection();
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> f(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr), &std::free);
    if (!f)
        return QStringLiteral("?");
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->internalWinId() == f->focus)
            return WindowName(w) + (w->isVisible() ? QString() : QStringLiteral(" (hidden)"));
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && w->winId() == f->focus)
            return QStringLiteral("%1 %2").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName()) + (w->isVisible() ? QString() : QStringLiteral(" (hidden)"));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    return QStringLiteral("X window 0x%1, root 0x%2, revert %3").arg(f->focus, 0, 16).arg(root, 0, 16).arg(f->revert_to);
}

QString NotOnTop(const QWidget* w, bool input)
{
    const QWidget* window = w->window();
    const QPoint centre = w->mapToGlobal(w->rect().center());
    QWidget* top = nullptr;
    const bool ok = QTest::qWaitFor(
        [&] {
            top = TopWindowAt(centre);
            return top == window && (!input || QApplication::activeWindow() == window);
        },
        5000);
    if (ok)
        return {};
    return QStringLiteral("%1: at %2,%3 the screen shows %4; the input goes to %5 (X focus: %6)")
        .arg(WindowName(w))
        .arg(centre.x())
        .arg(centre.y())
        .arg(WindowName(top), WindowName(QApplication::activeWindow()), XFocus());
}
