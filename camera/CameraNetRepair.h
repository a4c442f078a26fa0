#pragma once
// GigE address repair as the probe and the reconnection use it. The base
// class does nothing; instance() is the real repair (GigeNetRepair, where
// it is defined) unless a test swaps it.
#include "platform/camsdk/ImvSdk.h"

class CameraNetRepair {
public:
    virtual ~CameraNetRepair() = default;
    // Number of GigE devices whose address was changed (0 or less: none).
    virtual int RepairAllCameraIP() { return 0; }
    // 1 when the IMV device got a new address.
    virtual int autoSetCameraIP(imv::IMV_DeviceInfo info) { (void)info; return 0; }
    // Makes every Hikrobot GigE device reachable; devices still unreachable.
    virtual int EnsureDeviceReach() { return 0; }

    static CameraNetRepair& instance();
    static void setInstance(CameraNetRepair* repair);  // nullptr restores the default
};
