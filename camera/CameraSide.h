#pragma once
// The camera half of one camera widget: the device of its index, reached
// through the driver of the family found at start-up; the buffer its frames
// arrive in; its frame pump; and its image settings read from the parameters.
#include "CameraDriver.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class CameraState;
class CameraThread;
struct WizardPara;

class CameraSide : public CameraLink {
public:
    CameraSide(CameraState* station, int camIndex);
    ~CameraSide() override;
    CameraSide(const CameraSide&) = delete;
    CameraSide& operator=(const CameraSide&) = delete;

    void CameraOpen();
    bool CameraStart();
    void CameraStop();
    void CameraClose();
    void CameraChangeTrig(bool restart);

    void SetExposeTime();
    void SetAdjustPlus();
    void SetSharp();
    void SetContrast();
    void SetGamma();
    void SetHMirror();
    void SetVMirror();
    void SetWB();
    void RestoreDefaultSettings();

    // Steps the live exposure by 1 towards a mean grey of 126-130 and applies
    // it; meanGrey is the widget's brightness from the polling loop. Nothing calls it.
    void AutoChangeExposeTime(int meanGrey);

    CameraDriver& driver() { return *m_driver; }
    template <class Driver>
    Driver* driverAs() { return dynamic_cast<Driver*>(m_driver.get()); }

    CameraState* station;
    int camIndex;
    CameraThread* cameraThread = nullptr;

    // Newest delivered frame: gColorLen bytes, under pMutex[camIndex].
    FrameBytes acqBuffer;  // pages taken as frames arrive; the pass swaps them for its work buffer
    // Frames delivered and frames dropped for a wrong size (diagnostics).
    std::atomic<int> deliveredFrames{0};
    std::atomic<int> droppedFrames{0};

    // CameraLink
    int index() const override { return camIndex; }
    bool isOpen() const override;
    void deliver(const void* data, int bytes) override;
    void deliverLocked(const void* data, int bytes) override;
    void deliverInto(const std::function<bool(unsigned char* acq)>& write) override;
    void deliverIntoLocked(const std::function<bool(unsigned char* acq)>& write) override;
    const FrameBytes& acquired() const override { return acqBuffer; }
    bool frameFits(int width, int height, const char* source) override;
    void reportLost() override;
    void record(const QString& line) override;
    void stopAcquisition() override { CameraStop(); }
    bool startAcquisition() override { return CameraStart(); }
    void applySpeedToAll() override;
    void applyMirrors() override;

private:
    const WizardPara& Para() const;
    bool hasSlot() const;

    std::unique_ptr<CameraDriver> m_driver;
};
