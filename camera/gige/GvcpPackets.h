#pragma once
// GVCP command and acknowledge layouts (UDP port 3956). Every multi-byte
// field is big-endian; addresses are copied as network-order byte arrays.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint16_t kGvcpPort = 3956;
constexpr uint8_t kGvcpKey = 0x42;
constexpr uint8_t kGvcpFlagBroadcastAck = 0x10;
constexpr uint8_t kGvcpFlagAck = 0x01;

enum GvcpCode : uint16_t {
    GVCP_DISCOVERY_CMD = 0x0002,
    GVCP_DISCOVERY_ACK = 0x0003,
    GVCP_FORCEIP_CMD = 0x0004,
    GVCP_FORCEIP_ACK = 0x0005,
    GVCP_CUSTOM_FORCEIP_CMD = 0xF008,
    GVCP_CUSTOM_FORCEIP_ACK = 0xF009,
    GVCP_BOOTLOADER_CMD = 0xF00A,
    GVCP_BOOTLOADER_ACK = 0xF00B,
    GVCP_AGING_TEST_CMD = 0xF00C,
};

constexpr size_t kGvcpHeaderLen = 8;
constexpr size_t kForceIpLen = 64;
constexpr size_t kBootloaderLen = 48;
constexpr size_t kAgingTestLen = 72;
constexpr size_t kGvcpRecvBufLen = 576;

// Discovery acknowledge as the devices send it, 256 bytes with its header.
#pragma pack(push, 1)
struct gvcp_discovery_ack_s {
    uint8_t status[2];
    uint8_t ackCode[2];
    uint8_t length[2];
    uint8_t ackId[2];
    uint8_t specVersion[4];
    uint8_t deviceMode[4];
    uint8_t reserved0[2];
    uint8_t mac[6];              // 18
    uint8_t ipConfigOptions[4];
    uint8_t ipConfigCurrent[4];
    uint8_t reserved1[12];
    uint8_t currentIp[4];        // 44
    uint8_t reserved2[12];
    uint8_t currentMask[4];      // 60
    uint8_t reserved3[12];
    uint8_t gateway[4];          // 76
    uint8_t manufacturerName[32];
    uint8_t modelName[32];       // 112
    uint8_t deviceVersion[32];
    uint8_t manufacturerInfo[48]; // 176: 184 state, 185 link speed, 188 text
    uint8_t serialNumber[16];    // 224
    uint8_t userName[16];
};
#pragma pack(pop)
static_assert(sizeof(gvcp_discovery_ack_s) == 256, "discovery ack is 256 bytes");

struct GvcpAckHeader {
    uint16_t status = 0;
    uint16_t ackCode = 0;
    uint16_t length = 0;
    uint16_t ackId = 0;
};

inline void PutBe16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline uint16_t GetBe16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

// Writes the 8-byte command header with the next process-wide request id
// (incremented before use, wrapping at 65535) and returns that id.
uint16_t MakeGvcpHead(uint8_t* buf, uint16_t cmd, uint16_t len, bool broadcastAck, bool ack);

// Header with a caller-given request id (discovery keeps its own counter).
void WriteGvcpHead(uint8_t* buf, uint16_t cmd, uint16_t len, uint8_t flags, uint16_t reqId);

// Builders fill `out` completely and return the request id used.
uint16_t BuildCustomForceIp(uint8_t out[kForceIpLen], const uint8_t mac[6], const uint8_t ip[4],
                            const uint8_t mask[4], const uint8_t gateway[4], uint8_t byte26,
                            uint8_t byte27, bool ack);
uint16_t BuildStandardForceIp(uint8_t out[kForceIpLen], const uint8_t mac[6], const uint8_t ip[4],
                              const uint8_t mask[4], const uint8_t gateway[4], bool ack);
uint16_t BuildEnterBootloader(uint8_t out[kBootloaderLen], const uint8_t mac[6], bool ack);
uint16_t BuildAgingTest(uint8_t out[kAgingTestLen]);

// False when the datagram is shorter than a header.
bool ParseGvcpAckHeader(const uint8_t* data, size_t len, GvcpAckHeader* out);
// False when the datagram is not a whole discovery acknowledge.
bool ParseDiscoveryAck(const uint8_t* data, size_t len, gvcp_discovery_ack_s* out);

// Text fields of an acknowledge, ending at the first NUL or the field's end.
std::string DiscoveryAckModel(const gvcp_discovery_ack_s& ack);
std::string DiscoveryAckSerial(const gvcp_discovery_ack_s& ack);
std::string DiscoveryAckManufacturer(const gvcp_discovery_ack_s& ack);
// The vendor's text inside the manufacturer-specific block (bytes 188..222).
std::string DiscoveryAckVendorText(const gvcp_discovery_ack_s& ack);
bool DiscoveryAckIdle(const gvcp_discovery_ack_s& ack);
// "1000M", "100M" or "10M".
const char* DiscoveryAckLinkSpeed(const gvcp_discovery_ack_s& ack);
