#pragma once
// What the IMV camera address repair needs of the IMV SDK. The camera layer
// provides the real one; tests provide doubles.
#include <string>

struct ImvGigeDeviceInfo {
    std::string cameraKey;
    std::string ipConfigStatus;  // "Valid" when the SDK can reach the camera as it is
    std::string ipAddress;
    std::string subnetMask;
    std::string defaultGateway;
    std::string hostIpAddress;   // of the host interface that sees the camera
    std::string hostSubnetMask;
    std::string hostDefaultGateway;
};

class ImvIpSdk {
public:
    using Handle = void*;
    virtual ~ImvIpSdk() = default;

    // Every call returns 0 on success, else the SDK's error code.
    virtual int createHandleByKey(const std::string& cameraKey, Handle* out) = 0;
    virtual int destroyHandle(Handle handle) = 0;
    virtual int forceIpAddress(Handle handle, const std::string& ip, const std::string& mask,
                               const std::string& gateway) = 0;
    virtual int getDeviceInfo(Handle handle, ImvGigeDeviceInfo* out) = 0;
    virtual int open(Handle handle) = 0;
    virtual int close(Handle handle) = 0;
    virtual int setBoolFeatureValue(Handle handle, const std::string& name, bool value) = 0;
    virtual int setStringFeatureValue(Handle handle, const std::string& name, const std::string& value) = 0;
};

// Results of autoSetCameraIP that are not SDK codes.
constexpr int kImvIpNoFreeAddress = -9001;
constexpr int kImvIpBadHostAddress = -9002;
