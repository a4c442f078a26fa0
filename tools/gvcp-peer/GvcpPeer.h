#pragma once
// A scripted GigE camera for tests: answers discovery by broadcast with a
// configured identity and acknowledges the vendor force-IP command. Runs on
// one interface (SO_BINDTODEVICE), normally inside a test's own namespace.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct GvcpPeerConfig {
    std::string iface;  // interface to answer on
    uint8_t mac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    uint32_t ip = 0;       // host byte order
    uint32_t mask = 0;
    uint32_t gateway = 0;
    std::string model = "PEER-CAM";
    std::string serial = "PEER0001";
    std::string manufacturerInfo = "F622";
    bool answerForceIp = true;
    uint16_t forceIpStatus = 0;  // status field of the force-IP acknowledge
};

struct GvcpPeerForceIp {
    uint16_t requestId = 0;
    uint8_t flags = 0;
    uint8_t mac[6] = {};
    uint32_t ip = 0;
    uint32_t mask = 0;
    uint32_t gateway = 0;
    uint8_t byte26 = 0;
    uint8_t byte27 = 0;
};

class GvcpPeer {
public:
    explicit GvcpPeer(const GvcpPeerConfig& config);
    ~GvcpPeer();

    // Opens the socket on port 3956; false with a reason in error().
    bool open();
    // Serves until stop() (from another thread) or `seconds` (> 0) pass.
    void serve(int seconds = 0);
    void stop() { m_stop = true; }

    std::string error() const { return m_error; }
    int discoveries() const { return m_discoveries; }
    std::vector<GvcpPeerForceIp> forceIps() const;
    uint32_t currentIp() const { return m_ip; }

private:
    void handle(const uint8_t* data, size_t len, uint16_t srcPort);
    void reply(const uint8_t* data, size_t len, uint16_t port);

    GvcpPeerConfig m_cfg;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_discoveries{0};
    std::atomic<uint32_t> m_ip{0};
    mutable std::mutex m_mutex;
    std::vector<GvcpPeerForceIp> m_forceIps;
    std::string m_error;
};
