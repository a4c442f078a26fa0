#include "GvcpPackets.h"

#include <atomic>
#include <cstring>

namespace {
// Shared by every force-IP and vendor command of the process.
std::atomic<uint16_t> CmdID{0};

uint16_t NextCmdId()
{
    uint16_t id = uint16_t(CmdID.fetch_add(1) + 1);
    // Id 0 is not a valid request id on the wire; skip it after wrapping.
    if (id == 0)
        id = uint16_t(CmdID.fetch_add(1) + 1);
    return id;
}

std::string BoundedText(const uint8_t* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}
}  // namespace

void WriteGvcpHead(uint8_t* buf, uint16_t cmd, uint16_t len, uint8_t flags, uint16_t reqId)
{
    buf[0] = kGvcpKey;
    buf[1] = flags;
    PutBe16(buf + 2, cmd);
    PutBe16(buf + 4, len);
    PutBe16(buf + 6, reqId);
}

uint16_t MakeGvcpHead(uint8_t* buf, uint16_t cmd, uint16_t len, bool broadcastAck, bool ack)
{
    uint8_t flags = 0;
    if (broadcastAck)
        flags |= kGvcpFlagBroadcastAck;
    if (ack)
        flags |= kGvcpFlagAck;
    const uint16_t id = NextCmdId();
    WriteGvcpHead(buf, cmd, len, flags, id);
    return id;
}

uint16_t BuildCustomForceIp(uint8_t out[kForceIpLen], const uint8_t mac[6], const uint8_t ip[4],
                            const uint8_t mask[4], const uint8_t gateway[4], uint8_t byte26,
                            uint8_t byte27, bool ack)
{
    std::memset(out, 0, kForceIpLen);
    const uint16_t id = MakeGvcpHead(out, GVCP_CUSTOM_FORCEIP_CMD, kForceIpLen - kGvcpHeaderLen, true, ack);
    std::memcpy(out + 8, mac, 6);
    std::memcpy(out + 14, ip, 4);
    std::memcpy(out + 18, mask, 4);
    std::memcpy(out + 22, gateway, 4);
    out[26] = byte26;
    out[27] = byte27;
    return id;
}

uint16_t BuildStandardForceIp(uint8_t out[kForceIpLen], const uint8_t mac[6], const uint8_t ip[4],
                              const uint8_t mask[4], const uint8_t gateway[4], bool ack)
{
    std::memset(out, 0, kForceIpLen);
    const uint16_t id = MakeGvcpHead(out, GVCP_FORCEIP_CMD, kForceIpLen - kGvcpHeaderLen, true, ack);
    std::memcpy(out + 10, mac, 6);
    std::memcpy(out + 28, ip, 4);
    std::memcpy(out + 44, mask, 4);
    std::memcpy(out + 60, gateway, 4);
    return id;
}

uint16_t BuildEnterBootloader(uint8_t out[kBootloaderLen], const uint8_t mac[6], bool ack)
{
    static const char kText[] = "MindVision EnterBootloader";
    static_assert(sizeof(kText) - 1 == 26, "text fills bytes 14..39");
    std::memset(out, 0, kBootloaderLen);
    const uint16_t id = MakeGvcpHead(out, GVCP_BOOTLOADER_CMD, kBootloaderLen - kGvcpHeaderLen, true, ack);
    std::memcpy(out + 8, mac, 6);
    std::memcpy(out + 14, kText, sizeof(kText) - 1);
    return id;
}

uint16_t BuildAgingTest(uint8_t out[kAgingTestLen])
{
    static const char kText[] = "MindVision factory mod is aging test";
    static_assert(sizeof(kText) - 1 == 36, "text fills bytes 8..43");
    std::memset(out, 0, kAgingTestLen);
    const uint16_t id = MakeGvcpHead(out, GVCP_AGING_TEST_CMD, kAgingTestLen - kGvcpHeaderLen, true, false);
    std::memcpy(out + 8, kText, sizeof(kText) - 1);
    return id;
}

bool ParseGvcpAckHeader(const uint8_t* data, size_t len, GvcpAckHeader* out)
{
    if (!data || len < kGvcpHeaderLen)
        return false;
    out->status = GetBe16(data);
    out->ackCode = GetBe16(data + 2);
    out->length = GetBe16(data + 4);
    out->ackId = GetBe16(data + 6);
    return true;
}

bool ParseDiscoveryAck(const uint8_t* data, size_t len, gvcp_discovery_ack_s* out)
{
    if (!data || len < sizeof(gvcp_discovery_ack_s))
        return false;
    if (GetBe16(data + 2) != GVCP_DISCOVERY_ACK)
        return false;
    std::memcpy(out, data, sizeof(gvcp_discovery_ack_s));
    return true;
}

std::string DiscoveryAckModel(const gvcp_discovery_ack_s& ack)
{
    return BoundedText(ack.modelName, sizeof(ack.modelName));
}

std::string DiscoveryAckSerial(const gvcp_discovery_ack_s& ack)
{
    return BoundedText(ack.serialNumber, sizeof(ack.serialNumber));
}

std::string DiscoveryAckManufacturer(const gvcp_discovery_ack_s& ack)
{
    return BoundedText(ack.manufacturerName, sizeof(ack.manufacturerName));
}

std::string DiscoveryAckVendorText(const gvcp_discovery_ack_s& ack)
{
    return BoundedText(ack.manufacturerInfo + (188 - 176), 35);
}

bool DiscoveryAckIdle(const gvcp_discovery_ack_s& ack)
{
    return ack.manufacturerInfo[184 - 176] == 0x49;
}

const char* DiscoveryAckLinkSpeed(const gvcp_discovery_ack_s& ack)
{
    switch (ack.manufacturerInfo[185 - 176]) {
    case 0x43:
        return "1000M";
    case 0x42:
        return "100M";
    default:
        return "10M";
    }
}
