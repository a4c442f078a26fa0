#pragma once
// The main window: builds every long-lived object of the monitor in a fixed
// order and owns them for the life of the process. It stays a shell: the
// cycle is DetectionCycle, the interfaces other parts call are WizardPorts.
#include "inspect/CycleState.h"
#include "app/ViewZoom.h"
#include "records/VerdictJournal.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <QtGui/qrgb.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

class CameraLoss;
class NetworkPage;
class OtherNetWidget;
class CameraStation;
class CammerWidget;
class ColorButton;
class DetectionCycle;
class EditCavitywidget;
class DrawROIWidget;
class DrawUserWidget;
class IndexButton;
class IOStatusWidget;
class MainCommands;
class OperationLog;
class QSoundEffect;
class QTimer;
class SaveFialImageThread;
class SettingsPort;
class StationLossPort;
class StatisticsWidget;
class WizardParaWidget;
class CustomIONameWidget;
class HardwareConfigurationWidget;
class HelpWidget;
class WidgetChangeCamera;
class WizardPorts;

class RaRoWizard : public QWidget {
    Q_OBJECT
public:
    explicit RaRoWizard(QWidget* parent = nullptr);
    // Only tests destroy the window; the monitor keeps it until the process ends.
    ~RaRoWizard() override;

    // False when construction stopped early (a reboot was requested).
    bool isBuilt() const { return m_built; }
    // Where start-up time goes: each stage with its time since construction
    // began and since the stage before (also logged once the board holds the
    // first output word). A camera's training runs beside the others: its
    // took is its own length.
    struct StartStage {
        QString name;
        qint64 atMs = 0;
        qint64 tookMs = 0;
    };
    const QVector<StartStage>& startTimes() const { return m_startTimes; }

    void InsertRecord(const QString& text);
    // Password gate: 0 refused, 1 system password, 2 master password.
    // CheckPassword passes at once when protection is off or a level is open.
    int CheckPassword();
    // True only at the master level; asks even when protection is off.
    bool CheckRoot();
    int unlockLevel() const;
    // Locks again (the status bar's tap, auto log-out).
    void Lock();
    // Opening and confirming the settings keep at most the system level.
    void LowerMasterLevel();
    void ClearRecord();
    void FLushAll();
    // A stop asked by the system (service manager, Ctrl-C): the outputs take
    // the stopped-detection state and reach the board, counts and databases
    // are written and closed. The caller ends the process.
    void StopForShutdown();
    // Start-up holds the machine for a reason found before detection starts
    // (an alarm that stood when the monitor went down, a record it cannot
    // read): detection begins in that alarm, logged with alarm.text, until
    // the operator's re-inspection is OK. Given before the IO port opens,
    // the alarm's outputs are in its first word. Reasons given together add up.
    void HoldAtStartup(const StandingAlarm& alarm);

    // Why detection may not start: start-up could not finish an interrupted
    // group restore, so the set-up may mix two groups. Empty otherwise; it
    // holds until a restore (which restarts the monitor) or a restart.
    QString setupHold() const { return m_setupHold; }

    CycleState& cycle();
    DetectionCycle* detection() const { return m_cycle; }
    CameraStation* station() const { return m_station.get(); }
    OperationLog* operationLog() const { return m_oplog; }
    int numCamera() const;
    MainCommands* commands() const { return m_commands; }
    WizardPorts* ports() const { return m_ports.get(); }

    CammerWidget* cammerWidget[8] = {};
    IOStatusWidget* ioStatusWidget = nullptr;
    IndexButton* indexButton = nullptr;
    EditCavitywidget* editCavitywidget = nullptr;
    StatisticsWidget* statisticsWidget = nullptr;  // only with result statistics
    WizardParaWidget* wizardParaWidget = nullptr;
    HelpWidget* helpWidget = nullptr;
    OtherNetWidget* otherNetWidget = nullptr;
    NetworkPage* networkPage = nullptr;
    WidgetChangeCamera* widgetChangeCamera = nullptr;
    CustomIONameWidget* customIONameWidget = nullptr;
    HardwareConfigurationWidget* hardwareConfigurationWidget = nullptr;
    DrawROIWidget* drawROIWidget = nullptr;
    DrawUserWidget* drawUserWidget = nullptr;
    // Enlarge, 1:1, reduce, up, down, left, right.
    ColorButton* zoomButton[7] = {};
    QVector<QRgb> grayColorTable;
    float viewScale[4] = {1, 1, 1, 1};

    QTimer* tscTimer = nullptr;
    QTimer* logoutTimer = nullptr;
    QTimer* lcdTimer = nullptr;
    QTimer* detectCycleTimer = nullptr;
    QTimer* scaleTimer = nullptr;
    QTimer* fpsTimer = nullptr;
    int tscArmed = 0;
    int frameCountLast[8] = {};
    int fps[8] = {};
    int stallSeconds[8] = {};

    std::atomic<qint64> savedImageCount{1};
    QDateTime startTime;
    uint timedAlarmRef = 0;
    QDir recordDir;
    QDir resStatisticsDir;

signals:
    void sigROINGWarm();

public slots:
    // Camera views: one full screen or all in a grid; zoom and pan of one.
    void ChangeCammer();
    void SlotReturn();
    void SlotMove(int dx, int dy);
    void SlotMoveT() { MovePressed(0, -1); }
    void SlotMoveB() { MovePressed(0, 1); }
    void SlotMoveL() { MovePressed(-1, 0); }
    void SlotMoveR() { MovePressed(1, 0); }
    void MHideAll();
    void MShowHide(int mode);
    void MScale(int dir);
    void MEnlargeScale();
    void MRecovery();
    void MReductionScale();
    void MTimerScale();
    void SlotDrawHint();
    void SlotNewUser() {}
    void SlotNewUserLastStep() {}
    void SlotSystemPara();
    void TSClibrate();
    void TimerLCD();
    void TimerLogout();
    void SlotAccount();
    // Area settings: the ROI editor on the templates (password first).
    void SlotAdjustArea();
    // A first area for an empty step of the current camera, from the
    // difference of its product-step and mould-step templates.
    void AutogenerationRegion(int step);
    void SlotDetectCycle();
    void SlotShowStatisticsWidget();
    void SlotFPS();
    void SlotROINGWarm();
    // On-screen triggers (the command column's buttons).
    void SlotSimulationTrigIn(int n);  // inputs 1..8
    void SlotPressedTrigIn(int n);     // inputs 1..4
    void SlotReleasedTrigIn(int n);
    void SlotManualTrig(int step);
    void SlotManualTrig0() { SlotManualTrig(0); }
    void SlotManualTrig1() { SlotManualTrig(1); }
    void BackTrain();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool Build();
    bool OpenDatabases();
    void LoadParameters();
    void BuildCameras();
    bool AskAboutSerials();
    void MakeFolders();
    void StartSaver();
    void FinishJournal();
    void StartOperationLogDay();
    void BuildCavityEditor();
    void StartStatistics();
    void Stage(const char* what);
    void Stage(const QString& what, qint64 atMs, qint64 tookMs);
    void LogStartTimes();
    void WatchFirstWord();
    void StartTraining();
    void FinishTraining();
    void RepaintCountdowns();
    void BuildMainScreen();
    void MovePressed(int dx, int dy);
    void RepaintZoomed();

    void HoldForMixedSetup();

    bool m_built = false;
    bool m_restoreFailed = false;  // finishing an interrupted restore failed, at:
    QString m_restoreFailedAt;
    QString m_setupHold;
    QElapsedTimer m_startClock;
    QVector<StartStage> m_startTimes;
    qint64 m_stageEndMs = 0;  // end of the last stage run in turn
    QMetaObject::Connection m_firstWordWatch;
    // The engines train on this thread (and the step workers) while the rest
    // of the window is built; joined before detection starts.
    std::thread m_training;
    struct Trained {
        qint64 startMs = 0, endMs = 0;
        double readMs = 0;
    };
    std::array<Trained, 8> m_trained;
    qint64 m_trainStartMs = 0;
    int m_trainThreads = 1;
    std::unique_ptr<WizardPorts> m_ports;
    std::unique_ptr<SettingsPort> m_settingsPort;
    std::unique_ptr<CameraStation> m_station;
    std::unique_ptr<StationLossPort> m_lossPort;
    std::unique_ptr<CameraLoss> m_loss;
    DetectionCycle* m_cycle = nullptr;
    OperationLog* m_oplog = nullptr;
    SaveFialImageThread* m_saver = nullptr;
    MainCommands* m_commands = nullptr;
    QSoundEffect* m_alarmSound = nullptr;
    StandingAlarm m_held;  // raised when detection starts (HoldAtStartup)
    friend class WizardPorts;
};

extern RaRoWizard* gpWin;
