#pragma once
// A settings dialog over parameters loaded from a fresh working directory,
// with a main-window double that records what the dialog asks of it.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "params/IOSetup.h"
#include "params/WizardPara.h"
#include "settings/SettingsHost.h"
#include "settings/WizardParaWidget.h"
#include "widgets/ChooseBox.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <memory>

class HostDouble : public SettingsHost, public IOSetupHost {
public:
    // SettingsHost
    int unlockLevel() const override { return level; }
    void setUnlockLevel(int l) override { level = l; }
    bool CheckRoot() override
    {
        if (level == 2)
            return true;
        ++rootAsked;  // the password box is shown
        if (passwordGives >= 0)
            level = passwordGives;
        return level == 2;
    }
    void InsertRecord(const QString& text) override { records << text; }
    CameraStation* station() override { return cameraStation; }
    int numCamera() const override { return cameras; }
    IOSetupHost* ioSetupHost() override { return this; }
    void ChangeDetectNum(int n) override { detectNum = n; }
    void setCaptureOnTrigger(int on) override { captureOnTrigger = on; }
    bool saveRawFrames() const override { return rawFrames; }
    void setSaveRawFrames(bool on) override { rawFrames = on; }
    void outputPolarityChanged(const WizardPara&) override { ++flushes; }
    void hideCommandColumn() override { ++columnHidden; }
    void refreshCommandColumn() override { ++columnRefreshed; }
    void selectCamera(int c) override { selected = c; }
    void restartPlantClient() override { ++clientRestarts; }
    void FLushAll() override { ++flushAll; }
    void StopWTD() override { ++stopWtd; }
    void Exit(int status) override { exitStatus = status; }
    // IOSetupHost
    void SetMouldSide(int side) override { mouldSide = side; }
    int OpenCameraCount() const override { return cameras; }
    void CreateShape(int c, int s) override { shapes << qMakePair(c, s); }
    void VarTrain(int c, int s) override { trains << qMakePair(c, s); }

    int level = 0;
    int passwordGives = -1;  // the level the password box reaches; -1 refused
    int rootAsked = 0;
    QStringList records;
    CameraStation* cameraStation = nullptr;
    int cameras = 2;
    int detectNum = -1;
    int captureOnTrigger = -1;
    bool rawFrames = false;
    int flushes = 0;
    int columnHidden = 0;
    int columnRefreshed = 0;
    int selected = -1;
    int clientRestarts = 0;
    int flushAll = 0;
    int stopWtd = 0;
    int exitStatus = -1;
    int mouldSide = -1;
    QList<QPair<int, int>> shapes;
    QList<QPair<int, int>> trains;
};

// Sets value `pos` (1-based) of row `key` in PARAM.db of the current directory.
bool SetStoredValue(const QString& key, int pos, int value);
// Value `pos` of row `key` as the sqlite3 shell reads it.
int StoredValue(const QString& key, int pos);

struct SettingsRig {
    // `stored` edits PARAM.db before the parameters load.
    explicit SettingsRig(const std::function<void()>& stored = {});
    ~SettingsRig();
    // Opens the dialog as the main window does: live copied to the edit copy.
    void open();

    TempWorkDir dir;
    HostDouble host;
    std::unique_ptr<WizardParaWidget> dlg;
};
