#pragma once
// The ROI editor's narrow command column at the screen edge. It chooses what
// every camera view shows (the image source), which camera and step are
// worked on and which drawing tool a press starts; it offers the area,
// template and alarm commands of the page it shows.
#include "ViewHost.h"

#include <QWidget>

#include <memory>

class AlarmCommands;
class ColorButton;
class TemplateCommands;
class ComboBox;
class QVBoxLayout;

class DrawROIWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawROIWidget(QWidget* parent = nullptr);
    ~DrawROIWidget() override;

    // Opens the column: fresh edit copies of the live sets, the editor step
    // from the cycle's step, the live image during an alarm, else the
    // templates; with drawingPage the drawing tools show at once.
    void Reset(bool drawingPage);
    // Closes editing: verdict idle, views deselected, command column back.
    void Restart();
    void setSource(int source);
    // Step choice of the multi-detection machine: n ordinal steps.
    void ChangeDetectNum(int n);
    // Shows camera c in the camera choice (as a tap on its view does).
    void SetCameraChoice(int c);

    const RecordState& records() const { return m_records; }
    RecordState& recordState() { return m_records; }
    bool templatesChanged(int camera) const { return camera >= 0 && camera < 8 && m_templatesChanged[camera]; }
    void MarkTemplatesChanged(int camera)
    {
        if (camera >= 0 && camera < 8)
            m_templatesChanged[camera] = true;
    }
    // The current camera when one single camera of the run is chosen.
    CammerWidget* SingleCamera() const;
    // Shows template `templateIndex` of the editor step in w's view.
    void ShowTemplate(CammerWidget* w);
    // gTempTime := when the template file was last written (empty: no file).
    void GetTempTIme(int camera, int step, int index);
    int page() const { return m_page; }
    bool atLeftEdge() const { return m_side; }

    ComboBox* cameraCombo = nullptr;
    ColorButton* reCheckButton = nullptr;
    ColorButton* sideButton = nullptr;
    ColorButton* returnButton = nullptr;
    ComboBox* sourceCombo = nullptr;
    ComboBox* stepCombo = nullptr;
    ColorButton* pageButton = nullptr;
    ColorButton* rectButton = nullptr;
    ColorButton* circleButton = nullptr;
    ColorButton* polygonButton = nullptr;
    ColorButton* copyButton = nullptr;
    ColorButton* gestureButton = nullptr;
    ColorButton* deleteButton = nullptr;
    ColorButton* deleteAllButton = nullptr;
    ColorButton* previousButton = nullptr;
    ColorButton* nextButton = nullptr;
    ColorButton* deleteTemplateButton = nullptr;
    ColorButton* noCheckButton = nullptr;
    ColorButton* addTemplateButton = nullptr;
    ColorButton* ignoredToggle = nullptr;
    ColorButton* ignoreAlarmButton = nullptr;
    ColorButton* deleteIgnoredButton = nullptr;
    ColorButton* helpButton = nullptr;
    ColorButton* liveTemplateButton = nullptr;

public slots:
    void SlotShowHide();
    void SlotReturn();
    void SlotChangeSource(int source);
    void SlotChangeCamera(int index);
    void SlotChangeDetect(int step);
    void SlotChangeOp();
    void SlotCopyArea();
    void SlotDrawHand();
    void SlotDrawRect();
    void SlotDrawCircle();
    void SlotDrawPloygn();
    void SlotDeleteROI();
    void SlotDeleteAllROI();
    void SlotHelp();
    void SlotAutoChange();
    void SlotChangePage();
    // False when a wanted save was refused (the operator was told).
    bool SlotSaveData();
    void SlotTempLast();
    void SlotTempNext();
    void SlotTempDeleteCur();
    // Every template but template 0 of every camera and step; the callers ask first.
    void SlotTempDeleteAll();
    void SlotNoCheckCur();
    void SlotAddTemp();
    void SlotShowHideAlarmPoint();
    void SlotIgnoreAlarmPoint();
    void SlotDeleteIgnorePoint();
    void SlotReCheck();
    void SlotReCheck(int camera, int clearReason = ClearReDetected);
    // For a command whose question was asked about this alarm (CycleState::alarmId).
    void SlotReCheck(int camera, int clearReason, quint64 alarm);
    void LoadPic();

private:
    void BuildWidgets();
    bool DrawingAllowed() const;
    // The camera a delete works on (copy mode ends), null when not allowed.
    CammerWidget* DeletingOn();
    void StartDrawing(int kind, bool gesture);
    void SetComboIndex(ComboBox* combo, int index);
    int AdjustedEditorStep(int step) const;

    std::unique_ptr<TemplateCommands> m_templates;
    std::unique_ptr<AlarmCommands> m_alarm;

    int m_columnWidth = 0;  // every row is this wide
    QVBoxLayout* m_layout = nullptr;
    RecordState m_records;
    int m_page = 0;  // 1 drawing page, 0 template page
    bool m_side = false;
    bool m_reload = false;
    bool m_templatesChanged[8] = {};
};
