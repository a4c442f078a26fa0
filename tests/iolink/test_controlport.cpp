#include "TestSupport.h"

#include "FakeIOPort.h"
#include "app/ControlPort.h"
#include "app/IOLink.h"
#include "app/SerialLine.h"
#include "params/WizardPara.h"

#include <QMutex>

namespace {

IOPortSettings makeSettings(int invertMask, int output4SyncFor = 0, int input4SyncFor = 0, int machineType = 0)
{
    IOPortSettings s;
    for (int i = 0; i < 9; ++i)
        s.outputInvert[size_t(i)] = (invertMask >> i) & 1;
    s.output4SyncFor = output4SyncFor;
    s.input4SyncFor = input4SyncFor;
    s.machineType = machineType;
    return s;
}

quint32 outputs(const ControlPort& port)
{
    quint32 w = 0;
    for (int i = 0; i < 9; ++i)
        w |= quint32(port.IOState(1, i)) << i;
    return w;
}

// One polling-loop pass over the eight trigger inputs; bit i = edge of input i.
int edges(ControlPort& port)
{
    int mask = 0;
    for (int i = 0; i < 8; ++i)
        mask |= port.IOInTrigger(i) << i;
    return mask;
}

}  // namespace

class TestControlPort : public QObject {
    Q_OBJECT

    FakeIOPort m_line;
    IOLinkOptions options()
    {
        IOLinkOptions o;
        o.port = &m_line;
        o.passIntervalMs = 1;
        return o;
    }

private slots:
    void initTestCase()
    {
        pMutexIO = new QMutex;
    }
    void init()
    {
        gDataIn = 0;
        gDataOut = 0x1FF;
        gisSafeDoorOpen = 0;
    }

    void startsWithAllOutputsInactive_data()
    {
        QTest::addColumn<int>("invertMask");
        QTest::newRow("plain") << 0;
        QTest::newRow("clamp and alarm inverted") << 0x5;
        QTest::newRow("all inverted") << 0x1FF;
    }
    void startsWithAllOutputsInactive()
    {
        QFETCH(int, invertMask);
        ControlPort port(makeSettings(invertMask), options());
        QCOMPARE(int(gDataOut.load()), invertMask);
        QCOMPARE(int(outputs(port)), invertMask);
        QCOMPARE(gIOID, 1);
        QCOMPARE(gpCom, static_cast<IOPort*>(&m_line));
    }

    // calls: pairs (output, value) in order; expected: physical output word.
    void setOut_data()
    {
        QTest::addColumn<int>("invertMask");
        QTest::addColumn<int>("sync");
        QTest::addColumn<QList<int>>("calls");
        QTest::addColumn<int>("expected");
        QTest::newRow("set clamp") << 0 << 0 << QList<int> {0, 1} << 0x1;
        QTest::newRow("nonzero counts as on") << 0 << 0 << QList<int> {8, 7} << 0x100;
        QTest::newRow("set and clear") << 0 << 0 << QList<int> {4, 1, 5, 1, 4, 0} << 0x20;
        QTest::newRow("inverted output") << 0x2 << 0 << QList<int> {1, 1} << 0x0;
        QTest::newRow("inverted output off") << 0x2 << 0 << QList<int> {1, 1, 1, 0} << 0x2;
        QTest::newRow("output 3 mirrors output 1") << 0 << 1 << QList<int> {0, 1} << 0x9;
        QTest::newRow("mirror follows clear") << 0 << 1 << QList<int> {0, 1, 0, 0} << 0x0;
        QTest::newRow("output 3 alone leaves output 0") << 0 << 1 << QList<int> {3, 1} << 0x8;
        QTest::newRow("mirror takes the inverted level") << 0x2 << 2 << QList<int> {1, 0} << 0xA;
        QTest::newRow("mirror ignores output 3 polarity") << 0x8 << 2 << QList<int> {1, 1} << 0xA;
        QTest::newRow("mirror of output 9") << 0 << 9 << QList<int> {8, 1} << 0x108;
        QTest::newRow("indexes out of range ignored") << 0 << 0 << QList<int> {-1, 1, 9, 1, 31, 1, 1000, 1} << 0x0;
    }
    void setOut()
    {
        QFETCH(int, invertMask);
        QFETCH(int, sync);
        QFETCH(QList<int>, calls);
        QFETCH(int, expected);
        ControlPort port(makeSettings(invertMask, sync), options());
        const quint32 before = gDataOut.load();
        for (int i = 0; i + 1 < calls.size(); i += 2)
            port.IOSetOut(calls[i], calls[i + 1]);
        QCOMPARE(int(outputs(port)), expected);
        // Nothing reaches the board before the flush.
        QCOMPARE(gDataOut.load(), before);
        port.IOFlashOut();
        QCOMPARE(int(gDataOut.load()), expected);
    }

    // Lamps show whether each output's function is on, not its wire level.
    void lampsShowFunctions_data()
    {
        QTest::addColumn<int>("invertMask");
        QTest::addColumn<int>("sync");
        QTest::addColumn<QList<int>>("calls");
        QTest::addColumn<int>("active");
        QTest::newRow("inverted alarm in production") << 0x4 << 0 << QList<int> {2, 0} << 0x0;
        QTest::newRow("inverted alarm raised") << 0x4 << 0 << QList<int> {2, 1} << 0x4;
        QTest::newRow("plain clamp hold") << 0x0 << 0 << QList<int> {0, 1} << 0x1;
        QTest::newRow("mirror of inverted alarm") << 0x4 << 3 << QList<int> {2, 1} << 0xC;
        QTest::newRow("mirror of inverted alarm, off") << 0x4 << 3 << QList<int> {2, 0} << 0x0;
    }
    void lampsShowFunctions()
    {
        QFETCH(int, invertMask);
        QFETCH(int, sync);
        QFETCH(QList<int>, calls);
        QFETCH(int, active);
        ControlPort port(makeSettings(invertMask, sync), options());
        port.IOResetAllOut();
        for (int i = 0; i + 1 < calls.size(); i += 2)
            port.IOSetOut(calls[i], calls[i + 1]);
        int lit = 0;
        for (int i = 0; i < ControlPort::OutputCount; ++i)
            lit |= port.OutputActive(i) << i;
        QCOMPARE(lit, active);
    }

    void liveParametersDecidePolarity()
    {
        // Once the parameters exist, a polarity change takes effect at the
        // next call without being copied into the port.
        WizardPara para;
        gpWPara = &para;
        ControlPort port(makeSettings(0), options());
        port.IOSetOut(0, 1);
        QCOMPARE(int(outputs(port) & 1u), 1);
        para.outputInvert[0] = 1;
        port.IOSetOut(0, 1);
        QCOMPARE(int(outputs(port) & 1u), 0);
        para.output4SyncFor = 1;
        port.IOSetOut(0, 0);
        QCOMPARE(int(outputs(port) & 0x9u), 0x9);
        QCOMPARE(port.settings().outputInvert[0], 1);
        gpWPara = nullptr;
    }

    void setAllAndResetAll()
    {
        ControlPort port(makeSettings(0x41), options());
        port.IOSetAllOut();
        port.IOFlashOut();
        QCOMPARE(int(gDataOut.load()), 0x1FF & ~0x41);
        port.IOResetAllOut();
        port.IOFlashOut();
        QCOMPARE(int(gDataOut.load()), 0x41);
    }

    // words: input word before each polling pass; expected: edges of that pass.
    void trigger_data()
    {
        QTest::addColumn<int>("remap");
        QTest::addColumn<QList<int>>("words");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("one edge per rise") << 0 << QList<int> {0, 1, 1, 0, 0, 1} << QList<int> {0, 1, 0, 0, 0, 1};
        QTest::newRow("active from the start") << 0 << QList<int> {0x80, 0x80} << QList<int> {0x80, 0};
        QTest::newRow("several inputs") << 0 << QList<int> {0x11, 0x13, 0x02} << QList<int> {0x11, 0x2, 0};
        QTest::newRow("inputs 8 and 9 give no edge") << 0 << QList<int> {0x300} << QList<int> {0};
        QTest::newRow("remap 1: input 3 for input 0") << 1 << QList<int> {0x1, 0x8} << QList<int> {0, 0x9};
        QTest::newRow("remap 2: input 3 for input 1") << 2 << QList<int> {0x2, 0x8} << QList<int> {0, 0xA};
        QTest::newRow("remap 3: input 3 for input 2") << 3 << QList<int> {0x4, 0x8} << QList<int> {0, 0xC};
        QTest::newRow("other remap values do nothing") << 4 << QList<int> {0x1, 0x8} << QList<int> {0x1, 0x8};
    }
    void trigger()
    {
        QFETCH(int, remap);
        QFETCH(QList<int>, words);
        QFETCH(QList<int>, expected);
        // Machine type 1 keeps the door rule out of these cases.
        ControlPort port(makeSettings(0, 0, remap, 1), options());
        for (int i = 0; i < words.size(); ++i) {
            gDataIn = quint32(words[i]);
            QCOMPARE(edges(port), expected[i]);
        }
    }

    void triggerChecksIndexAndLatchesInputs()
    {
        ControlPort port(makeSettings(0, 0, 2, 1), options());
        gDataIn = 0x208;
        QCOMPARE(port.IOInTrigger(-1), 0);
        QCOMPARE(port.IOInTrigger(8), 0);
        QCOMPARE(port.IOInTrigger(3), 1);
        // The lamps show the remapped word latched by the last trigger call.
        QCOMPARE(port.IOState(0, 1), 1);
        QCOMPARE(port.IOState(0, 3), 1);
        QCOMPARE(port.IOState(0, 9), 1);
        QCOMPARE(port.IOState(0, 10), 0);
        QCOMPARE(port.IOState(1, -1), 0);
    }

    void inputButtons()
    {
        gDataIn = 0x100;
        IOSetInputBit(2, true);
        IOSetInputBit(0, true);
        IOSetInputBit(2, false);
        IOSetInputBit(12, true);
        QCOMPARE(int(gDataIn.load()), 0x101);
    }

    // The door opens when input 1 (or its stand-in) leaves its active level.
    void safetyDoor_data()
    {
        QTest::addColumn<int>("machineType");
        QTest::addColumn<int>("invertMask");
        QTest::addColumn<int>("remap");
        QTest::addColumn<int>("closedWord");
        QTest::addColumn<int>("openWord");
        QTest::addColumn<bool>("doorActs");
        QTest::newRow("standard") << 0 << 0 << 0 << 0x2 << 0x0 << true;
        QTest::newRow("auto parts") << 3 << 0 << 0 << 0x3 << 0x1 << true;
        QTest::newRow("multi-detection") << 4 << 0 << 0 << 0x2 << 0x0 << true;
        QTest::newRow("two-colour: no door") << 1 << 0 << 0 << 0x2 << 0x0 << false;
        QTest::newRow("turntable: no door") << 2 << 0 << 0 << 0x2 << 0x0 << false;
        QTest::newRow("inverted alarm output") << 0 << 0x4 << 0 << 0x2 << 0x0 << true;
        QTest::newRow("input 3 stands in for the door") << 0 << 0 << 2 << 0xA << 0x2 << true;
        QTest::newRow("door input alone ignored when remapped") << 0 << 0 << 2 << 0x8 << 0xA << false;
    }
    void safetyDoor()
    {
        QFETCH(int, machineType);
        QFETCH(int, invertMask);
        QFETCH(int, remap);
        QFETCH(int, closedWord);
        QFETCH(int, openWord);
        QFETCH(bool, doorActs);
        ControlPort port(makeSettings(invertMask, 0, remap, machineType), options());
        gDataIn = quint32(closedWord);
        edges(port);
        port.IOSetOut(2, 1);
        port.IOSetOut(0, 1);
        port.IOFlashOut();
        const quint32 alarmOn = gDataOut.load();
        QCOMPARE(gisSafeDoorOpen, 0);

        gDataIn = quint32(openWord);
        edges(port);
        const quint32 alarmBit = 1u << 2;
        if (doorActs) {
            QCOMPARE(gisSafeDoorOpen, 1);
            // Alarm off and published; the clamp hold stays.
            QCOMPARE(gDataOut.load(), alarmOn ^ alarmBit);
            QCOMPARE(port.IOState(1, 0), 1);
        } else {
            QCOMPARE(gisSafeDoorOpen, 0);
            QCOMPARE(gDataOut.load(), alarmOn);
        }

        // A door that stays open acts only once per opening.
        gisSafeDoorOpen = 0;
        edges(port);
        QCOMPARE(gisSafeDoorOpen, 0);
    }

    void doorPublishesPendingOutputs()
    {
        // The door's flush also sends outputs set but not yet flushed.
        ControlPort port(makeSettings(0), options());
        gDataIn = 0x2;
        edges(port);
        port.IOSetOut(5, 1);
        gDataIn = 0x0;
        QCOMPARE(port.IOInTrigger(0), 0);
        QCOMPARE(int(gDataOut.load()), 0x20);
    }

    void threadPollsThePort()
    {
        ControlPort port(makeSettings(0), options());
        m_line.takeWritten();
        QTRY_VERIFY(port.linkPassCount() > 3);
        QVERIFY(m_line.takeWritten().startsWith(QByteArray::fromHex("5F02000061F5")));
    }

    void changedWordWakesTheLink()
    {
        // Passes a minute apart, yet a changed word goes out at once.
        IOLinkOptions o = options();
        o.passIntervalMs = 60000;
        ControlPort port(makeSettings(0), o);
        QTRY_VERIFY(port.linkPassCount() >= 2);  // the first word's wake
        QByteArray sent = m_line.takeWritten();
        port.IOSetOut(5, 1);
        port.IOFlashOut();
        QTRY_VERIFY((sent += m_line.takeWritten()).contains(QByteArray::fromHex("5F01200080F5")));
    }

    void hostSerialPortsAreRefused()
    {
#if MOJU_PANEL
        QSKIP("panel build");
#else
        qunsetenv("MOJU_SERIAL_DEVICE");
        gisCOM = 0;
        QVERIFY(!ComInit()->isOpen());
        QVERIFY(!ComInit(QStringLiteral("/dev/ttyS0"))->isOpen());
        qputenv("MOJU_SERIAL_DEVICE", "/dev/ttyS1");
        QVERIFY(!ComInit()->isOpen());
        qunsetenv("MOJU_SERIAL_DEVICE");
        QVERIFY(!ComInit(QStringLiteral("/nonexistent/tty"))->isOpen());
#endif
    }

    void portThatNeverOpensIsLost()
    {
        // Failed open: the link reports lost like a silent board.
        gisLostCom = 0;
        IOLinkOptions o;
        o.device = QStringLiteral("/nonexistent/tty");
        o.passIntervalMs = 1;
        ControlPort port(makeSettings(0), o);
        QVERIFY(!port.isPortOpen());
        QTRY_COMPARE_WITH_TIMEOUT(gisLostCom.load(), 1, 20000);
    }
};

MOJU_TEST_CORE_MAIN(TestControlPort)
#include "test_controlport.moc"
