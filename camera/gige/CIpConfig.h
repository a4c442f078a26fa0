#pragma once
// Working state of the start-up GVCP address repair: the host's interfaces,
// one discovery per interface and the devices they found.
#include "GvcpPackets.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CGevDiscovery;
class CGevForceIp;

constexpr int kMaxRepairInterfaces = 32;
constexpr int kMaxRepairDevices = 8000;
constexpr int kDevInfoLen = 576;  // nine 64-byte text fields

struct CIpConfigIface {
    char name[256] = {};
    uint8_t mac[6] = {};
    uint8_t ip[4] = {};    // network order
    uint8_t mask[4] = {};  // network order
};

class CIpConfig {
public:
    // Address probe: 0 when `ip` is in use (addresses in network order).
    using ArpProbe = std::function<int(uint32_t ip, uint32_t fromIp, const uint8_t* fromMac, const char* ifName)>;
    // Sends the custom force IP from the interface `iface`; 1 on an acknowledged success.
    using ForceIpSender = std::function<int(const CIpConfigIface& iface, const uint8_t mac[6], const uint8_t ip[4],
                                            const uint8_t mask[4], const uint8_t gateway[4])>;

    CIpConfig();
    ~CIpConfig();
    CIpConfig(const CIpConfig&) = delete;
    CIpConfig& operator=(const CIpConfig&) = delete;

    int DeviceEnumeInit();
    bool Init();
    int RefreshDevList();
    int GetDeviceList(gvcp_discovery_ack_s* out) const;
    bool IsDevIPValid(int dev) const;
    bool AutoSetIpAddr(int dev);
    bool SetIpAddr(int dev, const char* ip, const char* mask, const char* gateway);
    bool GetDevInfo(int dev, char out[kDevInfoLen]) const;

    int interfaceCount() const { return int(m_ifaces.size()); }
    int deviceCount() const { return int(m_devices.size()); }
    const CIpConfigIface& interfaceAt(int i) const { return m_ifaces[size_t(i)]; }

    // Seams for tests: interfaces and devices without a network, and the
    // probe, sender and random source the address choice uses.
    void addInterface(const CIpConfigIface& iface) { m_ifaces.push_back(iface); }
    void addDevice(const gvcp_discovery_ack_s& ack, int iface);
    void setArpProbe(ArpProbe probe) { m_probe = std::move(probe); }
    void setForceIpSender(ForceIpSender sender) { m_sender = std::move(sender); }
    void setRandom(std::function<int()> random) { m_random = std::move(random); }

private:
    int sendForceIp(const CIpConfigIface& iface, const uint8_t mac[6], const uint8_t ip[4],
                    const uint8_t mask[4], const uint8_t gateway[4]);
    void deleteDiscoveries();

    std::vector<std::unique_ptr<CGevDiscovery>> m_discoveries;
    std::unique_ptr<CGevForceIp> m_forceIp;
    std::vector<gvcp_discovery_ack_s> m_devices;
    std::vector<int> m_deviceIface;
    std::vector<CIpConfigIface> m_ifaces;
    ArpProbe m_probe;
    ForceIpSender m_sender;
    std::function<int()> m_random;
};

// Readdresses every "F622" device that sits outside the subnet of the
// interface it answered on: the number readdressed, 0 when none was, -1
// when no usable interface exists.
int RepairAllCameraIP();
// The per-device part of it, on a filled configuration.
int RepairListedDevices(CIpConfig& config);

// "a.b.c.d", each part 0..255, into network-order bytes; 1 on success.
int GetIpFromString(const char* text, uint8_t out[4]);
