#pragma once
// A pair of non-blocking broadcast UDP sockets on one random local port:
// one bound to the interface address for sending, one bound to the limited
// broadcast address for the devices' broadcast answers.
#include <cstddef>
#include <cstdint>

#include <netinet/in.h>

class CBroadcastSocket {
public:
    CBroadcastSocket(uint32_t localIp, uint16_t port);
    ~CBroadcastSocket();
    CBroadcastSocket(const CBroadcastSocket&) = delete;
    CBroadcastSocket& operator=(const CBroadcastSocket&) = delete;

    // Binds both sockets; on failure both stay closed (-1). Returns isOpen().
    int Init();
    // One datagram to the broadcast destination; -1 when not open.
    int send(const void* buf, size_t len);
    // Waits for one datagram; bytes read, 0 on time-out or error, -1 when not open.
    int recv(void* buf, size_t len);

    bool isOpen() const { return m_sendSock >= 0 && m_recvSock >= 0; }
    uint16_t localPort() const { return m_localPort; }

private:
    void closeAll();

    int m_sendSock = -1;
    int m_recvSock = -1;
    sockaddr_in m_dest{};
    uint32_t m_localIp = 0;  // host byte order
    int m_remotePort = 0;
    uint16_t m_localPort = 0;
};
