#pragma once
// What the settings dialog needs of the main window: the unlock level and the
// password gate, the operation log, the cameras, the engines and the screens
// that a confirmed change refreshes. The main window implements it; tests
// use a double. Defaults do nothing, so a part that does not exist yet (the
// command column, the ROI editor) costs nothing.
#include <QString>

class CameraStation;
class IOSetupHost;
struct WizardPara;

class SettingsHost {
public:
    virtual ~SettingsHost() = default;

    virtual int unlockLevel() const = 0;
    virtual void setUnlockLevel(int level) = 0;
    // True at the master level; otherwise asks the password gate.
    virtual bool CheckRoot() = 0;
    virtual void InsertRecord(const QString& text) = 0;
    // Deletes every row of today's operation log.
    virtual void ClearRecord() {}

    // Cameras (null without a camera station) and the number in use.
    virtual CameraStation* station() = 0;
    virtual int numCamera() const = 0;
    // Shapes, training and the mould side of the derived IO set-up.
    virtual IOSetupHost* ioSetupHost() = 0;

    // Camera c's paired detection groups copied and its ROI set saved.
    virtual void CopyPara(int camera) { (void)camera; }
    // A new number of detection steps: the ROI editor's step list, the
    // cycle's per-step state of the steps below it and its last step.
    virtual void ChangeDetectNum(int steps) { (void)steps; }
    // The cycle's copy of the capture-on-trigger setting.
    virtual void setCaptureOnTrigger(int on) { (void)on; }
    // The cycle's switch that keeps every frame as a test image (not saved).
    virtual bool saveRawFrames() const { return false; }
    virtual void setSaveRawFrames(bool on) { (void)on; }
    // Output polarity changed: the outputs keep their states on the new polarity.
    virtual void outputPolarityChanged(const WizardPara& before) { (void)before; }

    // Command column: collapse it; refresh its manual-trigger choice and
    // capture-mode caption from the live parameters.
    virtual void hideCommandColumn() {}
    virtual void refreshCommandColumn() {}
    virtual void repaintCameras() {}
    // The main window shows camera c alone (all cameras for numCamera).
    virtual void selectCamera(int camera) { (void)camera; }
    // Companion windows of the dialog: camera renumbering, IO naming.
    virtual void showCameraRenumbering() {}
    virtual void showIONames() {}
    virtual void showHardwareConfiguration() {}
    // The file the hardware view lacks (it would show an empty page), else empty.
    virtual QString missingHardwareConfiguration() const { return {}; }
    // The plant client is started again (its settings changed).
    virtual void restartPlantClient() {}

    // Before a restart: the main window's database connections closed.
    virtual void FLushAll() {}
    // The watchdog-run flag cleared (with its pause).
    virtual void StopWTD() {}
    // Ends the program (the watchdog flag cleared first).
    virtual void Exit(int status) { (void)status; }
    // Companions of the Advanced page: the cavity names and the cycle log.
    virtual void showCavityEditor() {}
    virtual void showDetectCycle() {}
    // The statistics workbook for the data export; false when not written.
    virtual bool hasWorkbook() const { return false; }
    virtual bool writeWorkbook(const QString& path) { (void)path; return false; }
};
