#pragma once
// The settings dialog: six pages over the edit copy gpWParaBak (System,
// Camera, Network, Input output, Advanced, Op-Record). Shown by the main
// window after it copied the live parameters into the edit copy; Confirm
// checks, logs, saves and applies the edits. Built once, never deleted.
#include "PagePlacer.h"
#include "SettingsBindings.h"

#include <QDir>
#include <QList>
#include <QPointer>
#include <QSqlDatabase>
#include <QWidget>

#include <memory>

class CameraSide;
class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class IOWidget;
class EditBox;
class NetworkPageHooks;
class QListWidget;
class QListWidgetItem;
class QScrollBar;
class SettingsCanvas;
class QSqlTableModel;
class QTableView;
class QTimer;
class SettingsHost;
class ChooseCaliNumWidget;
class ModifyTimeWidget;

class WizardParaWidget : public QWidget {
    Q_OBJECT
public:
    enum Page { PageSystem = 0, PageCamera, PageNetwork, PageIO, PageAdvanced, PageRecord };

    WizardParaWidget(SettingsHost* host, QWidget* parent);
    ~WizardParaWidget() override;

    // The network page's contents (the plant-link settings) plug in here.
    void setNetworkPage(NetworkPageHooks* page);
    // Where the operation log lives: the live log's connection and the archive folder.
    void setRecordSource(const QString& connection, const QString& archiveDir)
    {
        m_recordConnection = connection;
        m_recordDir = archiveDir;
    }

    void WizardParaInit();
    void ResetEBoxTrigDelayPos(int n);
    void ResetReCheck1Text(const QString& text);

    int page() const { return m_page; }
    int currentCamera() const { return m_camera; }
    bool simpleDisplay() const { return m_simpleDisplay; }
    void setKeepPage(bool keep) { m_keepPage = keep; }
    QString serialWord() const { return m_serial; }
    const QStringList& adapterNames() const { return m_adapterNames; }
    // The area between the page title and the buttons, where a page lays out.
    QRect contentArea() const { return ContentArea(); }

    // Controls reached by the side pages and tests.
    ComboBox* paraGroupCombo = nullptr;
    ComboBox* languageCombo = nullptr;
    ComboBox* machineTypeCombo = nullptr;
    ComboBox* mouldCombo = nullptr;
    ComboBox* outputStateCombo[9] = {};
    ComboBox* input4Combo = nullptr;
    ComboBox* output4Combo = nullptr;
    EditBox* delayEdit[8] = {};
    EditBox* recheckEdit = nullptr;
    EditBox* retestDelayEdit = nullptr;
    EditBox* continuousNgEdit = nullptr;
    EditBox* filterSizeEdit = nullptr;
    EditBox* areaEdit = nullptr;
    EditBox* exposureEdit = nullptr;
    EditBox* gainEdit = nullptr;
    EditBox* clarityEdit = nullptr;
    EditBox* truthEdit = nullptr;
    EditBox* gammaEdit = nullptr;
    EditBox* speedEdit = nullptr;
    EditBox* offsetEdit = nullptr;
    CheckBox* hMirrorBox = nullptr;
    CheckBox* vMirrorBox = nullptr;
    CheckBox* showAllBox = nullptr;      // text 200
    CheckBox* factoryBox = nullptr;      // text 254
    CheckBox* positioningBox = nullptr;  // text 176
    CheckBox* firstDetectBox = nullptr;
    CheckBox* rawFramesBox = nullptr;    // text 201, the cycle's run-time switch
    CheckBox* shadingBox = nullptr;
    ColorButton* pageButton[5] = {};
    ColorButton* confirmButton = nullptr;
    ColorButton* showModeButton = nullptr;
    ColorButton* switchCameraButton = nullptr;
    ColorButton* restoreButton = nullptr;
    ColorButton* autoExposureButton = nullptr;
    ColorButton* reorderButton = nullptr;
    ColorButton* resetCountButton = nullptr;
    ColorButton* shutDownButton = nullptr;
    ColorButton* changePasswordButton = nullptr;
    ColorButton* groupButton[3] = {};  // backup, restore, delete
    enum Action {
        ActionFactory, ActionHardware, ActionCavity, ActionDetectCycle, ActionUpdate,
        ActionExport, ActionExit, ActionClock, ActionCalibrate, ActionRecord, kActions
    };
    ColorButton* actionButton[kActions] = {};
    ColorButton* customIOButton = nullptr;
    ColorButton* ioNameButton = nullptr;
    Edit* groupNameEdit = nullptr;
    Edit* newPasswordEdit = nullptr;
    Edit* confirmPasswordEdit = nullptr;
    QTableView* recordTable = nullptr;
    QSqlTableModel* recordModel = nullptr;
    QListWidget* recordList = nullptr;
    QSqlDatabase dbList;
    QTimer* autoExposureTimer = nullptr;
    QDir paraGroupDir;
    IOWidget* ioWidget = nullptr;  // the multi-detection IO page
    ModifyTimeWidget* modifyTime = nullptr;
    ChooseCaliNumWidget* caliNum = nullptr;

    // Every control of a page, in the order the page places them.
    const QList<QWidget*>& pageControls(int page) const { return m_controls[page]; }
    // Captions painted for the current page (from the last layout).
    const QList<PaintedCaption>& captions() const { return m_captions; }
    // Every text the dialog paints itself, header included, in its own coordinates.
    QList<PaintedCaption> paintedTexts() const;

signals:


public slots:
    void accept();
    void DoChangePage();
    void SetEnable(bool);
    void SetExposeTime(int value);
    void SetAdjust(int value);
    void SetSharp(int value);
    void SetContrast(int value);
    void SetGamma(int value);
    void SetAutoExp(int on);
    void SetAutoWDR(int on);
    void SetHMirror();
    void SetVMirror();
    void SlotChangeShowMode();
    void SlotChangeCamera();
    void SlotRestoreDefaultSettings();
    void SlotAutoExposeTime();
    void SlotAutoExposeTimeTimeout();
    void SlotTuneCamera();
    void SlotShowIOWidget();
    void SlotShowCustomIONameWidget();
    void SlotShowHardwareConfigurationWidget();
    void SlotChangeSysFun(int machineType);
    void SlotToCommon();
    void SlotToCamera();
    void SlotToNetwork();
    void SlotToIO();
    void SlotToAdvance();
    void SlotToRecord();
    void UpdateRecord(QListWidgetItem* item);
    void SlotClearRecord();
    bool checkOutputNum(int index);
    // Parameter groups.
    void ParaGroupUpdateList();
    void SlotParaGroupChange(int index);
    void SlotParaGroupBackup();
    void SlotParaGroupRestore();
    void SlotParaGroupDelete();
    // USB disk and factory archive.
    void SlotUpdateApp();
    void SlotExportData();
    void SlotRestoreFactorySet();
    // Actions on the system.
    void SlotChangeLan(int index);
    void SlotShutDown();
    void SlotExit();
    void SlotModifyTime();
    void SlotCalibration();
    void ChangePwd();
    void ResetTotal();
    void SlotShowEditcavityWidget();
    void SlotShowDetectCycle();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
public:
    // Sizes of the dialog's grid, by layout class: narrow (small layout),
    // compact (a large screen without room for the 1800 x 950 dialog, such
    // as 1280 x 800) and wide.
    struct Sizes {
        bool wide;     // not the small layout
        bool compact;  // the large layout shrunk to the screen
        int rowH, rowGap, captionPx, captionW, headerH;
        int comboW, comboH, comboPx, buttonW, buttonH, editW;
        int titlePx, versionPx, unitPx;
        // Value boxes: height, caption, step buttons, value, font, spacing.
        int boxH, boxCaptionW, stepW, valueW, boxPx, boxGap;
        int checkPx, checkMinPx, tickPx;  // switches shrink from the first towards the second
        static Sizes Current();
    };

private:
    void BuildSystemPage();
    void BuildCameraPage();
    void BuildIOPage();
    void BuildAdvancedPage();
    void BuildRecordPage();
    void BuildFrame();
    void FitBoxCaptions();
    EditBox* NewEdit(int page, int min, int max, const QString& caption, int display, bool seconds = false);
    CheckBox* NewCheck(int page, const QString& caption, bool factory = false);
    ColorButton* NewButton(int page, const QString& caption);
    ComboBox* NewCombo(int page, const QStringList& items);
    void GoToPage(int page, bool rootOnly);
    void LayOutPage();
    bool PlacePage(const QList<QWidget*>& shown);
    QList<QWidget*> ShownControls() const;
    void LoadCamera(bool withSpeed);
    void StoreControls();
    CameraSide* CurrentCameraSide() const;
    void ApplyCameraValue(int (&field)[8], int value, void (CameraSide::*apply)());
    // The camera settings that differ between two records, applied again.
    void ApplyCameraDifferences(const struct WizardPara& a, const struct WizardPara& b);
    // Stops a one-shot automatic exposure: the camera's settings from the
    // record the cameras read.
    void EndAutoExposure(int camera);
    void Finish();
    QRect ContentArea() const;
    struct SettingsPaintState PaintState() const;
    void ConnectActions();
    // A failure: the message box and one operation-log line with the same text.
    void Report(const QString& text);
    // The accepted edits and the live record saved before a restart; false
    // (reported) when the save failed, and then nothing restarts.
    bool SaveBeforeRestart();
    // The mount point of the USB disk; "" when the operator gave up looking.
    QString AskForUsbDisk();

    SettingsHost* m_host;
    SettingsCanvas* m_canvas = nullptr;
    QScrollBar* m_slide = nullptr;  // shown when a page is wider than the dialog
    NetworkPageHooks* m_net;
    std::unique_ptr<NetworkPageHooks> m_defaultNet;
    SettingsBindings m_bindings;
    QList<QWidget*> m_controls[6];
    QList<QWidget*> m_factoryControls[6];  // shown only with "Display factory param"
    QList<PaintedCaption> m_captions;
    QStringList m_adapterNames;
    QString m_serial;
    int m_page = PageSystem;
    int m_camera = 0;
    int m_liveType = 0;       // machine type at construction
    bool m_simpleDisplay = false;
    bool m_keepPage = false;
    bool m_loading = false;   // controls being filled: nothing reaches a camera
    int m_autoExposureCamera = -1;
    QString m_recordConnection = QStringLiteral("dbRecord");
    QString m_recordDir = QStringLiteral("./RECORD");
};

extern WizardParaWidget* gpWizardParaWidget;
