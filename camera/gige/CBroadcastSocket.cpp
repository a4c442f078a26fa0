#include "CBroadcastSocket.h"

#include "GigeTimings.h"

#include <QtGlobal>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace {
constexpr int kMaxBindAttempts = 1000;

int OpenBroadcastUdp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool BindTo(int fd, uint32_t hostOrderIp, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(hostOrderIp);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof(a)) == 0;
}

uint16_t DrawPort(std::minstd_rand& rng)
{
    uint16_t p;
    do
        p = uint16_t(rng() & 0xFFFF);
    while (p <= 10000);
    return p;
}
}  // namespace

CBroadcastSocket::CBroadcastSocket(uint32_t localIp, uint16_t port)
    : m_localIp(localIp)
    , m_remotePort(port)
{
    m_dest.sin_family = AF_INET;
    m_dest.sin_port = htons(port);
    m_dest.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    Init();
}

CBroadcastSocket::~CBroadcastSocket()
{
    closeAll();
}

void CBroadcastSocket::closeAll()
{
    if (m_sendSock >= 0)
        ::close(m_sendSock);
    if (m_recvSock >= 0)
        ::close(m_recvSock);
    m_sendSock = -1;
    m_recvSock = -1;
}

int CBroadcastSocket::Init()
{
    closeAll();
    std::minstd_rand rng(std::random_device{}());
    for (int attempt = 0; attempt < kMaxBindAttempts; ++attempt) {
        if (m_sendSock < 0 || m_recvSock < 0) {
            closeAll();
            m_sendSock = OpenBroadcastUdp();
            m_recvSock = OpenBroadcastUdp();
            if (m_sendSock < 0 || m_recvSock < 0)
                break;
        }
        const uint16_t port = DrawPort(rng);
        if (!BindTo(m_recvSock, INADDR_BROADCAST, port))
            continue;  // a bound-less socket may still take another port
        if (!BindTo(m_sendSock, m_localIp, port)) {
            // The receive socket is bound now: start over with fresh sockets.
            closeAll();
            continue;
        }
        m_localPort = port;
        return 1;
    }
    qWarning("GigE: no broadcast socket on %s: %s", inet_ntoa(in_addr{htonl(m_localIp)}),
             std::strerror(errno));
    closeAll();
    return 0;
}

int CBroadcastSocket::send(const void* buf, size_t len)
{
    if (m_sendSock < 0)
        return -1;
    return int(::sendto(m_sendSock, buf, len, 0, reinterpret_cast<const sockaddr*>(&m_dest), sizeof(m_dest)));
}

int CBroadcastSocket::recv(void* buf, size_t len)
{
    if (m_recvSock < 0)
        return -1;
    // A short datagram must never leave bytes of an earlier one behind.
    std::memset(buf, 0, len);
    pollfd p{m_recvSock, POLLIN, 0};
    const int r = ::poll(&p, 1, GigeTimings::recvWaitMs);
    if (r <= 0 || !(p.revents & POLLIN))
        return 0;
    const ssize_t n = ::recvfrom(m_recvSock, buf, len, 0, nullptr, nullptr);
    return n > 0 ? int(n) : 0;
}
