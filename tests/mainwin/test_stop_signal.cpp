// A service manager's stop: SIGTERM (and Ctrl-C's SIGINT) run the orderly
// stop and end the process with status 0, without glog's crash report.
#include "TestSupport.h"

#include "app/StopSignals.h"
#include "foundation/GLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {
// The monitor's start as far as the stop needs it: glog with its crash
// handler, then the stop handlers; "ready" once the event loop runs.
int RunMonitorStandIn(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(dir + QStringLiteral("/glog/"));
    gGlog = new GLog(dir + QStringLiteral("/glog/"), argv);
    StopSignals::Install([dir] {
        QFile f(dir + QStringLiteral("/stopped"));
        if (f.open(QIODevice::WriteOnly))
            f.write("outputs off, files closed");
    });
    QMetaObject::invokeMethod(&app, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    }, Qt::QueuedConnection);
    return app.exec();
}

}  // namespace

class TestStopSignal : public QObject {
    Q_OBJECT
private slots:
    void stopIsOrderly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void stopIsOrderly()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess monitor;
        monitor.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--monitor"), dir.path()});
        QVERIFY(monitor.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(monitor.peek(64).contains("ready"), 20000);
        QCOMPARE(::kill(pid_t(monitor.processId()), signal), 0);
        QVERIFY(monitor.waitForFinished(20000));
        const QByteArray errors = monitor.readAllStandardError();
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("stopped"))));
        const QByteArray logs = FilesUnder(dir.filePath(QStringLiteral("glog"))) + errors;
        QVERIFY2(!logs.contains("received by PID") && !logs.contains("*** SIG"), logs.constData());
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--monitor") == 0)
        return RunMonitorStandIn(argc, argv);
    QCoreApplication app(argc, argv);
    TestStopSignal tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "test_stop_signal.moc"
