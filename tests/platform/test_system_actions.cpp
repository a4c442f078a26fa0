#include "TestSupport.h"

#include "platform/DevicePaths.h"
#include "platform/RelaunchingSystemActions.h"
#include "platform/SystemActions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

class TestSystemActions : public QObject {
    Q_OBJECT
private slots:
    void rebootOnlyLandsInTheLog()
    {
        TempWorkDir wd(false);
        SystemActions::setInstance(nullptr);
        const ActionResult r = sysRun({QStringLiteral("reboot")});
        QVERIFY(r.ok());
        QVERIFY(SystemActions::instance().startDetached({QStringLiteral("python3"), QStringLiteral("./vur_net/runNetClient.py")}));
        QVERIFY(SystemActions::instance().deviceIoctl(QStringLiteral("/dev/led"), 0x10));
        const QStringList lines = SystemActionLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].endsWith(QStringLiteral(" reboot")));
        QVERIFY(lines[1].endsWith(QStringLiteral(" start python3 ./vur_net/runNetClient.py")));
        QVERIFY(lines[2].endsWith(QStringLiteral(" ioctl /dev/led 0x10")));
    }

    // The build host's stand-in for the panel's restart: a reboot is only
    // recorded and then starts the monitor afresh, once the caller is done;
    // no other action does.
    void rebootStandInStartsTheMonitorAfresh()
    {
        TempWorkDir wd(false);
        int starts = 0;
        RelaunchingSystemActions actions([&] { ++starts; });
        SystemActions::setInstance(&actions);
        sysRun({QStringLiteral("init"), QStringLiteral("0")});
        sysRun({QStringLiteral("reboot"), QStringLiteral("-f")});
        const ActionResult r = sysRun({QStringLiteral("reboot")});
        SystemActions::setInstance(nullptr);
        QVERIFY(r.ok() && r.recorded);
        QCOMPARE(starts, 0);
        QTRY_COMPARE(starts, 1);
        const QStringList lines = SystemActionLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[2].endsWith(QStringLiteral(" reboot")));
    }

    void argumentsAreNeverReparsed()
    {
        // Text with shell syntax stays one argument in the record.
        TempWorkDir wd(false);
        sysRun({QStringLiteral("date"), QStringLiteral("-s"), QStringLiteral("2026-01-01 10:00:00; rm -rf /")});
        const QStringList lines = SystemActionLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].endsWith(QStringLiteral("date -s 2026-01-01 10:00:00; rm -rf /")));
    }

    void testDoubleReplacesTheLayer()
    {
        struct Double : SystemActions {
            QList<QStringList> calls;
            ActionResult run(const QStringList& argv, int) override { calls << argv; return {3, {}}; }
            bool startDetached(const QStringList&, const QString&) override { return false; }
            bool deviceIoctl(const QString&, unsigned long) override { return false; }
            bool portIoPermission(int) override { return false; }
        } d;
        SystemActions::setInstance(&d);
        QCOMPARE(sysRun({QStringLiteral("sync")}).exitCode, 3);
        SystemActions::setInstance(nullptr);
        QCOMPARE(d.calls.size(), 1);
    }

    // The monitor's own helpers run in every build, in the directory given;
    // their output (errors joined) is followed while they run, and a caller
    // that goes kills the program without hearing from it again.
    void helperRunIsFollowedAndEndsWithItsCaller()
    {
        TempWorkDir wd(false);
        SystemActions::setInstance(nullptr);
        QVERIFY(QDir().mkpath(QStringLiteral("sub")));
        AsyncRunOptions how;
        how.workDir = QStringLiteral("sub");
        how.mergeErrors = true;
        QByteArray seen;
        how.output = [&](const QByteArray& out) { seen = out; };
        int answers = 0;
        auto caller = std::make_unique<QObject>();
        SystemActions::instance().runHelperAsync(
            {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("pwd -P; echo late >&2; exec sleep 30")}, how, -1,
            caller.get(), [&](const ActionResult&) { ++answers; });
        QTRY_VERIFY(seen.contains("late"));
        QCOMPARE(seen.left(seen.indexOf('\n')), QFileInfo(QStringLiteral("sub")).canonicalFilePath().toUtf8());
        QElapsedTimer gone;
        gone.start();
        caller.reset();
        QVERIFY(gone.elapsed() < 5000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(answers, 0);
    }

    // A program past its time is killed and answered once, as failed.
    void timedOutRunAnswersOnce()
    {
        QObject caller;
        QList<int> codes;
        RunProgramAsync({QStringLiteral("sleep"), QStringLiteral("30")}, 50, &caller,
                        [&](const ActionResult& r) { codes << r.exitCode; });
        QTRY_VERIFY(!codes.isEmpty());
        QCOMPARE(codes, QList<int>{-1});
    }

    void realSerialPortsAreRefused()
    {
        qunsetenv("MOJU_SERIAL_DEVICE");
        QVERIFY(DevicePaths::serialDevice(1).isEmpty());
        qputenv("MOJU_SERIAL_DEVICE", "/dev/ttyS0");
        QVERIFY(DevicePaths::serialDevice(1).isEmpty());
        qputenv("MOJU_SERIAL_DEVICE", "/dev/pts/7");
        QCOMPARE(DevicePaths::serialDevice(1), QStringLiteral("/dev/pts/7"));
        qunsetenv("MOJU_SERIAL_DEVICE");
    }

    void devicePatterns()
    {
        qputenv("MOJU_V4L2_DEVICE", "/tmp/sim/video%d");
        QCOMPARE(DevicePaths::v4l2Device(2), QStringLiteral("/tmp/sim/video2"));
        qunsetenv("MOJU_V4L2_DEVICE");
        QCOMPARE(DevicePaths::v4l2Device(0), QStringLiteral("/dev/video0"));
        qunsetenv("MOJU_GIGE_IFACES");
        bool all = true;
        QVERIFY(DevicePaths::gigeInterfaces(&all).isEmpty());
        QVERIFY(!all);
        qputenv("MOJU_GIGE_IFACES", "veth0, veth1");
        QCOMPARE(DevicePaths::gigeInterfaces(), (QStringList{QStringLiteral("veth0"), QStringLiteral("veth1")}));
        qunsetenv("MOJU_GIGE_IFACES");
    }
};

MOJU_TEST_CORE_MAIN(TestSystemActions)
#include "test_system_actions.moc"
