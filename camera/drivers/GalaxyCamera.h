#pragma once
// Daheng Galaxy cameras ("MerCamera"): frames pulled by the pump, contrast
// applied in software.
#include "camera/CameraDriver.h"
#include "platform/camsdk/GalaxySdk.h"

#include <vector>

class GalaxyCamera : public CameraDriver {
public:
    explicit GalaxyCamera(CameraLink& link);

    static bool Probe();

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
    bool pumpPass() override;

    gx::GX_DEV_HANDLE handle = nullptr;

private:
    gx::GX_FRAME_DATA m_frame{};
    FrameBytes m_raw;       // the frame as the camera sends it
    FrameBytes m_adjusted;  // after the software contrast
};
