#include "ProcessEnd.h"

#include "foundation/GLog.h"
#include "platform/SystemActions.h"

#include <QDebug>

#include <glog/logging.h>

#include <cstdio>
#include <unistd.h>

namespace {
std::function<void(int)> gHook;
}

void SetProcessEndHook(std::function<void(int)> hook)
{
    gHook = std::move(hook);
}

void RebootAndEnd(const QString& why)
{
    sysRun({QStringLiteral("reboot")});
    const QString line = QStringLiteral("start-up ended for a reboot: %1").arg(why);
    qCritical().noquote() << line;
    GLogInfo(line);
    if (gHook) {
        gHook(1);
        return;
    }
    google::FlushLogFiles(google::GLOG_INFO);
    std::fprintf(stderr, "mojuwizard: %s\n", line.toLocal8Bit().constData());
    std::fflush(nullptr);
    // Threads (IO link, cameras, saver) are running: no static teardown.
    ::_exit(1);
}
