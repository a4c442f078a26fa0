#pragma once
// The loss handling over the real cameras: the station's flags, the
// widgets' camera halves and each family's own recount.
#include "CameraLoss.h"

class CameraStation;

class StationLossPort : public CameraLossPort {
public:
    explicit StationLossPort(CameraStation* station);

    int family() const override;
    bool lostFlag() const override;
    void clearLostFlag() override;
    unsigned takeReported() override;
    int cameraCount() const override;
    int recount(bool forRestart) override;
    bool isOpen(int camera) const override;
    void stop(int camera) override;
    void close(int camera) override;
    bool open(int camera) override;
    void start(int camera) override;
    void setSpeed() override;
    void markNg(int camera) override;
    void zeroNoFrameTicks(int camera) override;

    // The frame-rate watch's per-camera no-frame ticks (owned by the main window).
    int noFrameTicks[8] = {};
    // Where a camera's verdict lives; the camera widgets install it.
    uint8_t* cameraOK[8] = {};

private:
    CameraStation* m_station;
};
