#pragma once
// The main window as the settings dialog sees it.
#include "settings/SettingsHost.h"

#include <QPointer>

class DetectCycleWidget;
class RaRoWizard;

class SettingsPort : public SettingsHost {
public:
    explicit SettingsPort(RaRoWizard* win) : m_win(win) {}
    ~SettingsPort() override;

    int unlockLevel() const override;
    void setUnlockLevel(int level) override;
    bool CheckRoot() override;
    void InsertRecord(const QString& text) override;
    CameraStation* station() override;
    int numCamera() const override;
    IOSetupHost* ioSetupHost() override;
    void CopyPara(int camera) override;
    void ChangeDetectNum(int steps) override;
    void setCaptureOnTrigger(int on) override;
    bool saveRawFrames() const override;
    void setSaveRawFrames(bool on) override;
    void outputPolarityChanged(const WizardPara& before) override;
    void hideCommandColumn() override;
    void refreshCommandColumn() override;
    void repaintCameras() override;
    void selectCamera(int camera) override;
    void restartPlantClient() override;
    void ClearRecord() override;
    void showCameraRenumbering() override;
    void showIONames() override;
    void showHardwareConfiguration() override;
    QString missingHardwareConfiguration() const override;
    void FLushAll() override;
    void StopWTD() override;
    void Exit(int status) override;
    void showCavityEditor() override;
    void showDetectCycle() override;
    bool hasWorkbook() const override;
    bool writeWorkbook(const QString& path) override;

private:
    RaRoWizard* m_win;
    // The one cycle-log window while it is open (it deletes itself when closed).
    QPointer<DetectCycleWidget> m_detectCycle;
};
