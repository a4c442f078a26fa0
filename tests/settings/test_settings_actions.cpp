// The settings dialog's maintenance actions on a working directory of their
// own: parameter groups, counters, language and power; hostile names and
// failed copies change nothing and restart nothing.
#include "SettingsRig.h"

#include "records/Counters.h"
#include "foundation/MainGlobals.h"
#include "foundation/QtTranslations.h"
#include "foundation/VisionGlobals.h"
#include "platform/SystemActions.h"
#include "settings/ParaGroups.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"

#include <algorithm>
#include <QDirIterator>

#include <QFileDialog>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
bool Seen(const PopupAnswerer& a, const QString& text)
{
    for (const PopupAnswerer::Seen& s : a.seen())
        if (s.text == text)
            return true;
    return false;
}

// A message with a detail filled in: the text up to its placeholder.
bool SeenStarting(const PopupAnswerer& a, int id)
{
    const QString head = LanStr(id).section(QStringLiteral("%1"), 0, 0);
    for (const PopupAnswerer::Seen& s : a.seen())
        if (s.text.startsWith(head))
            return true;
    return false;
}

int Actions(const QString& action)
{
    int n = 0;
    for (const QString& l : SystemActionLines())
        n += l.endsWith(QLatin1Char(' ') + action) ? 1 : 0;
    return n;
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every file below a folder with its content: "nothing changed" made checkable.
QMap<QString, QByteArray> Snapshot(const QString& dir)
{
    QMap<QString, QByteArray> out;
    const QDir root(QDir(dir).absolutePath());
    QDirIterator it(root.path(), QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        out.insert(root.relativeFilePath(p), QFileInfo(p).isDir() ? QByteArray("<dir>") : ReadFile(p));
    }
    return out;
}

// Writes past `bytes` fail as they would on a full disk.
struct DiskFullAfter {
    explicit DiskFullAfter(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit r{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~DiskFullAfter() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved{};
};

// A folder nobody may write into, root included: root gives up overriding
// permissions (on this thread) while the object lives.
struct ReadOnlyFolder {
    explicit ReadOnlyFolder(const QString& path)
        : m_path(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                        | QFileDevice::ExeOther);
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &m_header, lowered);
    }
    ~ReadOnlyFolder()
    {
        syscall(SYS_capset, &m_header, m_saved);
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString m_path;
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

// A USB disk as a default build finds it: the folder of MOJU_USB_ROOT with
// its listing; the disk's files are under usb/mnt.
struct UsbFolder {
    UsbFolder()
    {
        WriteFile(QStringLiteral("usb/blkid"), "/dev/sda1: UUID=\"1\" TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n");
        WriteFile(QStringLiteral("usb/mounts"), "");
        qputenv("MOJU_USB_ROOT", QDir(QStringLiteral("usb")).absolutePath().toLocal8Bit());
    }
    ~UsbFolder() { qunsetenv("MOJU_USB_ROOT"); }
    static QString disk() { return QDir(QStringLiteral("usb/mnt")).absolutePath(); }
};

// An update archive made by tar from a folder with a hook and some data.
QString MakeArchive(const QString& name, const char* compress)
{
    WriteFile(QStringLiteral("pack/update.sh"), "#!/bin/sh\n");
    QByteArray data(300000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((quint32(i) * 7919u) >> 5);  // not too compressible
    WriteFile(QStringLiteral("pack/program"), data);
    const QString path = UsbFolder::disk() + QLatin1Char('/') + name;
    QDir().mkpath(UsbFolder::disk());
    RealSystemActions shell;
    shell.run({QStringLiteral("tar"), QLatin1String(compress), path, QStringLiteral("-C"), QStringLiteral("pack"),
               QStringLiteral(".")});
    return path;
}

void ClickGroupButton(SettingsRig& rig, int k)
{
    rig.dlg->groupButton[k]->click();
}
}  // namespace

class TestSettingsActions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init() { gLan = 0; }

    void hostileGroupNamesChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("text");
        QTest::newRow("empty") << QString() << 282;
        QTest::newRow("up") << QStringLiteral("../x") << 1100;
        QTest::newRow("option") << QStringLiteral("-rf") << 1100;
        QTest::newRow("blank") << QStringLiteral("two words") << 1100;
        QTest::newRow("quote") << QStringLiteral("it's") << 1100;
        QTest::newRow("double quote") << QStringLiteral("say\"hi\"") << 1100;
        QTest::newRow("hidden") << QStringLiteral(".x") << 1100;
        QTest::newRow("slash") << QStringLiteral("a/b") << 1100;
        QTest::newRow("control") << QStringLiteral("a\tb") << 1100;
        QTest::newRow("long") << QString(33, QLatin1Char('a')) << 1100;
        QTest::newRow("default") << QStringLiteral("default") << 1101;
    }
    void hostileGroupNamesChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, text);
        SettingsRig rig;
        // The same name found on the disk (put there by hand) is refused as well.
        if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String("default"))
            WriteFile(QStringLiteral("paraGroup/%1/PARAM.db").arg(name), "x");
        WriteFile(QStringLiteral("cammer11/template0.bmp"), "live");
        rig.dlg->ParaGroupUpdateList();
        const auto before = Snapshot(rig.dir.path());
        rig.open();
        PopupAnswerer answers;
        rig.dlg->groupNameEdit->setText(name);
        ClickGroupButton(rig, 0);
        QVERIFY(Seen(answers, LanStr(text)));
        if (text != 1101) {  // restoring the installed group is allowed
            rig.dlg->paraGroupCombo->setCurrentIndex(rig.dlg->paraGroupCombo->findText(name));
            ClickGroupButton(rig, 1);
            ClickGroupButton(rig, 2);
        }
        // Refused before any question: nothing asked, nothing written, nothing restarted.
        for (int q : {283, 285, 287})
            QVERIFY(!Seen(answers, LanStr(q)));
        QCOMPARE(Snapshot(rig.dir.path()), before);
        // Each refusal is also in the operation log, on one line.
        QCOMPARE(rig.host.records.size(), text == 1101 ? 1 : 3);
        QCOMPARE(rig.host.records.first(),
                 QString(LanStr(text)).replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified());
        QVERIFY(QDir(QStringLiteral("paraGroup/default")).exists());
    }

    void backupRestoreAndDelete()
    {
        SettingsRig rig;
        QCOMPARE(gDNum.load(), 2);
        WriteFile(QStringLiteral("cammer11/template0.bmp"), "c1s1");
        WriteFile(QStringLiteral("cammer22/sub/ignorepoint.bmp"), "c2s2");
        WriteFile(QStringLiteral("cammer13/template0.bmp"), "step 3 is not in use");
        rig.open();
        PopupAnswerer answers;
        rig.dlg->groupNameEdit->setText(QStringLiteral("mould_A-2"));
        ClickGroupButton(rig, 0);
        QCOMPARE(ReadFile(QStringLiteral("paraGroup/mould_A-2/cammer11/template0.bmp")), QByteArray("c1s1"));
        QCOMPARE(ReadFile(QStringLiteral("paraGroup/mould_A-2/cammer22/sub/ignorepoint.bmp")), QByteArray("c2s2"));
        QVERIFY(!QFile::exists(QStringLiteral("paraGroup/mould_A-2/cammer13")));
        QCOMPARE(ReadFile(QStringLiteral("paraGroup/mould_A-2/PARAM.db")), ReadFile(QStringLiteral("PARAM.db")));
        ComboBox& list = *rig.dlg->paraGroupCombo;
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.currentText(), QStringLiteral("mould_A-2"));
        QCOMPARE(ReadFile(QStringLiteral("sysadd.txt")), QByteArray("1\n"));

        // The same name again, answered No: the group stays as it was.
        WriteFile(QStringLiteral("cammer11/template0.bmp"), "changed");
        answers.queue(1);  // 283
        answers.queue(0);  // 284
        rig.dlg->groupNameEdit->setText(QStringLiteral("mould_A-2"));
        ClickGroupButton(rig, 0);
        QVERIFY(Seen(answers, LanStr(284)));
        QVERIFY(!Seen(answers, LanStr(234)));  // the group index is no edit to save
        QCOMPARE(ReadFile(QStringLiteral("paraGroup/mould_A-2/cammer11/template0.bmp")), QByteArray("c1s1"));

        // Restore: the group's files replace the live ones, the steps the group
        // has no folder for lose theirs, PARAM.db is replaced with its
        // connection closed and opened again, then the restart.
        QVERIFY(SetStoredValue(QStringLiteral("system2"), 2, 77));
        WriteFile(QStringLiteral("cammer23/template0.bmp"), "stale");
        list.setCurrentIndex(list.findText(QStringLiteral("mould_A-2")));
        gpWPara->paraGroupIndex = 0;
        answers.clear();
        ClickGroupButton(rig, 1);
        QVERIFY(Seen(answers, LanStr(285)));
        QCOMPARE(ReadFile(QStringLiteral("cammer11/template0.bmp")), QByteArray("c1s1"));
        QCOMPARE(ReadFile(QStringLiteral("cammer22/sub/ignorepoint.bmp")), QByteArray("c2s2"));
        QVERIFY(!QFile::exists(QStringLiteral("cammer13")));
        QVERIFY(!QFile::exists(QStringLiteral("cammer23")));
        QVERIFY(StoredValue(QStringLiteral("system2"), 2) != 77);
        QVERIFY(QSqlDatabase::database(QStringLiteral("dbIn"), false).isOpen());
        QCOMPARE(rig.host.records.last(), LanStr(286).arg(QStringLiteral("mould_A-2")));
        QCOMPARE(ReadFile(QStringLiteral("sysadd.txt")), QByteArray("1\n"));
        QCOMPARE(rig.host.flushAll, 1);
        QCOMPARE(Actions(QStringLiteral("reboot")), 1);

        // Delete: gone from the list and the disk; the group index stays.
        ClickGroupButton(rig, 2);
        QVERIFY(Seen(answers, LanStr(287)));
        QCOMPARE(list.findText(QStringLiteral("mould_A-2")), -1);
        QCOMPARE(ParaGroups().List(), QStringList{QStringLiteral("default")});
        QCOMPARE(ReadFile(QStringLiteral("sysadd.txt")), QByteArray("1\n"));
        // The installed group can be neither removed nor overwritten.
        list.setCurrentIndex(0);
        answers.clear();
        ClickGroupButton(rig, 2);
        QVERIFY(Seen(answers, LanStr(1101)));
        QVERIFY(QFile::exists(QStringLiteral("paraGroup/default/PARAM.db")));
    }

    void failedCopiesKeepWhatWasThere()
    {
        SettingsRig rig;
        WriteFile(QStringLiteral("paraGroup/mouldB/PARAM.db"), ReadFile(QStringLiteral("PARAM.db")));
        WriteFile(QStringLiteral("paraGroup/mouldB/cammer11/template0.bmp"), "kept");
        WriteFile(QStringLiteral("cammer11/template0.bmp"), QByteArray(256 * 1024, 'x'));
        rig.dlg->ParaGroupUpdateList();
        rig.open();
        PopupAnswerer answers;
        const auto groups = Snapshot(QStringLiteral("paraGroup"));
        {
            // The disk fills up on the large template: the old group stays whole.
            DiskFullAfter full(128 * 1024);
            rig.dlg->groupNameEdit->setText(QStringLiteral("mouldB"));
            ClickGroupButton(rig, 0);
        }
        QVERIFY(SeenStarting(answers, 1103));
        QCOMPARE(Snapshot(QStringLiteral("paraGroup")), groups);
        QCOMPARE(rig.host.records.size(), 1);

        // A group without a parameter table is refused before a live file is touched.
        WriteFile(QStringLiteral("paraGroup/broken/cammer11/template0.bmp"), "other product");
        WriteFile(QStringLiteral("paraGroup/broken/PARAM.db"), "not a database");
        rig.dlg->ParaGroupUpdateList();
        const auto live = Snapshot(rig.dir.path());
        rig.dlg->paraGroupCombo->setCurrentIndex(rig.dlg->paraGroupCombo->findText(QStringLiteral("broken")));
        ClickGroupButton(rig, 1);
        QVERIFY(Seen(answers, LanStr(1102).arg(QStringLiteral("broken"))));
        QCOMPARE(Snapshot(rig.dir.path()), live);
        QCOMPARE(ReadFile(QStringLiteral("cammer11/template0.bmp")), QByteArray(256 * 1024, 'x'));
        QCOMPARE(Actions(QStringLiteral("reboot")), 0);
        QCOMPARE(rig.host.flushAll, 0);
    }

    // An earlier restore's list that is not one the restore writes goes
    // aside when a group is restored: the log says where it is kept.
    void refusedSwitchListIsSetAside()
    {
        SettingsRig rig;
        WriteFile(QStringLiteral("paraGroup/mouldB/PARAM.db"), ReadFile(QStringLiteral("PARAM.db")));
        WriteFile(QStringLiteral(".paraGroup-restore.journal"), "put PARAM.db\nput cammer11\n");
        rig.dlg->ParaGroupUpdateList();
        rig.open();
        PopupAnswerer answers;
        rig.dlg->paraGroupCombo->setCurrentIndex(rig.dlg->paraGroupCombo->findText(QStringLiteral("mouldB")));
        ClickGroupButton(rig, 1);
        QTRY_COMPARE(Actions(QStringLiteral("reboot")), 1);
        const QString lead = AsLogLine(LanStr(1126).section(QStringLiteral("%1"), 0, 0));
        QVERIFY(std::any_of(rig.host.records.cbegin(), rig.host.records.cend(),
                            [&lead](const QString& r) { return r.startsWith(lead); }));
        QVERIFY(!QFileInfo::exists(rig.dir.filePath(QStringLiteral(".paraGroup-restore.journal"))));
        QCOMPARE(ReadFile(QStringLiteral(".paraGroup-restore.refused")), QByteArray("put PARAM.db\nput cammer11\n"));
    }

    void countsLanguageAndPower()
    {
        SettingsRig rig;
        rig.open();
        PopupAnswerer answers;
        std::fill(std::begin(gAllNum), std::end(gAllNum), 9);
        std::fill(std::begin(gFailNum), std::end(gFailNum), 3);
        gLost = 2;
        rig.dlg->resetCountButton->click();
        QCOMPARE(ReadFile(QStringLiteral("count.txt")).trimmed(), QByteArray("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));
        QCOMPARE(gLost, 0);
        QCOMPARE(rig.host.records, QStringList{LanStr(255)});
        QVERIFY(answers.seen().isEmpty());  // no question

        // The language in use: nothing asked.
        QtTranslations::Install(gLan);
        rig.dlg->SlotChangeLan(gLan);
        QVERIFY(answers.seen().isEmpty());
        // English: asked, logged, stored, restarted; Qt's own texts in English.
        rig.dlg->languageCombo->setCurrentIndex(1);
        QCOMPARE(gLan, 1);
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Open"));
        QVERIFY(Seen(answers, LanStrIn(318, 0)));  // asked in the language of the time
        QVERIFY(rig.host.records.contains(LanStrIn(319, 0)));
        QCOMPARE(StoredValue(QStringLiteral("system2"), 13), 1);
        QCOMPARE(rig.host.stopWtd, 1);
        QCOMPARE(rig.host.flushAll, 1);
        QCOMPARE(Actions(QStringLiteral("reboot")), 1);
        gLan = 0;

        // Power off: No to the restart question powers off, after the save.
        rig.open();
        answers.queue(1);  // 291
        answers.queue(0);  // 293
        rig.dlg->shutDownButton->click();
        QCOMPARE(rig.host.records.last(), LanStr(292));
        QCOMPARE(Actions(QStringLiteral("init 0")), 1);
        QCOMPARE(Actions(QStringLiteral("reboot")), 1);
        // Calibration with 9 points, then the restart.
        rig.open();
        answers.queueAction([](QDialog* d) {
            static_cast<ChooseCaliNumWidget*>(d)->combo()->setCurrentIndex(1);
            d->accept();
        });
        rig.dlg->actionButton[WizardParaWidget::ActionCalibrate]->click();
        QCOMPARE(Actions(QStringLiteral("./tsc 9")), 1);
        QCOMPARE(Actions(QStringLiteral("reboot")), 2);

        // A 40-character password is kept as its first 32.
        const QString typed = QStringLiteral("1234567890").repeated(4);
        rig.dlg->newPasswordEdit->setText(typed);
        rig.dlg->confirmPasswordEdit->setText(typed);
        rig.dlg->changePasswordButton->click();
        QCOMPARE(QString::fromLatin1(gpWParaBak->password), typed.left(32));
        QVERIFY(Seen(answers, LanStr(279)));
    }

    void updateFromUsbDisk_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("compress");
        QTest::addColumn<QString>("placed");
        QTest::addColumn<int>("message");
        QTest::newRow("tar.gz") << QStringLiteral("prog-2.tar.gz") << QStringLiteral("-czf") << QStringLiteral("newupdate.tar.gz") << 0;
        QTest::newRow("tar.xz") << QStringLiteral("prog.tar.xz") << QStringLiteral("-cJf") << QStringLiteral("newupdate.tar.xz") << 0;
        QTest::newRow("both names") << QStringLiteral("p.tar.xz.tar.gz") << QStringLiteral("-czf") << QStringLiteral("newupdate.tar.gz") << 0;
        QTest::newRow("truncated") << QStringLiteral("prog.tar.gz") << QStringLiteral("cut") << QString() << 1107;
        QTest::newRow("zip") << QStringLiteral("prog.zip") << QStringLiteral("-czf") << QString() << 1106;
    }
    void updateFromUsbDisk()
    {
        QFETCH(QString, picked);
        QFETCH(QString, compress);
        QFETCH(QString, placed);
        QFETCH(int, message);
        SettingsRig rig;
        UsbFolder usb;
        QString path = MakeArchive(picked, compress == QLatin1String("cut") ? "-czf" : qPrintable(compress));
        if (compress == QLatin1String("cut")) {
            const QByteArray whole = ReadFile(path);
            WriteFile(path, whole.left(whole.size() / 2));
        }
        rig.open();
        PopupAnswerer answers;
        answers.queueAction([path](QDialog* d) {
            auto* pick = qobject_cast<QFileDialog*>(d);
            QVERIFY(pick);
            QCOMPARE(pick->directory().absolutePath(), UsbFolder::disk());
            pick->selectFile(path);
            static_cast<QDialog*>(pick)->accept();  // QFileDialog takes the typed name
        });
        rig.dlg->actionButton[WizardParaWidget::ActionUpdate]->click();
        QVERIFY(Seen(answers, LanStr(323)));
        const QStringList archives = QDir().entryList({QStringLiteral("newupdate*")}, QDir::Files);
        if (placed.isEmpty()) {
            QVERIFY(archives.isEmpty());
            QVERIFY(SeenStarting(answers, message));
            QCOMPARE(Actions(QStringLiteral("reboot")), 0);
            QCOMPARE(rig.host.flushAll, 0);
            QCOMPARE(rig.host.records.size(), 1);  // the refusal in the operation log
        } else {
            QCOMPARE(archives, QStringList{placed});
            QCOMPARE(ReadFile(placed), ReadFile(path));
            QCOMPARE(Actions(QStringLiteral("sync")), 1);
            QCOMPARE(Actions(QStringLiteral("reboot")), 1);
            QCOMPARE(rig.host.stopWtd, 1);
            QCOMPARE(rig.host.flushAll, 1);
        }
    }

    void factoryReset()
    {
        SettingsRig rig;
        UsbFolder usb;
        rig.open();
        PopupAnswerer answers;
        rig.dlg->actionButton[WizardParaWidget::ActionFactory]->click();
        QVERIFY(Seen(answers, LanStr(551) + QLatin1Char('?')));
        QVERIFY(SeenStarting(answers, 1109));
        QCOMPARE(Actions(QStringLiteral("reboot")), 0);
        QVERIFY(!QFile::exists(QStringLiteral("newupdate.tar.gz")));
        QVERIFY(QFile::copy(MakeArchive(QStringLiteral("f.tar.gz"), "-czf"), QStringLiteral("paraGroup/default/20clearsh.tar.gz")));
        rig.dlg->actionButton[WizardParaWidget::ActionFactory]->click();
        QCOMPARE(ReadFile(QStringLiteral("newupdate.tar.gz")), ReadFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz")));
        QCOMPARE(Actions(QStringLiteral("reboot")), 1);
    }

    void exportKeepsPicturesUnlessCopied_data()
    {
        QTest::addColumn<QString>("disk");
        QTest::newRow("copied") << QStringLiteral("ok");
        QTest::newRow("full") << QStringLiteral("full");
        QTest::newRow("read-only") << QStringLiteral("read-only");
    }
    void exportKeepsPicturesUnlessCopied()
    {
        QFETCH(QString, disk);
        SettingsRig rig;
        UsbFolder usb;
        QDir().mkpath(UsbFolder::disk());
        const QByteArray picture(150 * 1024, 'p');
        for (const char* f : {"cammer11/1.bmp", "cammer12/2.bmp", "cammer21/3.bmp", "cammer31/4.bmp"})
            WriteFile(QStringLiteral("originalimage/") + QLatin1String(f), picture);
        rig.open();
        const auto before = Snapshot(QStringLiteral("originalimage"));
        PopupAnswerer answers;
        {
            std::unique_ptr<DiskFullAfter> full;
            std::unique_ptr<ReadOnlyFolder> readOnly;
            if (disk == QLatin1String("full"))
                full = std::make_unique<DiskFullAfter>(100 * 1024);
            if (disk == QLatin1String("read-only"))
                readOnly = std::make_unique<ReadOnlyFolder>(UsbFolder::disk());
            rig.dlg->actionButton[WizardParaWidget::ActionExport]->click();
        }
        QVERIFY(Seen(answers, LanStr(324)));
        QCOMPARE(Actions(QStringLiteral("umount ") + UsbFolder::disk()), 1);  // the disk comes off in every case
        if (disk != QLatin1String("ok")) {
            QVERIFY(SeenStarting(answers, 1110));
            QVERIFY(!Seen(answers, LanStr(147)));
            QCOMPARE(Snapshot(QStringLiteral("originalimage")), before);
            return;
        }
        QVERIFY(Seen(answers, LanStr(147)));
        const QStringList stamps = QDir(UsbFolder::disk()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(stamps.size(), 1);
        const QString copy = UsbFolder::disk() + QLatin1Char('/') + stamps[0] + QLatin1Char('/') + QDir::current().dirName();
        QCOMPARE(ReadFile(copy + QStringLiteral("/originalimage/cammer21/3.bmp")), picture);
        QCOMPARE(ReadFile(copy + QStringLiteral("/PARAM.db")), ReadFile(QStringLiteral("PARAM.db")));
        QVERIFY(!QFile::exists(copy + QStringLiteral("/usb/mnt")));  // the disk is not copied into itself
        // Cameras 1 and 2, steps 1 and 2 are cleared; camera 3 is not in use.
        QCOMPARE(Snapshot(QStringLiteral("originalimage")).keys(),
                 QStringList({QStringLiteral("cammer11"), QStringLiteral("cammer12"), QStringLiteral("cammer21"),
                              QStringLiteral("cammer31"), QStringLiteral("cammer31/4.bmp")}));
    }

    // The pages these actions open, for a person to look at: MOJU_SHOTS_DIR names the folder.
    void grabActionPages_data() { AddLanguageRows(); }
    void grabActionPages()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        SettingsRig rig([lan] { SetStoredValue(QStringLiteral("system2"), 13, lan); });
        QDir().mkpath(out);
        PopupAnswerer answers;
        // Each popup is grabbed as it shows, then answered.
        const auto grab = [&](const char* name, int result) {
            answers.queueAction([=](QDialog* d) {
                d->grab().save(QStringLiteral("%1/actions-%2x%3-%4-%5.png")
                                   .arg(out).arg(gShowW).arg(gShowH)
                                   .arg(QString::fromLatin1(QTest::currentDataTag()), QLatin1String(name)));
                d->done(result);
            });
        };
        rig.open();
        grab("clock", QDialog::Rejected);
        rig.dlg->actionButton[WizardParaWidget::ActionClock]->click();
        grab("calibration", QDialog::Rejected);
        rig.dlg->actionButton[WizardParaWidget::ActionCalibrate]->click();
        rig.dlg->groupNameEdit->setText(QStringLiteral("-rf"));
        grab("group-name-refused", QDialog::Accepted);
        rig.dlg->groupButton[0]->click();
        grab("factory-question", QDialog::Accepted);
        grab("factory-missing", QDialog::Accepted);
        rig.dlg->actionButton[WizardParaWidget::ActionFactory]->click();
        grab("export-question", QDialog::Accepted);
        grab("no-usb-disk", QDialog::Rejected);
        rig.dlg->actionButton[WizardParaWidget::ActionExport]->click();
        UsbFolder usb;
        MakeArchive(QStringLiteral("program-2.1.tar.gz"), "-czf");
        {
            ReadOnlyFolder readOnly(UsbFolder::disk());
            grab("export-question", QDialog::Accepted);
            grab("export-failed", QDialog::Accepted);
            rig.dlg->actionButton[WizardParaWidget::ActionExport]->click();
        }
        grab("update-file", QDialog::Rejected);
        rig.dlg->actionButton[WizardParaWidget::ActionUpdate]->click();
        grab("exit-question", QDialog::Rejected);
        rig.dlg->actionButton[WizardParaWidget::ActionExit]->click();
        QCOMPARE(answers.seen().size(), 11);
    }
};

MOJU_TEST_MAIN(TestSettingsActions)
#include "test_settings_actions.moc"
