#pragma once
// Makes the MVS SDK's GigE cameras reachable: a camera outside the subnet of
// the host interface it was found through gets a free address inside it.
#include "MvsIpSdk.h"

#include <QStringList>

#include <cstdint>

constexpr int kMaxNetInfo = 64;

struct NetInfoEntry {
    char name[256];
    uint32_t ip;    // host byte order
    uint32_t mask;  // host byte order
};

struct AllNetInfo {
    int count;
    NetInfoEntry net[kMaxNetInfo];
};
// The repair's published interface names the list _ALL_NET_INFO; that name is
// kept only on the functions below that carry it.
using _ALL_NET_INFO = AllNetInfo;

// Number of MVS GigE cameras still not reachable; 0 when there is none; -1
// when no host interface may be used.
int EnsureDeviceReach(MvsIpSdk& sdk);
// The same over a given interface list.
int EnsureDeviceReach(MvsIpSdk& sdk, const _ALL_NET_INFO& info);

// The IPv4 interfaces the repair may use; 0 on success, -1 on failure.
int GetNetInfo(_ALL_NET_INFO* info);
// 1 when an interface has `ip`; its mask goes to `mask`.
int GetMaskFromIp(uint32_t ip, uint32_t* mask, const _ALL_NET_INFO& info);
// Standard output of a program run through the system-action layer.
QString execCommand(const QStringList& argv);
// True when nothing answers a ping to the dotted address.
bool IsFreeIp(const char* text);
uint32_t getIntIp(const char* text);
char* getStrIp(unsigned long hostOrderIp, char* out);
// 1 when the camera took the address (host byte order).
int DoForceIp(MvsIpSdk& sdk, const MvsGigeDeviceInfo& device, uint32_t ip, uint32_t mask, uint32_t gateway);
// First free address base+k for k = start..254, then start-1..1, inside the
// subnet of `hostIp`/`mask` and neither its network nor broadcast address.
bool bChooseNoUseIp(uint32_t base, int start, uint32_t* ip, uint32_t hostIp, uint32_t mask);
