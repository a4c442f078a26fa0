#pragma once
// A private X server (Xvfb) without a window manager, as the panel runs, for
// tests that must see how the windows really stack. It is started before the
// application object and ends with the test (or with it, if the test dies).
#include "TestSupport.h"

#include <QApplication>
#include <QPoint>
#include <QSize>
#include <QString>

#include <sys/types.h>

class QWidget;

class XvfbServer {
public:
    explicit XvfbServer(const QSize& screen);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return m_pid > 0; }
    QString display() const { return QStringLiteral(":%1").arg(m_number); }
    QString failure() const { return m_failure; }

private:
    pid_t m_pid = -1;
    int m_number = -1;
    QString m_failure;
};

// The mapped top-level window the X server shows at `global` (the top of the
// stacking order there), as one of the application's windows; nullptr when
// it is none of them or the platform is not X.
QWidget* TopWindowAt(const QPoint& global);

// A window's class and text, for a failure's message.
QString WindowName(const QWidget* w);

// Empty when the X server shows w's window at w's centre and, if asked,
// that window has the input (waiting up to 5 s); else what it shows instead.
QString NotOnTop(const QWidget* w, bool input = true);

// The test's private server, made by MOJU_XVFB_TEST_MAIN before the
// application object; a test skips itself when it is not running.
extern XvfbServer* gTestXvfb;

// main() of a test that must see real stacking: a private Xvfb of the size
// MOJU_TEST_SCREEN gives (the offscreen screen file is still written: the
// size is read from it), where one starts.
#define MOJU_XVFB_TEST_MAIN(TestObject)                                    \
    int main(int argc, char** argv)                                        \
    {                                                                      \
        XvfbServer server(PrepareTestScreen(argc, argv));                  \
        gTestXvfb = &server;                                               \
        if (server.running()) {                                            \
            qputenv("DISPLAY", server.display().toLocal8Bit());            \
            qputenv("QT_QPA_PLATFORM", "xcb");                             \
        }                                                                  \
        QApplication app(argc, argv);                                      \
        ApplyTestScreen();                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                         \
        TestObject tc;                                                     \
        return QTest::qExec(&tc, argc, argv);                              \
    }
