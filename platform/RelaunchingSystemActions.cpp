#include "RelaunchingSystemActions.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtDebug>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

RelaunchingSystemActions::RelaunchingSystemActions(std::function<void()> relaunch, const QString& logPath)
    : RecordingSystemActions(logPath)
    , m_relaunch(std::move(relaunch))
{
}

ActionResult RelaunchingSystemActions::run(const QStringList& argv, int timeoutMs)
{
    const ActionResult r = RecordingSystemActions::run(argv, timeoutMs);
    // As on the panel, the caller finishes what it does after asking for the
    // reboot; the new start comes from the event loop. A start-up that ends
    // the process at once after the request is not started again.
    if (argv == QStringList{QStringLiteral("reboot")} && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), m_relaunch);
    return r;
}

void RelaunchMonitor()
{
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    QList<QByteArray> args;
    for (const QString& a : QCoreApplication::arguments())
        args << a.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    qInfo("restart stand-in: the monitor starts afresh");
    std::fflush(nullptr);
    // Nothing of this run may stay open in the next: a display connection
    // left open would keep this run's windows on the screen.
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        for (int fd = 3; fd < 1024; ++fd)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    execv(program.constData(), argv.data());
    qWarning("restart stand-in: %s could not be started again: %s", program.constData(), std::strerror(errno));
}
