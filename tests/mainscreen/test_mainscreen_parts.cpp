// The main screen's rules without a main window: zoom, status-bar lamps and
// cycle time, the command column, finding the USB disk.
#include "TestSupport.h"

#include "foundation/MainGlobals.h"
#include "app/StatusLayout.h"
#include "inspect/CycleState.h"
#include "app/ViewZoom.h"
#include "app/gui/IOStatusWidget.h"
#include "app/gui/IndexButton.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"
#include "platform/UsbDisk.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"

#include <QMouseEvent>

namespace {
// The host of the USB disk as the kernel would answer: a listing, a mount
// table, and where a mount of a device really lands.
class FakeUsbHost : public UsbHost {
public:
    QString listing;
    QStringList mounts;      // "device mountpoint" lines
    QString landsOn = QStringLiteral("/mnt");
    QStringList calls;

    QString mountPoint() const override { return QStringLiteral("/mnt"); }
    QString blkid() override { return listing; }
    bool readMounts(QString* table) override
    {
        *table = mounts.join(QLatin1Char('\n'));
        return true;
    }
    void umount(const QString& mp) override
    {
        calls << QStringLiteral("umount ") + mp;
        for (int i = mounts.size() - 1; i >= 0; --i)
            if (mounts[i].split(QLatin1Char(' ')).value(1) == mp) {
                mounts.removeAt(i);
                break;
            }
    }
    void mount(const QString& dev, const QString& mp) override
    {
        calls << QStringLiteral("mount %1 %2").arg(dev, mp);
        mounts << dev + QLatin1Char(' ') + landsOn + QStringLiteral(" vfat rw 0 0");
    }
};

// What the status bar reads, set by the test; counts the bar's paints.
class FakeStatusHost : public StatusHost, public QObject {
public:
    int level = 0;
    qint64 cycleTime = 0;
    quint32 lamps[2] = {};  // [direction] bit per index
    int paints = 0;

    int unlockLevel() const override { return level; }
    void lock() override { level = 0; }
    qint64 lastCycleTime() const override { return cycleTime; }
    int ioState(int direction, int index) const override { return (lamps[direction ? 1 : 0] >> index) & 1u; }
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

const QString kSystem = QStringLiteral("/dev/sda1: UUID=\"a1\" TYPE=\"ext4\" PARTUUID=\"p1\"\n");

QList<QWidget*> Shown(IndexButton& column)
{
    QList<QWidget*> shown;
    for (QWidget* w : column.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isHidden())
            shown << w;
    return shown;
}
}  // namespace

class TestMainScreenParts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init()
    {
        m_para = WizardPara();
        gpWPara = &m_para;
        gLan = kLanEn;
        gisUseStatistics = 0;
    }
    void cleanup() { gpWPara = nullptr; }

    void zoom_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("offset");
        // Centre (100, 50) in every row.
        QTest::newRow("reduce to 1:1 clears the pan") << 1.2 << QList<int>{-1} << 1.0 << QPointF(0, 0);
        QTest::newRow("reduce stays above 1.1") << 1.44 << QList<int>{-1} << 1.2 << QPointF(-20, -10);
        QTest::newRow("enlarge about the centre") << 1.0 << QList<int>{1} << 1.2 << QPointF(-20, -10);
        QTest::newRow("enlarge stops at 32") << 30.0 << QList<int>{1, 1, 1} << 32.0 << QPointF(-3100, -1550);
        QTest::newRow("1:1") << 5.0 << QList<int>{0} << 1.0 << QPointF(0, 0);
    }
    void zoom()
    {
        QFETCH(double, from);
        QFETCH(QList<int>, steps);
        QFETCH(double, scale);
        QFETCH(QPointF, offset);
        CycleState z;
        z.zoomCentreX = 100;
        z.zoomCentreY = 50;
        z.zoomScale = from;
        z.zoomOffsetX = 100 - 100 * from;  // image point (100, 50) under the centre
        z.zoomOffsetY = 50 - 50 * from;
        for (int dir : steps)
            ZoomScale(z, dir);
        QCOMPARE(z.zoomScale, scale);
        QVERIFY(qAbs(z.zoomOffsetX - offset.x()) < 1e-6);
        QVERIFY(qAbs(z.zoomOffsetY - offset.y()) < 1e-6);
        // Panning moves only a zoomed view, by steps of its scale.
        const double x = z.zoomOffsetX;
        QCOMPARE(ZoomMove(z, 1, 0), scale > 1.0);
        QCOMPARE(z.zoomOffsetX, scale > 1.0 ? x + scale : x);
    }

    void statusLamps_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("customTrig");
        QTest::addColumn<bool>("extraOutputs");
        QTest::addColumn<QString>("expected");  // "i<n>@x,y" / "o<n>@x,y" in drawing order
        QTest::newRow("standard, small") << 0 << 2 << false << 0 << false
                                         << "i0@7,5 i1@42,5 i2@77,5 i3@112,5 o0@162,5 o1@197,5 o2@232,5 o3@267,5";
        QTest::newRow("standard, large, result lamps")
            << 0 << 2 << true << 0 << true
            << "i0@7,95 i1@82,95 i2@157,95 i3@232,95 o0@322,95 o1@397,95 o2@472,95 o3@547,95 "
               "o4@622,95 o5@697,95 o6@772,95 o7@847,95";
        // Steps 0-4 on inputs 1, 3..6 (0-based 0, 2..5); input 6 is beyond
        // five steps and stays dark.
        QTest::newRow("multi-detection, five steps, wide") << 4 << 5 << true << 1 << false
            << "i0@7,10 i1@82,10 i2@157,10 i3@232,10 i4@307,10 i5@382,10 "
               "o0@7,95 o1@82,95 o2@157,95 o3@232,95 o4@307,95 o5@382,95";
        QTest::newRow("multi-detection, stored trigger out of range") << 4 << 2 << false << 99 << false
            << "i0@7,5 i1@42,5 i2@77,5 o0@127,5 o1@162,5 o2@197,5 o3@232,5";
    }
    void statusLamps()
    {
        QFETCH(int, type);
        QFETCH(int, steps);
        QFETCH(bool, large);
        QFETCH(int, customTrig);
        QFETCH(bool, extraOutputs);
        QFETCH(QString, expected);
        m_para.machineType = type;
        m_para.detectCount = steps;
        std::fill(std::begin(m_para.trigInput), std::end(m_para.trigInput), -1);
        const int inputs[] = {0, 2, 3, 4, 5, 6, 7, 8};
        for (int s = 0; s < 8; ++s)
            m_para.trigInput[s] = type == 4 ? (s < steps ? inputs[s] : 6) : (s < 2 ? 0 : -1);
        m_para.customTrigInput[0] = customTrig;
        m_para.prodNgPulseNoAlarm = extraOutputs;
        for (int i = 0; i < 18; ++i)
            gaName[i] = QStringLiteral("n%1").arg(i);

        QStringList got;
        const QList<StatusLamp> lamps = StatusLamps(m_para, large);
        for (const StatusLamp& l : lamps)
            got << QStringLiteral("%1%2@%3,%4").arg(l.input ? 'i' : 'o').arg(l.index).arg(l.lamp.x()).arg(l.lamp.y());
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
        // Names sit in the lower part of their own lamp; the result lamps are N 1..N 4.
        for (const StatusLamp& l : lamps) {
            QVERIFY(l.lamp.contains(l.nameBox.bottomLeft()));
            const QString name = !l.input && extraOutputs && l.index >= 4
                                     ? QStringLiteral(" N %1 ").arg(l.index - 3)
                                     : gaName[l.input ? l.index : (type == 4 ? 9 : 4) + l.index];
            QCOMPARE(l.name, name);
        }
        // Lamps never touch one another.
        for (int a = 0; a < lamps.size(); ++a)
            for (int b = a + 1; b < lamps.size(); ++b)
                QVERIFY(!lamps[a].lamp.intersects(lamps[b].lamp));
    }

    void cycleTimeText_data()
    {
        QTest::addColumn<qint64>("tenths");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("12.3 s") << qint64(123) << "12.3";
        QTest::newRow("right-aligned") << qint64(5) << " 0.5";
        QTest::newRow("beyond 32 bits") << qint64(3000000000LL) << "300000000.0";
    }
    void cycleTimeText()
    {
        QFETCH(qint64, tenths);
        QFETCH(QString, seconds);
        const QDateTime t(QDate(2024, 3, 9), QTime(7, 5, 4));
        QCOMPARE(StatusTimeText(t, tenths), LanStr(110).arg(QStringLiteral("2024-03-09 07.05.04"), seconds));
    }

    // The polling pass asks the bar on every pass; any shown value that
    // changes must repaint it, the highest lamp of each row included.
    void statusBarRepaints_data()
    {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("index");
        QTest::newRow("input 0") << 0 << 0;
        QTest::newRow("input 12") << 0 << 12;
        QTest::newRow("output 0") << 1 << 0;
        QTest::newRow("output 12") << 1 << 12;
        QTest::newRow("login") << 2 << 0;
        QTest::newRow("cycle time") << 3 << 0;
    }
    void statusBarRepaints()
    {
        QFETCH(int, what);
        QFETCH(int, index);
        FakeStatusHost host;
        IOStatusWidget bar(nullptr, &host);
        bar.installEventFilter(&host);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QTRY_VERIFY(host.paints > 0);
        const int before = host.paints;
        if (what < 2)
            host.lamps[what] |= 1u << index;
        else if (what == 2)
            host.level = 2;
        else
            host.cycleTime = 123;
        bar.Refresh();
        QTRY_VERIFY(host.paints > before);
    }

    void commandColumnButtons_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("productStep");
        QTest::addColumn<QStringList>("snapshots");  // captions of the shown snapshot controls
        QTest::newRow("standard") << 0 << true << QStringList{LanStr(132), LanStr(131)};
        QTest::newRow("without product step") << 0 << false << QStringList{LanStr(132)};
        QTest::newRow("multi-detection") << 4 << true << QStringList{LanStr(516), QStringLiteral("combo")};
    }
    void commandColumnButtons()
    {
        QFETCH(int, type);
        QFETCH(bool, productStep);
        QFETCH(QStringList, snapshots);
        m_para.machineType = type;
        m_para.productDetectOn = productStep;
        m_para.showManualSnapshot = 1;
        m_para.customDetectCount = 3;
        QWidget screen;
        IndexButton column(&screen);
        QVERIFY(!column.statisticsButton);  // statistics off at start: no button at all
        for (int mode : {1, 2}) {
            column.ShowHide(mode);
            QStringList got;
            for (QWidget* w : {static_cast<QWidget*>(column.moldSnapshotButton), static_cast<QWidget*>(column.proSnapshotButton),
                               static_cast<QWidget*>(column.snapshotButton), static_cast<QWidget*>(column.snapshotCombo)})
                if (!w->isHidden())
                    got << (w == column.snapshotCombo ? QStringLiteral("combo") : static_cast<ColorButton*>(w)->text());
            QCOMPARE(got, snapshots);
            QVERIFY(column.accountButton->isHidden());
        }
        // The combined snapshot offers one entry per step and reports the one chosen.
        QCOMPARE(column.snapshotCombo->count(), 3);
        QCOMPARE(column.snapshotCombo->itemText(2), QStringLiteral("3rd"));
        column.snapshotCombo->setCurrentIndex(2);
        QCOMPARE(column.CurChooseTrig(), 2);
    }

    void commandColumnFolds()
    {
        m_para.skipDetect = 1;
        m_para.showAcqModeButton = 1;
        QWidget screen;
        screen.resize(gShowW, gShowH);
        IndexButton column(&screen);
        column.show();
        QVERIFY(!column.isHidden());
        const QList<QWidget*> before = Shown(column);
        QList<QRect> places;
        for (QWidget* w : before)
            places << w->geometry();
        QVERIFY(before.contains(column.skipButton) && before.contains(column.captureModeButton));
        // The capture-mode button sits at the bottom, the others fit above it.
        QCOMPARE(column.captureModeButton->geometry().bottom(), column.height() - 1);

        QTest::mouseClick(&column, Qt::LeftButton, {}, QPoint(100, 50));  // on the logo
        QCOMPARE(column.shownFlag(), 0);
        QCOMPARE(Shown(column).size(), 1);  // only the logo
        QTest::mouseClick(&column, Qt::LeftButton, {}, QPoint(100, 200));  // below it: nothing
        QCOMPARE(column.shownFlag(), 0);
        QTest::mouseClick(&column, Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(Shown(column), before);
        QList<QRect> again;
        for (QWidget* w : before)
            again << w->geometry();
        QCOMPARE(again, places);
    }

    void findUsbDisk_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("mounts");
        QTest::addColumn<QString>("landsOn");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("calls");
        const QString usb = QStringLiteral("/dev/sdb1: LABEL=\"KEY\" UUID=\"1\" TYPE=\"vfat\"\n");
        QTest::newRow("listed before the system disk")
            << usb + kSystem << QStringList{} << "/mnt" << "" << QStringList{};
        QTest::newRow("two disks: the first")
            << kSystem + usb + "/dev/sdc1: UUID=\"2\" TYPE=\"ntfs\"\n" << QStringList{} << "/mnt" << "/mnt"
            << QStringList{"mount /dev/sdb1 /mnt"};
        QTest::newRow("stale mounts go first")
            << kSystem + usb
            << QStringList{"/dev/sda1 / ext4 rw 0 0", "/dev/sdc1 /mnt vfat rw 0 0", "/dev/sdd1 /mnt vfat rw 0 0",
                           "/dev/sda2 /mnt/data ext4 rw 0 0"}
            << "/mnt" << "/mnt" << QStringList{"umount /mnt", "umount /mnt", "mount /dev/sdb1 /mnt"};
        QTest::newRow("eMMC system disk") << "/dev/mmcblk0p2: TYPE=\"ext4\"\n/dev/mmcblk0p1: TYPE=\"vfat\"\n"
                                          << QStringList{} << "/mnt" << "" << QStringList{};
        QTest::newRow("eMMC system, USB exFAT")
            << "/dev/mmcblk0p2: TYPE=\"ext4\"\n/dev/mmcblk0p1: TYPE=\"vfat\"\n/dev/sda1: TYPE=\"exfat\"\n"
            << QStringList{} << "/mnt" << "/mnt" << QStringList{"mount /dev/sda1 /mnt"};
        QTest::newRow("mounted elsewhere") << kSystem + usb << QStringList{} << "/media/usb" << ""
                                           << QStringList{"mount /dev/sdb1 /mnt"};
        // Fields, not text: a stick labelled like a system disk is still a stick.
        QTest::newRow("by fields")
            << kSystem + "/dev/sdb1: LABEL=\"TYPE=\\\"ext4\\\"\" SEC_TYPE=\"msdos\" TYPE=\"vfat\"\n"
            << QStringList{} << "/mnt" << "/mnt" << QStringList{"mount /dev/sdb1 /mnt"};
        QTest::newRow("no blkid output") << "" << QStringList{} << "/mnt" << "" << QStringList{};
    }
    void findUsbDisk()
    {
        QFETCH(QString, listing);
        QFETCH(QStringList, mounts);
        QFETCH(QString, landsOn);
        QFETCH(QString, result);
        QFETCH(QStringList, calls);
        FakeUsbHost host;
        host.listing = listing;
        host.mounts = mounts;
        host.landsOn = landsOn;
        QCOMPARE(FindAU(host), result);
        QCOMPARE(host.calls, calls);
    }

    // A default build takes the listing and the mount table from the folder
    // of MOJU_USB_ROOT; mount and umount only reach system-actions.log.
    void usbDiskFromFolder()
    {
        TempWorkDir dir;
        const QString root = dir.filePath(QStringLiteral("usb"));
        qunsetenv("MOJU_USB_ROOT");
        QCOMPARE(FindAU(), QString());  // no folder: no disk
        QDir().mkpath(root);
        auto write = [&](const QString& name, const QString& text) {
            QFile f(root + QLatin1Char('/') + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.toUtf8());
        };
        write(QStringLiteral("blkid"), kSystem + QStringLiteral("/dev/sdb1: TYPE=\"vfat\"\n"));
        write(QStringLiteral("mounts"), QStringLiteral("/dev/sdc1 %1/mnt vfat rw 0 0\n").arg(root));
        qputenv("MOJU_USB_ROOT", root.toLocal8Bit());
        const QString mp = FindAU();
        qunsetenv("MOJU_USB_ROOT");
        QCOMPARE(mp, root + QStringLiteral("/mnt"));
        QVERIFY(QFileInfo(mp).isDir());  // exports can write there
        const QStringList lines = SystemActionLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(QStringLiteral(" umount ") + mp));
        QVERIFY(lines[1].endsWith(QStringLiteral(" mount /dev/sdb1 ") + mp));
    }

private:
    WizardPara m_para;
};

MOJU_TEST_MAIN(TestMainScreenParts)
#include "test_mainscreen_parts.moc"
