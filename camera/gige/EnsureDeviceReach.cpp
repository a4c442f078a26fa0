#include "EnsureDeviceReach.h"

#include "GigeHostNet.h"
#include "foundation/GLog.h"
#include "platform/SystemActions.h"

#include <QtGlobal>

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
uint32_t HostOrder(const uint8_t b[4])
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

// The failure line on standard output, and the same in the application log.
void ForceFailed(const char* call, int ret)
{
    std::printf("1 %s fail! nRet [%x]\n", call, unsigned(ret));
    std::fflush(stdout);
    GLogInfo(QStringLiteral("1 %1 fail! nRet [%2]").arg(QLatin1String(call)).arg(unsigned(ret), 0, 16));
}

bool UsableInSubnet(uint32_t cand, uint32_t hostIp, uint32_t mask)
{
    if ((cand & mask) != (hostIp & mask) || cand == hostIp)
        return false;
    const uint32_t host = cand & ~mask;
    return host != 0 && host != ~mask;
}
}  // namespace

int GetNetInfo(_ALL_NET_INFO* info)
{
    std::memset(info, 0, sizeof(*info));
    std::vector<GigeHostIface> ifaces;
    if (!ListGigeInterfaces(&ifaces, kMaxNetInfo))
        return -1;
    for (const GigeHostIface& i : ifaces) {
        NetInfoEntry& n = info->net[info->count++];
        std::snprintf(n.name, sizeof(n.name), "%s", i.name.c_str());
        n.ip = HostOrder(i.ip);
        n.mask = HostOrder(i.mask);
    }
    return 0;
}

int GetMaskFromIp(uint32_t ip, uint32_t* mask, const _ALL_NET_INFO& info)
{
    int found = 0;
    for (int i = 0; i < info.count; ++i) {
        if (info.net[i].ip == ip) {
            *mask = info.net[i].mask;  // the last interface with that address wins
            found = 1;
        }
    }
    return found;
}

QString execCommand(const QStringList& argv)
{
    return QString::fromLocal8Bit(sysRun(argv).output);
}

uint32_t getIntIp(const char* text)
{
    return inet_addr(text);
}

char* getStrIp(unsigned long hostOrderIp, char* out)
{
    std::snprintf(out, 16, "%lu.%lu.%lu.%lu", (hostOrderIp >> 24) & 0xFF, (hostOrderIp >> 16) & 0xFF,
                  (hostOrderIp >> 8) & 0xFF, hostOrderIp & 0xFF);
    return out;
}

bool IsFreeIp(const char* text)
{
    in_addr a{};
    if (!text || inet_pton(AF_INET, text, &a) != 1)
        return false;
    const ActionResult r = sysRun({QStringLiteral("ping"), QStringLiteral("-c"), QStringLiteral("1"),
                                   QStringLiteral("-w"), QStringLiteral("1"), QString::fromLatin1(text)},
                                  5000);
    if (r.recorded)
        return true;   // no ping ran, so nothing answered
    if (r.exitCode == 0)
        return false;  // something answered
    if (r.exitCode == 1)
        return true;   // no reply
    qWarning("GigE: ping %s cannot run (exit %d); the address counts as free", text, r.exitCode);
    return true;
}

int DoForceIp(MvsIpSdk& sdk, const MvsGigeDeviceInfo& device, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    MvsIpSdk::Handle h = nullptr;
    int ret = sdk.createHandle(device, &h);
    if (ret != 0) {
        ForceFailed("MV_CC_CreateHandle", ret);
        return 0;
    }
    ret = sdk.forceIpEx(h, ip, mask, gateway);
    if (ret != 0) {
        ForceFailed("MV_GIGE_ForceIpEx", ret);
        sdk.destroyHandle(h);
        return 0;
    }
    ret = sdk.destroyHandle(h);
    if (ret != 0) {
        ForceFailed("MV_CC_DestroyHandle", ret);
        return 0;
    }
    return 1;
}

bool bChooseNoUseIp(uint32_t base, int start, uint32_t* ip, uint32_t hostIp, uint32_t mask)
{
    // A device at .0 or .255 starts from the nearest usable number.
    if (start < 1)
        start = 1;
    if (start > 254)
        start = 254;
    std::vector<int> order;
    for (int k = start; k <= 254; ++k)
        order.push_back(k);
    for (int k = start - 1; k >= 1; --k)
        order.push_back(k);
    bool tried = false;
    for (int k : order) {
        const uint32_t cand = base + uint32_t(k);
        if (!UsableInSubnet(cand, hostIp, mask))
            continue;
        char text[16];
        getStrIp(cand, text);
        *ip = cand;
        tried = true;
        const bool free = IsFreeIp(text);
        std::printf("nSetDeviceIp: %s, bFreeIp: %d\n", text, free ? 1 : 0);
        std::fflush(stdout);
        if (free)
            return true;
    }
    if (!tried)
        *ip = 0;
    return false;
}

int EnsureDeviceReach(MvsIpSdk& sdk)
{
    AllNetInfo info;
    if (GetNetInfo(&info) != 0)
        return -1;
    return EnsureDeviceReach(sdk, info);
}

int EnsureDeviceReach(MvsIpSdk& sdk, const _ALL_NET_INFO& info)
{
    if (info.count == 0)
        return -1;
    std::vector<MvsGigeDeviceInfo> devices;
    if (sdk.enumGigeDevices(&devices) != 0 || devices.empty())
        return 0;
    int handled = 0;
    int reachable = 0;
    for (const MvsGigeDeviceInfo& d : devices) {
        const uint32_t H = d.hostIp;
        uint32_t mask = 0;
        if (!GetMaskFromIp(H, &mask, info)) {
            // Cameras behind an interface the repair may not use are left alone.
            if (GigeAddressOnBlockedInterface(H))
                continue;
            mask = d.currentMask;
        }
        ++handled;
        if ((mask & d.currentIp) != (mask & H)) {
            const uint32_t B = H & 0xFFFFFF00u;
            uint32_t newIp = 0;
            if (bChooseNoUseIp(B, int(d.currentIp & 0xFF), &newIp, H, mask)
                && DoForceIp(sdk, d, newIp, mask, B + 254) == 1)
                ++reachable;
        } else if (sdk.isDeviceAccessibleExclusive(d)) {
            ++reachable;
        }
    }
    return handled - reachable;
}
