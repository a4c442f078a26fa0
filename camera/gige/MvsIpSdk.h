#pragma once
// What the MVS reachability pass needs of the MVS SDK. The camera layer
// provides the real one; tests provide doubles.
#include <cstdint>
#include <vector>

struct MvsGigeDeviceInfo {
    int index = 0;             // position in the SDK's device list
    uint32_t currentIp = 0;    // host byte order
    uint32_t currentMask = 0;  // host byte order
    uint32_t hostIp = 0;       // the host interface address it was found through
};

class MvsIpSdk {
public:
    using Handle = void*;
    virtual ~MvsIpSdk() = default;

    // 0 on success, else the SDK's error code.
    virtual int enumGigeDevices(std::vector<MvsGigeDeviceInfo>* out) = 0;
    virtual bool isDeviceAccessibleExclusive(const MvsGigeDeviceInfo& device) = 0;
    virtual int createHandle(const MvsGigeDeviceInfo& device, Handle* out) = 0;
    virtual int forceIpEx(Handle handle, uint32_t ip, uint32_t mask, uint32_t gateway) = 0;
    virtual int destroyHandle(Handle handle) = 0;
};
