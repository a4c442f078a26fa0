#include "SystemActions.h"

#include "VerifiedCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace {
SystemActions* gOverride = nullptr;
QMutex gLogMutex;
}

SystemActions& SystemActions::instance()
{
    if (gOverride)
        return *gOverride;
#if MOJU_PANEL
    static RealSystemActions real;
    return real;
#else
    static RecordingSystemActions recording;
    return recording;
#endif
}

void SystemActions::setInstance(SystemActions* actions)
{
    gOverride = actions;
}

RecordingSystemActions::RecordingSystemActions(const QString& logPath)
    : m_logPath(logPath)
{
}

void RecordingSystemActions::record(const QStringList& argv)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
        + QLatin1Char(' ') + argv.join(QLatin1Char(' ')) + QLatin1Char('\n');
    QMutexLocker lock(&gLogMutex);
    QFile f(m_logPath);
    if (f.open(QIODevice::Append | QIODevice::Text))
        f.write(line.toUtf8());
}

ActionResult RecordingSystemActions::run(const QStringList& argv, int)
{
    record(argv);
    ActionResult r;
    r.recorded = true;
    return r;
}

void SystemActions::runAsync(const QStringList& argv, int timeoutMs, QObject* context,
                             std::function<void(const ActionResult&)> done)
{
    const ActionResult r = run(argv, timeoutMs);
    // Answered from the event loop, as a program that ran apart would be.
    QTimer::singleShot(0, context, [done = std::move(done), r] { done(r); });
}

void SystemActions::runHelperAsync(const QStringList& argv, const AsyncRunOptions& options, int timeoutMs,
                                   QObject* context, std::function<void(const ActionResult&)> done)
{
    RunProgramAsync(argv, timeoutMs, context, std::move(done), options);
}

QString SystemActions::systemRoot() const
{
    return QDir::current().absoluteFilePath(QStringLiteral("system-root"));
}

bool RecordingSystemActions::startDetached(const QStringList& argv, const QString&)
{
    record(QStringList{QStringLiteral("start")} + argv);
    return true;
}

bool RecordingSystemActions::deviceIoctl(const QString& device, unsigned long request)
{
    record({QStringLiteral("ioctl"), device, QStringLiteral("0x") + QString::number(request, 16)});
    return true;
}

bool RecordingSystemActions::portIoPermission(int level)
{
    record({QStringLiteral("iopl"), QString::number(level)});
    return true;
}

ActionResult SystemActions::query(const QStringList& argv, int timeoutMs)
{
    return RunProgram(argv, timeoutMs);
}

QString SystemActions::hostName() const
{
    return QSysInfo::machineHostName();
}

ActionResult RealSystemActions::run(const QStringList& argv, int timeoutMs)
{
    return RunProgram(argv, timeoutMs);
}

ActionResult RunProgram(const QStringList& argv, int timeoutMs)
{
    ActionResult r;
    if (argv.isEmpty()) {
        r.exitCode = -1;
        return r;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(argv.first(), argv.mid(1));
    if (!p.waitForStarted()) {
        r.exitCode = -1;
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.exitCode = -1;
        return r;
    }
    r.output = p.readAllStandardOutput();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

void RealSystemActions::runAsync(const QStringList& argv, int timeoutMs, QObject* context,
                                 std::function<void(const ActionResult&)> done)
{
    RunProgramAsync(argv, timeoutMs, context, std::move(done));
}

QString RealSystemActions::systemRoot() const
{
    return QStringLiteral("/");
}

void RunProgramAsync(const QStringList& argv, int timeoutMs, QObject* context,
                     std::function<void(const ActionResult&)> done, const AsyncRunOptions& options)
{
    if (argv.isEmpty()) {
        ActionResult r;
        r.exitCode = -1;
        QTimer::singleShot(0, context, [done = std::move(done), r] { done(r); });
        return;
    }
    auto* p = new QProcess(context);
    p->setProcessChannelMode(options.mergeErrors ? QProcess::MergedChannels : QProcess::ForwardedErrorChannel);
    p->setWorkingDirectory(options.workDir);
    auto* limit = new QTimer(p);
    limit->setSingleShot(true);
    auto finish = [p, done = std::move(done)](bool inTime) {
        ActionResult r;
        r.output = p->readAllStandardOutput();
        r.exitCode = inTime && p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
        p->disconnect();
        p->deleteLater();
        done(r);
    };
    QObject::connect(p, &QProcess::finished, p, [finish] { finish(true); });
    QObject::connect(p, &QProcess::errorOccurred, p, [p, finish](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish(false);
    });
    QObject::connect(limit, &QTimer::timeout, p, [p, finish] {
        // Its end while waiting here is the timeout's, not a second answer.
        QObject::disconnect(p, &QProcess::finished, nullptr, nullptr);
        p->kill();
        p->waitForFinished(1000);
        finish(false);
    });
    if (options.output)
        QObject::connect(p, &QProcess::readyReadStandardOutput, p,
                         [p, output = options.output] { output(p->peek(p->bytesAvailable())); });
    // The caller's destruction reports `destroyed` before it deletes the
    // process; its end must not reach the half-destroyed caller.
    if (context)
        QObject::connect(context, &QObject::destroyed, p, [p] {
            p->disconnect();
            p->kill();
            p->waitForFinished(1000);
        });
    if (timeoutMs >= 0)
        limit->start(timeoutMs);
    p->start(argv.first(), argv.mid(1));
}

bool SystemActions::installFile(const QString& source, const QString& target, QFileDevice::Permissions permissions)
{
    const QString root = systemRoot();
    const QString dest = QDir(root).absoluteFilePath(target);
    if (auto* rec = dynamic_cast<RecordingSystemActions*>(this))
        rec->record({QStringLiteral("install"), source, dest});
    QDir().mkpath(QFileInfo(dest).absolutePath());
    const QString temp = dest + QStringLiteral(".new");
    QFile::remove(temp);
    if (!QFile::copy(source, temp))
        return false;
    if (permissions && !QFile::setPermissions(temp, permissions)) {
        QFile::remove(temp);
        return false;
    }
    // Renamed over the old file in one step: the system reads the old file or
    // the new one, never half of one and never none.
    if (!VerifiedCopy::Replace(temp, dest)) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool RealSystemActions::startDetached(const QStringList& argv, const QString& workDir)
{
    if (argv.isEmpty())
        return false;
    return QProcess::startDetached(argv.first(), argv.mid(1), workDir);
}

bool RealSystemActions::deviceIoctl(const QString& device, unsigned long request)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR);
    if (fd < 0)
        return false;  // no LED board: the caller's flags still follow
    const bool ok = ::ioctl(fd, request) >= 0;
    ::close(fd);
    return ok;
}

bool RealSystemActions::portIoPermission(int level)
{
#if defined(__x86_64__) || defined(__i386__)
    return ::iopl(level) == 0;
#else
    Q_UNUSED(level);
    return false;
#endif
}
