#pragma once
// The host's IPv4 interfaces that GigE address repair may touch, and the
// ARP probe it uses before handing an address to a camera.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GigeHostIface {
    std::string name;
    uint8_t mac[6] = {};
    uint8_t ip[4] = {};    // network order
    uint8_t mask[4] = {};  // network order
};

// True when MOJU_GIGE_IFACES (or a panel build without it) lets the repair
// use interface `name` ("eth0:1" counts as "eth0").
bool GigeInterfaceAllowed(const std::string& name);

// True when a host interface has `hostOrderIp` but MOJU_GIGE_IFACES keeps
// the repair off it.
bool GigeAddressOnBlockedInterface(uint32_t hostOrderIp);

// Allowed IPv4 interfaces in getifaddrs order, at most `max`; false when the
// interface list cannot be read.
bool ListGigeInterfaces(std::vector<GigeHostIface>* out, size_t max);

// ARP request for `ip` from `fromIp` (both network order) out of `ifName`.
// 0 when some host answers (the address is in use), non-zero otherwise.
int arpping(uint32_t ip, uint32_t fromIp, const uint8_t* fromMac, const char* ifName);

// The 60-byte request frame `arpping` sends.
void BuildArpRequest(uint8_t frame[60], uint32_t ip, uint32_t fromIp, const uint8_t* fromMac);
// True when `frame` is a reply from `ip` addressed to `ourMac`.
bool IsArpReplyFrom(const uint8_t* frame, size_t len, uint32_t ip, const uint8_t* ourMac);
