#include "TestSupport.h"

#include "camera/gige/CGevDiscovery.h"
#include "camera/gige/GigeHostNet.h"
#include "camera/gige/GigeTimings.h"
#include "camera/gige/GvcpPackets.h"

#include <arpa/inet.h>

#include <cstring>
#include <vector>

namespace {
using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const uint8_t* p, size_t n)
{
    return Bytes(p, p + n);
}

QByteArray Hex(const Bytes& b)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size())).toHex(' ');
}

const uint8_t kMac[6] = {0x00, 0x11, 0x1C, 0xAA, 0xBB, 0xCC};
const uint8_t kIp[4] = {192, 168, 1, 64};
const uint8_t kMask[4] = {255, 255, 255, 0};
const uint8_t kGw[4] = {192, 168, 1, 1};

// A discovery acknowledge laid out by hand, field by field at its offset.
Bytes MakeAck(const char* info = "F622 camera", uint16_t code = 0x0003)
{
    Bytes a(256, 0);
    a[2] = uint8_t(code >> 8);
    a[3] = uint8_t(code);
    a[5] = 248;
    a[7] = 9;
    std::memcpy(&a[18], kMac, 6);
    std::memcpy(&a[44], kIp, 4);
    std::memcpy(&a[60], kMask, 4);
    std::memcpy(&a[76], kGw, 4);
    std::memcpy(&a[80], "Maker", 5);
    std::memcpy(&a[112], "MV-GE501GM", 10);
    std::memcpy(&a[176], info, std::strlen(info));
    a[184] = 0x49;
    a[185] = 0x43;
    std::memcpy(&a[224], "SN12345678", 10);
    return a;
}
}  // namespace

class TestGvcpPackets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { GigeTimings::recvWaitMs = 20; }

    // Runs first: nothing else in this process has built a command yet.
    void firstForceIpIdIsOne()
    {
        uint8_t pkt[kForceIpLen];
        QCOMPARE(BuildCustomForceIp(pkt, kMac, kIp, kMask, kGw, 0, 1, true), uint16_t(1));
        QCOMPARE(BuildCustomForceIp(pkt, kMac, kIp, kMask, kGw, 0, 1, true), uint16_t(2));
    }

    void customForceIpBytes()
    {
        uint8_t pkt[kForceIpLen];
        const uint16_t id = BuildCustomForceIp(pkt, kMac, kIp, kMask, kGw, 0, 1, true);
        Bytes want(64, 0);
        const uint8_t head[] = {0x42, 0x11, 0xF0, 0x08, 0x00, 0x38, uint8_t(id >> 8), uint8_t(id)};
        std::memcpy(&want[0], head, 8);
        std::memcpy(&want[8], kMac, 6);
        std::memcpy(&want[14], kIp, 4);
        std::memcpy(&want[18], kMask, 4);
        std::memcpy(&want[22], kGw, 4);
        want[26] = 0;
        want[27] = 1;
        QCOMPARE(Hex(ToBytes(pkt, sizeof(pkt))), Hex(want));

        BuildCustomForceIp(pkt, kMac, kIp, kMask, kGw, 7, 9, false);
        QCOMPARE(int(pkt[1]), 0x10);
        QCOMPARE(int(pkt[26]), 7);
        QCOMPARE(int(pkt[27]), 9);
    }

    void standardForceIpBytes()
    {
        uint8_t pkt[kForceIpLen];
        const uint16_t id = BuildStandardForceIp(pkt, kMac, kIp, kMask, kGw, true);
        Bytes want(64, 0);
        const uint8_t head[] = {0x42, 0x11, 0x00, 0x04, 0x00, 0x38, uint8_t(id >> 8), uint8_t(id)};
        std::memcpy(&want[0], head, 8);
        std::memcpy(&want[10], kMac, 6);
        std::memcpy(&want[28], kIp, 4);
        std::memcpy(&want[44], kMask, 4);
        std::memcpy(&want[60], kGw, 4);
        QCOMPARE(Hex(ToBytes(pkt, sizeof(pkt))), Hex(want));
    }

    void vendorCommandBytes()
    {
        uint8_t boot[kBootloaderLen];
        const uint16_t id = BuildEnterBootloader(boot, kMac, true);
        Bytes want(48, 0);
        const uint8_t head[] = {0x42, 0x11, 0xF0, 0x0A, 0x00, 0x28, uint8_t(id >> 8), uint8_t(id)};
        std::memcpy(&want[0], head, 8);
        std::memcpy(&want[8], kMac, 6);
        std::memcpy(&want[14], "MindVision EnterBootloader", 26);
        QCOMPARE(Hex(ToBytes(boot, sizeof(boot))), Hex(want));

        uint8_t aging[kAgingTestLen];
        const uint16_t id2 = BuildAgingTest(aging);
        QCOMPARE(id2, uint16_t(id + 1));
        Bytes want2(72, 0);
        const uint8_t head2[] = {0x42, 0x10, 0xF0, 0x0C, 0x00, 0x40, uint8_t(id2 >> 8), uint8_t(id2)};
        std::memcpy(&want2[0], head2, 8);
        std::memcpy(&want2[8], "MindVision factory mod is aging test", 36);
        QCOMPARE(Hex(ToBytes(aging, sizeof(aging))), Hex(want2));
    }

    void sharedIdWrapsPastZero()
    {
        uint8_t head[8];
        uint16_t last = MakeGvcpHead(head, 0x0004, 0, true, true);
        for (int i = 0; i < 70000; ++i) {
            const uint16_t id = MakeGvcpHead(head, 0x0004, 0, true, true);
            QVERIFY(id != 0);
            QCOMPARE(id, uint16_t(last == 65535 ? 1 : last + 1));
            last = id;
        }
        MakeGvcpHead(head, 0x0004, 0, true, false);
        QCOMPARE(int(head[1]), 0x10);
        MakeGvcpHead(head, 0x0004, 0, false, false);
        QCOMPARE(int(head[1]), 0x00);
    }

    void discoveryCommandHasItsOwnCounter()
    {
        // Bound to loopback and never sent: only the header is looked at.
        CGevDiscovery a(nullptr, INADDR_LOOPBACK, false);
        CGevDiscovery b(nullptr, INADDR_LOOPBACK, false);
        uint8_t h[8];
        QCOMPARE(a.MakeDiscoveryCmd(h), uint16_t(1));
        QCOMPARE(Hex(ToBytes(h, 8)), QByteArray("42 11 00 02 00 00 00 01"));
        QCOMPARE(a.MakeDiscoveryCmd(h), uint16_t(2));
        QCOMPARE(Hex(ToBytes(h, 8)), QByteArray("42 11 00 02 00 00 00 02"));
        QCOMPARE(b.MakeDiscoveryCmd(h), uint16_t(1));
    }

    void discoveryAckFields()
    {
        const Bytes raw = MakeAck();
        gvcp_discovery_ack_s ack;
        QVERIFY(ParseDiscoveryAck(raw.data(), raw.size(), &ack));
        QCOMPARE(std::memcmp(ack.mac, kMac, 6), 0);
        QCOMPARE(std::memcmp(ack.currentIp, kIp, 4), 0);
        QCOMPARE(std::memcmp(ack.currentMask, kMask, 4), 0);
        QCOMPARE(std::memcmp(ack.gateway, kGw, 4), 0);
        QCOMPARE(DiscoveryAckModel(ack), std::string("MV-GE501GM"));
        QCOMPARE(DiscoveryAckSerial(ack), std::string("SN12345678"));
        QCOMPARE(DiscoveryAckManufacturer(ack), std::string("Maker"));
        QVERIFY(DiscoveryAckIdle(ack));
        QCOMPARE(DiscoveryAckLinkSpeed(ack), "1000M");
    }

    void shortOrForeignDatagramsAreRejected_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("whole") << 256 << 0x0003 << true;
        QTest::newRow("longer") << 300 << 0x0003 << true;
        QTest::newRow("one byte short") << 255 << 0x0003 << false;
        QTest::newRow("header only") << 8 << 0x0003 << false;
        QTest::newRow("empty") << 0 << 0x0003 << false;
        QTest::newRow("force-ip ack") << 256 << 0xF009 << false;
    }
    void shortOrForeignDatagramsAreRejected()
    {
        QFETCH(int, length);
        QFETCH(int, code);
        QFETCH(bool, accepted);
        Bytes raw = MakeAck("F622", uint16_t(code));
        raw.resize(size_t(length), 0);
        gvcp_discovery_ack_s ack;
        std::memset(&ack, 0xEE, sizeof(ack));
        QCOMPARE(ParseDiscoveryAck(raw.data(), raw.size(), &ack), accepted);
        if (!accepted)
            QCOMPARE(int(ack.modelName[0]), 0xEE);  // left untouched

        GvcpAckHeader h;
        QCOMPARE(ParseGvcpAckHeader(raw.data(), raw.size(), &h), length >= 8);
    }

    void unterminatedTextsStayInTheirFields()
    {
        Bytes raw = MakeAck();
        std::memset(&raw[112], 'M', 32);  // model runs into the next field
        std::memset(&raw[224], 'S', 16);  // serial runs into the user name
        std::memset(&raw[240], 'U', 16);
        std::memset(&raw[188], 'V', 36);  // vendor text runs into the block's last byte
        gvcp_discovery_ack_s ack;
        QVERIFY(ParseDiscoveryAck(raw.data(), raw.size(), &ack));
        QCOMPARE(DiscoveryAckModel(ack), std::string(32, 'M'));
        QCOMPARE(DiscoveryAckSerial(ack), std::string(16, 'S'));
        QCOMPARE(DiscoveryAckVendorText(ack), std::string(35, 'V'));
    }

    void linkSpeedAndState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<QString>("text");
        QTest::newRow("idle 1000M") << 0x49 << 0x43 << true << "1000M";
        QTest::newRow("busy 100M") << 0x42 << 0x42 << false << "100M";
        QTest::newRow("other 10M") << 0x00 << 0x00 << false << "10M";
    }
    void linkSpeedAndState()
    {
        QFETCH(int, state);
        QFETCH(int, speed);
        QFETCH(bool, idle);
        QFETCH(QString, text);
        Bytes raw = MakeAck();
        raw[184] = uint8_t(state);
        raw[185] = uint8_t(speed);
        gvcp_discovery_ack_s ack;
        QVERIFY(ParseDiscoveryAck(raw.data(), raw.size(), &ack));
        QCOMPARE(DiscoveryAckIdle(ack), idle);
        QCOMPARE(QString::fromLatin1(DiscoveryAckLinkSpeed(ack)), text);
    }

    void deviceListKeepsOneEntryPerMacAndIp()
    {
        CGevDiscovery d("F622", INADDR_LOOPBACK, false);
        gvcp_discovery_ack_s ack;
        const Bytes raw = MakeAck();
        QVERIFY(ParseDiscoveryAck(raw.data(), raw.size(), &ack));
        std::vector<gvcp_discovery_ack_s> out(kMaxDiscoveryDevices);
        d.DeviceListAdd(ack);
        d.DeviceListAdd(ack);
        QCOMPARE(d.GetDiscoveryList(out.data()), 1);
        ack.currentIp[3] = 65;  // the same camera after an address change
        d.DeviceListAdd(ack);
        QCOMPARE(d.GetDiscoveryList(out.data()), 2);
        QCOMPARE(int(out[1].currentIp[3]), 65);

        const Bytes foreign = MakeAck("X622");
        QVERIFY(ParseDiscoveryAck(foreign.data(), foreign.size(), &ack));
        ack.mac[5] = 0x01;
        d.DeviceListAdd(ack);
        QCOMPARE(d.GetDiscoveryList(out.data()), 2);
    }

    void fullListDropsFurtherDevices()
    {
        CGevDiscovery d(nullptr, INADDR_LOOPBACK, false);
        gvcp_discovery_ack_s ack;
        const Bytes raw = MakeAck("anything");
        QVERIFY(ParseDiscoveryAck(raw.data(), raw.size(), &ack));
        std::vector<gvcp_discovery_ack_s> out(kMaxDiscoveryDevices);
        for (int i = 0; i < kMaxDiscoveryDevices + 1; ++i) {
            ack.mac[4] = uint8_t(i >> 8);
            ack.mac[5] = uint8_t(i);
            d.DeviceListAdd(ack);
        }
        QCOMPARE(d.GetDiscoveryList(out.data()), kMaxDiscoveryDevices);
        QCOMPARE(int(out[249].mac[5]), 249);
        // Known devices still refresh; the list stays usable.
        ack.mac[4] = 0;
        ack.mac[5] = 3;
        d.DeviceListAdd(ack);
        d.DeviceListChk();
        QCOMPARE(d.GetDiscoveryList(out.data()), kMaxDiscoveryDevices);
    }

    void arpRequestFrame()
    {
        uint8_t f[60];
        const uint8_t mac[6] = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
        uint32_t cand, from;
        inet_pton(AF_INET, "10.1.2.3", &cand);
        inet_pton(AF_INET, "10.0.0.5", &from);
        BuildArpRequest(f, cand, from, mac);
        Bytes want(60, 0);
        const uint8_t head[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x08, 0x06,
                                0x00, 0x01, 0x08, 0x00, 6, 4, 0x00, 0x01, 0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
                                10, 0, 0, 5, 0, 0, 0, 0, 0, 0, 10, 1, 2, 3};
        std::memcpy(want.data(), head, sizeof(head));
        QCOMPARE(Hex(ToBytes(f, 60)), Hex(want));

        // A reply swaps the roles: it comes from the candidate, to us.
        uint8_t r[60] = {};
        std::memcpy(r, mac, 6);
        r[12] = 0x08;
        r[13] = 0x06;
        r[21] = 2;
        std::memcpy(r + 28, &cand, 4);
        std::memcpy(r + 32, mac, 6);
        QVERIFY(IsArpReplyFrom(r, 60, cand, mac));
        QVERIFY(!IsArpReplyFrom(r, 41, cand, mac));
        QVERIFY(!IsArpReplyFrom(r, 60, from, mac));
        r[21] = 1;
        QVERIFY(!IsArpReplyFrom(r, 60, cand, mac));
    }
};

MOJU_TEST_CORE_MAIN(TestGvcpPackets)
#include "test_gvcp_packets.moc"
