#pragma once
// The IO board's wire format, the one definition the monitor's link and the
// simulated board (tools/ioboard-sim) both use, so they cannot drift apart.
// Plain C++ without Qt, for the simulator's sake.
//   Command, host to board (6 bytes): 5F cmd value-lo value-hi sum(bytes 0-3) F5
//   Reply, board to host (8 bytes):   5F type d0 d1 d2 d3 sum(bytes 0-5) F5
#include <cstdint>

enum IOCommand { IOCmdSetOutputs = 1, IOCmdPoll = 2, IOCmdReadBlockA = 3, IOCmdReadBlockB = 4 };
enum IOReplyType { IOReplyState = 2, IOReplyBlockA = 3, IOReplyBlockB = 4 };

namespace IOFrame {
constexpr uint8_t Start = 0x5F;
constexpr uint8_t End = 0xF5;
constexpr int CommandSize = 6;
constexpr int ReplySize = 8;
// Input and output words carry ten bits on the wire.
constexpr uint32_t WordMask = 0x3FF;

// Sum of the bytes modulo 256.
inline uint8_t Checksum(const uint8_t* data, int len)
{
    unsigned sum = 0;
    for (int i = 0; i < len; ++i)
        sum += data[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

// Value bits 0-15 are sent.
inline void EncodeCommand(int command, int value, uint8_t frame[CommandSize])
{
    frame[0] = Start;
    frame[1] = static_cast<uint8_t>(command & 0xFF);
    frame[2] = static_cast<uint8_t>(value & 0xFF);
    frame[3] = static_cast<uint8_t>((value >> 8) & 0xFF);
    frame[4] = Checksum(frame, 4);
    frame[5] = End;
}

// f points at CommandSize bytes.
inline bool IsCommand(const uint8_t* f)
{
    return f[0] == Start && f[4] == Checksum(f, 4) && f[5] == End;
}

inline uint32_t CommandValue(const uint8_t* f)
{
    return uint32_t(f[2]) | uint32_t(f[3]) << 8;
}

inline void EncodeReply(int type, const uint8_t data[4], uint8_t frame[ReplySize])
{
    frame[0] = Start;
    frame[1] = static_cast<uint8_t>(type & 0xFF);
    for (int i = 0; i < 4; ++i)
        frame[2 + i] = data[i];
    frame[6] = Checksum(frame, 6);
    frame[7] = End;
}

// f points at ReplySize bytes.
inline bool IsReply(const uint8_t* f)
{
    return f[0] == Start && f[6] == Checksum(f, 6) && f[7] == End;
}

// State reply (type 2): input word in d0 and bits 0-1 of d1, the echo of the
// outputs the board holds in d2 and bits 0-1 of d3.
inline void PackState(uint32_t inputs, uint32_t echo, uint8_t data[4])
{
    data[0] = static_cast<uint8_t>(inputs & 0xFF);
    data[1] = static_cast<uint8_t>((inputs >> 8) & 3);
    data[2] = static_cast<uint8_t>(echo & 0xFF);
    data[3] = static_cast<uint8_t>((echo >> 8) & 3);
}

inline uint32_t StateInputs(const uint8_t* f)
{
    return uint32_t(f[2]) | (uint32_t(f[3]) & 3u) << 8;
}

inline uint32_t StateEcho(const uint8_t* f)
{
    return uint32_t(f[4]) | (uint32_t(f[5]) & 3u) << 8;
}

// Block replies (types 3 and 4): one 32-bit value, little-endian.
inline void PackValue(uint32_t value, uint8_t data[4])
{
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

inline uint32_t ReplyValue(const uint8_t* f)
{
    return uint32_t(f[2]) | uint32_t(f[3]) << 8 | uint32_t(f[4]) << 16 | uint32_t(f[5]) << 24;
}
}  // namespace IOFrame
