// The link against the simulated board on a pseudo-terminal.
#include "TestSupport.h"

#include "SimIOBoard.h"

#include "app/ControlPort.h"
#include "app/IOLink.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {

struct RecordLines {
    QMutex mutex;
    QStringList lines;
    QStringList take()
    {
        QMutexLocker lock(&mutex);
        return lines;
    }
};

}  // namespace

class TestIOLinkSim : public QObject {
    Q_OBJECT

    std::unique_ptr<SimBoard> m_sim;
    std::unique_ptr<ControlPort> m_port;
    RecordLines m_records;

    // viaEnvironment: the device comes from MOJU_SERIAL_DEVICE, as in a demo run.
    void startLink(const QStringList& simArgs = {}, bool viaEnvironment = false)
    {
        m_sim = std::make_unique<SimBoard>(simArgs);
        QVERIFY(m_sim->waitForPath());
        IOLinkOptions o;
        if (viaEnvironment)
            qputenv("MOJU_SERIAL_DEVICE", m_sim->path().toUtf8());
        else
            o.device = m_sim->path();
        o.record = [this](const QString& line) {
            QMutexLocker lock(&m_records.mutex);
            m_records.lines << line;
        };
        m_port = std::make_unique<ControlPort>(IOPortSettings(), o);
        qunsetenv("MOJU_SERIAL_DEVICE");
        QVERIFY(m_port->isPortOpen());
    }

    // Lets the link run the given number of passes, then takes in the
    // board's output lines written meanwhile.
    void waitPasses(int n)
    {
        const quint64 from = m_port->linkPassCount();
        QTRY_VERIFY(m_port->linkPassCount() >= from + quint64(n));
        QTest::qWait(20);
    }

    // Polls input i as the polling loop does (QTRY would call it twice).
    bool waitForEdge(int i, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (m_port->IOInTrigger(i))
                return true;
            QTest::qWait(2);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        pMutexIO = new QMutex;
    }
    void init()
    {
        gDataIn = 0;
        gDataOut = 0;
        gisLostCom = 0;
        gisSafeDoorOpen = 0;
        QMutexLocker lock(&m_records.mutex);
        m_records.lines.clear();
    }
    void cleanup()
    {
        m_port.reset();
        m_sim.reset();
    }

    void exactBytesOnTheWire()
    {
        startLink({}, true);
        QTRY_VERIFY(m_sim->frames().size() >= 3);
        for (const QString& f : m_sim->frames().mid(0, 3))
            QCOMPARE(f, QStringLiteral("5F 02 00 00 61 F5"));

        for (int i = 4; i <= 7; ++i)
            m_port->IOSetOut(i, 1);
        m_port->IOFlashOut();
        QTRY_VERIFY(!m_sim->linesStarting(QStringLiteral("OUT ")).isEmpty());
        QVERIFY(m_sim->linesStarting(QStringLiteral("OUT ")).first().endsWith(QLatin1String(" 0x00F0")));
        QVERIFY(m_sim->frames().contains(QStringLiteral("5F 01 F0 00 50 F5")));
        // Once the echo matches, the outputs are not sent again (a reply
        // already under way may still carry the old echo and cause one more).
        waitPasses(10);
        QVERIFY(m_sim->sync());
        const int sent = int(m_sim->linesStarting(QStringLiteral("OUT ")).size());
        QVERIFY(sent <= 2);
        waitPasses(20);
        QVERIFY(m_sim->sync());
        QCOMPARE(int(m_sim->linesStarting(QStringLiteral("OUT ")).size()), sent);
    }

    void periodOfCommandsThreeAndFour()
    {
        startLink();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->frames().size() >= 430, 20000);
        QString codes;
        for (const QString& f : m_sim->frames())
            codes += f.mid(4, 1);
        // 199 polls, command 3, 9 polls, command 4, and again.
        const QString period = QString(199, QLatin1Char('2')) + QLatin1Char('3') + QString(9, QLatin1Char('2')) + QLatin1Char('4');
        QVERIFY2(codes.startsWith(period + period), qPrintable(codes.left(430)));
        // The board's block values arrive in their slots.
        QTRY_COMPARE(gFTemp[0].load(), 0x20260101u);
        QVERIFY(gFTemp[8].load() > 0u);
    }

    void inputChangeSeenWithinTwoPasses()
    {
        startLink();
        QTRY_VERIFY(m_sim->frames().size() >= 3);
        QCOMPARE(m_port->IOInTrigger(0), 0);
        // The pass count is read by this thread after the board reported the
        // change, so a busy host can stretch one attempt; a few are allowed.
        quint64 best = ~quint64(0);
        for (int attempt = 1; attempt <= 5 && best > 3; ++attempt) {
            m_sim->send(QStringLiteral("set 0"));
            QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("IN ")).size(), 2 * attempt - 1);
            const quint64 from = m_port->linkPassCount();
            QElapsedTimer t;
            t.start();
            int edge = 0;
            while (!edge && t.elapsed() < 2000) {
                edge = m_port->IOInTrigger(0);
                if (!edge)
                    QThread::usleep(100);
            }
            QCOMPARE(edge, 1);
            best = std::min(best, m_port->linkPassCount() - from);
            QCOMPARE(m_port->IOInTrigger(0), 0);
            QCOMPARE(m_port->IOState(0, 0), 1);
            m_sim->send(QStringLiteral("clr 0"));
            QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("IN ")).size(), 2 * attempt);
            QTRY_COMPARE(int(gDataIn.load()), 0);
            QCOMPARE(m_port->IOInTrigger(0), 0);
        }
        QVERIFY2(best <= 3, qPrintable(QString::number(best)));
    }

    void resendWhileEchoDiffers()
    {
        startLink();
        m_port->IOSetOut(0, 1);
        m_port->IOFlashOut();
        QTRY_VERIFY(!m_sim->linesStarting(QStringLiteral("OUT ")).isEmpty());
        waitPasses(10);
        const int before = int(m_sim->linesStarting(QStringLiteral("OUT ")).size());
        // A board that keeps reporting other outputs gets them once per pass.
        m_sim->send(QStringLiteral("echo 0x100"));
        QTRY_VERIFY(m_sim->linesStarting(QStringLiteral("OUT ")).size() >= before + 10);
        for (const QString& l : m_sim->linesStarting(QStringLiteral("OUT ")))
            QVERIFY(l.endsWith(QLatin1String(" 0x0001")));
        m_sim->send(QStringLiteral("echo auto"));
        QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("ECHO ")).size(), 2);
        // A reply already on its way may still carry the old echo.
        waitPasses(10);
        QVERIFY(m_sim->sync());
        const int sent = int(m_sim->linesStarting(QStringLiteral("OUT ")).size());
        waitPasses(20);
        QVERIFY(m_sim->sync());
        QCOMPARE(int(m_sim->linesStarting(QStringLiteral("OUT ")).size()), sent);
    }

    void resyncAfterGarbage()
    {
        startLink();
        QTRY_VERIFY(m_sim->frames().size() >= 3);
        m_sim->send(QStringLiteral("silent"));
        QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("SILENT")).size(), 1);
        QTest::qWait(30);
        // Stray start bytes, a frame with a wrong checksum, then a good one.
        m_sim->send(QStringLiteral("send 5F 00 5F 5F 02 AA 00 00 00 00 F5 5F 02 AA 00 00 00 0B F5"));
        QTRY_COMPARE(int(gDataIn.load()), 0xAA);
        m_sim->send(QStringLiteral("resume"));
        QTRY_COMPARE(int(gDataIn.load()), 0);
    }

    void lostLinkAndReconnection()
    {
        startLink();
        QTRY_VERIFY(m_sim->frames().size() >= 3);
        m_sim->send(QStringLiteral("silent"));
        QElapsedTimer t;
        t.start();
        QTRY_COMPARE_WITH_TIMEOUT(gisLostCom.load(), 1, 30000);
        // More than 1000 passes of 5 ms without a byte.
        QVERIFY2(t.elapsed() >= 4900, qPrintable(QString::number(t.elapsed())));
        QVERIFY(m_records.take().isEmpty());

        m_sim->send(QStringLiteral("set 2"));
        m_sim->send(QStringLiteral("resume"));
        QTRY_COMPARE(gisLostCom.load(), 0);
        QTRY_COMPARE(int(gDataIn.load()), 0x4);
        QCOMPARE(m_records.take(), QStringList {QStringLiteral("IO通讯重新连接")});
    }

    // A board that still reads commands but whose replies are lost gets a
    // hold decided meanwhile at once, long before the link counts as lost,
    // and each changed word once, not on every pass.
    void changedOutputsReachABoardWhoseRepliesAreLost()
    {
        startLink();
        QTRY_VERIFY(m_sim->frames().size() >= 3);
        m_sim->send(QStringLiteral("silent"));
        QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("SILENT")).size(), 1);
        waitPasses(5);
        QVERIFY(m_sim->linesStarting(QStringLiteral("OUT ")).isEmpty());
        m_port->IOSetOut(0, 1);
        m_port->IOFlashOut();
        QTRY_VERIFY_WITH_TIMEOUT(!m_sim->linesStarting(QStringLiteral("OUT ")).isEmpty(), 1500);
        m_port->IOSetOut(2, 1);
        m_port->IOFlashOut();
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->linesStarting(QStringLiteral("OUT ")).size() >= 2, 1500);
        QCOMPARE(gisLostCom.load(), 0);
        waitPasses(20);
        QVERIFY(m_sim->sync());
        QStringList words;
        for (const QString& l : m_sim->linesStarting(QStringLiteral("OUT ")))
            words << l.section(QLatin1Char(' '), -1);
        QCOMPARE(words, (QStringList{QStringLiteral("0x0001"), QStringLiteral("0x0005")}));
    }

    void scriptedInputsAndOutputLog()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString script = dir.filePath(QStringLiteral("inputs.txt"));
        const QString log = dir.filePath(QStringLiteral("outputs.log"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# input 6 for a moment\n300 set 5\n600 clr 5\n");
        f.close();
        startLink({QStringLiteral("--script"), script, QStringLiteral("--log"), log});
        QVERIFY(waitForEdge(5));
        QTRY_VERIFY(m_port->IOInTrigger(5) == 0 && m_port->IOState(0, 5) == 0);
        // The board's own report comes over another channel: wait for it too.
        QTRY_COMPARE(m_sim->linesStarting(QStringLiteral("IN ")).size(), 2);

        m_port->IOSetOut(8, 1);
        m_port->IOFlashOut();
        QTRY_VERIFY(!m_sim->linesStarting(QStringLiteral("OUT ")).isEmpty());
        const auto logText = [&log]() {
            QFile out(log);
            return out.open(QIODevice::ReadOnly) ? QString::fromUtf8(out.readAll()) : QString();
        };
        QTRY_VERIFY(!logText().isEmpty());
        const QString first = logText().section(QLatin1Char('\n'), 0, 0);
        // Local wall-clock time with milliseconds, then the word.
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} OUT 0x0100$"))
                     .match(first).hasMatch(), qPrintable(first));
    }

    void doorAndMachineCycle()
    {
        // The machine waits for the ejector and clamp permissions the monitor gives.
        startLink({QStringLiteral("--machine"), QStringLiteral("--cycle-ms"), QStringLiteral("100"),
                   QStringLiteral("--settle-ms"), QStringLiteral("50"), QStringLiteral("--eject-ms"),
                   QStringLiteral("50"), QStringLiteral("--cycles"), QStringLiteral("2")});
        m_port->IOSetOut(0, 1);
        m_port->IOSetOut(1, 1);
        m_port->IOSetOut(2, 1);
        m_port->IOFlashOut();
        int opens = 0;
        int backs = 0;
        QElapsedTimer t;
        t.start();
        while (backs < 2 && t.elapsed() < 10000) {
            QCoreApplication::processEvents();
            if (m_port->IOInTrigger(0)) {
                ++opens;
                m_port->IOSetOut(1, 0);  // product OK: eject
                m_port->IOFlashOut();
            }
            if (m_port->IOInTrigger(2)) {
                ++backs;
                m_port->IOSetOut(1, 1);
                m_port->IOSetOut(0, 0);  // mould OK: close
                m_port->IOFlashOut();
            }
            m_port->IOInTrigger(1);
            if (m_port->IOState(0, 0) == 0 && m_port->IOState(1, 0) == 0 && opens == backs) {
                m_port->IOSetOut(0, 1);  // next cycle starts held
                m_port->IOFlashOut();
            }
            QThread::msleep(2);
        }
        QCOMPARE(opens, 2);
        QCOMPARE(backs, 2);
        QTRY_VERIFY(m_sim->linesStarting(QStringLiteral("MACHINE")).last().endsWith(QLatin1String(" off")));

        // Opening the door switches the alarm off.
        QCOMPARE(gisSafeDoorOpen, 0);
        m_sim->send(QStringLiteral("door open"));
        QTRY_VERIFY(m_port->IOInTrigger(1) == 0 && gisSafeDoorOpen == 1);
        QCOMPARE(m_port->IOState(1, 2), 0);
        // Ejector still held, clamp released, alarm now off.
        QTRY_VERIFY(m_sim->linesStarting(QStringLiteral("OUT ")).last().endsWith(QLatin1String(" 0x0002")));
    }
};

MOJU_TEST_CORE_MAIN(TestIOLinkSim)
#include "test_iolink_sim.moc"
