#include "CGevForceIp.h"

#include "GigeTimings.h"

#include <chrono>
#include <thread>

uint8_t CGevForceIp::m_RecvTempBuf[kGvcpRecvBufLen];

CGevForceIp::CGevForceIp(uint32_t localIp)
    : m_socket(localIp, kGvcpPort)
{
}

int CGevForceIp::sendAndWait(const uint8_t* packet, size_t len, uint16_t reqId, uint16_t ackCode, bool ack)
{
    for (int send = 0; send < GigeTimings::forceIpSends; ++send) {
        if (m_socket.send(packet, len) <= 0)
            return 0;
        if (!ack)
            return 1;
        for (int poll = 0; poll < GigeTimings::forceIpPolls; ++poll) {
            const int n = m_socket.recv(m_RecvTempBuf, sizeof(m_RecvTempBuf));
            GvcpAckHeader h;
            if (n > 0 && ParseGvcpAckHeader(m_RecvTempBuf, size_t(n), &h) && h.ackCode == ackCode
                && h.ackId == reqId)
                return h.status == 0 ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::forceIpPollSleepMs));
        }
    }
    return 0;
}

int CGevForceIp::GevSetForceIpCustom(const uint8_t mac[6], const uint8_t ip[4], const uint8_t mask[4],
                                     const uint8_t gateway[4], uint8_t byte26, uint8_t byte27, bool ack)
{
    uint8_t pkt[kForceIpLen];
    const uint16_t id = BuildCustomForceIp(pkt, mac, ip, mask, gateway, byte26, byte27, ack);
    return sendAndWait(pkt, sizeof(pkt), id, GVCP_CUSTOM_FORCEIP_ACK, ack);
}

int CGevForceIp::GevSetForceIp(const uint8_t mac[6], const uint8_t ip[4], const uint8_t mask[4],
                               const uint8_t gateway[4], bool ack)
{
    uint8_t pkt[kForceIpLen];
    const uint16_t id = BuildStandardForceIp(pkt, mac, ip, mask, gateway, ack);
    return sendAndWait(pkt, sizeof(pkt), id, GVCP_FORCEIP_ACK, ack);
}

int CGevForceIp::DeviceEnterBootloader(const uint8_t mac[6], bool ack)
{
    uint8_t pkt[kBootloaderLen];
    const uint16_t id = BuildEnterBootloader(pkt, mac, ack);
    return sendAndWait(pkt, sizeof(pkt), id, GVCP_BOOTLOADER_ACK, ack);
}

bool CGevForceIp::DeviceEnterAgingTest()
{
    uint8_t pkt[kAgingTestLen];
    BuildAgingTest(pkt);
    return m_socket.send(pkt, sizeof(pkt)) > 0;
}

bool CGevForceIp::BroadCastSend(const void* buf, size_t len)
{
    return m_socket.send(buf, len) > 0;
}

int CGevForceIp::BroadCastRecv(void* buf, size_t len)
{
    return m_socket.recv(buf, len);
}
