#pragma once
// The main window's side of the cameras: which cameras are open, the lost
// flag, the frame-ready flags, the number in use, the parameter copies, the
// speed applied to all cameras and the stored camera order (SN.db).
#include "CameraHost.h"
#include "params/WizardPara.h"

#include <QString>

#include <atomic>
#include <cstdint>

class CameraSide;

class CameraStation {
public:
    // The parameter copies are the main window's gpWPara and gpWParaBak.
    explicit CameraStation(WizardPara* live = gpWPara, WizardPara* edit = gpWParaBak, CameraHost* host = nullptr);

    uint8_t camOpen[8] = {};
    std::atomic<uint8_t> camLostFlag{0};  // written by SDK threads
    std::atomic<unsigned> lostReported{0};  // bit c: camera c's SDK reported a drop

    // SDK disconnect callbacks (any thread): the next polling pass checks.
    void ReportLost(int camera)
    {
        if (camera >= 0 && camera < 8)
            lostReported.fetch_or(1u << camera);
        camLostFlag.store(1);
    }
    bool isImageFill[8] = {};             // under pMutex[c]
    int numCamera = 0;
    CameraSide* cameras[8] = {};          // the widgets' camera halves (not owned)

    WizardPara* livePara;
    WizardPara* editPara;  // the settings dialog's copy
    CameraHost* host;

    // Copy the setters read: the edit copy while the settings dialog is shown.
    const WizardPara& SetterPara() const;

    // Applies cameraSpeed to every camera in use (stop, set, start).
    void CameraSetSpeed();

    // What the settings dialog asks of the cameras.
    // Automatic exposure or shading changed: every camera re-applies its exposure.
    void SetAllExposeTime();
    // After the settings were accepted into the live copy: exposure, gain,
    // sharpness, contrast and gamma of the cameras whose values changed
    // against `before`, the trigger mode of every camera in use, the speed.
    void ApplyAcceptedSettings(const WizardPara& before);

    // Stored camera order in SN.db (connection name): mode 0 stores the
    // serials of the open cameras, mode 1 clears all eight rows to "0".
    void SaveSN(int mode);
    QString snConnection = QStringLiteral("dbT");

private:
    CameraHost m_defaultHost;
};
