#pragma once
// IDS uEye cameras: the pump watches the image memory the SDK fills.
#include "camera/CameraDriver.h"
#include "platform/camsdk/UeyeSdk.h"

#include <vector>

class UeyeCamera : public CameraDriver {
public:
    using CameraDriver::CameraDriver;

    static bool Probe();
    static int Recount(bool forRestart);

    bool open(const char* serial) override;
    bool start() override;
    void stop() override;
    void close() override;
    bool setExposure(int exposure, bool autoExposure, bool autoShading) override;
    bool setGain(int gain) override;
    void setGamma(int gamma) override;
    void applySpeed(int speed) override;
    bool orderSerial(std::string* out) const override;
    bool pumpPass() override;

    ueye::HIDS handle = 0;
    char* imageMem = nullptr;
    int colorMode = 0;
    int bitsPerPixel = 0;
    int memId = 0;
    // The last frame delivered: the acquisition buffer changes hands.
    std::vector<char> lastFrame;
};
