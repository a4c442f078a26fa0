#pragma once
// The main window as the other parts see it: one object implementing each
// interface they call, so the window itself stays a shell.
#include "app/DetectionCycle.h"
#include "app/OperationLog.h"
#include "app/gui/AlarmHost.h"
#include "app/gui/IOStatusWidget.h"
#include "app/gui/TouchFilter.h"
#include "camera/CameraHost.h"
#include "inspect/InspectHost.h"
#include "network/PlantLinkHost.h"
#include "params/IOSetup.h"
#include "users/DrawUserWidget.h"
#include "view/ViewHost.h"
#include "widgets/MainWindowHooks.h"

class RaRoWizard;

class WizardPorts : public CycleHost,
                    public TouchHost,
                    public AlarmHost,
                    public InspectHost,
                    public CameraHost,
                    public IOSetupHost,
                    public UnlockLevelSource,
                    public PlantLinkHost,
                    public AccountPageHost,
                    public MainWindowHooks,
                    public StatusHost,
                    public ViewHost {
public:
    explicit WizardPorts(RaRoWizard* win) : m_win(win) {}

    // CycleHost
    int cameraCount() const override;
    CammerWidgetData* cameraData(int c) override;
    void showFrame(int c, bool inspected) override;
    void repaintCamera(int c) override;
    void repaintAll() override;
    void repaintStatus() override;
    void pollLostComBox(bool lost, bool enabled) override;
    void cameraCheckPass() override;
    void cameraRestart() override;
    void setWhiteBalance() override;
    bool continuousNgBoxVisible() const override;
    void showContinuousNgBox() override;
    void showMessage(const QString& text, bool modal) override;
    void hideMessage() override;
    bool editorVisible() const override;
    void enterAlarmView() override;
    void editorReCheck() override;
    void editorRestart() override;
    void startBlink(int c) override;
    void wakeScreen() override;
    void cameraChangeTrig(int c) override;
    void saveResultPicture(int c, int step, int slot) override;
    void updateResultPicture(int c, int step, int slot) override;
    void saveReTrainImage(int c, int g) override;
    void retrain(int c, int g, bool shapeOnly) override;
    void manualStandInFrame(int c) override;
    void skipButtonReset() override;
    void showDetecting(bool detecting) override;
    void checkArea() override;
    void statisticsAdd(int hour, bool ok, int c, int step) override;
    void statisticsSave() override;
    void statisticsUnsaved(VerdictRecord& record) override;
    void cycleLogInsert(const QString& start, double seconds) override;

    // TouchHost
    QTimer* tscTimer() override;
    QTimer* logoutTimer() override;
    QTimer* lcdTimer() override;
    int& tscArmed() override;
    bool parametersLoaded() const override;
    int autoLogoutTime() const override;
    int screenOffTime() const override;
    void FLushAll() override;

    // AlarmHost
    bool verdictIsAlarm() const override;
    void InsertRecord(const QString& text) override;
    void StopWTD() override;
    void clearContinuousNg() override;
    QString GetROINGInfo() const override;
    void ClearWarnNGINfo() override;
    void setRoiWarning(bool on) override { m_roiWarning = on; }
    void setTimingAlarmTime(qint64 secs) override { m_timingAlarmTime = secs; }

    // InspectHost (insertRecord also serves CameraHost and CycleHost)
    int currentStep() const override;
    int lastInputNo() const override;
    void insertRecord(const QString& text) override;

    // CameraHost
    bool settingsDialogVisible() const override;
    bool settingsVisible() const override;
    void cameraRepaint(int camera) override;

    // IOSetupHost
    void SetMouldSide(int side) override;
    int OpenCameraCount() const override;
    void CreateShape(int camera, int step) override;
    void VarTrain(int camera, int step) override;

    // UnlockLevelSource
    int UnlockLevel() const override;

    // PlantLinkHost (cameraCount as above)
    int runState() const override;
    qint64 lastCycleTime() const override;
    int clearReason() const override;
    const int* allCounts() const override;
    const int* failCounts() const override;
    const CammerSingleton* liveRoiSet(int camera) const override;
    QImage screenPicture() override;
    void prepareCameraPicture(int camera) override;

    // AccountPageHost
    void showStatusStrip() override;
    void restartViews() override;

    // MainWindowHooks
    bool lcdOff() const override;
    void LCDOnOff(int on) override;
    void restartLcdTimer(int ms) override;
    void updateWindow() override;

    // StatusHost (lastCycleTime as above)
    int unlockLevel() const override;
    void lock() override;
    QStringList parameterGroups() const override;

    // ViewHost (cameraCount, startBlink and InsertRecord above serve it too)
    CycleState& cycle() override;
    EditorState& editor() override { return m_editor; }
    DrawROIWidget* editorColumn() override;
    const RecordState* records() const override;
    CammerWidget* cameraWidget(int c) override;
    int framesPerSecond(int c) const override;
    float countdownSeconds() const override;
    int statusStripTop() const override;
    QList<QRect> overlays() const override;
    QString cavityName(int camera, int k) const override;
    void ChangeCammer() override;
    int CheckPassword() override;
    void ResetRun(int camera) override;
    void Rejudge(int camera, int clearReason, quint64 alarm) override;
    void CheckNGAgain(int clearReason, quint64 alarm) override;
    void BackTrain() override;
    void startDrawHint() override;
    bool safetyDoorOpen() const override;
    void alarmOutputOff() override;
    void showHelp(int index) override;
    void AutogenerationRegion(int step) override;
    void hideKeypads() override;
    bool commandColumnPress(bool showOrCheck) override;
    void showCommandColumn() override;
    void showStatusStrip(bool on) override;

    // Camera renumbering, IO naming and (when asked) the cavity names: side
    // dialogs that block the commands while they are open.
    bool sideDialogVisible(bool withCavityNames) const;

    bool roiWarning() const { return m_roiWarning; }
    qint64 timingAlarmTime() const { return m_timingAlarmTime; }

private:
    // Camera c's view, null outside 0-7 or when it was not built.
    CammerWidget* widgetAt(int c) const;

    RaRoWizard* m_win;
    bool m_roiWarning = false;
    qint64 m_timingAlarmTime = 0;
    EditorState m_editor;
    int m_standInIndex = 0;  // manual snapshots without cameras: template0..49 in turn
};
