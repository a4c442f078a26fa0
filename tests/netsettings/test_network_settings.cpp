// The network page of the settings dialog and the "Other network settings"
// dialog: layout at the screen size, answers of the plant-client double,
// hostile Wi-Fi and server texts, a host-name change written under the test's
// system root, and a slow ping that leaves the screen live.
#include "PlantClientDouble.h"
#include "SettingsRig.h"

#include "foundation/VisionGlobals.h"
#include "network/HostName.h"
#include "network/NetSettingsFiles.h"
#include "network/VUR_Net.h"
#include "network/gui/OtherNetWidget.h"
#include "platform/SystemActions.h"
#include "settings/NetworkPage.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditBox.h"
#include "widgets/EditIP.h"

#include <QStandardItemModel>
#include <QTableView>

namespace {
QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// A route to a gateway and pings that answer as told: the first takes a
// real 5-s program, the second answers at once.
struct SlowPing : SystemActions {
    ActionResult run(const QStringList&, int) override { return {}; }
    ActionResult query(const QStringList&, int) override { return {0, "default via 10.0.0.1 dev eth0\n", false}; }
    void runAsync(const QStringList& argv, int timeout, QObject* context,
                  std::function<void(const ActionResult&)> done) override
    {
        pings << argv;
        if (pings.size() == 1)
            RunProgramAsync({QStringLiteral("sleep"), QStringLiteral("5")}, timeout, context, std::move(done));
        else
            SystemActions::runAsync(argv, timeout, context, std::move(done));
    }
    bool startDetached(const QStringList&, const QString&) override { return true; }
    bool deviceIoctl(const QString&, unsigned long) override { return true; }
    bool portIoPermission(int) override { return true; }
    QList<QStringList> pings;
};
}  // namespace

class TestNetworkSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void init()
    {
        m_rig = std::make_unique<SettingsRig>([this] { SetStoredValue(QStringLiteral("system2"), 13, m_lan); });
        gpNet = new VUR_Net;  // link off in the template: cards and host name only
        gpNet->netCard.cards = {{QStringLiteral("eth0"), {QStringLiteral("192.168.1.10"), QStringLiteral("255.255.255.0"),
                                                         QStringLiteral("192.168.1.1")}},
                                {QStringLiteral("wlan0"), {QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"),
                                                          QStringLiteral("0.0.0.0")}}};
        gpNet->netCard.hostName = QStringLiteral("oldname");
        m_others = new OtherNetWidget(m_rig->dlg.get());
        m_page = new NetworkPage(m_rig->dlg.get(), m_others);
        m_rig->dlg->setNetworkPage(m_page);
        m_rig->host.level = 2;
    }
    void cleanup()
    {
        SystemActions::setInstance(nullptr);  // a double a failed test left in place
        m_rig->dlg->setNetworkPage(nullptr);
        m_rig.reset();
        delete gpNet;
        gpNet = nullptr;
    }

    void pagesFitTheScreen()
    {
        gpWPara->netEnabled = 1;
        m_rig->open();
        m_rig->dlg->SlotToNetwork();
        QVERIFY(m_page->isVisible());
        QVERIFY(m_page->otherButton->isVisible());
        QVERIFY(!m_page->fpsCombo->isEnabled());
        const QRect page = m_page->rect();
        for (QWidget* w : m_page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(page.contains(w->geometry()), qPrintable(w->metaObject()->className()));
        // Unticking the plant link hides its controls at once.
        m_page->plantBox->setValue(0);
        QVERIFY(!m_page->hostEdit->isVisible());

        m_others->show();
        for (int p = 1; p <= 6; ++p) {
            m_others->hideshow(p);
            QList<QWidget*> shown;
            for (QWidget* w : m_others->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (w->isVisible())
                    shown << w;
            for (int i = 0; i < shown.size(); ++i) {
                QVERIFY2(m_others->rect().contains(shown[i]->geometry()), qPrintable(QString::number(p)));
                for (int j = i + 1; j < shown.size(); ++j)
                    QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                             qPrintable(QStringLiteral("page %1: %2 / %3").arg(p).arg(i).arg(j)));
            }
        }
        m_others->hide();
    }

    void productNamesAndMemosFromTheClient()
    {
        QVERIFY(SetStoredValue(QStringLiteral("VurNet"), 1, 1));
        delete gpNet;
        VUR_Net::Options o;
        o.port = 0;
        o.shmKeyPath = m_rig->dir.path();
        VUR_Net::SetOptions(o);
        gpNet = new VUR_Net;
        connect(gpNet, &VUR_Net::productNamesReceived, m_others, &OtherNetWidget::vur_reset_product);
        connect(gpNet, &VUR_Net::remindersReceived, m_others, &OtherNetWidget::vur_reset_remind);
        gpWPara->netEnabled = 1;
        PlantClientDouble client(gpNet->serverPort(),
                                 {QStringLiteral("--products"),
                                  QStringLiteral("{\"result\":[{\"product_name\":\"壳体\"},{\"product_name\":\"A-1\"}]}"),
                                  QStringLiteral("--reminds"),
                                  QStringLiteral("{\"result\":[{\"operator\":\"王\",\"create_utc\":0,\"notify_utc\":0,"
                                                 "\"duration\":30,\"reminder_name\":\"换模\"}]}")});
        QTRY_VERIFY(gpNet->isAlive);
        WizardPara::SetText(gpWParaBak->netProName, QStringLiteral("A-1"));
        m_others->LoadFrom(*gpWParaBak);
        m_others->show();
        m_others->SlotStatistics();
        // The name in use stays first, once; the others follow in reply order.
        QTRY_COMPARE(m_others->productCombo->count(), 2);
        QCOMPARE(m_others->productCombo->itemText(0), QStringLiteral("A-1"));
        QCOMPARE(m_others->productCombo->itemText(1), QStringLiteral("壳体"));
        m_others->SlotRemind();
        QTRY_COMPARE(m_others->memoModel->rowCount(), 1);
        QCOMPARE(m_others->memoModel->item(0, 0)->text(), QStringLiteral("王"));
        QCOMPARE(m_others->memoModel->item(0, 3)->text(), QStringLiteral("30"));
        QCOMPARE(m_others->memoModel->item(0, 4)->text(), QStringLiteral("换模"));
        QCOMPARE(m_others->memoModel->item(0, 1)->text(),
                 QDateTime::fromMSecsSinceEpoch(0).toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
        // A partial answer is dropped whole.
        m_others->vur_reset_product(QStringLiteral("{\"result\":[{\"product_name\":\"B\"},{\"x\":1}]}"));
        QCOMPARE(m_others->productCombo->count(), 2);
        m_others->hide();
    }

    // A time or duration beyond 64 bits is unreadable, as a missing key is:
    // the fill stops there and nothing made up from it is shown.
    void memoNumbersBeyondRangeStopTheFill()
    {
        m_others->show();
        m_others->SlotRemind();  // page 6; the link is off, nothing is asked
        const QString good = QStringLiteral("{\"operator\":\"a\",\"create_utc\":1.5e12,\"notify_utc\":-2.5,"
                                            "\"duration\":30.9,\"reminder_name\":\"r\"}");
        m_others->vur_reset_remind(QStringLiteral("{\"result\":[%1,{\"operator\":\"b\",\"create_utc\":0,\"notify_utc\":0,"
                                                  "\"duration\":1e300,\"reminder_name\":\"r\"},%1]}")
                                       .arg(good));
        QCOMPARE(m_others->memoModel->rowCount(), 2);
        QCOMPARE(m_others->memoModel->item(0, 1)->text(),
                 QDateTime::fromMSecsSinceEpoch(1500000000000).toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
        QCOMPARE(m_others->memoModel->item(0, 2)->text(),
                 QDateTime::fromMSecsSinceEpoch(-2).toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
        QCOMPARE(m_others->memoModel->item(0, 3)->text(), QStringLiteral("30"));
        QVERIFY(m_others->memoModel->item(1, 2));
        QVERIFY(!m_others->memoModel->item(1, 3));
        m_others->vur_reset_remind(QStringLiteral("{\"result\":[%1,{\"operator\":\"c\",\"create_utc\":4.6e228}]}").arg(good));
        QCOMPARE(m_others->memoModel->rowCount(), 2);
        QCOMPARE(m_others->memoModel->item(1, 0)->text(), QStringLiteral("c"));
        QVERIFY(!m_others->memoModel->item(1, 1));
        m_others->hide();
    }

    void memoValuesThatAreNoNumbers_data()
    {
        QTest::addColumn<QString>("value");  // of notify_utc and duration
        QTest::addColumn<QString>("duration");
        QTest::newRow("a number") << QStringLiteral("30.9") << QStringLiteral("30");
        QTest::newRow("text") << QStringLiteral("\"30\"") << QStringLiteral("0");
        QTest::newRow("null") << QStringLiteral("null") << QStringLiteral("0");
        QTest::newRow("true") << QStringLiteral("true") << QStringLiteral("0");
        QTest::newRow("false") << QStringLiteral("false") << QStringLiteral("0");
    }

    // A time or duration that is no number reads as 0; the memos after it fill.
    void memoValuesThatAreNoNumbers()
    {
        QFETCH(QString, value);
        QFETCH(QString, duration);
        m_others->show();
        m_others->SlotRemind();  // page 6; the link is off, nothing is asked
        const QString memo = QStringLiteral("{\"operator\":\"%1\",\"create_utc\":0,\"notify_utc\":%2,\"duration\":%2,"
                                            "\"reminder_name\":\"r\"}");
        m_others->vur_reset_remind(QStringLiteral("{\"result\":[%1,%2]}").arg(memo.arg(QStringLiteral("a"), value),
                                                                          memo.arg(QStringLiteral("b"), QStringLiteral("1"))));
        QCOMPARE(m_others->memoModel->rowCount(), 2);
        QCOMPARE(m_others->memoModel->item(0, 3)->text(), duration);
        QCOMPARE(m_others->memoModel->item(0, 2)->text(),
                 QDateTime::fromMSecsSinceEpoch(duration.toInt()).toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
        QVERIFY(m_others->memoModel->item(1, 4));
        m_others->hide();
    }

    void hostileWifiAndServerTextsAreRefused()
    {
        const QString installed = QStringLiteral("system-root/etc/wpa_supplicant/wlanpwd.conf");
        m_others->wifiNameEdit->setText(QStringLiteral("plant\"\nnetwork={"));
        m_others->wifiPasswordEdit->setText(QStringLiteral("secret"));
        {
            PopupAnswerer answers;
            answers.queue(1);  // yes, change the Wi-Fi
            m_others->SlotUpdateWifi();
            QCOMPARE(answers.seen().size(), 2);
            QCOMPARE(answers.seen().last().className, QStringLiteral("WarnBox"));
        }
        QVERIFY(!QFile::exists(QStringLiteral("vur_net/wlanpwd.conf")));
        QVERIFY(!QFile::exists(installed));
        m_others->wifiNameEdit->setText(QStringLiteral("plant-5G"));
        m_others->wifiPasswordEdit->setText(QStringLiteral("s3cret-pass"));
        {
            PopupAnswerer answers;
            answers.queue(1);
            m_others->SlotUpdateWifi();
        }
        QCOMPARE(ReadAll(installed), QByteArray("network={\r\n\tssid=\"plant-5G\"\r\n\tpsk=\"s3cret-pass\"\r\n\tproto=RSN\r\n}\r\n"));
        QCOMPARE(QFile::permissions(installed) & 0x0077, QFileDevice::Permissions());  // only the owner reads it
        m_others->wifiNameEdit->clear();
        m_others->SlotWifi();
        QCOMPARE(m_others->wifiNameEdit->text(), QStringLiteral("plant-5G"));

        // The plant client's server table, as the client ships it.
        {
            QDir().mkpath(QStringLiteral("vur_net"));
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("mk"));
            db.setDatabaseName(QStringLiteral("vur_net/sysconf.db"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("create table info_sysconf(信息名称 text, 值 text)")));
            QVERIFY(q.exec(QStringLiteral("insert into info_sysconf values('serverip_info','10.1.1.1'),"
                                          "('serverip_file','10.1.1.2'),('serverport_info','80')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("mk"));
        m_others->SlotServer();
        QCOMPARE(m_others->infoServerIp->getTextIP(), QStringLiteral("10.1.1.1"));
        QCOMPARE(m_others->infoPortEdit->text(), QStringLiteral("80"));
        m_others->infoPortEdit->setText(QStringLiteral("80' where 1=1; --"));
        {
            PopupAnswerer answers;
            answers.queue(1);
            m_others->SlotUpdateServer();
            QCOMPARE(answers.seen().last().className, QStringLiteral("WarnBox"));
        }
        QVERIFY(!gpNet->isServerChanged);
        m_others->infoPortEdit->setText(QStringLiteral("8081"));
        m_others->filePortEdit->setText(QStringLiteral("21"));
        {
            PopupAnswerer answers;
            answers.queue(1);
            m_others->SlotUpdateServer();
        }
        QVERIFY(gpNet->isServerChanged);
        const ActionResult r = RunProgram({QStringLiteral("sqlite3"), QStringLiteral("vur_net/sysconf.db"),
                                           QStringLiteral("select 值 from info_sysconf order by rowid")}, 5000);
        QCOMPARE(QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral("10.1.1.1"), QStringLiteral("10.1.1.2"), QStringLiteral("8081")}));
    }

    void hostNameChangeWritesTheHostFiles()
    {
        WriteAll(QStringLiteral("system-root/etc/hosts"),
                 "127.0.0.1\tlocalhost\n127.0.1.1\toldname\n\n# IPv6 hosts\n::1\tip6-localhost\n");
        m_rig->open();
        m_rig->dlg->SlotToNetwork();
        // A blank name is refused before anything is written for the system.
        m_page->hostEdit->setText(QStringLiteral("  "));
        {
            PopupAnswerer answers;
            answers.queue(1);  // save
            m_rig->dlg->accept();
            QCOMPARE(answers.seen().last().text, LanStr(1123).arg(QString()));
        }
        QVERIFY(m_rig->dlg->isVisible());
        QVERIFY(!QFile::exists(QStringLiteral("vur_net/ls_hostname")));
        m_page->hostEdit->setText(QStringLiteral("panel-9"));
        {
            PopupAnswerer answers;
            answers.queue(1);  // save
            m_rig->dlg->accept();
        }
        QCOMPARE(ReadAll(QStringLiteral("system-root/etc/hostname")), QByteArray("panel-9"));
        QCOMPARE(ReadAll(QStringLiteral("system-root/etc/hosts")),
                 QByteArray("127.0.1.1\tpanel-9\n127.0.0.1\tpanel-9\n\n\n127.0.0.1\tlocalhost\n# IPv6 hosts\n"
                            "::1\tip6-localhost\n\n"));
        QVERIFY(SystemActionLines().filter(QStringLiteral("install ./vur_net/ls_hostname")).size() == 1);
        // With the plant link off the link keeps naming itself as before.
        QCOMPARE(gpNet->netCard.hostName, VUR_Net::getNetHostName());
        QCOMPARE(m_rig->host.clientRestarts, 1);
    }

    // The system calls itself by a name the check refuses ("_" is no host
    // name character) and the plant link is off, so its field is hidden:
    // other settings still save, and the name stays as the system has it.
    // Only a name the setter types is checked.
    void aRefusedSystemNameDoesNotBlockSaving()
    {
        struct NamedHost : RecordingSystemActions {
            QString hostName() const override { return QStringLiteral("panel_01"); }
        } actions;
        SystemActions::setInstance(&actions);
        gpNet->netCard.hostName = VUR_Net::getNetHostName();  // as the link reads it at start
        QCOMPARE(gpNet->netCard.hostName, QStringLiteral("panel_01"));
        QCOMPARE(gpWPara->netEnabled, 0);
        m_rig->open();
        const int delay = gpWPara->retestDelay;
        m_rig->dlg->retestDelayEdit->AddOne();
        {
            PopupAnswerer answers;
            answers.queue(1);  // save
            m_rig->dlg->accept();
            for (const PopupAnswerer::Seen& s : answers.seen())
                QVERIFY2(s.text != LanStr(1123).arg(QStringLiteral("panel_01")), qPrintable(s.text));
        }
        QVERIFY(!m_rig->dlg->isVisible());
        QCOMPARE(StoredValue(QStringLiteral("system9"), 18), delay + 1);
        QVERIFY(!QFile::exists(QStringLiteral("vur_net/ls_hostname")));
        QVERIFY(SystemActionLines().filter(QStringLiteral("ls_host")).isEmpty());
        QCOMPARE(gpNet->netCard.hostName, QStringLiteral("panel_01"));

        // A typed name like it is refused.
        m_rig->open();
        m_page->hostEdit->setText(QStringLiteral("panel_02"));
        {
            PopupAnswerer answers;
            answers.queue(1);
            m_rig->dlg->accept();
            QCOMPARE(answers.seen().value(1).text, LanStr(1123).arg(QStringLiteral("panel_02")));
        }
        QVERIFY(m_rig->dlg->isVisible());
        QVERIFY(!QFile::exists(QStringLiteral("vur_net/ls_hostname")));
        SystemActions::setInstance(nullptr);
    }

    void aSlowPingLeavesTheScreenLive()
    {
        SlowPing actions;
        SystemActions::setInstance(&actions);
        gpWPara->netEnabled = 1;
        m_rig->open();
        m_rig->dlg->SlotToNetwork();
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(50);
        m_page->testButton->click();
        QVERIFY(m_page->testRunning());
        QCOMPARE(m_page->checkText(), QStringLiteral("*"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_page->testRunning(), 15000);
        SystemActions::setInstance(nullptr);
        QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));  // the loop ran all along
        QCOMPARE(actions.pings.value(0), (QStringList{QStringLiteral("ping"), QStringLiteral("10.0.0.1"),
                                                      QStringLiteral("-w"), QStringLiteral("2")}));
        // Neither ping answered (a recorded probe is no answer).
        QCOMPARE(m_page->checkText(), LanStr(421) + QLatin1Char(',') + LanStr(423) + QLatin1Char(',') + LanStr(440));
    }

    // What the system or the supplicant would misread is refused.
    void typedNetworkTexts_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("address") << "ip" << "8.73.0.19" << true;
        QTest::newRow("address zeros") << "ip" << "0.0.0.0" << true;
        QTest::newRow("address leading zero") << "ip" << "8.073.0.19" << false;
        QTest::newRow("address double zero") << "ip" << "10.00.0.1" << false;
        QTest::newRow("host") << "host" << "panel-9.plant" << true;
        QTest::newRow("host empty") << "host" << "" << false;
        QTest::newRow("host blank") << "host" << " " << false;
        QTest::newRow("host final line break") << "host" << "B\n" << false;
        QTest::newRow("host inner line break") << "host" << "a\n.b" << false;
        QTest::newRow("wifi name 32 bytes") << "name" << QString(32, QLatin1Char('n')) << true;
        QTest::newRow("wifi name 33 bytes") << "name" << QString(33, QLatin1Char('n')) << false;
        QTest::newRow("wifi name 11 wide chars") << "name" << QString(11, QChar(0x7F51)) << false;  // 33 bytes
        QTest::newRow("wifi name quote") << "name" << "a\"b" << false;
        QTest::newRow("password 8") << "password" << "12345678" << true;
        QTest::newRow("password 63") << "password" << QString(63, QLatin1Char('p')) << true;
        QTest::newRow("password 7") << "password" << "1234567" << false;
        QTest::newRow("password 64") << "password" << QString(64, QLatin1Char('p')) << false;
        QTest::newRow("password empty") << "password" << "" << false;
        QTest::newRow("password not ASCII") << "password" << "passw\u00F6rt1" << false;
        QTest::newRow("password tab") << "password" << "pass\tword" << false;
    }
    void typedNetworkTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        if (kind == QLatin1String("ip"))
            QCOMPARE(NetSettingsFiles::IsIPv4(text), accepted);
        else if (kind == QLatin1String("host"))
            QCOMPARE(IsRfc1123HostName(text), accepted);
        else if (kind == QLatin1String("name"))
            QCOMPARE(NetSettingsFiles::IsWifiName(text), accepted);
        else
            QCOMPARE(NetSettingsFiles::IsWifiPassword(text), accepted);
    }

    void hostsAndMacFiles_data()
    {
        QTest::addColumn<QString>("hosts");
        QTest::addColumn<QString>("tail");
        QTest::newRow("no comment: whole") << "127.0.0.1 localhost\n10.0.0.2 db" << "127.0.0.1 localhost\n10.0.0.2 db\n";
        QTest::newRow("comment first: whole") << "# hosts\n10.0.0.2 db" << "# hosts\n10.0.0.2 db\n";
        QTest::newRow("old name dropped") << "127.0.1.1 old\n127.0.0.1 localhost\n# x" << "127.0.0.1 localhost\n# x\n";
    }
    void hostsAndMacFiles()
    {
        QFETCH(QString, hosts);
        QFETCH(QString, tail);
        QCOMPARE(QString::fromUtf8(NetSettingsFiles::HostsFile(hosts, QStringLiteral("n1"))),
                 QStringLiteral("127.0.1.1\tn1\n127.0.0.1\tn1\n\n\n") + tail);
        // registermac.txt keeps MACs of cards that went and replaces the present ones.
        const QMap<QString, QStringList> cards{{QStringLiteral("eth0"), {QStringLiteral("1.1.1.1"), QStringLiteral("2.2.2.2"),
                                                                         QStringLiteral("3.3.3.3")}}};
        QCOMPARE(NetSettingsFiles::RegisterMac(QStringLiteral("aa=old\nbb=x;y;z\n"), cards, {{QStringLiteral("eth0"), QStringLiteral("bb")}}),
                 QByteArray("aa=old\nbb=1.1.1.1;2.2.2.2;3.3.3.3\n"));
        QVERIFY(NetSettingsFiles::PingAnswered(QStringLiteral("64 bytes from 10.0.0.1: icmp_seq=1 ttl=64 time=0.045 ms")));
        QVERIFY(!NetSettingsFiles::PingAnswered(QStringLiteral("From 10.0.0.9 icmp_seq=1 Destination Host Unreachable")));
    }

    // The pages for a person to look at: MOJU_SHOTS_DIR names the folder.
    void grabPages_data() { AddLanguageRows(); }
    void grabPages()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        m_lan = lan;
        cleanup();
        init();
        gpWPara->netEnabled = 1;
        m_rig->open();
        m_rig->dlg->SlotToNetwork();
        m_page->plantBox->setValue(1);
        QDir().mkpath(out);
        const QString tag = QStringLiteral("%1/%2x%3-%4").arg(out).arg(gShowW).arg(gShowH).arg(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(m_rig->dlg->grab().save(tag + QStringLiteral("-network-page.png")));
        m_others->LoadFrom(*gpWParaBak);
        m_others->show();
        for (int p = 1; p <= 6; ++p) {
            m_others->hideshow(p);
            QVERIFY(m_others->grab().save(tag + QStringLiteral("-other-%1.png").arg(p)));
        }
        m_others->SlotStartChk();
        QVERIFY(m_others->grab().save(tag + QStringLiteral("-other-7.png")));
        m_others->SlotCloseWgt();
        m_others->hide();
        m_lan = 0;
    }

private:
    std::unique_ptr<SettingsRig> m_rig;
    OtherNetWidget* m_others = nullptr;
    NetworkPage* m_page = nullptr;
    int m_lan = 0;
};

MOJU_TEST_MAIN(TestNetworkSettings)
#include "test_network_settings.moc"
