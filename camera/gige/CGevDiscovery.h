#pragma once
// Discovery list of one host interface: a receive thread collects the
// devices' acknowledges; in threaded mode a send thread repeats the
// discovery every second and a check thread drops devices gone silent.
#include "CBroadcastSocket.h"
#include "GvcpPackets.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

constexpr int kMaxDiscoveryDevices = 250;

class CGevDiscovery {
public:
    CGevDiscovery(const char* filter, uint32_t localIp, bool threaded);
    ~CGevDiscovery();
    CGevDiscovery(const CGevDiscovery&) = delete;
    CGevDiscovery& operator=(const CGevDiscovery&) = delete;

    int SendDiscovery();
    bool DiscoveryReceive(gvcp_discovery_ack_s* ack);
    void DeviceListAdd(const gvcp_discovery_ack_s& ack);
    void DeviceListChk();
    // Copies the valid entries into consecutive slots of `out` (room for 250).
    int GetDiscoveryList(gvcp_discovery_ack_s* out);

    bool BroadCastSend(const void* buf, size_t len);
    int BroadCastRecv(void* buf, size_t len);
    uint16_t MakeDiscoveryCmd(uint8_t head[kGvcpHeaderLen]);

    bool socketOpen() const { return m_socket.isOpen(); }

private:
    void receiveLoop();
    void sendLoop();
    void checkLoop();
    uint16_t nextRequestId();

    CBroadcastSocket m_socket;
    std::recursive_mutex m_mutex;
    uint32_t m_requestId = 0;
    std::string m_filter;
    bool m_hasFilter = false;
    bool m_threaded = false;
    gvcp_discovery_ack_s m_list[kMaxDiscoveryDevices];
    uint32_t m_count = 0;
    uint32_t m_valid[kMaxDiscoveryDevices] = {};
    uint32_t m_seen[kMaxDiscoveryDevices] = {};
    std::thread m_sendThread;
    std::thread m_recvThread;
    std::thread m_checkThread;
    std::atomic<uint32_t> m_stop{0};
};

// Monotonic milliseconds, truncated to 32 bits.
uint32_t GetTickCount();
