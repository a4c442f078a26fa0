#include "StopSignals.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <glog/logging.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gPipe[2] = {-1, -1};
volatile std::sig_atomic_t gStopping = 0;
std::function<void()> gStop;
bool gInstalled = false;

extern "C" void OnStopSignal(int)
{
    if (gStopping)
        ::_exit(0);  // the orderly stop hangs: the second request is final
    gStopping = 1;
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
}

void Finish()
{
    static bool running = false;
    if (running)
        return;
    running = true;
    qInfo("stop requested by signal: ending in order");
    if (gStop)
        gStop();
    google::FlushLogFiles(google::GLOG_INFO);
    std::fflush(nullptr);
    // Cameras, the IO link and the saver keep running threads: no static teardown.
    ::_exit(0);
}
}  // namespace

namespace StopSignals {

void Catch()
{
    if (gPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) {
        gPipe[0] = gPipe[1] = -1;
        std::fprintf(stderr, "stop signals: no socket pair; SIGTERM ends the process unordered\n");
        return;
    }
    struct sigaction sa = {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

void Install(std::function<void()> orderlyStop)
{
    gStop = std::move(orderlyStop);
    // Again: a handler set since Catch (a crash reporter's) must not take the stop.
    Catch();
    if (gPipe[0] < 0 || gInstalled)
        return;
    gInstalled = true;
    auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { Finish(); });
}

void ServePending()
{
    if (gStopping && gInstalled)
        Finish();
}

}  // namespace StopSignals
