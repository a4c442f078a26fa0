// The plant link against the plant-client double on loopback: start-up with
// the link on and off, frames on the wire, acknowledgement, retry and drop
// by an injected clock, the heartbeat, reconnection and the client's answers.
#include "PlantClientDouble.h"
#include "PlantLinkFixture.h"

#include "network/PlantLinkHost.h"
#include "network/VUR_Frame.h"
#include "params/WizardPara.h"

#include <QSignalSpy>
#include <QTcpSocket>

namespace {
int StartLines()
{
    int n = 0;
    for (const QString& l : SystemActionLines())
        if (l.endsWith(QLatin1String(" start python3 ./vur_net/runNetClient.py")))
            ++n;
    return n;
}

struct StoppedHost : PlantLinkHost {
    int runState() const override { return 3; }
    int clearReason() const override { return 5; }
};
}  // namespace

class TestPlantLink : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        m_para = std::make_unique<WizardPara>();
        m_para->netEnabled = 1;
        gpWPara = m_para.get();
        m_clock = 1700000000000;
    }
    void cleanup()
    {
        gpWPara = nullptr;
        m_net.reset();
        m_dir.reset();
    }

    void linkOffStartsNothing()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("0 1 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        QVERIFY(!m_net->isInit);
        QVERIFY(!m_net->isListening());
        QVERIFY(!m_net->copyVideo);
        m_net->VUR_SendRecord(QDateTime::currentDateTime(), QStringLiteral("x"), QStringLiteral("y"));
        m_net->VUR_SendStatistics(QStringLiteral("null"));
        QCOMPARE(m_net->pendingCount(), 0);
        QVERIFY(!QFile::exists(QStringLiteral("vur_net/data/Statistics")));
    }

    void linkOnListensAndStartsTheClient()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        QVERIFY(m_net->isInit);
        QVERIFY(m_net->isListening());
        QCOMPARE(m_net->serverAddress(), QHostAddress(QHostAddress::LocalHost));
        // The copy thread exists but the timer does the copying.
        QVERIFY(m_net->copyVideo && !m_net->copyVideo->isRunning());
        m_net->VUR_ReStart();
        QCOMPARE(StartLines(), 0);  // no client script: nothing to start
        QDir().mkpath(QStringLiteral("vur_net"));
        QFile(QStringLiteral("vur_net/runNetClient.py")).open(QIODevice::WriteOnly);
        m_net->VUR_ReStart();
        QCOMPARE(StartLines(), 1);
    }

    // Started, the copy thread ticks at its period and stops when destroyed.
    void copyThreadTicksUntilDestroyed()
    {
        std::atomic<int> ticks{0};
        auto copy = std::make_unique<VUR_Thread_CopyVideo>([&ticks] { ++ticks; });
        copy->cls_start(5);
        QTRY_VERIFY(ticks >= 3);
        copy.reset();  // stops and joins: no tick after this
        QVERIFY(ticks >= 3);
    }

    void framesQueuedWhileAwayGoOutInOrder()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        m_net->netCard.hostName = QStringLiteral("机台1");
        StoppedHost host;
        PlantLinkHost::setInstance(&host);
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(1700000000123);
        m_net->VUR_SendRecord(t, QStringLiteral("Primary"), QStringLiteral("温度=高&停机"));
        m_net->VUR_SendAlarmPic(QStringLiteral("/run/NG/图.jpg"));
        m_net->VUR_RequestProductNames();
        m_net->VUR_SendCancle();
        m_net->VUR_SendManualStop();
        QCOMPARE(m_net->pendingCount(), 5);

        PlantClientDouble client(m_net->serverPort());
        QTRY_COMPARE(client.types(), (QList<int>{1, 5, 14, 20, 10}));
        PlantLinkHost::setInstance(nullptr);
        const auto f = client.frames();
        QCOMPARE(f[0].second, QStringLiteral("device_id=机台1&operater=Primary&utc=1700000000123&description=温度=高&停机").toUtf8());
        QCOMPARE(f[1].second, QStringLiteral("/run/NG/图.jpg").toUtf8());
        QCOMPARE(f[2].second, QByteArray());
        // Type 20 before any per-cycle result binds to 0; JSON names the host in Latin-1.
        QCOMPARE(f[3].second, QByteArray("{\n\t\"device_id\":\t\"??1\",\n\t\"bind_utc\":\t0,\n\t\"utc\":\t1700000000000,\n"
                                         "\t\"method\":\t\"\xE6\xB7\xBB\xE5\x8A\xA0\xE4\xB8\xBA\xE6\xA8\xA1\xE6\x9D\xBF\xE8\xA7\xA3\xE9\x99\xA4\",\n"
                                         "\t\"product_operator\":\t\"\"\n}"));
        // The stop record is also the file.
        QFile stop(QStringLiteral("vur_net/data/ManualStop"));
        QVERIFY(stop.open(QIODevice::ReadOnly));
        QCOMPARE(stop.readAll(), f[4].second);
        QTRY_COMPARE(m_net->pendingCount(), 0);
    }

    void unansweredFramesAreWrittenTwiceThenDropped()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        PlantClientDouble client(m_net->serverPort(), {QStringLiteral("--no-ack")});
        QTRY_VERIFY(m_net->isAlive);
        m_net->VUR_RequestReminds();
        m_net->VUR_RequestProductNames();
        QTRY_COMPARE(client.types(), (QList<int>{17}));
        m_clock += 4999;
        QTest::qWait(300);
        QCOMPARE(client.types(), (QList<int>{17}));
        m_clock += 1;  // 5 s: the same frame again
        QTRY_COMPARE(client.types(), (QList<int>{17, 17}));
        m_clock += 5000;  // 10 s after the first write: given up, the next one goes
        QTRY_COMPARE(client.types(), (QList<int>{17, 17, 14}));
        client.send(QStringLiteral("ack on"));
        client.send(QStringLiteral("reply ") + QString::fromLatin1(VurFrame::Reply("/back/ 200").toBase64()));
        QTRY_COMPARE(m_net->pendingCount(), 0);
        QCOMPARE(client.types(), (QList<int>{17, 17, 14}));
    }

    void heartbeatKeepsOrRestartsTheClient()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        QDir().mkpath(QStringLiteral("vur_net"));
        QFile(QStringLiteral("vur_net/runNetClient.py")).open(QIODevice::WriteOnly);
        m_net = StartLink(m_dir->path(), &m_clock);
        // Without a client the heartbeat never declares one alive.
        m_net->HeartbeatTick();
        QVERIFY(!m_net->isAlive);
        PlantClientDouble client(m_net->serverPort());
        QTRY_VERIFY(m_net->isAlive);  // the connection counts as the last contact
        m_clock += 59000;
        m_net->HeartbeatTick();
        QVERIFY(m_net->isAlive);
        QCOMPARE(StartLines(), 0);
        m_clock += 59001;
        m_net->HeartbeatTick();
        QVERIFY(!m_net->isAlive);
        QCOMPARE(StartLines(), 1);
        // A heartbeat brings it back; "/reline/" asks for a restart.
        client.send(QStringLiteral("heart"));
        QTRY_VERIFY(m_net->isAlive);
        client.send(QStringLiteral("reline"));
        QTRY_COMPARE(StartLines(), 2);
        QVERIFY(!m_net->isAlive);
    }

    void aNewClientReplacesTheOldSocket()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        PlantClientDouble first(m_net->serverPort(), {QStringLiteral("--no-ack")});
        QTRY_VERIFY(first.saw(QStringLiteral("CONNECTED")));
        m_net->VUR_RequestProductNames();
        QTRY_COMPARE(first.types(), (QList<int>{14}));
        PlantClientDouble second(m_net->serverPort());
        QTRY_VERIFY(first.saw(QStringLiteral("DISCONNECTED")));
        // The frame in flight goes again, to the new client only, which answers it.
        QTRY_COMPARE(second.types(), (QList<int>{14}));
        QTRY_COMPARE(m_net->pendingCount(), 0);
        QVERIFY(m_net->isAlive);
        m_net->VUR_RequestReminds();
        QTRY_COMPARE(second.types(), (QList<int>{14, 17}));
        QCOMPARE(first.types(), (QList<int>{14}));
    }

    void answersReachTheDialog()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        QSignalSpy products(m_net.get(), &VUR_Net::productNamesReceived);
        QSignalSpy memos(m_net.get(), &VUR_Net::remindersReceived);
        PlantClientDouble client(m_net->serverPort(), {QStringLiteral("--products"), QStringLiteral("{\"result\":[{\"product_name\":\"壳体\"}]}")});
        QTRY_VERIFY(m_net->isAlive);
        m_net->VUR_RequestProductNames();
        QTRY_COMPARE(products.size(), 1);
        QCOMPARE(products[0][0].toString(), QStringLiteral("{\"result\":[{\"product_name\":\"壳体\"}]}"));
        m_net->VUR_RequestReminds();
        QTRY_COMPARE(memos.size(), 1);
        QVERIFY(memos[0][0].toString().contains(QStringLiteral("\"reminder_name\":\"mould cleaning\"")));
    }

    // A long answer comes off the socket in several reads: it is one reply.
    void longAnswerIsOneReply()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), &m_clock);
        QSignalSpy products(m_net.get(), &VUR_Net::productNamesReceived);
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, m_net->serverPort());
        QVERIFY(client.waitForConnected(5000));
        QTRY_VERIFY(m_net->isAlive);
        QByteArray body = "{\"result\":[";
        for (int i = 0; i < 6000; ++i)
            body += QStringLiteral("{\"product_name\":\"壳体-%1 }]\"},").arg(i, 5, 10, QLatin1Char('0')).toUtf8();
        body += "{\"product_name\":\"last\"}]}";
        QVERIFY(body.size() > 3 * 65535);
        client.write("X\r\nSessionId: 14\r\n\r\n" + body);
        QTRY_COMPARE(products.size(), 1);
        QCOMPARE(products[0][0].toString().toUtf8(), body);
        client.write("X\r\nSessionId: 14\r\n\r\n{\"result\":[]}");
        QTRY_COMPARE(products.size(), 2);
        QCOMPARE(products[1][0].toString(), QStringLiteral("{\"result\":[]}"));
    }

    void switchesFromWhichsendConfig_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("type7");
        QTest::addColumn<bool>("type5");
        QTest::newRow("false switches off") << QByteArray("{\"7\": false, \"5\": false}") << false << false;
        QTest::newRow("0 keeps on") << QByteArray("{\"7\": 0, \"21\": false}") << true << true;
        QTest::newRow("not JSON") << QByteArray("7=false") << true << true;
    }
    void switchesFromWhichsendConfig()
    {
        QFETCH(QByteArray, config);
        QFETCH(bool, type7);
        QFETCH(bool, type5);
        QVERIFY(SetVurNetRow(QStringLiteral("1 0 3 0 0 6 1 10000")));
        QDir().mkpath(QStringLiteral("vur_net"));
        QFile f(QStringLiteral("vur_net/whichsend.config"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(config);
        f.close();
        m_net = StartLink(m_dir->path(), &m_clock);
        QCOMPARE(m_net->sendEnabled(7), type7);
        QCOMPARE(m_net->sendEnabled(5), type5);
        m_net->VUR_SendStatistics(QStringLiteral("null"));
        // A switched-off statistics message writes no file either.
        QCOMPARE(QFile::exists(QStringLiteral("vur_net/data/Statistics")), type7);
    }

private:
    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<WizardPara> m_para;
    std::unique_ptr<VUR_Net> m_net;
    qint64 m_clock = 0;
};

MOJU_TEST_CORE_MAIN(TestPlantLink)
#include "test_plant_link.moc"
