#include "CIpConfig.h"

#include "CGevDiscovery.h"
#include "CGevForceIp.h"
#include "GigeHostNet.h"
#include "GigeTimings.h"

#include <QtGlobal>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
const char kDiscoveryFilter[] = "F622";
constexpr int kAddressTries = 5;
constexpr int kCandidateDraws = 100;

uint32_t Be32(const uint8_t b[4])
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

void PutBe32(uint8_t b[4], uint32_t v)
{
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
}

uint32_t NetOrder(const uint8_t b[4])
{
    uint32_t v;
    std::memcpy(&v, b, 4);
    return v;
}

bool SkippedAddress(const uint8_t ip[4])
{
    if (ip[0] == 0 || ip[0] == 255)
        return true;
    const uint32_t v = Be32(ip);
    return v == 0x7F000001u || v == 0xE0000001u;
}

std::string Dotted(const uint8_t b[4])
{
    char t[16];
    std::snprintf(t, sizeof(t), "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    return t;
}
}  // namespace

int GetIpFromString(const char* text, uint8_t out[4])
{
    if (!text)
        return 0;
    // Exactly four parts of 1 to 3 ASCII digits, each 0-255, nothing else: a
    // number read with overflow or a sign must never pass for an address.
    uint8_t parts[4];
    const char* c = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *c++ != '.')
            return 0;
        int value = 0;
        int digits = 0;
        while (*c >= '0' && *c <= '9' && digits < 4) {
            value = value * 10 + (*c++ - '0');
            ++digits;
        }
        if (digits < 1 || digits > 3 || value > 255)
            return 0;
        parts[i] = uint8_t(value);
    }
    if (*c != '\0')
        return 0;
    for (int i = 0; i < 4; ++i)
        out[i] = parts[i];
    return 1;
}

CIpConfig::CIpConfig()
{
    m_probe = arpping;
}

CIpConfig::~CIpConfig()
{
    // Joins every receive thread before the lists go away.
    deleteDiscoveries();
}

void CIpConfig::deleteDiscoveries()
{
    m_discoveries.clear();
}

int CIpConfig::DeviceEnumeInit()
{
    deleteDiscoveries();
    m_ifaces.clear();
    std::vector<GigeHostIface> host;
    if (!ListGigeInterfaces(&host, 1024))
        qWarning("GigE: cannot read the host interfaces");
    for (const GigeHostIface& h : host) {
        if (m_ifaces.size() >= size_t(kMaxRepairInterfaces))
            break;
        if (SkippedAddress(h.ip))
            continue;
        CIpConfigIface i;
        std::snprintf(i.name, sizeof(i.name), "%s", h.name.c_str());
        std::memcpy(i.mac, h.mac, 6);
        std::memcpy(i.ip, h.ip, 4);
        std::memcpy(i.mask, h.mask, 4);
        m_ifaces.push_back(i);
    }
    for (const CIpConfigIface& i : m_ifaces)
        m_discoveries.push_back(std::make_unique<CGevDiscovery>(kDiscoveryFilter, Be32(i.ip), false));
    return int(m_ifaces.size());
}

bool CIpConfig::Init()
{
    return DeviceEnumeInit() > 0;
}

void CIpConfig::addDevice(const gvcp_discovery_ack_s& ack, int iface)
{
    if (m_devices.size() >= size_t(kMaxRepairDevices))
        return;
    m_devices.push_back(ack);
    m_deviceIface.push_back(iface);
}

int CIpConfig::RefreshDevList()
{
    m_devices.clear();
    m_deviceIface.clear();
    if (m_discoveries.empty())
        return 0;
    for (auto& d : m_discoveries)
        d->SendDiscovery();
    std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::discoveryWaitMs));
    std::vector<gvcp_discovery_ack_s> list(kMaxDiscoveryDevices);
    for (size_t i = 0; i < m_discoveries.size(); ++i) {
        const int n = m_discoveries[i]->GetDiscoveryList(list.data());
        for (int k = 0; k < n; ++k)
            addDevice(list[size_t(k)], int(i));
    }
    return int(m_devices.size());
}

int CIpConfig::GetDeviceList(gvcp_discovery_ack_s* out) const
{
    for (size_t i = 0; i < m_devices.size(); ++i)
        out[i] = m_devices[i];
    return int(m_devices.size());
}

bool CIpConfig::IsDevIPValid(int dev) const
{
    if (dev < 0 || size_t(dev) >= m_devices.size())
        return false;
    const int ifi = m_deviceIface[size_t(dev)];
    if (ifi < 0 || size_t(ifi) >= m_ifaces.size())
        return false;
    const CIpConfigIface& iface = m_ifaces[size_t(ifi)];
    const gvcp_discovery_ack_s& d = m_devices[size_t(dev)];
    const uint32_t hostIp = Be32(iface.ip);
    const uint32_t devIp = Be32(d.currentIp);
    if (devIp == hostIp)
        return false;
    return (hostIp & Be32(iface.mask)) == (devIp & Be32(d.currentMask));
}

bool CIpConfig::AutoSetIpAddr(int dev)
{
    if (dev < 0 || size_t(dev) >= m_devices.size())
        return false;
    const int ifi = m_deviceIface[size_t(dev)];
    if (ifi < 0 || size_t(ifi) >= m_ifaces.size())
        return false;
    const CIpConfigIface& iface = m_ifaces[size_t(ifi)];
    const gvcp_discovery_ack_s& d = m_devices[size_t(dev)];
    const uint32_t I = Be32(iface.ip);
    const uint32_t M = Be32(iface.mask);
    if (!m_random) {
        std::srand(GetTickCount());
        m_random = [] { return std::rand(); };
    }

    uint32_t chosen = 0;
    bool free = false;
    for (int t = 0; t < kAddressTries && !free; ++t) {
        bool have = false;
        uint32_t cand = 0;
        for (int k = 0; k < kCandidateDraws; ++k) {
            uint32_t r = 0;
            for (int b = 0; b < 4; ++b)
                r = (r << 8) | uint32_t(m_random() % 245 + 10);
            cand = (r & ~M) | (I & M);
            const uint32_t host = cand & ~M;
            // Neither the interface itself nor the subnet's network or broadcast address.
            if (cand != I && host != 0 && host != ~M) {
                have = true;
                break;
            }
        }
        if (!have)
            continue;
        uint8_t c[4];
        PutBe32(c, cand);
        if (m_probe(NetOrder(c), NetOrder(iface.ip), iface.mac, iface.name) != 0) {
            chosen = cand;
            free = true;
        } else {
            qInfo("GigE: %s is in use, trying another address", Dotted(c).c_str());
        }
    }
    if (!free) {
        qWarning("GigE: no free address for the device at %s on %s", Dotted(d.currentIp).c_str(), iface.name);
        return false;
    }
    uint8_t ip[4];
    PutBe32(ip, chosen);
    const uint8_t gateway[4] = {0, 0, 0, 0};
    std::printf("GigE: device %s -> %s on %s\n", Dotted(d.currentIp).c_str(), Dotted(ip).c_str(), iface.name);
    std::fflush(stdout);
    return sendForceIp(iface, d.mac, ip, iface.mask, gateway) == 1;
}

int CIpConfig::sendForceIp(const CIpConfigIface& iface, const uint8_t mac[6], const uint8_t ip[4],
                           const uint8_t mask[4], const uint8_t gateway[4])
{
    if (m_sender)
        return m_sender(iface, mac, ip, mask, gateway);
    m_forceIp = std::make_unique<CGevForceIp>(Be32(iface.ip));
    return m_forceIp->GevSetForceIpCustom(mac, ip, mask, gateway, 0, 1, true);
}

bool CIpConfig::SetIpAddr(int dev, const char* ip, const char* mask, const char* gateway)
{
    if (dev < 0 || size_t(dev) >= m_devices.size())
        return false;
    const int ifi = m_deviceIface[size_t(dev)];
    if (ifi < 0 || size_t(ifi) >= m_ifaces.size())
        return false;
    uint8_t a[4], m[4], g[4];
    if (!GetIpFromString(ip, a) || !GetIpFromString(mask, m) || !GetIpFromString(gateway, g))
        return false;
    return sendForceIp(m_ifaces[size_t(ifi)], m_devices[size_t(dev)].mac, a, m, g) == 1;
}

bool CIpConfig::GetDevInfo(int dev, char out[kDevInfoLen]) const
{
    if (dev < 0 || size_t(dev) >= m_devices.size())
        return false;
    const gvcp_discovery_ack_s& d = m_devices[size_t(dev)];
    std::memset(out, 0, kDevInfoLen);
    char* f = out;
    auto field = [&f](int i) { return f + i * 64; };
    std::snprintf(field(0), 64, "%s", Dotted(d.currentIp).c_str());
    std::snprintf(field(1), 64, "%s", Dotted(d.currentMask).c_str());
    std::snprintf(field(2), 64, "%s", Dotted(d.gateway).c_str());
    std::snprintf(field(3), 64, "%02X-%02X-%02X-%02X-%02X-%02X", d.mac[0], d.mac[1], d.mac[2], d.mac[3],
                  d.mac[4], d.mac[5]);
    std::snprintf(field(4), 64, "%s", DiscoveryAckVendorText(d).c_str());
    std::snprintf(field(5), 64, "%s", DiscoveryAckModel(d).c_str());
    std::snprintf(field(6), 64, "%s", DiscoveryAckSerial(d).c_str());
    std::snprintf(field(7), 64, "%s", DiscoveryAckLinkSpeed(d));
    std::snprintf(field(8), 64, "%s", DiscoveryAckIdle(d) ? "IDLE" : "BUSY");
    return true;
}

int RepairListedDevices(CIpConfig& config)
{
    int repaired = 0;
    for (int i = 0; i < config.deviceCount(); ++i) {
        if (!config.IsDevIPValid(i) && config.AutoSetIpAddr(i))
            ++repaired;
    }
    return repaired;
}

int RepairAllCameraIP()
{
    auto config = std::make_unique<CIpConfig>();
    if (config->DeviceEnumeInit() <= 0)
        return -1;
    if (config->RefreshDevList() <= 0)
        return 0;
    return RepairListedDevices(*config);
}
