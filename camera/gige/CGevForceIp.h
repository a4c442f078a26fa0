#pragma once
// Force-IP and vendor commands addressed by MAC, sent by broadcast from one
// host interface, each waiting for its own acknowledge.
#include "CBroadcastSocket.h"
#include "GvcpPackets.h"

#include <cstdint>

class CGevForceIp {
public:
    explicit CGevForceIp(uint32_t localIp);

    // 1 when the device acknowledged with status 0 (or, without an
    // acknowledge request, when the command went out); else 0.
    int GevSetForceIpCustom(const uint8_t mac[6], const uint8_t ip[4], const uint8_t mask[4],
                            const uint8_t gateway[4], uint8_t byte26, uint8_t byte27, bool ack);
    int GevSetForceIp(const uint8_t mac[6], const uint8_t ip[4], const uint8_t mask[4],
                      const uint8_t gateway[4], bool ack);
    int DeviceEnterBootloader(const uint8_t mac[6], bool ack);
    bool DeviceEnterAgingTest();

    bool BroadCastSend(const void* buf, size_t len);
    int BroadCastRecv(void* buf, size_t len);

    // Replies of every force-IP object land here, one command at a time.
    static uint8_t m_RecvTempBuf[kGvcpRecvBufLen];

private:
    int sendAndWait(const uint8_t* packet, size_t len, uint16_t reqId, uint16_t ackCode, bool ack);

    CBroadcastSocket m_socket;
};
