#pragma once
// GigE address repair over the camera libraries: the probe's repair calls
// go to the address-repair code, which reaches the IMV and MVS devices
// through these adapters.
#include "CameraNetRepair.h"
#include "platform/camsdk/MvsSdk.h"
#include "camera/gige/ImvIpSdk.h"
#include "camera/gige/MvsIpSdk.h"

class MvsLibraryIpSdk : public MvsIpSdk {
public:
    int enumGigeDevices(std::vector<MvsGigeDeviceInfo>* out) override;
    bool isDeviceAccessibleExclusive(const MvsGigeDeviceInfo& device) override;
    int createHandle(const MvsGigeDeviceInfo& device, Handle* out) override;
    int forceIpEx(Handle handle, uint32_t ip, uint32_t mask, uint32_t gateway) override;
    int destroyHandle(Handle handle) override;

private:
    mvs::MV_CC_DEVICE_INFO* listed(const MvsGigeDeviceInfo& device) const;
    mvs::MV_CC_DEVICE_INFO_LIST m_list;
};

class ImvLibraryIpSdk : public ImvIpSdk {
public:
    int createHandleByKey(const std::string& cameraKey, Handle* out) override;
    int destroyHandle(Handle handle) override;
    int forceIpAddress(Handle handle, const std::string& ip, const std::string& mask,
                       const std::string& gateway) override;
    int getDeviceInfo(Handle handle, ImvGigeDeviceInfo* out) override;
    int open(Handle handle) override;
    int close(Handle handle) override;
    int setBoolFeatureValue(Handle handle, const std::string& name, bool value) override;
    int setStringFeatureValue(Handle handle, const std::string& name, const std::string& value) override;

    static ImvGigeDeviceInfo ToGige(const imv::IMV_DeviceInfo& info);
};

class GigeNetRepair : public CameraNetRepair {
public:
    int RepairAllCameraIP() override;
    int autoSetCameraIP(imv::IMV_DeviceInfo info) override;
    int EnsureDeviceReach() override;

private:
    MvsLibraryIpSdk m_mvs;
    ImvLibraryIpSdk m_imv;
};
