#pragma once
// Hikrobot MVS cameras: frames and disconnections arrive through SDK callbacks.
#include "camera/CameraDriver.h"
#include "platform/camsdk/MvsSdk.h"

#include <string>
#include <vector>

class MvsCamera : public CameraDriver {
public:
    explicit MvsCamera(CameraLink& link);

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
    void whiteBalance() override;
    void restoreDefaults(WizardPara& edit, const WizardPara& live) override;
    void applySpeed(int speed) override;
    bool orderSerial(std::string* out) const override;

    static void ImageCallBack(unsigned char* data, mvs::MV_FRAME_OUT_INFO* info, void* user);
    static void ExceptionImageCallBack(unsigned type, void* user);

    void* handle = nullptr;
    mvs::MV_CC_DEVICE_INFO* deviceInfo = nullptr;  // the gDevList entry it was opened from
    mvs::MV_CC_PIXEL_CONVERT_PARAM convert{};

private:
    static unsigned PixelFormat();

    std::string m_serial;            // GigE serial of the opened device, empty over USB
};
