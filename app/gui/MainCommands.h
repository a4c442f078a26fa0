#pragma once
// The command column's slots: start and stop, resampling and its area
// check, skipping detection, the capture mode, and the pages the column
// opens. Each checks what may block it (open dialogs, the alarm, the
// password gate) and leaves every state unchanged when refused.
#include <QObject>

class RaRoWizard;

class MainCommands : public QObject {
    Q_OBJECT
public:
    explicit MainCommands(RaRoWizard* win);

public slots:
    void SlotStartStop();
    void SlotReTrain();
    // After resampling: the operator checks the areas on the new templates.
    void CheckArea(bool fromSettings = false);
    void SlotStartSkipDetect();
    void CameraChangeTrig();
    void SlotHelp();
    void SlotShowAlarmImgae();
    void SlotMuliManualTrig();

private:
    // The settings dialog or the ROI editor is up.
    bool SettingsOrEditorShown() const;
    // Camera renumbering, IO naming (and, when asked, the cavity names) is up.
    bool SideDialogShown(bool withCavityNames) const;
    // Opens the ROI editor (on an image source, -1 the one it chooses);
    // false while there is none.
    bool OpenEditor(int source);
    // Detection may not start (the set-up may mix two groups): says why.
    bool SetupHeld() const;
    void HoldClampAfterStart();
    void TellPlantLink();

    RaRoWizard* m_win;
};
