// Discovery and force IP on the wire. Everything runs in network namespaces
// this process creates for itself (a veth pair between its own namespace and
// the scripted camera's); without them the tests are skipped, so no packet
// ever reaches the host's interfaces.
#include "TestSupport.h"

#include "GvcpPeer.h"
#include "camera/gige/CGevDiscovery.h"
#include "camera/gige/CGevForceIp.h"
#include "camera/gige/CIpConfig.h"
#include "camera/gige/GigeTimings.h"
#include "camera/gige/GvcpPackets.h"
#include "platform/SystemActions.h"

#include <QStandardPaths>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

namespace {
bool gInOwnNamespace = false;
QString gNamespaceRefusal;

ino_t NetnsInode(const char* path)
{
    struct stat st {};
    return ::stat(path, &st) == 0 ? st.st_ino : 0;
}

bool SetUp(const char* name)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq r{};
    std::strncpy(r.ifr_name, name, IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &r) == 0;
    r.ifr_flags |= IFF_UP;
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &r) == 0;
    ::close(fd);
    return ok;
}

bool SetAddress(const char* name, const char* ip, const char* mask)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq r{};
    std::strncpy(r.ifr_name, name, IFNAMSIZ - 1);
    auto* a = reinterpret_cast<sockaddr_in*>(&r.ifr_addr);
    a->sin_family = AF_INET;
    inet_pton(AF_INET, ip, &a->sin_addr);
    bool ok = ::ioctl(fd, SIOCSIFADDR, &r) == 0;
    inet_pton(AF_INET, mask, &a->sin_addr);
    ok = ok && ::ioctl(fd, SIOCSIFNETMASK, &r) == 0;
    ::close(fd);
    return ok;
}

// Off-subnet answers are what this is about: no reverse-path filtering in
// the namespaces (written from the thread whose namespace it is).
void NoReversePathFilter(const char* iface)
{
    for (const std::string& n : {std::string("all"), std::string("default"), std::string(iface)}) {
        std::ofstream f("/proc/sys/net/ipv4/conf/" + n + "/rp_filter");
        f << "0";
    }
}

bool EnterOwnNamespace(QString* why)
{
    const ino_t before = NetnsInode("/proc/self/ns/net");
    if (::unshare(CLONE_NEWNET) != 0) {
        *why = QStringLiteral("cannot create a network namespace: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (before == 0 || NetnsInode("/proc/self/ns/net") == before) {
        *why = QStringLiteral("network namespace not confirmed");
        return false;
    }
    if (!SetUp("lo")) {
        *why = QStringLiteral("cannot bring up the namespace's loopback");
        return false;
    }
    return true;
}

uint32_t HostIp(const char* text)
{
    in_addr a{};
    inet_pton(AF_INET, text, &a);
    return ntohl(a.s_addr);
}

QString DottedHost(uint32_t v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v >> 24).arg((v >> 16) & 0xFF).arg((v >> 8) & 0xFF).arg(v & 0xFF);
}

// The scripted camera in a namespace of its own, joined to ours by a veth
// pair: `hostSide` here with hostIp/24, the camera's end over there.
class PeerNamespace {
public:
    ~PeerNamespace() { stop(); }

    bool start(const GvcpPeerConfig& base, const QString& hostSide, const char* hostIp,
               const QStringList& extraPeerAddresses, QString* why)
    {
        m_hostSide = hostSide;
        GvcpPeerConfig cfg = base;
        cfg.iface = (hostSide + QStringLiteral("p")).toStdString();
        std::promise<long> nsReady;
        std::future<long> nsFuture = nsReady.get_future();
        std::promise<void> linked;
        std::shared_future<void> linkedFuture = linked.get_future().share();
        std::promise<QString> serving;
        std::future<QString> servingFuture = serving.get_future();

        m_thread = std::thread([&, cfg, linkedFuture]() mutable {
            // Only this thread moves: the camera's sockets live over there.
            if (::unshare(CLONE_NEWNET) != 0) {
                nsReady.set_value(-1);
                return;
            }
            nsReady.set_value(long(::syscall(SYS_gettid)));
            linkedFuture.wait();
            NoReversePathFilter(cfg.iface.c_str());
            char ip[16], mask[16];
            in_addr a{htonl(cfg.ip)}, m{htonl(cfg.mask)};
            inet_ntop(AF_INET, &a, ip, sizeof(ip));
            inet_ntop(AF_INET, &m, mask, sizeof(mask));
            bool ok = SetAddress(cfg.iface.c_str(), ip, mask) && SetUp(cfg.iface.c_str());
            int alias = 1;
            for (const QString& extra : extraPeerAddresses) {
                const std::string label = cfg.iface + ":" + std::to_string(alias++);
                const QStringList p = extra.split(QLatin1Char('/'));
                ok = ok && SetAddress(label.c_str(), qPrintable(p[0]), qPrintable(p[1]));
            }
            m_peer = std::make_unique<GvcpPeer>(cfg);
            if (!ok) {
                serving.set_value(QStringLiteral("cannot configure the camera's interface"));
                return;
            }
            if (!m_peer->open()) {
                serving.set_value(QString::fromStdString(m_peer->error()));
                return;
            }
            serving.set_value(QString());
            m_peer->serve();
        });

        const long tid = nsFuture.get();
        if (tid < 0) {
            *why = QStringLiteral("no namespace for the camera");
            linked.set_value();
            m_thread.join();
            return false;
        }
        RealSystemActions real;
        const ActionResult r = real.run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("add"),
                                         hostSide, QStringLiteral("type"), QStringLiteral("veth"),
                                         QStringLiteral("peer"), QStringLiteral("name"),
                                         QString::fromStdString(cfg.iface), QStringLiteral("netns"),
                                         QString::number(tid)},
                                        10000);
        NoReversePathFilter("all");
        const bool hostOk = r.ok() && SetAddress(qPrintable(hostSide), hostIp, "255.255.255.0")
            && SetUp(qPrintable(hostSide));
        if (hostOk)
            NoReversePathFilter(qPrintable(hostSide));
        linked.set_value();
        const QString peerError = servingFuture.get();
        if (!r.ok() || !hostOk || !peerError.isEmpty()) {
            *why = !r.ok() ? QStringLiteral("cannot create the veth pair (ip exit %1)").arg(r.exitCode)
                           : !hostOk ? QStringLiteral("cannot configure %1").arg(hostSide) : peerError;
            stop();
            return false;
        }
        // Let both ends finish coming up before the first broadcast.
        QTest::qWait(200);
        return true;
    }

    void stop()
    {
        if (m_peer)
            m_peer->stop();
        if (m_thread.joinable())
            m_thread.join();
        if (!m_hostSide.isEmpty()) {
            RealSystemActions().run({QStringLiteral("ip"), QStringLiteral("link"), QStringLiteral("del"), m_hostSide},
                                    10000);
            m_hostSide.clear();
        }
    }

    GvcpPeer& peer() { return *m_peer; }

private:
    std::thread m_thread;
    std::unique_ptr<GvcpPeer> m_peer;
    QString m_hostSide;
};

GvcpPeerConfig Camera(uint16_t status = 0, bool answers = true)
{
    GvcpPeerConfig c;
    const uint8_t mac[6] = {0x02, 0x00, 0x5E, 0x10, 0x00, 0x42};
    std::memcpy(c.mac, mac, 6);
    c.ip = HostIp("172.16.0.9");
    c.mask = HostIp("255.255.0.0");
    c.gateway = HostIp("172.16.0.1");
    c.model = "MV-TEST";
    c.serial = "SN0042";
    c.manufacturerInfo = "F622 scripted";
    c.forceIpStatus = status;
    c.answerForceIp = answers;
    return c;
}

QList<int> LastBytes(std::initializer_list<int> bytes)
{
    QList<int> r;
    for (int b : bytes)
        r << 0 << 0 << 0 << (b - 10);
    return r;
}
}  // namespace

class TestGigeNetns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        GigeTimings::recvWaitMs = 50;
        GigeTimings::discoveryWaitMs = 500;
        GigeTimings::arpWaitMs = 500;
    }

    void init()
    {
        if (!gInOwnNamespace)
            QSKIP(qPrintable(gNamespaceRefusal));
    }

    void cleanup() { qunsetenv("MOJU_GIGE_IFACES"); }

    void loopbackOnlyFindsNoInterfaceAndSendsNothing()
    {
        const int sniff = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(sniff, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(kGvcpPort);
        QCOMPARE(::bind(sniff, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);

        qputenv("MOJU_GIGE_IFACES", "lo,gvnone");
        QCOMPARE(RepairAllCameraIP(), -1);
        qunsetenv("MOJU_GIGE_IFACES");
        QCOMPARE(RepairAllCameraIP(), -1);

        pollfd p{sniff, POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 300), 0);
        ::close(sniff);
    }

    void parserReadsAravisFakeCamera()
    {
        const QString fake = QStandardPaths::findExecutable(QStringLiteral("arv-fake-gv-camera-0.8"));
        if (fake.isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 (Debian aravis-tools) is not installed");
        // The fake camera answers on this namespace's loopback until killed.
        std::thread runner([fake] {
            RealSystemActions().run({fake, QStringLiteral("-i"), QStringLiteral("127.0.0.1"), QStringLiteral("-s"),
                                     QStringLiteral("GVTEST01")},
                                    2500);
        });
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kGvcpPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        uint8_t cmd[8];
        WriteGvcpHead(cmd, GVCP_DISCOVERY_CMD, 0, kGvcpFlagAck, 7);
        gvcp_discovery_ack_s ack;
        bool got = false;
        for (int i = 0; i < 20 && !got; ++i) {
            ::sendto(fd, cmd, sizeof(cmd), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                uint8_t buf[kGvcpRecvBufLen];
                const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
                got = n > 0 && ParseDiscoveryAck(buf, size_t(n), &ack);
            }
        }
        ::close(fd);
        runner.join();
        QVERIFY2(got, "no discovery acknowledge from the fake camera");
        GvcpAckHeader h;
        QVERIFY(ParseGvcpAckHeader(reinterpret_cast<const uint8_t*>(&ack), sizeof(ack), &h));
        QCOMPARE(h.ackId, uint16_t(7));
        QCOMPARE(h.status, uint16_t(0));
        QCOMPARE(DiscoveryAckModel(ack), std::string("Fake"));
        QCOMPARE(DiscoveryAckSerial(ack), std::string("GVTEST01"));
        QCOMPARE(DiscoveryAckManufacturer(ack), std::string("Aravis"));
        const uint8_t loopback[4] = {127, 0, 0, 1};
        QCOMPARE(std::memcmp(ack.currentIp, loopback, 4), 0);
    }

    void offSubnetCameraIsMovedIntoTheSubnet()
    {
        PeerNamespace ns;
        QString why;
        if (!ns.start(Camera(), QStringLiteral("gva"), "192.168.7.1", {}, &why))
            QSKIP(qPrintable(why));
        qputenv("MOJU_GIGE_IFACES", "gva");
        QCOMPARE(RepairAllCameraIP(), 1);
        QVERIFY(ns.peer().discoveries() >= 1);
        const auto sent = ns.peer().forceIps();
        QCOMPARE(int(sent.size()), 1);
        const GvcpPeerForceIp& f = sent[0];
        QCOMPARE(int(f.flags), 0x11);
        QCOMPARE(std::memcmp(f.mac, Camera().mac, 6), 0);
        QCOMPARE(f.ip & 0xFFFFFF00u, HostIp("192.168.7.0"));
        QVERIFY2((f.ip & 0xFF) >= 10 && (f.ip & 0xFF) <= 254 && (f.ip & 0xFF) != 1, qPrintable(DottedHost(f.ip)));
        QCOMPARE(DottedHost(f.mask), QStringLiteral("255.255.255.0"));
        QCOMPARE(f.gateway, 0u);
        QCOMPARE(int(f.byte26), 0);
        QCOMPARE(int(f.byte27), 1);

        // Now inside the subnet: nothing more to do.
        QCOMPARE(RepairAllCameraIP(), 0);
        QCOMPARE(int(ns.peer().forceIps().size()), 1);
    }

    void addressAnsweredByArpIsSkipped()
    {
        PeerNamespace ns;
        QString why;
        if (!ns.start(Camera(), QStringLiteral("gvb"), "192.168.7.1", {QStringLiteral("192.168.7.50/255.255.255.0")},
                      &why))
            QSKIP(qPrintable(why));
        qputenv("MOJU_GIGE_IFACES", "gvb");
        {
            CIpConfig c;
            QCOMPARE(c.DeviceEnumeInit(), 1);
            QCOMPARE(c.RefreshDevList(), 1);
            QVERIFY(!c.IsDevIPValid(0));
            const QList<int> draws = LastBytes({50, 60});
            int next = 0;
            c.setRandom([&] { return draws[next++ % draws.size()]; });
            QVERIFY(c.AutoSetIpAddr(0));
        }
        auto sent = ns.peer().forceIps();
        QCOMPARE(int(sent.size()), 1);
        QCOMPARE(DottedHost(sent[0].ip), QStringLiteral("192.168.7.60"));
        {
            // Every candidate taken: nothing goes out.
            CIpConfig c;
            QCOMPARE(c.DeviceEnumeInit(), 1);
            QCOMPARE(c.RefreshDevList(), 1);
            c.setRandom([] { return 40; });
            QVERIFY(!c.AutoSetIpAddr(0));
        }
        QCOMPARE(int(ns.peer().forceIps().size()), 1);
    }

    void threadedDiscoveryFollowsTheCamera()
    {
        PeerNamespace ns;
        QString why;
        if (!ns.start(Camera(), QStringLiteral("gve"), "192.168.7.1", {}, &why))
            QSKIP(qPrintable(why));
        const int tick = GigeTimings::threadTickMs;
        GigeTimings::threadTickMs = 20;  // a discovery every 200 ms
        std::vector<gvcp_discovery_ack_s> list(kMaxDiscoveryDevices);
        {
            CGevDiscovery d("F622", HostIp("192.168.7.1"), true);
            QTRY_COMPARE_WITH_TIMEOUT(d.GetDiscoveryList(list.data()), 1, 2000);
            QCOMPARE(DiscoveryAckSerial(list[0]), std::string("SN0042"));
            QTRY_VERIFY_WITH_TIMEOUT(ns.peer().discoveries() >= 3, 2000);
            QCOMPARE(d.GetDiscoveryList(list.data()), 1);  // answers refresh the one entry
            ns.stop();
            // Silent for more than three seconds: dropped.
            QTRY_COMPARE_WITH_TIMEOUT(d.GetDiscoveryList(list.data()), 0, 5000);
        }
        GigeTimings::threadTickMs = tick;
    }

    void refusedForceIpIsNotRepeated()
    {
        PeerNamespace ns;
        QString why;
        if (!ns.start(Camera(0x8001), QStringLiteral("gvc"), "192.168.7.1", {}, &why))
            QSKIP(qPrintable(why));
        const uint8_t ip[4] = {192, 168, 7, 20}, mask[4] = {255, 255, 255, 0}, gw[4] = {0, 0, 0, 0};
        CGevForceIp f(HostIp("192.168.7.1"));
        QCOMPARE(f.GevSetForceIpCustom(Camera().mac, ip, mask, gw, 0, 1, true), 0);
        QCOMPARE(int(ns.peer().forceIps().size()), 1);
    }

    void unansweredForceIpIsSentFourTimes()
    {
        PeerNamespace ns;
        QString why;
        if (!ns.start(Camera(0, false), QStringLiteral("gvd"), "192.168.7.1", {}, &why))
            QSKIP(qPrintable(why));
        const int polls = GigeTimings::forceIpPolls;
        GigeTimings::forceIpPolls = 3;
        const uint8_t ip[4] = {192, 168, 7, 20}, mask[4] = {255, 255, 255, 0}, gw[4] = {0, 0, 0, 0};
        CGevForceIp f(HostIp("192.168.7.1"));
        const int r = f.GevSetForceIpCustom(Camera().mac, ip, mask, gw, 0, 1, true);
        GigeTimings::forceIpPolls = polls;
        QCOMPARE(r, 0);
        QTRY_COMPARE(int(ns.peer().forceIps().size()), 4);
        const auto sent = ns.peer().forceIps();
        for (const GvcpPeerForceIp& s : sent)
            QCOMPARE(s.requestId, sent[0].requestId);
        // Without an acknowledge request one send is the whole story.
        QCOMPARE(f.GevSetForceIpCustom(Camera().mac, ip, mask, gw, 0, 1, false), 1);
        QTRY_COMPARE(int(ns.peer().forceIps().size()), 5);
        QCOMPARE(int(ns.peer().forceIps().back().flags), 0x10);
    }
};

int main(int argc, char** argv)
{
    // Before any thread exists, so that every later thread starts in here.
    gInOwnNamespace = EnterOwnNamespace(&gNamespaceRefusal);
    QCoreApplication app(argc, argv);
    TestGigeNetns tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "test_gige_netns.moc"
