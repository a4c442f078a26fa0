#include "GigeHostNet.h"

#include "GigeTimings.h"
#include "platform/DevicePaths.h"

#include <QtGlobal>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr uint16_t kEthArp = 0x0806;

long long NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

void ReadMac(const char* name, uint8_t mac[6])
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    ifreq req{};
    std::strncpy(req.ifr_name, name, IFNAMSIZ - 1);
    if (::ioctl(fd, SIOCGIFHWADDR, &req) == 0)
        std::memcpy(mac, req.ifr_hwaddr.sa_data, 6);
    ::close(fd);
}
}  // namespace

bool GigeInterfaceAllowed(const std::string& name)
{
    bool allowAll = false;
    const QStringList allowed = DevicePaths::gigeInterfaces(&allowAll);
    if (allowAll)
        return true;
    const QString n = QString::fromStdString(name);
    const QString base = n.section(QLatin1Char(':'), 0, 0);
    return allowed.contains(n) || allowed.contains(base);
}

bool ListGigeInterfaces(std::vector<GigeHostIface>* out, size_t max)
{
    out->clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    for (ifaddrs* a = list; a && out->size() < max; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name)
            continue;
        if (!GigeInterfaceAllowed(a->ifa_name))
            continue;
        GigeHostIface i;
        i.name = a->ifa_name;
        std::memcpy(i.ip, &reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr, 4);
        if (a->ifa_netmask)
            std::memcpy(i.mask, &reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr, 4);
        ReadMac(a->ifa_name, i.mac);
        out->push_back(i);
    }
    ::freeifaddrs(list);
    return true;
}

bool GigeAddressOnBlockedInterface(uint32_t hostOrderIp)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return true;  // unknown: stay off
    bool blocked = false;
    for (ifaddrs* a = list; a && !blocked; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name)
            continue;
        const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        blocked = ip == hostOrderIp && !GigeInterfaceAllowed(a->ifa_name);
    }
    ::freeifaddrs(list);
    return blocked;
}

void BuildArpRequest(uint8_t frame[60], uint32_t ip, uint32_t fromIp, const uint8_t* fromMac)
{
    std::memset(frame, 0, 60);
    std::memset(frame, 0xFF, 6);
    std::memcpy(frame + 6, fromMac, 6);
    frame[12] = kEthArp >> 8;
    frame[13] = kEthArp & 0xFF;
    uint8_t* arp = frame + 14;
    arp[0] = 0;  // hardware: Ethernet
    arp[1] = 1;
    arp[2] = 0x08;  // protocol: IPv4
    arp[3] = 0x00;
    arp[4] = 6;
    arp[5] = 4;
    arp[6] = 0;  // request
    arp[7] = 1;
    std::memcpy(arp + 8, fromMac, 6);
    std::memcpy(arp + 14, &fromIp, 4);
    std::memcpy(arp + 24, &ip, 4);
}

bool IsArpReplyFrom(const uint8_t* frame, size_t len, uint32_t ip, const uint8_t* ourMac)
{
    if (len < 42)
        return false;
    if (frame[12] != (kEthArp >> 8) || frame[13] != (kEthArp & 0xFF))
        return false;
    const uint8_t* arp = frame + 14;
    if (arp[6] != 0 || arp[7] != 2)
        return false;
    return std::memcmp(arp + 14, &ip, 4) == 0 && std::memcmp(arp + 18, ourMac, 6) == 0;
}

int arpping(uint32_t ip, uint32_t fromIp, const uint8_t* fromMac, const char* ifName)
{
    const int fd = ::socket(PF_PACKET, SOCK_PACKET | SOCK_CLOEXEC, htons(kEthArp));
    if (fd < 0) {
        qWarning("GigE: ARP probe on %s cannot run (%s); the address counts as free", ifName,
                 std::strerror(errno));
        return 1;
    }
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) {
        qWarning("GigE: ARP probe on %s cannot run (%s); the address counts as free", ifName,
                 std::strerror(errno));
        ::close(fd);
        return 1;
    }
    uint8_t frame[60];
    BuildArpRequest(frame, ip, fromIp, fromMac);
    // Frames go out of the device itself, never out of an alias label.
    const std::string device = std::string(ifName).substr(0, std::string(ifName).find(':'));
    sockaddr addr{};
    std::strncpy(addr.sa_data, device.c_str(), sizeof(addr.sa_data) - 1);
    if (::sendto(fd, frame, sizeof(frame), 0, &addr, sizeof(addr)) != ssize_t(sizeof(frame))) {
        qWarning("GigE: ARP request on %s failed: %s", ifName, std::strerror(errno));
        ::close(fd);
        return 0;
    }
    int result = 1;
    const long long deadline = NowMs() + GigeTimings::arpWaitMs;
    for (;;) {
        const long long left = deadline - NowMs();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            result = 0;
            break;
        }
        if (r == 0)
            break;
        uint8_t buf[1500];
        const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
        if (n > 0 && IsArpReplyFrom(buf, size_t(n), ip, fromMac)) {
            result = 0;
            break;
        }
    }
    ::close(fd);
    return result;
}
