#pragma once
// DVP cameras: frames through the stream callback, one of every
// (speed + 1) delivered.
#include "camera/CameraDriver.h"
#include "platform/camsdk/DvpSdk.h"

#include <atomic>

class DvpCamera : public CameraDriver {
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
    void setContrast(int contrast) override;
    void setGamma(int gamma) override;
    void restoreDefaults(WizardPara& edit, const WizardPara& live) override;
    void applySpeed(int speed) override;

    static int dvpStreamCallback(dvp::dvpHandle h, dvp::dvpStreamEvent event, void* ctx, dvp::dvpFrame* frame,
                                 void* data);
    // Whether a DVP handle is valid. Nothing calls it.
    static bool IsValidHandle(dvp::dvpHandle handle);

    dvp::dvpCameraInfo cameraInfo{};
    dvp::dvpHandle handle = 0;
    std::atomic<int> frameSkip{0};  // frames dropped between two delivered (the speed)
    int frameCounter = 0;           // frames counted since the last delivered one

private:
    static int TargetFormat();
};
