#include "GvcpPeer.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
void Put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
uint16_t Get16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}
uint32_t Get32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
void PutText(uint8_t* p, size_t field, const std::string& s)
{
    std::memcpy(p, s.data(), s.size() < field ? s.size() : field);
}
}  // namespace

GvcpPeer::GvcpPeer(const GvcpPeerConfig& config)
    : m_cfg(config)
    , m_ip(config.ip)
{
}

GvcpPeer::~GvcpPeer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool GvcpPeer::open()
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (!m_cfg.iface.empty()
        && ::setsockopt(m_fd, SOL_SOCKET, SO_BINDTODEVICE, m_cfg.iface.c_str(), socklen_t(m_cfg.iface.size())) != 0) {
        m_error = std::string("bind to device: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(3956);
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        m_error = std::string("bind: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void GvcpPeer::serve(int seconds)
{
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (!m_stop) {
        if (seconds > 0) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (now.tv_sec - start.tv_sec >= seconds)
                break;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        uint8_t buf[1500];
        sockaddr_in from{};
        socklen_t fl = sizeof(from);
        const ssize_t n = ::recvfrom(m_fd, buf, sizeof(buf), 0, reinterpret_cast<sockaddr*>(&from), &fl);
        if (n > 0)
            handle(buf, size_t(n), ntohs(from.sin_port));
    }
}

std::vector<GvcpPeerForceIp> GvcpPeer::forceIps() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_forceIps;
}

void GvcpPeer::reply(const uint8_t* data, size_t len, uint16_t port)
{
    // Answers go out by broadcast, as the command's flags allow.
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    ::sendto(m_fd, data, len, 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
}

void GvcpPeer::handle(const uint8_t* d, size_t len, uint16_t srcPort)
{
    if (len < 8 || d[0] != 0x42)
        return;
    const uint16_t cmd = Get16(d + 2);
    const uint16_t id = Get16(d + 6);
    if (cmd == 0x0002) {
        ++m_discoveries;
        uint8_t a[256] = {};
        Put16(a + 2, 0x0003);
        Put16(a + 4, 248);
        Put16(a + 6, id);
        Put16(a + 8, 1);  // version 1.2
        Put16(a + 10, 2);
        std::memcpy(a + 18, m_cfg.mac, 6);
        Put32(a + 44, m_ip);
        Put32(a + 60, m_cfg.mask);
        Put32(a + 76, m_cfg.gateway);
        PutText(a + 80, 32, "PeerWorks");
        PutText(a + 112, 32, m_cfg.model);
        PutText(a + 176, 48, m_cfg.manufacturerInfo);
        PutText(a + 224, 16, m_cfg.serial);
        reply(a, sizeof(a), srcPort);
        return;
    }
    if (cmd == 0xF008 && len >= 28) {
        if (std::memcmp(d + 8, m_cfg.mac, 6) != 0)
            return;
        GvcpPeerForceIp f;
        f.requestId = id;
        f.flags = d[1];
        std::memcpy(f.mac, d + 8, 6);
        f.ip = Get32(d + 14);
        f.mask = Get32(d + 18);
        f.gateway = Get32(d + 22);
        f.byte26 = d[26];
        f.byte27 = d[27];
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_forceIps.push_back(f);
        }
        if (!m_cfg.answerForceIp)
            return;
        if (m_cfg.forceIpStatus == 0) {
            // Takes the new address at once, as the cameras do.
            m_ip = f.ip;
            m_cfg.mask = f.mask;
            m_cfg.gateway = f.gateway;
        }
        if (d[1] & 0x01) {
            uint8_t a[8];
            Put16(a, m_cfg.forceIpStatus);
            Put16(a + 2, 0xF009);
            Put16(a + 4, 0);
            Put16(a + 6, id);
            reply(a, sizeof(a), srcPort);
        }
    }
}
