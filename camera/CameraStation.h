#pragma once
// The main window's side of the cameras: the shared state, the speed applied
// to all cameras, the settings the dialog accepted and the stored camera
// order (SN.db).
#include "CameraState.h"
#include "params/WizardPara.h"

#include <QString>

class CameraStation : public CameraState {
public:
    // The parameter copies are the main window's gpWPara and gpWParaBak.
    explicit CameraStation(WizardPara* live = gpWPara, WizardPara* edit = gpWParaBak, CameraHost* host = nullptr);

    void CameraSetSpeed() override;

    // What the settings dialog asks of the cameras.
    // Automatic exposure or shading changed: every camera re-applies its exposure.
    void SetAllExposeTime();
    // After the settings were accepted into the live copy: exposure, gain,
    // sharpness, contrast and gamma of the cameras whose values changed
    // against `before`, the trigger mode of every camera in use, the speed.
    void ApplyAcceptedSettings(const WizardPara& before);

    // Stored camera order in SN.db (connection name): mode 0 stores the
    // serials of the cameras in use, mode 1 clears all eight rows to "0".
    void SaveSN(int mode);
    QString snConnection = QStringLiteral("dbT");
};
