#include "GLogCapture.h"
#include "TestSupport.h"

#include "camera/gige/AutoSetCameraIp.h"
#include "camera/gige/CIpConfig.h"
#include "camera/gige/EnsureDeviceReach.h"
#include "camera/gige/GigeTimings.h"
#include "platform/SystemActions.h"

#include <arpa/inet.h>

#include <cstring>

namespace {
uint32_t HostIp(const QString& text)
{
    in_addr a{};
    inet_pton(AF_INET, qPrintable(text), &a);
    return ntohl(a.s_addr);
}

QString Dotted(const uint8_t b[4])
{
    return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
}

QString DottedHost(uint32_t v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v >> 24).arg((v >> 16) & 0xFF).arg((v >> 8) & 0xFF).arg(v & 0xFF);
}

QString DottedNet(uint32_t netOrder)
{
    return DottedHost(ntohl(netOrder));
}

CIpConfigIface Iface(const QString& ip, const QString& mask)
{
    CIpConfigIface i;
    std::snprintf(i.name, sizeof(i.name), "gv0");
    const uint8_t mac[6] = {0x02, 0, 0, 0, 0, 0x01};
    std::memcpy(i.mac, mac, 6);
    GetIpFromString(qPrintable(ip), i.ip);
    GetIpFromString(qPrintable(mask), i.mask);
    return i;
}

gvcp_discovery_ack_s Device(const QString& ip, const QString& mask, uint8_t macLast = 0x42)
{
    gvcp_discovery_ack_s a;
    std::memset(&a, 0, sizeof(a));
    a.ackCode[1] = 0x03;
    const uint8_t mac[6] = {0x00, 0x11, 0x1C, 0, 0, macLast};
    std::memcpy(a.mac, mac, 6);
    GetIpFromString(qPrintable(ip), a.currentIp);
    GetIpFromString(qPrintable(mask), a.currentMask);
    std::memcpy(a.manufacturerInfo, "F622", 4);
    return a;
}

struct Sent {
    QString ip, mask, gateway;
};

// Wires a configuration to doubles: a fixed random sequence (cycled), a set
// of addresses that answer ARP, and a sender that records what it would send.
struct Doubles {
    QList<int> randoms;
    int next = 0;
    QStringList busy;
    QStringList probed;
    QList<Sent> sent;
    int sendResult = 1;

    void attach(CIpConfig& c, bool withRandom = true)
    {
        if (withRandom)
            c.setRandom([this] { return randoms.isEmpty() ? 0 : randoms[next++ % randoms.size()]; });
        c.setArpProbe([this](uint32_t ip, uint32_t, const uint8_t*, const char*) {
            probed << DottedNet(ip);
            return busy.contains(DottedNet(ip)) ? 0 : 1;
        });
        c.setForceIpSender([this](const CIpConfigIface&, const uint8_t*, const uint8_t ip[4], const uint8_t mask[4],
                                  const uint8_t gw[4]) {
            sent << Sent{Dotted(ip), Dotted(mask), Dotted(gw)};
            return sendResult;
        });
    }
};

// Draws giving last bytes b1, b2, ...: four values per candidate.
QList<int> LastBytes(std::initializer_list<int> bytes)
{
    QList<int> r;
    for (int b : bytes)
        r << 0 << 0 << 0 << (b - 10);
    return r;
}

class ImvDouble : public ImvIpSdk {
public:
    QStringList calls;
    QString failAt;  // name of the call that fails
    int failCode = -7;
    ImvGigeDeviceInfo forced;
    int handles = 0;

    int result(const QString& call)
    {
        calls << call;
        return call.startsWith(failAt) && !failAt.isEmpty() ? failCode : 0;
    }
    int createHandleByKey(const std::string& key, Handle* out) override
    {
        const int r = result(QStringLiteral("create ") + QString::fromStdString(key));
        if (r == 0) {
            ++handles;
            *out = this;
        }
        return r;
    }
    int destroyHandle(Handle) override
    {
        --handles;
        return result(QStringLiteral("destroy"));
    }
    int forceIpAddress(Handle, const std::string& ip, const std::string& mask, const std::string& gw) override
    {
        forced.ipAddress = ip;
        forced.subnetMask = mask;
        forced.defaultGateway = gw;
        return result(QStringLiteral("force %1 %2 %3").arg(QString::fromStdString(ip), QString::fromStdString(mask),
                                                            QString::fromStdString(gw)));
    }
    int getDeviceInfo(Handle, ImvGigeDeviceInfo* out) override
    {
        const int r = result(QStringLiteral("info"));
        if (r == 0) {
            out->ipAddress = forced.ipAddress;
            out->subnetMask = forced.subnetMask;
            out->defaultGateway = forced.defaultGateway;
        }
        return r;
    }
    int open(Handle) override { return result(QStringLiteral("open")); }
    int close(Handle) override { return result(QStringLiteral("close")); }
    int setBoolFeatureValue(Handle, const std::string& name, bool v) override
    {
        return result(QStringLiteral("bool %1 %2").arg(QString::fromStdString(name)).arg(v));
    }
    int setStringFeatureValue(Handle, const std::string& name, const std::string& v) override
    {
        return result(QStringLiteral("string %1 %2").arg(QString::fromStdString(name), QString::fromStdString(v)));
    }
};

ImvGigeDeviceInfo ImvCamera(const char* key, const char* status, const char* ip, const char* host = "127.0.0.1")
{
    ImvGigeDeviceInfo i;
    i.cameraKey = key;
    i.ipConfigStatus = status;
    i.ipAddress = ip;
    i.subnetMask = "255.0.0.0";
    i.defaultGateway = "0.0.0.0";
    i.hostIpAddress = host;
    i.hostSubnetMask = "255.0.0.0";
    i.hostDefaultGateway = "127.0.0.254";
    return i;
}

class MvsDouble : public MvsIpSdk {
public:
    std::vector<MvsGigeDeviceInfo> devices;
    QStringList calls;
    bool accessible = true;
    int failCreate = 0;
    int failForce = 0;
    int enumerated = 0;

    int enumGigeDevices(std::vector<MvsGigeDeviceInfo>* out) override
    {
        ++enumerated;
        *out = devices;
        return 0;
    }
    bool isDeviceAccessibleExclusive(const MvsGigeDeviceInfo& d) override
    {
        calls << QStringLiteral("access %1").arg(d.index);
        return accessible;
    }
    int createHandle(const MvsGigeDeviceInfo& d, Handle* out) override
    {
        calls << QStringLiteral("create %1").arg(d.index);
        *out = this;
        return failCreate;
    }
    int forceIpEx(Handle, uint32_t ip, uint32_t mask, uint32_t gw) override
    {
        calls << QStringLiteral("force %1 %2 %3").arg(DottedHost(ip), DottedHost(mask), DottedHost(gw));
        return failForce;
    }
    int destroyHandle(Handle) override
    {
        calls << QStringLiteral("destroy");
        return 0;
    }
};

// Answers ping by address: busy ones reply (exit 0), the rest do not (1).
struct PingDouble : SystemActions {
    QStringList busy;
    QStringList pinged;
    int exitForAll = -100;  // when set, every ping exits with it
    ActionResult run(const QStringList& argv, int) override
    {
        if (argv.value(0) != QLatin1String("ping"))
            return {-1, {}};
        pinged << argv.last();
        if (exitForAll != -100)
            return {exitForAll, {}};
        return {busy.contains(argv.last()) ? 0 : 1, {}};
    }
    bool startDetached(const QStringList&, const QString&) override { return false; }
    bool deviceIoctl(const QString&, unsigned long) override { return false; }
    bool portIoPermission(int) override { return false; }
};

AllNetInfo NetInfo(const QString& ip, const QString& mask)
{
    AllNetInfo info;
    std::memset(&info, 0, sizeof(info));
    info.count = 1;
    std::snprintf(info.net[0].name, sizeof(info.net[0].name), "gv0");
    info.net[0].ip = HostIp(ip);
    info.net[0].mask = HostIp(mask);
    return info;
}

MvsGigeDeviceInfo MvsCamera(int index, const QString& ip, const QString& mask, const QString& host)
{
    MvsGigeDeviceInfo d;
    d.index = index;
    d.currentIp = HostIp(ip);
    d.currentMask = HostIp(mask);
    d.hostIp = HostIp(host);
    return d;
}
}  // namespace

class TestGigeRepair : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { GigeTimings::imvSettleMs = 0; }
    void cleanup()
    {
        SystemActions::setInstance(nullptr);
        qunsetenv("MOJU_GIGE_IFACES");
    }

    void addressTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << "192.168.1.64" << true;
        QTest::newRow("zeros") << "0.0.0.0" << true;
        QTest::newRow("part above 255") << "192.168.1.256" << false;
        QTest::newRow("negative part") << "192.-1.1.1" << false;
        QTest::newRow("three parts") << "192.168.1" << false;
        QTest::newRow("trailing text") << "192.168.1.1x" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("part overflowing an int") << "4294967297.1.1.1" << false;
        QTest::newRow("four digits") << "192.168.1.0064" << false;
        QTest::newRow("leading blank") << " 192.168.1.1" << false;
        QTest::newRow("plus sign") << "+192.168.1.1" << false;
        QTest::newRow("empty part") << "192..1.1" << false;
        QTest::newRow("Arabic-Indic digit") << QStringLiteral("192.168.1.\u0661") << false;
    }
    void addressTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        uint8_t b[4] = {9, 9, 9, 9};
        QCOMPARE(GetIpFromString(qPrintable(text), b) == 1, ok);
        if (ok)
            QCOMPARE(Dotted(b), text);
    }

    void deviceAddressValidity_data()
    {
        QTest::addColumn<QString>("ifIp");
        QTest::addColumn<QString>("ifMask");
        QTest::addColumn<QString>("devIp");
        QTest::addColumn<QString>("devMask");
        QTest::addColumn<bool>("valid");
        QTest::newRow("same /24") << "192.168.1.5" << "255.255.255.0" << "192.168.1.64" << "255.255.255.0" << true;
        QTest::newRow("other network") << "10.0.0.5" << "255.0.0.0" << "192.168.1.64" << "255.255.255.0" << false;
        QTest::newRow("interface's own address") << "192.168.1.5" << "255.255.255.0" << "192.168.1.5"
                                                 << "255.255.255.0" << false;
        QTest::newRow("each address with its own mask")
            << "192.168.1.5" << "255.255.255.0" << "192.168.1.64" << "255.255.0.0" << false;
        QTest::newRow("same /8") << "10.0.0.5" << "255.0.0.0" << "10.200.3.4" << "255.0.0.0" << true;
        QTest::newRow("other half of a /25") << "192.168.1.5" << "255.255.255.128" << "192.168.1.200"
                                             << "255.255.255.128" << false;
    }
    void deviceAddressValidity()
    {
        QFETCH(QString, ifIp);
        QFETCH(QString, ifMask);
        QFETCH(QString, devIp);
        QFETCH(QString, devMask);
        QFETCH(bool, valid);
        CIpConfig c;
        c.addInterface(Iface(ifIp, ifMask));
        c.addDevice(Device(devIp, devMask), 0);
        QCOMPARE(c.IsDevIPValid(0), valid);
        QVERIFY(!c.IsDevIPValid(1));
        QVERIFY(!c.IsDevIPValid(-1));
    }

    void addressChoice_data()
    {
        QTest::addColumn<QString>("ifIp");
        QTest::addColumn<QString>("ifMask");
        QTest::addColumn<QList<int>>("randoms");
        QTest::addColumn<QStringList>("busy");
        QTest::addColumn<QString>("sentIp");  // empty: nothing may be sent
        QTest::addColumn<int>("probes");

        QTest::newRow("off-subnet camera into a /8")
            << "10.0.0.5" << "255.0.0.0" << QList<int>{0, 1, 2, 3} << QStringList() << "10.11.12.13" << 1;
        QTest::newRow("interface's own address is drawn again")
            << "192.168.1.15" << "255.255.255.0" << LastBytes({15, 16}) << QStringList() << "192.168.1.16" << 1;
        QTest::newRow("address answered by ARP is skipped")
            << "192.168.1.5" << "255.255.255.0" << LastBytes({50, 60}) << QStringList{"192.168.1.50"}
            << "192.168.1.60" << 2;
        QTest::newRow("five busy candidates: nothing sent")
            << "192.168.1.5" << "255.255.255.0" << LastBytes({50}) << QStringList{"192.168.1.50"} << QString() << 5;
        QTest::newRow("broadcast of a /25 is never chosen")
            << "192.168.1.5" << "255.255.255.128" << LastBytes({127, 20}) << QStringList() << "192.168.1.20" << 1;
        QTest::newRow("network of a /25 is never chosen")
            << "192.168.1.200" << "255.255.255.128" << LastBytes({128, 130}) << QStringList() << "192.168.1.130"
            << 1;
        QTest::newRow("a /31 has no candidate")
            << "192.168.1.4" << "255.255.255.254" << LastBytes({10, 11, 12}) << QStringList() << QString() << 0;
    }
    void addressChoice()
    {
        QFETCH(QString, ifIp);
        QFETCH(QString, ifMask);
        QFETCH(QList<int>, randoms);
        QFETCH(QStringList, busy);
        QFETCH(QString, sentIp);
        QFETCH(int, probes);
        CIpConfig c;
        Doubles d;
        d.randoms = randoms;
        d.busy = busy;
        d.attach(c);
        c.addInterface(Iface(ifIp, ifMask));
        c.addDevice(Device(QStringLiteral("172.16.0.9"), QStringLiteral("255.255.0.0")), 0);
        QCOMPARE(c.AutoSetIpAddr(0), !sentIp.isEmpty());
        QCOMPARE(d.probed.size(), probes);
        if (sentIp.isEmpty()) {
            QVERIFY(d.sent.isEmpty());
            return;
        }
        QCOMPARE(d.sent.size(), 1);
        QCOMPARE(d.sent[0].ip, sentIp);
        QCOMPARE(d.sent[0].mask, ifMask);
        QCOMPARE(d.sent[0].gateway, QStringLiteral("0.0.0.0"));
        QVERIFY(!busy.contains(d.sent[0].ip));
    }

    void clockSeededCandidatesStayInRange()
    {
        CIpConfig c;
        Doubles d;
        d.attach(c, false);
        c.addInterface(Iface(QStringLiteral("10.0.0.5"), QStringLiteral("255.0.0.0")));
        c.addDevice(Device(QStringLiteral("192.168.1.64"), QStringLiteral("255.255.255.0")), 0);
        for (int i = 0; i < 50; ++i)
            QVERIFY(c.AutoSetIpAddr(0));
        for (const Sent& s : d.sent) {
            const QStringList p = s.ip.split(QLatin1Char('.'));
            QCOMPARE(p[0], QStringLiteral("10"));
            for (int k = 1; k < 4; ++k)
                QVERIFY2(p[k].toInt() >= 10 && p[k].toInt() <= 254, qPrintable(s.ip));
            QVERIFY(s.ip != QLatin1String("10.0.0.5"));
            QCOMPARE(s.mask, QStringLiteral("255.0.0.0"));
        }
    }

    void repairCountsAcknowledgedChangesOnly()
    {
        CIpConfig c;
        Doubles d;
        d.randoms = LastBytes({50, 60});
        d.attach(c);
        c.addInterface(Iface(QStringLiteral("192.168.1.5"), QStringLiteral("255.255.255.0")));
        c.addDevice(Device(QStringLiteral("192.168.1.64"), QStringLiteral("255.255.255.0"), 1), 0);  // fine
        c.addDevice(Device(QStringLiteral("172.16.0.9"), QStringLiteral("255.255.0.0"), 2), 0);     // .50
        c.addDevice(Device(QStringLiteral("192.168.1.5"), QStringLiteral("255.255.255.0"), 3), 0);  // .60
        QCOMPARE(RepairListedDevices(c), 2);
        QCOMPARE(d.sent.size(), 2);
        QCOMPARE(d.sent[0].ip, QStringLiteral("192.168.1.50"));
        QCOMPARE(d.sent[1].ip, QStringLiteral("192.168.1.60"));

        // A camera that does not acknowledge is not counted.
        CIpConfig refused;
        Doubles r;
        r.randoms = LastBytes({50});
        r.sendResult = 0;
        r.attach(refused);
        refused.addInterface(Iface(QStringLiteral("192.168.1.5"), QStringLiteral("255.255.255.0")));
        refused.addDevice(Device(QStringLiteral("172.16.0.9"), QStringLiteral("255.255.0.0")), 0);
        QCOMPARE(RepairListedDevices(refused), 0);
        QCOMPARE(r.sent.size(), 1);
    }

    void explicitAddressAndDeviceInfo()
    {
        CIpConfig c;
        Doubles d;
        d.attach(c);
        c.addInterface(Iface(QStringLiteral("192.168.1.5"), QStringLiteral("255.255.255.0")));
        gvcp_discovery_ack_s a = Device(QStringLiteral("192.168.1.64"), QStringLiteral("255.255.255.0"));
        std::memcpy(a.modelName, "MV-GE501GM", 10);
        std::memcpy(a.serialNumber, "SN0001", 6);
        std::memcpy(a.manufacturerName, "Maker", 5);
        a.manufacturerInfo[8] = 0x49;
        a.manufacturerInfo[9] = 0x42;
        std::memcpy(a.manufacturerInfo + 12, "GE501 rev3", 10);  // byte 188 on the wire
        c.addDevice(a, 0);
        QVERIFY(!c.SetIpAddr(-1, "192.168.1.9", "255.255.255.0", "0.0.0.0"));
        QVERIFY(!c.SetIpAddr(0, "192.168.1.300", "255.255.255.0", "0.0.0.0"));
        QVERIFY(d.sent.isEmpty());
        QVERIFY(c.SetIpAddr(0, "192.168.1.9", "255.255.255.0", "192.168.1.1"));
        QCOMPARE(d.sent.size(), 1);
        QCOMPARE(d.sent[0].gateway, QStringLiteral("192.168.1.1"));

        char info[kDevInfoLen];
        QVERIFY(!c.GetDevInfo(1, info));
        QVERIFY(c.GetDevInfo(0, info));
        const char* want[] = {"192.168.1.64", "255.255.255.0", "0.0.0.0", "00-11-1C-00-00-42", "GE501 rev3",
                              "MV-GE501GM", "SN0001", "100M", "IDLE"};
        for (int i = 0; i < 9; ++i)
            QCOMPARE(QString::fromLatin1(info + i * 64), QString::fromLatin1(want[i]));
    }

    void confinedHostHasNoInterfaces()
    {
        // A default build with no interface named walks none and sends nothing.
        qunsetenv("MOJU_GIGE_IFACES");
        CIpConfig c;
        QCOMPARE(c.DeviceEnumeInit(), 0);
        QCOMPARE(RepairAllCameraIP(), -1);
        AllNetInfo info;
        QCOMPARE(GetNetInfo(&info), 0);
        QCOMPARE(info.count, 0);
        MvsDouble mvs;
        mvs.devices.push_back(MvsCamera(0, "192.168.2.10", "255.255.255.0", "192.168.1.5"));
        QCOMPARE(EnsureDeviceReach(mvs), -1);
        QCOMPARE(mvs.enumerated, 0);
        ImvDouble imv;
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("cam", "Invalid", "127.0.0.20")), 0);
        QVERIFY(imv.calls.isEmpty());
    }

    void loopbackIsNeverARepairInterface()
    {
        qputenv("MOJU_GIGE_IFACES", "lo");
        CIpConfig c;
        QCOMPARE(c.DeviceEnumeInit(), 0);
    }

    void imvUniqueAddressIsKept()
    {
        qputenv("MOJU_GIGE_IFACES", "lo");
        gDHIPList.clear();
        ImvDouble imv;
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camA", "Valid", "127.0.0.20")), 0);
        QCOMPARE(gDHIPList, (QStringList{"127.0.0.1", "127.0.0.20"}));
        QVERIFY(imv.calls.isEmpty());
    }

    void imvDuplicatesGetFreeAddressesFromTheTop()
    {
        qputenv("MOJU_GIGE_IFACES", "lo");
        gDHIPList.clear();
        ImvDouble imv;
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camA", "Valid", "127.0.0.20")), 0);
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camB", "Valid", "127.0.0.20")), 1);
        const QStringList want{
            "create camB",
            "force 127.0.0.253 255.0.0.0 127.0.0.254",
            "info",
            "open",
            "bool GevCurrentIPConfigurationPersistentIP 1",
            "string GevPersistentIPAddress 127.0.0.253",
            "string GevPersistentSubnetMask 255.0.0.0",
            "string GevPersistentDefaultGateway 127.0.0.254",
            "close",
            "destroy",
        };
        QCOMPARE(imv.calls, want);
        QCOMPARE(imv.handles, 0);
        imv.calls.clear();
        // An address the list already holds is not handed out, whatever its origin.
        gDHIPList << QStringLiteral("127.0.0.252");
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camC", "Invalid", "169.254.1.1")), 1);
        QCOMPARE(imv.calls.value(1), QStringLiteral("force 127.0.0.251 255.0.0.0 127.0.0.254"));
        QVERIFY(gDHIPList.contains(QStringLiteral("127.0.0.251")));
    }

    void imvFailureReleasesTheHandle_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<bool>("opened");
        QTest::newRow("create") << "create" << false;
        QTest::newRow("force") << "force" << false;
        QTest::newRow("info") << "info" << false;
        QTest::newRow("open") << "open" << false;
        QTest::newRow("persistent flag") << "bool" << true;
        QTest::newRow("persistent address") << "string GevPersistentIPAddress" << true;
        QTest::newRow("persistent mask") << "string GevPersistentSubnetMask" << true;
        QTest::newRow("persistent gateway") << "string GevPersistentDefaultGateway" << true;
    }
    void imvFailureReleasesTheHandle()
    {
        QFETCH(QString, failAt);
        QFETCH(bool, opened);
        qputenv("MOJU_GIGE_IFACES", "lo");
        gDHIPList.clear();
        ImvDouble imv;
        imv.failAt = failAt;
        GLogCapture glog;
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camB", "Invalid", "10.1.1.1")), imv.failCode);
        // Failures before the open are printed, and written to the application log too.
        QCOMPARE(glog.lines().filter(QStringLiteral("ErrorCode[-7]")).size(), opened ? 0 : 1);
        QCOMPARE(imv.handles, 0);
        QCOMPARE(imv.calls.contains(QStringLiteral("close")), opened);
        if (failAt != QLatin1String("create"))
            QCOMPARE(imv.calls.last(), QStringLiteral("destroy"));
    }

    void imvCameraBehindAnotherInterfaceIsLeftAlone()
    {
        qputenv("MOJU_GIGE_IFACES", "lo");
        gDHIPList.clear();
        ImvDouble imv;
        QCOMPARE(autoSetCameraIP(imv, ImvCamera("camB", "Invalid", "10.1.1.1", "10.99.99.1")), 0);
        QVERIFY(imv.calls.isEmpty());
        QVERIFY(gDHIPList.isEmpty());
    }

    void mvsAddressSearch_data()
    {
        QTest::addColumn<QString>("hostIp");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("devIp");
        QTest::addColumn<QStringList>("busy");
        QTest::addColumn<QString>("firstPinged");
        QTest::addColumn<QString>("forced");  // empty: no force IP
        QTest::newRow("free at the device's own number")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.10" << QStringList() << "192.168.1.10"
            << "force 192.168.1.10 255.255.255.0 192.168.1.254";
        QTest::newRow("busy number moves up")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.10" << QStringList{"192.168.1.10"} << "192.168.1.10"
            << "force 192.168.1.11 255.255.255.0 192.168.1.254";
        QTest::newRow("device at .0 starts at .1")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.0" << QStringList() << "192.168.1.1"
            << "force 192.168.1.1 255.255.255.0 192.168.1.254";
        QTest::newRow("device at .255 starts at .254")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.255" << QStringList() << "192.168.1.254"
            << "force 192.168.1.254 255.255.255.0 192.168.1.254";
        QTest::newRow("top used: search goes down")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.254" << QStringList{"192.168.1.254"}
            << "192.168.1.254" << "force 192.168.1.253 255.255.255.0 192.168.1.254";
        QTest::newRow("host's own number is skipped")
            << "192.168.1.5" << "255.255.255.0" << "192.168.2.5" << QStringList() << "192.168.1.6"
            << "force 192.168.1.6 255.255.255.0 192.168.1.254";
        QTest::newRow("only the host's half of a /25")
            << "192.168.1.200" << "255.255.255.128" << "10.0.0.10" << QStringList() << "192.168.1.129"
            << "force 192.168.1.129 255.255.255.128 192.168.1.254";
    }
    void mvsAddressSearch()
    {
        QFETCH(QString, hostIp);
        QFETCH(QString, mask);
        QFETCH(QString, devIp);
        QFETCH(QStringList, busy);
        QFETCH(QString, firstPinged);
        QFETCH(QString, forced);
        PingDouble ping;
        ping.busy = busy;
        SystemActions::setInstance(&ping);
        MvsDouble mvs;
        mvs.devices.push_back(MvsCamera(0, devIp, mask, hostIp));
        QCOMPARE(EnsureDeviceReach(mvs, NetInfo(hostIp, mask)), 0);
        QCOMPARE(ping.pinged.value(0), firstPinged);
        QCOMPARE(mvs.calls, (QStringList{"create 0", forced, "destroy"}));
        for (const QString& p : ping.pinged) {
            const uint32_t v = HostIp(p);
            QVERIFY2((v & HostIp(mask)) == (HostIp(hostIp) & HostIp(mask)), qPrintable(p));
            QVERIFY(p != hostIp);
        }
    }

    void mvsNoFreeAddressSendsNothing()
    {
        PingDouble ping;
        ping.exitForAll = 0;  // everything answers
        SystemActions::setInstance(&ping);
        MvsDouble mvs;
        mvs.devices.push_back(MvsCamera(0, "192.168.2.10", "255.255.255.0", "192.168.1.5"));
        QCOMPARE(EnsureDeviceReach(mvs, NetInfo("192.168.1.5", "255.255.255.0")), 1);
        QVERIFY(mvs.calls.isEmpty());
        QCOMPARE(ping.pinged.size(), 253);  // 1..254 without the host's own
        QCOMPARE(ping.pinged.last(), QStringLiteral("192.168.1.1"));
    }

    void mvsPingThatCannotRunIsReported()
    {
        PingDouble ping;
        ping.exitForAll = -1;
        SystemActions::setInstance(&ping);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ping 192.168.1.10 cannot run")));
        QVERIFY(IsFreeIp("192.168.1.10"));
        QVERIFY(!IsFreeIp("192.168.1.10; reboot"));  // never reaches ping
        QCOMPARE(ping.pinged, QStringList{"192.168.1.10"});
    }

    void recordedPingIsNoAnswer()
    {
        // A default build only records the ping: nothing answered, so the
        // search can still readdress a camera.
        TempWorkDir dir(false);
        RecordingSystemActions recording(dir.filePath(QStringLiteral("system-actions.log")));
        SystemActions::setInstance(&recording);
        MvsDouble mvs;
        mvs.devices.push_back(MvsCamera(0, "192.168.2.10", "255.255.255.0", "192.168.1.5"));
        QCOMPARE(EnsureDeviceReach(mvs, NetInfo("192.168.1.5", "255.255.255.0")), 0);
        QCOMPARE(mvs.calls.value(1), QStringLiteral("force 192.168.1.10 255.255.255.0 192.168.1.254"));
        QFile log(recording.logPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("ping -c 1 -w 1 192.168.1.10"));
    }

    void mvsReachability()
    {
        PingDouble ping;
        SystemActions::setInstance(&ping);
        MvsDouble mvs;
        mvs.devices.push_back(MvsCamera(0, "192.168.1.20", "255.255.255.0", "192.168.1.5"));
        mvs.devices.push_back(MvsCamera(1, "192.168.1.21", "255.255.255.0", "192.168.1.5"));
        // Found through an address no interface has: the device's own mask decides.
        mvs.devices.push_back(MvsCamera(2, "192.168.9.9", "255.255.255.0", "192.168.9.1"));
        const AllNetInfo info = NetInfo("192.168.1.5", "255.255.255.0");
        QCOMPARE(EnsureDeviceReach(mvs, info), 0);
        QCOMPARE(mvs.calls, (QStringList{"access 0", "access 1", "access 2"}));
        mvs.accessible = false;
        mvs.calls.clear();
        QCOMPARE(EnsureDeviceReach(mvs, info), 3);
        QVERIFY(ping.pinged.isEmpty());
        mvs.devices = {MvsCamera(0, "10.3.3.7", "255.255.0.0", "192.168.9.1")};
        mvs.calls.clear();
        QCOMPARE(EnsureDeviceReach(mvs, info), 0);
        QCOMPARE(mvs.calls, (QStringList{"create 0", "force 192.168.9.7 255.255.0.0 192.168.9.254", "destroy"}));

        mvs.devices = {MvsCamera(0, "192.168.2.10", "255.255.255.0", "192.168.1.5")};
        mvs.calls.clear();
        mvs.failForce = 0x80000106;
        GLogCapture glog;
        QCOMPARE(EnsureDeviceReach(mvs, info), 1);
        QCOMPARE(glog.lines(), QStringList{"1 MV_GIGE_ForceIpEx fail! nRet [80000106]"});
        QCOMPARE(mvs.calls.last(), QStringLiteral("destroy"));
        mvs.calls.clear();
        mvs.failForce = 0;
        mvs.failCreate = 0x80000004;
        QCOMPARE(EnsureDeviceReach(mvs, info), 1);
        QCOMPARE(mvs.calls, QStringList{"create 0"});
    }
};

MOJU_TEST_CORE_MAIN(TestGigeRepair)
#include "test_gige_repair.moc"
