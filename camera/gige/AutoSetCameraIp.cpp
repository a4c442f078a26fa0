#include "AutoSetCameraIp.h"

#include "CIpConfig.h"
#include "GigeHostNet.h"
#include "GigeTimings.h"
#include "foundation/GLog.h"

#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

QStringList gDHIPList;

namespace {
// Only cameras behind an interface the repair may use are touched.
bool HostInterfaceAllowed(const std::string& hostIp)
{
    uint8_t want[4];
    if (!GetIpFromString(hostIp.c_str(), want))
        return false;
    std::vector<GigeHostIface> ifaces;
    if (!ListGigeInterfaces(&ifaces, 1024))
        return false;
    for (const GigeHostIface& i : ifaces)
        if (std::memcmp(i.ip, want, 4) == 0)
            return true;
    return false;
}

// The failure line on standard output, and the same in the application log.
int Failed(const char* what, int ret)
{
    std::printf("%s failed! ErrorCode[%d]\n", what, ret);
    std::fflush(stdout);
    GLogInfo(QStringLiteral("%1 failed! ErrorCode[%2]").arg(QLatin1String(what)).arg(ret));
    return ret;
}

struct HandleGuard {
    ImvIpSdk& sdk;
    ImvIpSdk::Handle handle = nullptr;
    bool created = false;
    bool opened = false;
    ~HandleGuard()
    {
        if (opened)
            sdk.close(handle);
        if (created)
            sdk.destroyHandle(handle);
    }
};
}  // namespace

int autoSetCameraIP(ImvIpSdk& sdk, ImvGigeDeviceInfo info)
{
    if (!HostInterfaceAllowed(info.hostIpAddress))
        return 0;
    const QString hostIp = QString::fromStdString(info.hostIpAddress);
    const QString devIp = QString::fromStdString(info.ipAddress);
    if (info.ipConfigStatus == "Valid") {
        if (!gDHIPList.contains(hostIp))
            gDHIPList.append(hostIp);
        if (!gDHIPList.contains(devIp)) {
            gDHIPList.append(devIp);
            return 0;
        }
        qInfo("have same IP");
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(GigeTimings::imvSettleMs));
    const QStringList parts = hostIp.split(QLatin1Char('.'));
    uint8_t hostBytes[4];
    if (parts.size() != 4 || !GetIpFromString(info.hostIpAddress.c_str(), hostBytes))
        return kImvIpBadHostAddress;
    const QString prefix = parts.mid(0, 3).join(QLatin1Char('.'));
    // The address checked against the list is the one handed to the camera.
    QString newIp;
    for (int k = 253; k >= 1; --k) {
        if (k == hostBytes[3])
            continue;
        const QString candidate = prefix + QLatin1Char('.') + QString::number(k);
        if (!gDHIPList.contains(candidate)) {
            gDHIPList.append(candidate);
            newIp = candidate;
            break;
        }
    }
    if (newIp.isEmpty()) {
        qWarning("No free device ip address on [%s]", info.hostIpAddress.c_str());
        return kImvIpNoFreeAddress;
    }
    qInfo("New device ip address:[%s]", qPrintable(newIp));

    HandleGuard h{sdk};
    int ret = sdk.createHandleByKey(info.cameraKey, &h.handle);
    if (ret != 0)
        return Failed("Create handle", ret);
    h.created = true;
    ret = sdk.forceIpAddress(h.handle, newIp.toStdString(), info.hostSubnetMask, info.hostDefaultGateway);
    if (ret != 0)
        return Failed("Set device ip", ret);
    ret = sdk.getDeviceInfo(h.handle, &info);
    if (ret != 0)
        return Failed("Get device info", ret);
    qInfo("Device ip address (after):[%s]", info.ipAddress.c_str());

    ret = sdk.open(h.handle);
    if (ret != 0)
        return Failed("Open camera", ret);
    h.opened = true;
    ret = sdk.setBoolFeatureValue(h.handle, "GevCurrentIPConfigurationPersistentIP", true);
    if (ret != 0) {
        qWarning("Set GevCurrentIPConfigurationPersistentIP failed! ErrorCode[%d]", ret);
        return ret;
    }
    static const struct {
        const char* feature;
        std::string ImvGigeDeviceInfo::*field;
    } kPersistent[] = {
        {"GevPersistentIPAddress", &ImvGigeDeviceInfo::ipAddress},
        {"GevPersistentSubnetMask", &ImvGigeDeviceInfo::subnetMask},
        {"GevPersistentDefaultGateway", &ImvGigeDeviceInfo::defaultGateway},
    };
    for (const auto& p : kPersistent) {
        ret = sdk.setStringFeatureValue(h.handle, p.feature, info.*p.field);
        if (ret != 0) {
            qWarning("Set %s failed! ErrorCode[%d]", p.feature, ret);
            return ret;
        }
    }
    std::fflush(stdout);
    qInfo("IP list: %s", qPrintable(gDHIPList.join(QLatin1Char(' '))));
    return 1;  // the guard closes and destroys the handle
}
