#pragma once
// Waits and repeat counts of the GigE address repair. The panel uses the
// defaults; tests shorten them.
namespace GigeTimings {
inline int recvWaitMs = 200;        // one socket receive
inline int discoveryWaitMs = 200;   // after the discovery broadcast
inline int forceIpPolls = 200;      // receives per force-IP send
inline int forceIpPollSleepMs = 5;  // pause between those receives
inline int forceIpSends = 4;        // sends before a force IP gives up
inline int arpWaitMs = 1000;        // wait for an ARP reply
inline int imvSettleMs = 100;       // before choosing an IMV camera address
inline int repairSettleMs = 6000;   // cameras need this to come back after a change
inline int threadTickMs = 100;      // send and check threads of a threaded discovery
}  // namespace GigeTimings
