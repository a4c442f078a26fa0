#include "CGevDiscovery.h"

#include "GigeTimings.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

uint32_t GetTickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

CGevDiscovery::CGevDiscovery(const char* filter, uint32_t localIp, bool threaded)
    : m_socket(localIp, kGvcpPort)
    , m_hasFilter(filter != nullptr)
    , m_threaded(threaded)
{
    if (filter)
        m_filter = filter;
    std::memset(m_list, 0, sizeof(m_list));
    m_recvThread = std::thread(&CGevDiscovery::receiveLoop, this);
    if (m_threaded) {
        m_sendThread = std::thread(&CGevDiscovery::sendLoop, this);
        m_checkThread = std::thread(&CGevDiscovery::checkLoop, this);
    }
}

CGevDiscovery::~CGevDiscovery()
{
    m_stop = 1;
    for (std::thread* t : {&m_recvThread, &m_sendThread, &m_checkThread})
        if (t->joinable())
            t->join();
}

uint16_t CGevDiscovery::nextRequestId()
{
    ++m_requestId;
    if (uint16_t(m_requestId) == 0)
        ++m_requestId;
    return uint16_t(m_requestId);
}

uint16_t CGevDiscovery::MakeDiscoveryCmd(uint8_t head[kGvcpHeaderLen])
{
    const uint16_t id = nextRequestId();
    WriteGvcpHead(head, GVCP_DISCOVERY_CMD, 0, kGvcpFlagBroadcastAck | kGvcpFlagAck, id);
    return id;
}

int CGevDiscovery::SendDiscovery()
{
    if (!m_threaded) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_count = 0;
        std::memset(m_valid, 0, sizeof(m_valid));
        std::memset(m_seen, 0, sizeof(m_seen));
    }
    uint8_t head[kGvcpHeaderLen];
    MakeDiscoveryCmd(head);
    m_socket.send(head, sizeof(head));
    return 0;
}

bool CGevDiscovery::DiscoveryReceive(gvcp_discovery_ack_s* ack)
{
    uint8_t buf[sizeof(gvcp_discovery_ack_s)];
    const int n = m_socket.recv(buf, sizeof(buf));
    if (n <= 0)
        return false;
    return ParseDiscoveryAck(buf, size_t(n), ack);
}

void CGevDiscovery::DeviceListAdd(const gvcp_discovery_ack_s& ack)
{
    if (m_hasFilter
        && std::memcmp(ack.manufacturerInfo, m_filter.data(),
                       std::min(m_filter.size(), sizeof(ack.manufacturerInfo))) != 0)
        return;
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (uint32_t i = 0; i < m_count; ++i) {
        if (m_valid[i] && std::memcmp(m_list[i].mac, ack.mac, 6) == 0
            && std::memcmp(m_list[i].currentIp, ack.currentIp, 4) == 0) {
            m_seen[i] = GetTickCount();
            return;
        }
    }
    if (m_count >= kMaxDiscoveryDevices)
        return;
    m_list[m_count] = ack;
    m_valid[m_count] = 1;
    m_seen[m_count] = GetTickCount();
    ++m_count;
}

void CGevDiscovery::DeviceListChk()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const uint32_t now = GetTickCount();
    for (uint32_t i = 0; i < m_count; ++i)
        if (m_valid[i] && now - m_seen[i] > 3000)
            m_valid[i] = 0;
}

int CGevDiscovery::GetDiscoveryList(gvcp_discovery_ack_s* out)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    int n = 0;
    for (uint32_t i = 0; i < m_count; ++i)
        if (m_valid[i])
            out[n++] = m_list[i];
    return n;
}

bool CGevDiscovery::BroadCastSend(const void* buf, size_t len)
{
    return m_socket.send(buf, len) > 0;
}

int CGevDiscovery::BroadCastRecv(void* buf, size_t len)
{
    return m_socket.recv(buf, len);
}

void CGevDiscovery::receiveLoop()
{
    gvcp_discovery_ack_s ack;
    while (!m_stop) {
        if (!m_socket.isOpen()) {
            // Nothing to wait on: still honour the stop flag promptly.
            std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::recvWaitMs));
            continue;
        }
        if (DiscoveryReceive(&ack))
            DeviceListAdd(ack);
    }
}

void CGevDiscovery::sendLoop()
{
    for (int tick = 1; !m_stop; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::threadTickMs));
        if (tick % 10 == 0)
            SendDiscovery();
    }
}

void CGevDiscovery::checkLoop()
{
    for (int tick = 1; !m_stop; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::threadTickMs));
        if (tick % 10 == 0)
            DeviceListChk();
    }
}
