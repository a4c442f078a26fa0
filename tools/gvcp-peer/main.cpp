// gvcp-peer: a scripted GigE camera for tests. Run it only inside a network
// namespace of its own; it answers on the one interface it is given.
#include "GvcpPeer.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool ParseIp(const char* s, uint32_t* out)
{
    in_addr a{};
    if (inet_pton(AF_INET, s, &a) != 1)
        return false;
    *out = ntohl(a.s_addr);
    return true;
}

bool ParseMac(const char* s, uint8_t mac[6])
{
    unsigned v[6];
    if (std::sscanf(s, "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        if (v[i] > 255)
            return false;
        mac[i] = uint8_t(v[i]);
    }
    return true;
}

// Its broadcasts must never reach a real network: only inside a namespace
// other than the one of process 1 (or, where that cannot be read, when the
// caller confirms it).
bool InOwnNamespace(bool confirmed)
{
    struct stat self {}, init {};
    if (::stat("/proc/self/ns/net", &self) != 0)
        return false;
    if (::stat("/proc/1/ns/net", &init) != 0)
        return confirmed;
    return self.st_ino != init.st_ino;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: gvcp-peer --iface NAME [--mac aa:bb:cc:dd:ee:ff] [--ip A] [--mask M] [--gateway G]\n"
                 "                 [--model TEXT] [--serial TEXT] [--info TEXT] [--status N] [--silent]\n"
                 "                 [--seconds N] [--in-own-netns]\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv)
{
    GvcpPeerConfig cfg;
    int seconds = 0;
    bool confirmed = false;
    for (int i = 1; i < argc; ++i) {
        const char* opt = argv[i];
        if (!std::strcmp(opt, "--silent")) {
            cfg.answerForceIp = false;
            continue;
        }
        if (!std::strcmp(opt, "--in-own-netns")) {
            confirmed = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        const char* v = argv[++i];
        bool ok = true;
        if (!std::strcmp(opt, "--iface"))
            cfg.iface = v;
        else if (!std::strcmp(opt, "--mac"))
            ok = ParseMac(v, cfg.mac);
        else if (!std::strcmp(opt, "--ip"))
            ok = ParseIp(v, &cfg.ip);
        else if (!std::strcmp(opt, "--mask"))
            ok = ParseIp(v, &cfg.mask);
        else if (!std::strcmp(opt, "--gateway"))
            ok = ParseIp(v, &cfg.gateway);
        else if (!std::strcmp(opt, "--model"))
            cfg.model = v;
        else if (!std::strcmp(opt, "--serial"))
            cfg.serial = v;
        else if (!std::strcmp(opt, "--info"))
            cfg.manufacturerInfo = v;
        else if (!std::strcmp(opt, "--status"))
            cfg.forceIpStatus = uint16_t(std::strtoul(v, nullptr, 0));
        else if (!std::strcmp(opt, "--seconds"))
            seconds = std::atoi(v);
        else
            return Usage();
        if (!ok)
            return Usage();
    }
    if (cfg.iface.empty())
        return Usage();
    if (!InOwnNamespace(confirmed)) {
        std::fprintf(stderr, "gvcp-peer: refusing to run outside a network namespace of its own\n");
        return 1;
    }
    GvcpPeer peer(cfg);
    if (!peer.open()) {
        std::fprintf(stderr, "gvcp-peer: %s\n", peer.error().c_str());
        return 1;
    }
    peer.serve(seconds);
    for (const GvcpPeerForceIp& f : peer.forceIps()) {
        in_addr ip{htonl(f.ip)}, mask{htonl(f.mask)}, gw{htonl(f.gateway)};
        char a[16], m[16], g[16];
        inet_ntop(AF_INET, &ip, a, sizeof(a));
        inet_ntop(AF_INET, &mask, m, sizeof(m));
        inet_ntop(AF_INET, &gw, g, sizeof(g));
        std::printf("forceip id=%u ip=%s mask=%s gateway=%s b26=%u b27=%u\n", f.requestId, a, m, g, f.byte26,
                    f.byte27);
    }
    std::printf("discoveries=%d\n", peer.discoveries());
    return 0;
}
