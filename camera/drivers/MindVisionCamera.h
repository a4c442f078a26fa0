#pragma once
// MindVision cameras: frames and disconnections arrive through SDK callbacks.
#include "camera/CameraDriver.h"
#include "platform/camsdk/MindVisionSdk.h"

#include <vector>

class MindVisionCamera : public CameraDriver {
public:
    explicit MindVisionCamera(CameraLink& link);

    static bool Probe();
    static int Recount(bool forRestart);
    static QString SdkVersion();

    bool open(const char* serial) override;
    bool start() override;
    void stop() override;
    void close() override;
    void trigger(bool external, bool restart) override;
    bool setExposure(int exposure, bool autoExposure, bool autoShading) override;
    bool setGain(int gain) override;
    void setSharpness(int sharpness) override;
    void setContrast(int contrast) override;
    void setGamma(int gamma) override;
    void setMirror(bool vertical, bool on) override;
    void whiteBalance() override;
    void restoreDefaults(WizardPara& edit, const WizardPara& live) override;
    void applySpeed(int speed) override;
    bool orderSerial(std::string* out) const override;

    // One-shot automatic exposure of the settings dialog: started, then
    // ended with the exposure (ms) and gain it found in the dialog's scales
    // (gain 0..64 over the camera's range); false when nothing could be read.
    void startAutoExposure();
    bool endAutoExposure(int* exposureMs, int* gain);

    static void CameraSnapCallback(mind::CameraHandle h, mind::BYTE* raw, mind::tSdkFrameHead* head, void* ctx);
    static void MindConnectStateCallBack(mind::CameraHandle h, mind::UINT state, mind::UINT param, void* ctx);

    mind::CameraHandle handle = 0;
    mind::tSdkCameraCapbility capability{};
    bool capabilityRead = false;  // its ranges are known

private:
    // Resolution and ISP output, shared by opening and the factory defaults.
    void applyFormat(bool allowPreset);

    FrameBytes m_processed;  // the SDK-processed frame (grey or RGB)
};
