#include "GigeNetRepair.h"

#include "camera/gige/AutoSetCameraIp.h"
#include "camera/gige/CIpConfig.h"
#include "camera/gige/EnsureDeviceReach.h"

mvs::MV_CC_DEVICE_INFO* MvsLibraryIpSdk::listed(const MvsGigeDeviceInfo& device) const
{
    if (device.index < 0 || unsigned(device.index) >= m_list.nDeviceNum)
        return nullptr;
    return m_list.pDeviceInfo[device.index];
}

int MvsLibraryIpSdk::enumGigeDevices(std::vector<MvsGigeDeviceInfo>* out)
{
    out->clear();
    const int r = mvs::MV_CC_EnumDevices(mvs::MV_GIGE_DEVICE, &m_list);
    if (r != mvs::MV_OK)
        return r;
    for (unsigned i = 0; i < m_list.nDeviceNum; ++i) {
        const mvs::MV_GIGE_DEVICE_INFO& g = m_list.pDeviceInfo[i]->SpecialInfo.stGigEInfo;
        MvsGigeDeviceInfo d;
        d.index = int(i);
        d.currentIp = g.nCurrentIp;
        d.currentMask = g.nCurrentSubNetMask;
        d.hostIp = g.nNetExport;
        out->push_back(d);
    }
    return 0;
}

bool MvsLibraryIpSdk::isDeviceAccessibleExclusive(const MvsGigeDeviceInfo& device)
{
    return mvs::MV_CC_IsDeviceAccessible(listed(device), mvs::MV_ACCESS_Exclusive);
}

int MvsLibraryIpSdk::createHandle(const MvsGigeDeviceInfo& device, Handle* out)
{
    mvs::MV_CC_DEVICE_INFO* info = listed(device);
    return info ? mvs::MV_CC_CreateHandle(out, info) : mvs::MV_E_PARAMETER;
}

int MvsLibraryIpSdk::forceIpEx(Handle handle, uint32_t ip, uint32_t mask, uint32_t gateway)
{
    return mvs::MV_GIGE_ForceIpEx(handle, ip, mask, gateway);
}

int MvsLibraryIpSdk::destroyHandle(Handle handle)
{
    return mvs::MV_CC_DestroyHandle(handle);
}

int ImvLibraryIpSdk::createHandleByKey(const std::string& cameraKey, Handle* out)
{
    return imv::IMV_CreateHandle(out, imv::modeByCameraKey, const_cast<char*>(cameraKey.c_str()));
}

int ImvLibraryIpSdk::destroyHandle(Handle handle)
{
    return imv::IMV_DestroyHandle(handle);
}

int ImvLibraryIpSdk::forceIpAddress(Handle handle, const std::string& ip, const std::string& mask,
                                    const std::string& gateway)
{
    return imv::IMV_GIGE_ForceIpAddress(handle, ip.c_str(), mask.c_str(), gateway.c_str());
}

int ImvLibraryIpSdk::getDeviceInfo(Handle handle, ImvGigeDeviceInfo* out)
{
    imv::IMV_DeviceInfo info;
    const int r = imv::IMV_GetDeviceInfo(handle, &info);
    if (r == imv::IMV_OK)
        *out = ToGige(info);
    return r;
}

int ImvLibraryIpSdk::open(Handle handle)
{
    return imv::IMV_Open(handle);
}

int ImvLibraryIpSdk::close(Handle handle)
{
    return imv::IMV_Close(handle);
}

int ImvLibraryIpSdk::setBoolFeatureValue(Handle handle, const std::string& name, bool value)
{
    return imv::IMV_SetBoolFeatureValue(handle, name.c_str(), value);
}

int ImvLibraryIpSdk::setStringFeatureValue(Handle handle, const std::string& name, const std::string& value)
{
    return imv::IMV_SetStringFeatureValue(handle, name.c_str(), value.c_str());
}

ImvGigeDeviceInfo ImvLibraryIpSdk::ToGige(const imv::IMV_DeviceInfo& info)
{
    ImvGigeDeviceInfo g;
    g.cameraKey = info.cameraKey;
    g.ipConfigStatus = info.ipConfigStatus;
    g.ipAddress = info.ipAddress;
    g.subnetMask = info.subnetMask;
    g.defaultGateway = info.defaultGateway;
    g.hostIpAddress = info.hostIpAddress;
    g.hostSubnetMask = info.hostSubnetMask;
    g.hostDefaultGateway = info.hostDefaultGateway;
    return g;
}

int GigeNetRepair::RepairAllCameraIP()
{
    return ::RepairAllCameraIP();
}

int GigeNetRepair::autoSetCameraIP(imv::IMV_DeviceInfo info)
{
    return ::autoSetCameraIP(m_imv, ImvLibraryIpSdk::ToGige(info));
}

int GigeNetRepair::EnsureDeviceReach()
{
    return ::EnsureDeviceReach(m_mvs);
}

// The real repair is the default: defined here so that the interface knows
// nothing of it. With no interface allowed (a build host) it changes nothing.
namespace {
GigeNetRepair gDefaultRepair;
CameraNetRepair* gRepair = nullptr;
}  // namespace

CameraNetRepair& CameraNetRepair::instance()
{
    return gRepair ? *gRepair : gDefaultRepair;
}

void CameraNetRepair::setInstance(CameraNetRepair* repair)
{
    gRepair = repair;
}
