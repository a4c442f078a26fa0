// Start-up pieces: the touch filter, the LED and backlight requests, the
// camera grid, a working database that cannot be used, and a group restore
// that cannot be finished.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "app/CameraGrid.h"
#include "app/ControlPort.h"
#include "app/DetectionCycle.h"
#include "params/WizardPara.h"
#include "app/LedPanel.h"
#include "app/ProcessEnd.h"
#include "app/WorkDatabases.h"
#include "app/gui/MainCommands.h"
#include "app/gui/RaRoWizard.h"
#include "app/gui/TouchFilter.h"
#include "camera/CameraGlobals.h"
#include "platform/SystemActions.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QPushButton>
#include <QSqlDatabase>

#include <utility>

namespace {
class ActionsDouble : public SystemActions {
public:
    ActionResult run(const QStringList& argv, int) override
    {
        lines << argv.join(QLatin1Char(' '));
        return {};
    }
    bool startDetached(const QStringList& argv, const QString&) override
    {
        lines << argv.join(QLatin1Char(' '));
        return true;
    }
    bool deviceIoctl(const QString&, unsigned long request) override
    {
        requests << request;
        return true;
    }
    bool portIoPermission(int) override { return true; }
    QStringList lines;
    QList<unsigned long> requests;
};

class TouchDouble : public TouchHost {
public:
    QTimer tsc, logout, lcd;
    int armed = 0;
    int logoutSecs = 0, screenOffSecs = 0, flushed = 0;
    QTimer* tscTimer() override { return &tsc; }
    QTimer* logoutTimer() override { return &logout; }
    QTimer* lcdTimer() override { return &lcd; }
    int& tscArmed() override { return armed; }
    bool parametersLoaded() const override { return true; }
    int autoLogoutTime() const override { return logoutSecs; }
    int screenOffTime() const override { return screenOffSecs; }
    void FLushAll() override { ++flushed; }
};
}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        qApp->installEventFilter(&m_filter);
        SystemActions::setInstance(&m_actions);
    }
    void cleanupTestCase() { SystemActions::setInstance(nullptr); }
    void init()
    {
        m_actions.lines.clear();
        m_actions.requests.clear();
        gLcdOff = 0;
        gfLED = 1;  // as if the LED board were open
        ResetLedMask();
    }

    void ledRequestsCarryTheMask()
    {
        LEDOnOff(7, 0);
        QCOMPARE(m_actions.requests, QList<unsigned long>{0x5A01807Ful});
        LEDOnOff(4, 1);
        LEDOnOff(4, 0);
        QCOMPARE(m_actions.requests.size(), 3);
        QCOMPARE(m_actions.requests[1] ^ m_actions.requests[2], 0x10ul);
        QCOMPARE(int(LedMask() & 0x10), 0);
        LCDOnOff(0);
        QCOMPARE(m_actions.requests.last(), 0x5A018A00ul);
        QCOMPARE(gLcdOff, 1);
        LCDOnOff(1);
        QCOMPARE(m_actions.requests.last(), 0x5A018B00ul);
        // Without the device nothing is requested, but the screen state follows.
        gfLED = -1;
        LCDOnOff(0);
        LEDOnOff(3, 0);
        QCOMPARE(m_actions.requests.size(), 5);
        QCOMPARE(gLcdOff, 1);
    }

    void ledDeviceFromTheSwitch()
    {
        TempWorkDir dir;
        QFile dev(dir.filePath(QStringLiteral("led")));
        QVERIFY(dev.open(QIODevice::WriteOnly));
        dev.close();
        qputenv("MOJU_LED_DEVICE", dev.fileName().toLocal8Bit());
        OpenLedDevice();
        QVERIFY(gfLED > 0);
        qputenv("MOJU_LED_DEVICE", dir.filePath(QStringLiteral("missing")).toLocal8Bit());
        OpenLedDevice();
        QVERIFY(gfLED <= 0);
        qunsetenv("MOJU_LED_DEVICE");
    }

    void darkScreenSwallowsOneTouch()
    {
        TouchDouble host;
        host.screenOffSecs = 5;
        TouchFilter::SetHost(&host);
        gCameraID = CAMERA_MVS;
        QPushButton button(QStringLiteral("press"));
        button.resize(200, 100);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QSignalSpy clicks(&button, &QPushButton::clicked);
        LCDOnOff(0);
        QTest::mouseClick(button.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(gLcdOff, 0);
        QCOMPARE(m_actions.requests.last(), 0x5A018B00ul);
        QTest::mouseClick(button.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(clicks.count(), 1);
        TouchFilter::SetHost(nullptr);
    }

    void timersRestartOnlyWhenSet_data()
    {
        QTest::addColumn<int>("logout");
        QTest::addColumn<int>("screenOff");
        QTest::newRow("both off") << 0 << 0;
        QTest::newRow("log-out only") << 30 << 0;
        QTest::newRow("screen-off only") << 0 << 600;
        QTest::newRow("both") << 30 << 600;
    }
    void timersRestartOnlyWhenSet()
    {
        QFETCH(int, logout);
        QFETCH(int, screenOff);
        TouchDouble host;
        host.logoutSecs = logout;
        host.screenOffSecs = screenOff;
        TouchFilter::SetHost(&host);
        gCameraID = CAMERA_MVS;
        QVERIFY(!TouchFilter::Touch(true));
        QCOMPARE(host.logout.isActive(), logout > 0);
        QCOMPARE(host.lcd.isActive(), screenOff > 0);
        if (logout > 0)
            QCOMPARE(host.logout.interval(), logout * 1000);
        if (screenOff > 0)
            QCOMPARE(host.lcd.interval(), screenOff * 1000);
        TouchFilter::SetHost(nullptr);
    }

    // The long press runs on the real 3-s timer: released with 0.1 s left it
    // does nothing; held until it fires, the release calibrates and reboots.
    void longPressCalibratesOnlyWithoutCameras_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<bool>("holdToEnd");
        QTest::addColumn<bool>("calibrates");
        QTest::newRow("no family, 3.0 s") << int(CAMERA_NONE) << true << true;
        QTest::newRow("no family, 2.9 s") << int(CAMERA_NONE) << false << false;
        QTest::newRow("cameras, held") << int(CAMERA_MVS) << true << false;
    }
    void longPressCalibratesOnlyWithoutCameras()
    {
        QFETCH(int, family);
        QFETCH(bool, holdToEnd);
        QFETCH(bool, calibrates);
        TouchDouble host;
        QObject::connect(&host.tsc, &QTimer::timeout, [&host] {  // what the window's slot does
            host.tsc.stop();
            if (gCameraID == CAMERA_NONE)
                host.armed = 1;
        });
        TouchFilter::SetHost(&host);
        gCameraID = family;
        TouchFilter::Touch(true);
        TouchFilter::Touch(true);  // a drag keeps the press
        if (family != CAMERA_NONE) {
            QVERIFY(!host.tsc.isActive());
        } else if (holdToEnd) {
            QTRY_COMPARE_WITH_TIMEOUT(host.armed, 1, 4000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(host.tsc.remainingTime() <= 100, 4000);
        }
        TouchFilter::Touch(false);
        QVERIFY(!host.tsc.isActive());
        QCOMPARE(host.armed, 0);
        const QStringList expected = calibrates ? QStringList{QStringLiteral("./tsc"), QStringLiteral("reboot")}
                                                : QStringList();
        QCOMPARE(m_actions.lines, expected);
        QCOMPARE(host.flushed, calibrates ? 1 : 0);
        TouchFilter::SetHost(nullptr);
    }

    void eventsBeforeTheWindowPass()
    {
        TouchFilter::SetHost(nullptr);
        gLcdOff = 1;
        QVERIFY(!TouchFilter::Touch(true));
        QCOMPARE(gLcdOff, 1);
    }

    void cameraGrid_data()
    {
        QTest::addColumn<int>("cameras");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QList<QRect>>("cells");
        const QRect none;
        QTest::newRow("one") << 1 << 0 << QSize(1024, 768) << QList<QRect>{QRect(0, 0, 1024, 768)};
        QTest::newRow("selected") << 4 << 2 << QSize(1024, 768) << QList<QRect>{none, none, QRect(0, 0, 1024, 768)};
        QTest::newRow("two") << 2 << 2 << QSize(1920, 1080)
                             << QList<QRect>{QRect(0, 0, 960, 1080), QRect(960, 0, 960, 1080)};
        QTest::newRow("three, odd width") << 3 << 3 << QSize(1025, 768)
                                          << QList<QRect>{QRect(0, 0, 512, 384), QRect(512, 0, 512, 384),
                                                          QRect(0, 384, 512, 384)};
        // The third column ends at the screen's edge, not two pixels past it.
        QTest::newRow("five") << 5 << 5 << QSize(1024, 768)
                              << QList<QRect>{QRect(0, 0, 342, 384), QRect(342, 0, 342, 384), QRect(684, 0, 340, 384),
                                              QRect(0, 384, 342, 384), QRect(342, 384, 342, 384)};
        QTest::newRow("seven") << 7 << 7 << QSize(1920, 1080)
                               << QList<QRect>{QRect(0, 0, 480, 540), QRect(480, 0, 480, 540), QRect(960, 0, 480, 540),
                                               QRect(1440, 0, 480, 540), QRect(0, 540, 480, 540),
                                               QRect(480, 540, 480, 540), QRect(960, 540, 480, 540)};
    }
    void cameraGrid()
    {
        QFETCH(int, cameras);
        QFETCH(int, selected);
        QFETCH(QSize, screen);
        QFETCH(QList<QRect>, cells);
        QList<QRect> got = CameraCells(cameras, selected, screen.width(), screen.height());
        while (cells.size() < 8)
            cells << QRect();
        QCOMPARE(got, cells);
    }

    // A broken parameter database: the English message whatever the
    // language, the default copy over it, a reboot, and nothing built after.
    void brokenParameterDatabaseEndsConstruction()
    {
        TempWorkDir dir;
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SimCamFolder none;
        {
            QFile broken(QStringLiteral("PARAM.db"));
            QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
            broken.write("this is not a database, it only has the name of one\n");
        }
        // An update left its hook behind: run once, before the databases, then gone.
        QFile hook(QStringLiteral("update.sh"));
        QVERIFY(hook.open(QIODevice::WriteOnly));
        hook.close();
        QList<int> ended;
        SetProcessEndHook([&ended](int status) { ended << status; });
        PopupAnswerer answers;
        gLan = 0;
        {
            RaRoWizard win;
            QVERIFY(!win.isBuilt());
            QCOMPARE(ended, QList<int>{1});
            QCOMPARE(answers.seen().size(), 1);
            QCOMPARE(answers.seen().first().className, QStringLiteral("WarnBox"));
            QCOMPARE(answers.seen().first().text, LanStrIn(160, kLanEn));
            QCOMPARE(m_actions.lines, QStringList({QStringLiteral("./update.sh"), QStringLiteral("reboot")}));
            QVERIFY(!QFile::exists(QStringLiteral("update.sh")));
            QVERIFY(!gpControlIO);
            QVERIFY(!gpWPara);
            QVERIFY(!win.cammerWidget[0]);
        }
        SetProcessEndHook({});
        // The default copy is in place for the next start.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        QVERIFY(db.open());
        QVERIFY(db.tables().contains(QStringLiteral("sysparam")));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }

    // A group restore cut off mid-switch that the next start cannot finish
    // (a file stands where the displaced set-up must go): the set-up may mix
    // two groups, so the operator is told, the operation log has it, nothing
    // is judged and the clamp stays held, and Start and resampling are refused.
    void unfinishedRestoreHoldsTheClamp()
    {
        TempWorkDir dir;
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SimCamFolder none;
        QVERIFY(QDir().mkpath(QStringLiteral(".paraGroup-restore")));
        QVERIFY(QFile::copy(QStringLiteral("PARAM.db"), QStringLiteral(".paraGroup-restore/PARAM.db")));
        QByteArray list = "put PARAM.db\n";
        for (int c = 1; c <= 8; ++c)
            for (int s = 1; s <= 8; ++s)
                list += "drop cammer" + QByteArray::number(c) + QByteArray::number(s) + '\n';
        for (const auto& [name, text] : {std::pair{".paraGroup-restore.journal", list},
                                         std::pair{".paraGroup-restore-old", QByteArray("in the way")}}) {
            QFile f(QString::fromLatin1(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        PopupAnswerer answers;
        answers.queue(0);  // keep the stored serial numbers
        gLan = 0;
        RaRoWizard win;
        QVERIFY(win.isBuilt());
        const QString told = win.setupHold();
        const QString lead = LanStr(1125).section(QStringLiteral("%1"), 0, 0);
        QVERIFY2(!lead.isEmpty() && told.startsWith(lead), qPrintable(told));
        QCOMPARE(answers.seen().last().className, QStringLiteral("WarnBox"));
        QCOMPARE(answers.seen().last().text, told);
        QVERIFY(OperationLogRows().contains(told));
        QVERIFY(!OperationLogRows().contains(LanStr(1118)));
        const long long passes = gRunCount;
        QTRY_VERIFY_WITH_TIMEOUT(gRunCount > passes + 3, 2000);
        QCOMPARE(win.cycle().runState, int(RunStopped));
        QCOMPARE(gpControlIO->IOState(1, 0), 1);  // clamp held

        answers.clear();
        win.commands()->SlotStartStop();
        win.commands()->SlotReTrain();
        QCOMPARE(answers.seen().size(), 2);
        for (const PopupAnswerer::Seen& s : answers.seen())
            QCOMPARE(s.text, told);
        QCOMPARE(win.cycle().runState, int(RunStopped));
        QCOMPARE(gpControlIO->IOState(1, 0), 1);
    }

    // Without a default copy to restore from, the damaged file stays: a
    // restore never leaves the monitor with no parameter file at all.
    void restoreWithoutDefaultKeepsTheFile()
    {
        TempWorkDir dir;
        const QByteArray damaged("a damaged parameter file\n");
        {
            QFile f(QStringLiteral("PARAM.db"));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damaged);
        }
        QVERIFY(QFile::rename(QString::fromLatin1(kWorkDatabases[0].defaultCopy), QStringLiteral("default-aside.db")));
        QVERIFY(!RestoreDefaultCopy(kWorkDatabases[0]));
        QFile f(QStringLiteral("PARAM.db"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), damaged);
        f.close();
        QVERIFY(QDir().entryList({QStringLiteral("PARAM.db.*")}, QDir::Files).isEmpty());
        // With the default back, it replaces the damaged file whole.
        QVERIFY(QFile::rename(QStringLiteral("default-aside.db"), QString::fromLatin1(kWorkDatabases[0].defaultCopy)));
        QVERIFY(RestoreDefaultCopy(kWorkDatabases[0]));
        QVERIFY(QFile(QStringLiteral("PARAM.db")).size() > damaged.size());
    }

private:
    TouchFilter m_filter;
    ActionsDouble m_actions;
};

MOJU_TEST_MAIN(TestStartup)
#include "test_startup.moc"
