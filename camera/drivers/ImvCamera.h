#pragma once
// IMV cameras: opened by camera key, frames through the grabbing callback.
#include "camera/CameraDriver.h"
#include "platform/camsdk/ImvSdk.h"

class ImvCamera : public CameraDriver {
public:
    using CameraDriver::CameraDriver;

    static bool Probe();
    static int Recount(bool forRestart);

    bool open(const char* serial) override;
    bool start() override;
    void stop() override;
    void close() override;
    void trigger(bool external, bool restart) override;
    bool setExposure(int exposure, bool autoExposure, bool autoShading) override;
    bool setGain(int gain) override;
    void setSharpness(int sharpness) override;
    void setGamma(int gamma) override;
    void setMirror(bool vertical, bool on) override;
    void restoreDefaults(WizardPara& edit, const WizardPara& live) override;
    bool orderSerial(std::string* out) const override;

    static void FrameCallback(imv::IMV_Frame* frame, void* user);
    // Link notification handler (user data: the driver); not registered.
    static void onDeviceLinkNotify(const imv::IMV_SConnectArg* arg, void* user);

    imv::IMV_HANDLE handle = nullptr;
    char cameraKey[256] = {};

private:
    // Frame format, shared by opening and the factory defaults.
    void applyFormat();
};

// Refreshes gDeviceInfoList with the IMV devices of our manufacturer.
void Dahua_EnumDevices();
