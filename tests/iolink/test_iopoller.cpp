#include "TestSupport.h"

#include "FakeIOPort.h"
#include "app/IOLink.h"
#include "app/IOPoller.h"

#include <QMutex>

namespace {

QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Command codes of the frames written, in order; fails on a malformed frame.
QList<int> commandCodes(const QByteArray& written, QList<int>* values = nullptr)
{
    QList<int> codes;
    for (int i = 0; i + 6 <= written.size(); i += 6) {
        const auto* f = reinterpret_cast<const unsigned char*>(written.constData() + i);
        if (f[0] != 0x5F || f[5] != 0xF5 || f[4] != calcLRC(f, 4))
            return {-1};
        codes << f[1];
        if (values)
            *values << (f[2] | f[3] << 8);
    }
    if (written.size() % 6)
        codes << -2;
    return codes;
}

}  // namespace

class TestIOPoller : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        gDataIn = 0;
        gDataOut = 0;
        gisLostCom = 0;
        for (auto& v : gFTemp)
            v = 0;
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lrc");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("poll head") << hexBytes("5F 02 00 00") << 0x61;
        QTest::newRow("wraps") << hexBytes("FF FF FF 03") << 0x00;
        QTest::newRow("reply head") << hexBytes("5F 02 05 00 00 00") << 0x66;
    }
    void checksum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lrc);
        QCOMPARE(int(calcLRC(reinterpret_cast<const unsigned char*>(bytes.constData()), quint16(bytes.size()))), lrc);
    }

    void commandFrame_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("poll") << 2 << 0 << hexBytes("5F 02 00 00 61 F5");
        QTest::newRow("outputs F0") << 1 << 0xF0 << hexBytes("5F 01 F0 00 50 F5");
        QTest::newRow("outputs 1FF") << 1 << 0x1FF << hexBytes("5F 01 FF 01 60 F5");
        QTest::newRow("block A") << 3 << 0 << hexBytes("5F 03 00 00 62 F5");
        QTest::newRow("block B") << 4 << 0 << hexBytes("5F 04 00 00 63 F5");
    }
    void commandFrame()
    {
        QFETCH(int, command);
        QFETCH(int, value);
        QFETCH(QByteArray, frame);
        FakeIOPort port;
        QCOMPARE(SendCommand(&port, command, value), 6);
        QCOMPARE(port.takeWritten().toHex(' '), frame.toHex(' '));
    }

    // Each chunk is read by one pass; after every pass the input word and
    // the number of set-outputs commands sent so far are checked.
    void replies_data()
    {
        QTest::addColumn<quint32>("wanted");
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QList<int>>("inputAfterPass");
        QTest::addColumn<QList<int>>("resendsAfterPass");

        const QByteArray r1 = StateReply(0x155, 0x0F0);
        QTest::newRow("split over two reads") << quint32(0xF0)
            << QByteArrayList {r1.left(3), r1.mid(3)} << QList<int> {0, 0x155} << QList<int> {0, 0};
        QTest::newRow("split after the start byte") << quint32(0xF0)
            << QByteArrayList {r1.left(1), r1.mid(1, 6), r1.right(1)} << QList<int> {0, 0, 0x155} << QList<int> {0, 0, 0};
        QTest::newRow("stray start byte before a frame") << quint32(0)
            << QByteArrayList {hexBytes("5F 00 5F") + StateReply(0x21, 0)} << QList<int> {0x21} << QList<int> {0};
        QTest::newRow("garbage with start bytes on both sides") << quint32(0)
            << QByteArrayList {hexBytes("5F 5F 02 5F") + StateReply(0x3, 0) + hexBytes("5F 02")}
            << QList<int> {0x3} << QList<int> {0};
        QByteArray badSum = StateReply(0x7, 0);
        badSum[6] = char(badSum[6] + 1);
        QTest::newRow("bad checksum skipped") << quint32(0)
            << QByteArrayList {badSum, StateReply(0x9, 0)} << QList<int> {0, 0x9} << QList<int> {0, 0};
        QByteArray badEnd = StateReply(0x7, 0);
        badEnd[7] = char(0xF4);
        QTest::newRow("bad end byte skipped") << quint32(0)
            << QByteArrayList {badEnd + StateReply(0x2, 0)} << QList<int> {0x2} << QList<int> {0};
        QTest::newRow("two replies, later wins, one resend") << quint32(0xF0)
            << QByteArrayList {StateReply(0x1, 0) + StateReply(0x2, 0)} << QList<int> {0x2} << QList<int> {1};
        QTest::newRow("echo matches: no resend") << quint32(0x1F0)
            << QByteArrayList {StateReply(0x0, 0x1F0)} << QList<int> {0} << QList<int> {0};
        QTest::newRow("resend once per pass") << quint32(0x3)
            << QByteArrayList {StateReply(0, 0), StateReply(0, 1), StateReply(0, 3)}
            << QList<int> {0, 0, 0} << QList<int> {1, 2, 2};
        QTest::newRow("ten input bits only") << quint32(0)
            << QByteArrayList {ReplyFrame(2, 0xFF, 0xFF, 0, 0)} << QList<int> {0x3FF} << QList<int> {0};
        QTest::newRow("unknown type is a frame, inputs kept") << quint32(0)
            << QByteArrayList {ReplyFrame(9, 0xFF, 0, 0, 0)} << QList<int> {0} << QList<int> {0};
    }
    void replies()
    {
        QFETCH(quint32, wanted);
        QFETCH(QByteArrayList, chunks);
        QFETCH(QList<int>, inputAfterPass);
        QFETCH(QList<int>, resendsAfterPass);
        FakeIOPort port;
        IOPoller poller(&port);
        gDataOut = wanted;
        int resends = 0;
        for (int i = 0; i < chunks.size(); ++i) {
            port.feed(chunks[i]);
            poller.pass();
            QList<int> values;
            const QList<int> codes = commandCodes(port.takeWritten(), &values);
            QVERIFY2(!codes.contains(-1) && !codes.contains(-2), "malformed command frame");
            // A resend comes first and carries the wanted word; one command follows.
            QCOMPARE(codes.size(), codes.first() == IOCmdSetOutputs ? 2 : 1);
            if (codes.first() == IOCmdSetOutputs) {
                QCOMPARE(quint32(values.first()), wanted);
                ++resends;
            }
            QCOMPARE(int(gDataIn.load()), inputAfterPass[i]);
            QCOMPARE(resends, resendsAfterPass[i]);
        }
        QCOMPARE(poller.pendingBytes() < 8, true);
    }

    void replyTakenBetweenPasses()
    {
        // Read as it arrives, a reply counts for the next pass: no empty
        // pass, and a word changed since goes out in it.
        FakeIOPort port;
        IOPoller poller(&port);
        poller.pass();
        port.takeWritten();
        port.feed(StateReply(0x5, 0));
        QVERIFY(poller.receive() > 0);
        QCOMPARE(int(gDataIn.load()), 0x5);
        gDataOut = 0xF0;
        poller.pass();
        QList<int> values;
        QCOMPARE(commandCodes(port.takeWritten(), &values), (QList<int> {IOCmdSetOutputs, IOCmdPoll}));
        QCOMPARE(values.first(), 0xF0);
        QCOMPARE(poller.emptyPasses(), 0);
    }

    void periodPattern()
    {
        FakeIOPort port;
        IOPoller poller(&port);
        QList<int> codes;
        for (int pass = 0; pass < 3 * IOPoller::PeriodLength; ++pass) {
            poller.pass();
            const QList<int> one = commandCodes(port.takeWritten());
            QCOMPARE(one.size(), 1);
            codes << one.first();
        }
        for (int pass = 0; pass < codes.size(); ++pass) {
            const int inPeriod = pass % 210 + 1;
            const int expected = inPeriod == 200 ? 3 : inPeriod == 210 ? 4 : 2;
            QCOMPARE(codes[pass], expected);
        }
        QCOMPARE(int(codes.count(2)), 3 * 208);
    }

    void blockValuesFillSlots()
    {
        FakeIOPort port;
        IOPoller poller(&port);
        for (int i = 0; i < 199; ++i)
            poller.pass();
        poller.pass();  // command 3: slots restart at 0
        port.feed(ReplyFrame(3, 0x01, 0x02, 0x03, 0x04) + ReplyFrame(3, 0xAA, 0, 0, 0));
        poller.pass();
        QCOMPARE(gFTemp[0].load(), 0x04030201u);
        QCOMPARE(gFTemp[1].load(), 0xAAu);
        for (int i = 0; i < 9; ++i)
            poller.pass();  // the 210th pass sends command 4: slots restart at 8
        QByteArray many;
        for (int i = 0; i < 12; ++i)
            many += ReplyFrame(4, quint8(0x10 + i), 0, 0, 0);
        port.feed(many);
        poller.pass();
        // More values than slots: the last slots hold the 8th value, nothing beyond.
        QCOMPARE(gFTemp[8].load(), 0x10u);
        QCOMPARE(gFTemp[15].load(), 0x17u);
        QCOMPARE(gFTemp[2].load(), 0u);
    }

    void lostAndRegained()
    {
        FakeIOPort port;
        QStringList lines;
        IOPoller poller(&port, [&lines](const QString& l) { lines << l; });
        for (int i = 0; i < IOPoller::LostAfterEmptyPasses; ++i)
            poller.pass();
        QCOMPARE(gisLostCom.load(), 0);
        QCOMPARE(commandCodes(port.takeWritten()).count(IOCmdSetOutputs), 0);
        poller.pass();
        QCOMPARE(gisLostCom.load(), 1);

        // While lost, every pass sends the wanted word before its poll: a hold
        // decided during the silence reaches the board with its first byte read.
        port.takeWritten();
        gDataOut = 0x1F5;
        for (int i = 0; i < 3; ++i) {
            poller.pass();
            QList<int> values;
            const QList<int> codes = commandCodes(port.takeWritten(), &values);
            QCOMPARE(codes.value(0), int(IOCmdSetOutputs));
            QCOMPARE(values.value(0), 0x1F5);
            QCOMPARE(codes.size(), 2);
        }

        // Garbage is no sign of life: it does not bring the link back.
        port.feed(hexBytes("5F 02 00 00 00 00 00 00 11 22"));
        poller.pass();
        QCOMPARE(gisLostCom.load(), 1);
        QCOMPARE(poller.emptyPasses(), IOPoller::LostAfterEmptyPasses + 1);
        QVERIFY(lines.isEmpty());

        port.feed(StateReply(0x4, 0));
        poller.pass();
        QCOMPARE(gisLostCom.load(), 0);
        QCOMPARE(poller.emptyPasses(), 0);
        QCOMPARE(lines, QStringList {QStringLiteral("IO通讯重新连接")});
        QCOMPARE(int(gDataIn.load()), 0x4);
        port.takeWritten();
        port.feed(StateReply(0x4, 0x1F5));
        poller.pass();
        QCOMPARE(commandCodes(port.takeWritten()), QList<int> {IOCmdPoll});  // back to answering echoes only

        // Another frame while the link is good writes no second line.
        port.feed(StateReply(0x4, 0));
        poller.pass();
        QCOMPARE(lines.size(), 1);
    }

    void noiseOnlyIsLostLikeSilence()
    {
        // A broken board that sends bytes which never form a frame.
        FakeIOPort port;
        IOPoller poller(&port);
        for (int i = 0; i <= IOPoller::LostAfterEmptyPasses; ++i) {
            QCOMPARE(gisLostCom.load(), 0);
            port.feed(hexBytes("5F 02 00 00 00 00 00 00 11 22"));
            poller.pass();
        }
        QCOMPARE(gisLostCom.load(), 1);
    }

    void emptyCountSaturates()
    {
        IOPoller poller(nullptr);  // a line that never opened
        for (int i = 0; i < 5000; ++i)
            poller.pass();
        QCOMPARE(gisLostCom.load(), 1);
        QCOMPARE(poller.emptyPasses(), IOPoller::LostAfterEmptyPasses + 1);
    }

    void floodKeepsWhatDoesNotFit()
    {
        // More than a buffer of bytes at once: the frames beyond it are read later.
        FakeIOPort port;
        IOPoller poller(&port);
        QByteArray flood(1020, char(0x00));
        flood += StateReply(0x2AA, 0);
        port.feed(flood);
        poller.pass();
        QCOMPARE(int(gDataIn.load()), 0);
        poller.pass();
        QCOMPARE(int(gDataIn.load()), 0x2AA);
    }
};

MOJU_TEST_CORE_MAIN(TestIOPoller)
#include "test_iopoller.moc"
