#pragma once
// What the camera halves share with the main window: which cameras are open,
// the lost flag, the frame-ready flags, the number in use, the parameter
// copies and the host. The station adds what acts on all cameras at once.
#include "CameraHost.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

// The clock of frame deliveries and of the cycle's waits (monotonic, ns).
inline int64_t FrameClockNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class CameraSide;
struct WizardPara;

class CameraState {
public:
    CameraState(WizardPara* live, WizardPara* edit, CameraHost* host);
    virtual ~CameraState() = default;
    CameraState(const CameraState&) = delete;
    CameraState& operator=(const CameraState&) = delete;

    uint8_t camOpen[8] = {};
    std::atomic<uint8_t> camLostFlag{0};    // written by SDK threads
    std::atomic<unsigned> lostReported{0};  // bit c: camera c's SDK reported a drop

    // SDK disconnect callbacks (any thread): the next polling pass checks.
    void ReportLost(int camera)
    {
        if (camera >= 0 && camera < 8)
            lostReported.fetch_or(1u << camera);
        camLostFlag.store(1);
    }
    bool isImageFill[8] = {};             // under pMutex[c]
    // When the waiting frame was delivered (FrameClockNs), under pMutex[c]:
    // a step judges only frames taken after its delay ended.
    int64_t frameAtNs[8] = {};
    int numCamera = 0;
    CameraSide* cameras[8] = {};          // the widgets' camera halves (not owned)
    // Off while start-up trains the engines: nothing reads a frame before the
    // cycle polls, and converting each would take the CPU the training needs.
    std::atomic<bool> takesFrames{true};
    // Bit c: a waiting step wants camera c's next frame. The delivery that
    // clears the last bit calls framesCame (set before any camera streams):
    // the pass takes the frames then, not at its next tick.
    std::atomic<unsigned> awaited{0};
    std::function<void()> framesCame;
    // Every awaited frame wakes the pass, not only the last: the step judges
    // each camera as its frame comes.
    std::atomic<bool> wakeEachFrame{false};
    // Bit c: while the engine judges, camera c's frames are let go without
    // their copy (counted as delivered): no step waits for one, and on two
    // cores the copies took turns with the engine's threads.
    std::atomic<unsigned> letGo{0};
    bool LetsGo(int camera) const { return letGo.load(std::memory_order_relaxed) & (1u << camera); }
    void FrameCame(int camera)
    {
        const unsigned bit = 1u << camera;
        if (!(awaited.load(std::memory_order_relaxed) & bit))
            return;
        const unsigned was = awaited.fetch_and(~bit);
        if ((was == bit || wakeEachFrame.load(std::memory_order_relaxed)) && (was & bit) && framesCame)
            framesCame();
    }

    WizardPara* livePara;
    WizardPara* editPara;  // the settings dialog's copy
    CameraHost* host;

    // Copy the setters read: the edit copy while the settings dialog is shown.
    const WizardPara& SetterPara() const;

    // Applies cameraSpeed to every camera in use (stop, set, start).
    virtual void CameraSetSpeed() = 0;

private:
    CameraHost m_defaultHost;
};
