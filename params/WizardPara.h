#pragma once
// The system parameters: one flat record, a live copy and the settings
// dialog's edit copy. Stored in table `sysparam` of PARAM.db, one row per key;
// the row layout (which field sits at which 1-based value of which row) is the
// table in ParaRows.cpp, the single source for load, save and tests.
//
// Some screens and the plant link's parameter list name fields by their word
// number in the flat record: word 86+s is detectOn[s], 95 is
// stopClampOnStop, 112+s the re-detect count of step s (RedetectCountOfStep),
// 206 enableNetwork.
#include <QString>

#include <atomic>
#include <cstring>
#include <type_traits>

class IOSetupHost;

struct WizardPara {
    WizardPara();

    // --- stored rows (key: value positions) -------------------------------
    // trigInDelay 1-8; [8] is a ninth delay that no row stores (printed by the audit line).
    int detectDelay[9] = {};
    // exposeTime 1-4, system5 1-2, system6 1-2
    int exposure[8] = {};
    // adjustPlus 1-4, system5 3-4, system6 3-4
    int gain[8] = {};
    // sharp 1-4, system5 5-6, system6 5-6
    int sharpness[8] = {};
    // contrast 1-4, system5 7-8, system6 7-8
    int contrast[8] = {100, 100, 100, 100, 100, 100, 100, 100};
    // numAllDetect 1-8
    int gamma[8] = {100, 100, 100, 100, 100, 100, 100, 100};

    // numFailDetect: 1 machineType (read) / machineTypeSetting (written), 2 mouldMode,
    // 3 autoExposure, 4 autoShading, 5 startupFlag, 6 enableBlackArea,
    // 7 enableWhiteArea, 8 enableSimilarity
    int machineType = 0;         // fixed for the run
    int machineTypeSetting = 0;  // chosen in the settings, active at the next start
    int mouldMode = 0;
    int autoExposure = 0;
    int autoShading = 0;
    int startupFlag = 0;
    int enableBlackArea = 0;
    int enableWhiteArea = 0;
    int enableSimilarity = 0;

    // isPswUsed 1
    int passwordUsed = 0;

    // system1: 1 semiAuto, 2 productDetectOn, 3 twoSameParams, 4 motionCorrect,
    // 5 stopClampOnStop, 6 preCut, 7 recheckCount2, 8 okImagesKept, 9 autoGenerateArea
    int semiAuto = 0;
    int productDetectOn = 0;
    int twoSameParams = 0;
    int motionCorrect = 0;  // 0 positioning on, -1 off
    int stopClampOnStop = 0;  // also system9 value 14, which wins on load
    int preCut = 0;
    int recheckCount2 = 0;
    int okImagesKept = 0;
    int autoGenerateArea = 0;

    // system2: 1 cutEjectorOnClamp, 2 templateCount, 3 minSpot, 4 ngImagesKept,
    // 5 ejectorPulse, 6 clampPulse, 7 prodNgPulseNoAlarm, 8 cutClampAfterMouldOk,
    // 9 noEjectorControlInProd, 10 pwdSkipDetect, 11 pwdAddTemplate, 12 pwdIgnorePoint,
    // 13 the global gLan (no field), 14 output4SyncFor, 15 positionOffset,
    // 16 screenOffTime, 17 cameraSpeed, 18 inputTimeout
    int cutEjectorOnClamp = 0;
    int templateCount = 10;
    int minSpot = 3;
    int ngImagesKept = 0;
    int ejectorPulse = 0;
    int clampPulse = 0;
    int prodNgPulseNoAlarm = 0;
    int cutClampAfterMouldOk = 0;
    int noEjectorControlInProd = 0;
    int pwdSkipDetect = 0;
    int pwdAddTemplate = 0;
    int pwdIgnorePoint = 0;
    int output4SyncFor = 0;
    int positionOffset = 8000;
    int screenOffTime = 0;
    int cameraSpeed = 0;
    int inputTimeout = 0;

    // system3: 1 input4SyncFor, 2 doorClearsAlarm, 3 amplify, 4 enableDefect,
    // 5 enableSpot, 6 enableIgnoreArea, 7 enableManualLocate, 8 showAllParams,
    // 9 autoLogoutTime, 10 enableOneNotMold, 11 doorTriggersDetect
    int input4SyncFor = 0;
    int doorClearsAlarm = 0;
    int amplify = 0;
    int enableDefect = 0;
    int enableSpot = 0;
    int enableIgnoreArea = 0;
    int enableManualLocate = 0;
    int showAllParams = 0;
    int autoLogoutTime = 0;
    int enableOneNotMold = 0;
    int doorTriggersDetect = 0;

    // system4: 1 templateAutoUpdate, 2-13 netAddr[0..11] (address, mask,
    // gateway octets), 14 filterSize, 15 defectArea
    int templateAutoUpdate = 0;
    int netAddr[12] = {};
    int filterSize = 3;
    int defectArea = 100;

    // system5: 1-8 camera 5/6 exposure, gain, sharpness, contrast; 9 okNgPulses,
    // 10 angleRange, 11 cutEjectorOnProdAlarm, 12 externalTrigger, 13 cutClampOnMouldAlarm
    int okNgPulses = 0;
    int angleRange = 0;
    int cutEjectorOnProdAlarm = 0;
    int externalTrigger = 0;
    int cutClampOnMouldAlarm = 0;

    // system6: 1-8 camera 7/8 exposure, gain, sharpness, contrast; 9 shakeEraseTime,
    // 10 useStatistics, 11 hideNgCount, 12 pwdStopDetect
    int shakeEraseTime = 0;
    int useStatistics = 0;
    int hideNgCount = 0;
    int pwdStopDetect = 0;

    // system7: 1 comPort, 2 colorCamera, 3 grayChannel, 4 showManualSnapshot,
    // 5-7 outputInvert[0..2], 8 noLensOptimization, 9 outputInvert[3],
    // 10 showFactoryParams, 11 ngImageTemplate, 12 system7Spare, 13 showRoiLive,
    // 14 showMouldNumber, 15-19 outputInvert[4..8], 20 enableWhiteNumber
    int comPort = 0;
    int colorCamera = 0;
    int grayChannel = 0;
    int showManualSnapshot = 0;
    // The alarm output (index 2) is inverted unless a row says otherwise, as
    // the installed and the inserted system7 rows have it: a dead line reads
    // as an alarm.
    int outputInvert[9] = {0, 0, 1, 0, 0, 0, 0, 0, 0};
    int noLensOptimization = 0;
    int showFactoryParams = 0;
    int ngImageTemplate = 0;
    int system7Spare = 0;
    int showRoiLive = 0;
    int showMouldNumber = 0;
    int enableWhiteNumber = 0;

    // system8: 1 customDetectCount, 2-9 customTrigInput[0..7], 10-17 customCutMode[0..7],
    // 18 cutEjectorAfterProdOk, 19 useLog, 20 system8Spare (also system13 values 3-20)
    int customDetectCount = 2;
    int customTrigInput[8] = {};
    int customCutMode[8] = {};
    int cutEjectorAfterProdOk = 0;
    int useLog = 0;
    int system8Spare = 0;

    // system9: 1-8 customOutputOwner[0..7], 9 system9Spare, 10 notDetectedCount,
    // 11 skipDetect, 12 separateDetectSignal, 13 enableDistMeasure, 14 stopClampOnStop,
    // 15 prodNgNoAlarmSplitOutputs, 16 roiNgWarnCount, 17 refreshAfterDetect,
    // 18 retestDelay, 19 continuousNgLimit, 20 noRefreshAfterAlarm
    int customOutputOwner[8] = {};
    int system9Spare = 0;
    int notDetectedCount = 0;
    int skipDetect = 0;
    int separateDetectSignal = 0;
    int enableDistMeasure = 0;
    int prodNgNoAlarmSplitOutputs = 0;
    int roiNgWarnCount = 2;
    int refreshAfterDetect = 0;
    int retestDelay = 0;
    int continuousNgLimit = 0;
    int noRefreshAfterAlarm = 0;

    // system10: 1-8 inputNameIndex[0..7] (inputs 1, 3..9), 9-16 outputNameIndex[0..7]
    // (outputs 1, 2, 4..9), 17 system10Spare, 18 mouldNgPulseNoAlarm, 19 imageAdjust,
    // 20 stopEjectorOnStop
    int inputNameIndex[8] = {};
    int outputNameIndex[8] = {};
    int system10Spare = 0;
    int mouldNgPulseNoAlarm = 0;
    int imageAdjust = 0;
    int stopEjectorOnStop = 0;

    // system11: 1-8 system11SpareA[0..7], 9-16 system11SpareB[0..7],
    // 17 cameraLostOptimize, 18 ioLinkLostBox, 19 detectNotInOrder, 20 saveAllAsTest
    int system11SpareA[8] = {};
    int system11SpareB[8] = {};
    int cameraLostOptimize = 0;
    int ioLinkLostBox = 0;
    int detectNotInOrder = 0;
    int saveAllAsTest = 0;

    // system12: 1-8 hMirror[0..7], 9-16 vMirror[0..7], 17 okNgPulseOutputs,
    // 18 showAcqModeButton, 19 extTrigNgContinuous, 20 continuousTimedDetect,
    // 21 detectCycleLog
    int hMirror[8] = {};
    int vMirror[8] = {};
    int okNgPulseOutputs = 0;
    int showAcqModeButton = 0;
    int extTrigNgContinuous = 0;
    int continuousTimedDetect = 0;
    int detectCycleLog = 0;

    // system13: 1 alarmSyncEjectorPulse, 2 enableBlackNumber, 3-20 system8Spare
    int alarmSyncEjectorPulse = 0;
    int enableBlackNumber = 0;

    // VurNet: 1 netEnabled, 2 netVideoOn, 3 netVideoParam, 4 netNgVideo,
    // 5 netAlarmSms, 6 productsPerCycle, 7 productsNum, 8 productSerial
    int netEnabled = 0;  // gates every plant-link send
    int netVideoOn = 1;  // video mode: 0 none, 1 the screen, 2 one share per camera
    int netVideoParam = 3;
    int netNgVideo = 0;
    int netAlarmSms = 0;
    int productsPerCycle = 6;
    int productsNum = 1;
    int productSerial = 10000;

    // --- derived by the IO set-up, or not stored ---------------------------
    int detectOn[8] = {0, 1, 0, 0, 0, 0, 0, 0};  // step d enabled
    // 0-based trigger input of step d; 255 a pair of inputs; -1 none. [8] is never set.
    int trigInput[9] = {};
    int outputOrder[8] = {};   // machine type 4: copy of customOutputOwner
    int detectCount = 0;       // steps of the machine type
    int recheckCount1 = 0;     // re-detections of the first step; not stored
    int stepOutput[9] = {};    // printed by the audit line only
    int storedSerialCount = 0; // valid camera serial numbers found by the last load
    int paraGroupIndex = 0;    // kept in sysadd.txt
    int enableNetwork = 0;     // read by the plant link's parameter message; no row

    // --- texts: NUL-terminated UTF-8, at most 99 bytes, rest zero ----------
    static constexpr int kTextSize = 100;
    char password[kTextSize] = {};        // row password
    char netUseName[kTextSize] = {};      // row VurNet_UseName
    char netMsgTechName[kTextSize] = {};  // row VurNet_MsgTechName
    char netMsgTechNum[kTextSize] = {};   // row VurNet_MsgTechNum
    char netProName[kTextSize] = {};      // row VurNet_ProName
    char netOperator[kTextSize] = {};     // row VurNet_Operator

    // Stores a text cut to 99 bytes on a character boundary, zero-filled.
    static void SetText(char (&field)[kTextSize], const QString& text);
    static QString Text(const char (&field)[kTextSize]);

    // Automatic re-detections after an NG of a step: recheckCount1 for the
    // first, recheckCount2 for the second, none for the others.
    int RedetectCountOfStep(int step) const;

    // Storage: connection names of PARAM.db ("dbIn") and SN.db ("dbT").
    // False when the row neither exists nor could be inserted.
    bool SaveChkDBItem(const QString& key, const QString& paramConnection = QStringLiteral("dbIn"));
    // Writes every row in one transaction. False (logged, nothing written)
    // when the database refused; the caller tells the operator.
    [[nodiscard]] bool SaveDatatoFile(const QString& paramConnection = QStringLiteral("dbIn"));
    void SaveAddFile();
    void LoadDatafromFile(IOSetupHost* host = nullptr,
                          const QString& paramConnection = QStringLiteral("dbIn"),
                          const QString& snConnection = QStringLiteral("dbT"));
    // Parameter audit line; event 0 start-up, 1 settings opened, else closed.
    QString inserterAllParam(int event) const;

    bool operator==(const WizardPara& o) const { return std::memcmp(this, &o, sizeof(WizardPara)) == 0; }
    bool operator!=(const WizardPara& o) const { return !(*this == o); }
};

// Compared byte for byte: no padding may hide differences.
static_assert(std::has_unique_object_representations_v<WizardPara>);
static_assert(std::is_trivially_copyable_v<WizardPara>);

// Live record and the settings dialog's edit copy; created by the main window.
extern WizardPara* gpWPara;
extern WizardPara* gpWParaBak;

// Detection steps per cycle in use (1..8); set by the IO set-up on the GUI
// thread, read live by the image saver thread.
extern std::atomic<int> gDNum;

// True when the live record switches the plant link on and the link is up
// with its client alive: parameter and ROI-set saves then report to it.
bool ReportsToPlant(const WizardPara& live);
// Stored serial number of each logical camera, NUL-terminated.
extern char gSerialNB[8][100];
