#include "DrawROIWidget.h"

#include "AlarmCommands.h"
#include "AreaTexts.h"
#include "CammerWidget.h"
#include "EditSaver.h"
#include "Prompts.h"
#include "TemplateCommands.h"
#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/ColorConvert.h"
#include "settings/HelpWidget.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"

#include <QFileInfo>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
bool Small()
{
    return gShowW <= 1024;
}

ViewHost& Host()
{
    return ViewHost::instance();
}

template <class F>
void EachCamera(F f)
{
    ViewHost& h = Host();
    for (int c = 0; c < h.cameraCount(); ++c)
        if (CammerWidget* w = h.cameraWidget(c))
            f(w);
}

// The edit set starts again from the live set.
void FreshEditCopy(CammerWidget* w)
{
    if (w->editSet && w->liveSet) {
        *w->editSet = *w->liveSet;
        w->BackMask();
    }
}

// Back to the first template with nothing selected and no panel.
void ClearSelection(CammerWidget* w)
{
    w->templateIndex = 0;
    w->DeselectROI();
    w->ShowHideROIPara();
}
}  // namespace

DrawROIWidget::DrawROIWidget(QWidget* parent)
    : QWidget(parent)
    , m_templates(std::make_unique<TemplateCommands>(*this))
    , m_alarm(std::make_unique<AlarmCommands>(*this))
{
    BuildWidgets();
    hide();
}

DrawROIWidget::~DrawROIWidget() = default;

void DrawROIWidget::BuildWidgets()
{
    const int w = Small() ? 120 : 240;
    m_columnWidth = w;
    // Thirteen rows (the drawing page) must stand on the screen: a wide but
    // short panel gets lower rows.
    const int h = Small() ? 45 : std::min(81, (gShowH - 12) / 13);
    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(1);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    auto button = [&](int text, void (DrawROIWidget::*slot)()) {
        auto* b = new ColorButton(LanStr(text), this, 4);
        b->setFixedSize(w, h);
        if (slot)
            connect(b, &ColorButton::clicked, this, slot);
        return b;
    };
    auto combo = [&]() {
        auto* c = new ComboBox(this);
        c->setFixedSize(w, h);
        QFont f(QStringLiteral("wqy-microhei"));
        f.setPixelSize(Small() ? 16 : 33);
        c->setFont(f);
        c->setItemHeight(h);
        return c;
    };

    sideButton = button(41, &DrawROIWidget::SlotShowHide);
    sourceCombo = combo();
    for (int id : {223, 224, 60, 207, 208})
        sourceCombo->addItem(LanStr(id), sourceCombo->count());
    cameraCombo = combo();
    const int cameras = std::min(Host().cameraCount(), 8);
    for (int c = 0; c < cameras; ++c)
        cameraCombo->addItem(LanStr(43).arg(c + 1));
    if (cameras > 1)
        cameraCombo->addItem(LanStr(44));
    stepCombo = combo();
    const WizardPara& p = LiveParams();
    if (p.machineType == 0 || p.machineType == 3) {
        for (int s = 0; s < 2; ++s)
            stepCombo->addItem(LanStr(46).arg(LanStr(263 + s)));
    } else if (p.machineType == 1 || p.machineType == 2) {
        for (int s = 0; s < 4; ++s)
            stepCombo->addItem(LanStr(372 + s));
    } else if (p.machineType == 4) {
        ChangeDetectNum(p.customDetectCount);
    }
    returnButton = button(42, &DrawROIWidget::SlotReturn);
    pageButton = button(52, &DrawROIWidget::SlotChangeOp);
    rectButton = button(49, &DrawROIWidget::SlotDrawRect);
    circleButton = button(51, &DrawROIWidget::SlotDrawCircle);
    polygonButton = button(53, &DrawROIWidget::SlotDrawPloygn);
    gestureButton = button(104, &DrawROIWidget::SlotDrawHand);
    copyButton = button(9, &DrawROIWidget::SlotCopyArea);
    deleteButton = button(55, &DrawROIWidget::SlotDeleteROI);
    deleteAllButton = button(57, &DrawROIWidget::SlotDeleteAllROI);
    noCheckButton = button(47, &DrawROIWidget::SlotNoCheckCur);
    reCheckButton = button(61, nullptr);
    connect(reCheckButton, &ColorButton::clicked, this, [this] { SlotReCheck(); });
    helpButton = button(111, &DrawROIWidget::SlotHelp);
    liveTemplateButton = button(212, &DrawROIWidget::SlotAutoChange);
    previousButton = button(59, &DrawROIWidget::SlotTempLast);
    nextButton = button(62, &DrawROIWidget::SlotTempNext);
    deleteTemplateButton = button(63, &DrawROIWidget::SlotTempDeleteCur);
    ignoredToggle = new ColorButton(QString(), this, 4);
    ignoredToggle->setFixedSize(w, h);
    connect(ignoredToggle, &ColorButton::clicked, this, &DrawROIWidget::SlotShowHideAlarmPoint);
    ignoreAlarmButton = button(54, &DrawROIWidget::SlotIgnoreAlarmPoint);
    deleteIgnoredButton = button(56, &DrawROIWidget::SlotDeleteIgnorePoint);
    addTemplateButton = button(48, &DrawROIWidget::SlotAddTemp);

    for (QWidget* c : std::initializer_list<QWidget*>{
             sideButton, sourceCombo, cameraCombo, stepCombo, returnButton, pageButton, rectButton,
             circleButton, polygonButton, gestureButton, copyButton, deleteButton, deleteAllButton,
             noCheckButton, reCheckButton, helpButton, liveTemplateButton, previousButton, nextButton,
             deleteTemplateButton, ignoredToggle, ignoreAlarmButton, deleteIgnoredButton, addTemplateButton})
        m_layout->addWidget(c);

    connect(sourceCombo, &ComboBox::currentIndexChanged, this, &DrawROIWidget::SlotChangeSource);
    connect(cameraCombo, &ComboBox::currentIndexChanged, this, &DrawROIWidget::SlotChangeCamera);
    connect(stepCombo, &ComboBox::currentIndexChanged, this, &DrawROIWidget::SlotChangeDetect);
}

void DrawROIWidget::ChangeDetectNum(int n)
{
    const QSignalBlocker block(stepCombo);
    stepCombo->clear();
    for (int i = 0; i < n && i < 8; ++i)
        stepCombo->addItem(LanStr(46).arg(LanStr(477 + i)));
}

void DrawROIWidget::SetComboIndex(ComboBox* combo, int index)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
}

void DrawROIWidget::setSource(int source)
{
    sourceCombo->setCurrentIndex(source);
}

void DrawROIWidget::SetCameraChoice(int c)
{
    cameraCombo->setCurrentIndex(c);
}

CammerWidget* DrawROIWidget::SingleCamera() const
{
    const int c = Host().cycle().selCamera;
    return (c >= 0 && c < Host().cameraCount()) ? Host().cameraWidget(c) : nullptr;
}

bool DrawROIWidget::DrawingAllowed() const
{
    return SingleCamera() && gSource == 0;
}

void DrawROIWidget::SlotChangePage()
{
    const QList<QWidget*> all = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* c : all)
        if (c != sideButton)
            c->hide();
    const int verdict = Host().cycle().verdictState;
    const bool cameras = Host().cameraCount() > 1;
    QList<QWidget*> shown;
    switch (gSource) {
    case 1:
        shown = {sourceCombo};
        if (cameras)
            shown << cameraCombo;
        if (verdict == VerdictAlarm)
            shown << addTemplateButton << noCheckButton << helpButton << liveTemplateButton << reCheckButton;
        else
            shown << returnButton;
        break;
    case 2:
    case 3:
    case 4:
        shown = {sourceCombo, stepCombo, returnButton, previousButton, nextButton};
        if (cameras)
            shown << cameraCombo;
        if (gSource == 2)
            shown << addTemplateButton;
        break;
    case 0:
        shown = {stepCombo, returnButton, sourceCombo, pageButton};
        if (cameras)
            shown << cameraCombo;
        if (m_page == 1) {
            pageButton->setText(LanStr(52));
            shown << rectButton << circleButton << polygonButton << gestureButton << copyButton << deleteButton
                  << deleteAllButton;
        } else {
            pageButton->setText(LanStr(50));
            shown << previousButton << nextButton << deleteTemplateButton;
            if (verdict == VerdictAlarm)
                shown << liveTemplateButton;
        }
        break;
    default:
        break;
    }
    for (QWidget* c : shown)
        c->show();
    sideButton->show();
    adjustSize();
    // Flush with the right edge: the column is 240 px wide on large screens.
    move(m_side ? 0 : gShowW - m_columnWidth, 0);
    // The views' texts make way for the column where it now stands.
    if (parentWidget())
        parentWidget()->update();
    update();
}

void DrawROIWidget::SlotShowHide()
{
    m_side = !m_side;
    SlotChangePage();
}

void DrawROIWidget::SlotChangeOp()
{
    m_page = m_page ? 0 : 1;
    SlotChangePage();
}

void DrawROIWidget::ShowTemplate(CammerWidget* w)
{
    const int g = Host().editor().step();
    if (!w || !w->EnsureGroupBuffers(g) || w->templateImages[g].empty())
        return;
    const int k = std::clamp(w->templateIndex, 0, int(w->templateImages[g].size()) - 1);
    w->ShowTemplate(g, k);
    GetTempTIme(w->camera, g, k);
    const FrameLayout& l = w->CammerWidgetData::layout();
    const FrameBytes* shown = w->shownImage();
    if (l.colour && shown && w->grayFrame.size() >= size_t(l.imageLen())) {
        auto* rgba = reinterpret_cast<const int*>(shown->data());
        if (gisGrayHue)
            RGBA2Gray(w->grayFrame.data(), rgba, l.width, l.height);
        else
            RGBA2Hue(w->grayFrame.data(), rgba, l.width, l.height);
    }
    w->update();
}

void DrawROIWidget::SlotChangeSource(int s)
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    EditorState& ed = host.editor();
    const WizardPara& p = LiveParams();
    const int previous = gSource;
    gSource = s;
    m_side = false;
    ed.copyMode = false;
    if (st.verdictState == VerdictAlarm) {
        // Refused: back to the source shown before, so the live image of
        // the alarm keeps refreshing.
        if (s == 0 && host.CheckPassword() == 0) {
            gSource = previous;
            SetComboIndex(sourceCombo, previous);
            return;
        }
        if (s != 1)
            host.alarmOutputOff();
    }
    EachCamera(ClearSelection);
    const int n = host.cameraCount();
    const int maxCamera = s == 1 ? n : n - 1;
    if (st.selCamera < 0 || st.selCamera > maxCamera) {
        st.selCamera = 0;
        host.ChangeCammer();
    }
    SetComboIndex(cameraCombo, st.selCamera);
    if (p.showMouldNumber)
        EachCamera([s](CammerWidget* w) { w->ShowHideCheckBox(s == 0); });
    if (s != 0)
        host.showStatusStrip(true);
    else if (p.showMouldNumber)
        host.showStatusStrip(false);
    previousButton->setText(LanStr(59));
    nextButton->setText(LanStr(62));
    CammerWidget* cur = SingleCamera();
    switch (s) {
    case 0:
        polygonButton->setText(LanStr(53));
        previousButton->setText(LanStr(559));
        nextButton->setText(LanStr(560));
        ed.drawKind = EditorState::DrawNone;
        if (m_reload) {
            m_reload = false;
            EachCamera(FreshEditCopy);
        }
        ShowTemplate(cur);
        break;
    case 1:
        if (st.verdictState == VerdictAlarm) {
            EachCamera([](CammerWidget* w) { w->blinkPhase = 0; });
            ignoredToggle->setText(LanStr(64));
        }
        EachCamera([](CammerWidget* w) { w->ShowWorkFrame(); });
        break;
    case 2:
        if (cur) {
            const int g = ed.step();
            cur->ringPosition = 0;
            if (cur->EnsureGroupBuffers(g))
                cur->ShowRecentNg(g, 0);
            cur->update();
        }
        break;
    case 3:
    case 4:
        m_records.index = 0;
        m_records.okRecords = s == 3;
        LoadPic();
        if (cur)
            cur->update();
        break;
    default:
        break;
    }
    SlotChangePage();
}

void DrawROIWidget::SlotChangeCamera(int i)
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    const int n = host.cameraCount();
    if (i >= n)
        st.selCamera = gSource == 1 ? n : n - 1;
    else
        st.selCamera = std::max(i, 0);
    if (st.verdictState == VerdictAreaCheck && LiveParams().showMouldNumber)
        if (CammerWidget* w = SingleCamera()) {
            w->SetCheckBoxState(1);
            w->ShowHideCheckBox(true);
        }
    host.ChangeCammer();
    SlotChangeSource(gSource);
}

void DrawROIWidget::SlotChangeDetect(int s)
{
    CammerWidget* w = SingleCamera();
    if (!w || !(gSource == 0 || gSource == 2 || gSource == 3 || gSource == 4) || s < 0)
        return;
    ViewHost& host = Host();
    EditorState& ed = host.editor();
    const WizardPara& p = LiveParams();
    ed.copyMode = false;
    const bool twoSided = p.machineType == 1 || p.machineType == 2;
    const int k = twoSided ? (s & 1) : s;
    if (k == 0 && !p.productDetectOn) {
        Warn(118);
        SetComboIndex(stepCombo, 1);
        return;
    }
    if (k != 0 && p.twoSameParams && gSource == 0) {
        // The change still goes on: the operator is told where these come from.
        if (twoSided && s > 1)
            Warn(371);
        else if ((p.machineType == 0 || p.machineType == 3) && p.detectOn[0])
            Warn(119);
    }
    w->DeselectROI();
    ed.editorStep = std::min(s, 7);
    SlotChangeSource(gSource);
    if (w->editSet && w->editSet->count[ed.editorStep] == 0 && p.autoGenerateArea && Ask(354)
        && SingleCamera() == w && gSource != 1 && gSource != -1)
        host.AutogenerationRegion(ed.editorStep);
    if (host.cycle().verdictState == VerdictAreaCheck)
        w->SetCheckBoxState(1);
}

void DrawROIWidget::StartDrawing(int kind, bool gesture)
{
    EditorState& ed = Host().editor();
    if (gesture)
        ed.gesture = true;
    ed.copyMode = false;
    CammerWidget* w = SingleCamera();
    w->DeselectROI();
    w->ShowHideROIPara();
    ed.drawKind = kind;
    polygonButton->setText(LanStr(53));
}

void DrawROIWidget::SlotDrawRect()
{
    if (DrawingAllowed())
        StartDrawing(EditorState::DrawRect, false);
}

void DrawROIWidget::SlotDrawCircle()
{
    if (DrawingAllowed())
        StartDrawing(EditorState::DrawCircle, false);
}

void DrawROIWidget::SlotDrawHand()
{
    if (DrawingAllowed())
        StartDrawing(EditorState::DrawPolygon, true);
}

void DrawROIWidget::SlotDrawPloygn()
{
    if (!DrawingAllowed())
        return;
    EditorState& ed = Host().editor();
    CammerWidget* w = SingleCamera();
    ed.gesture = false;
    ed.copyMode = false;
    if (ed.drawKind != EditorState::DrawPolygon) {
        w->DeselectROI();
        w->ShowHideROIPara();
        ed.drawKind = EditorState::DrawPolygon;
        polygonButton->setText(LanStr(33));
    } else {
        w->SavePolygon();
        if (ed.drawKind == EditorState::DrawNone)
            polygonButton->setText(LanStr(53));
    }
    w->update();
}

void DrawROIWidget::SlotCopyArea()
{
    if (!DrawingAllowed())
        return;
    EditorState& ed = Host().editor();
    ed.copyMode = true;
    ed.drawKind = EditorState::DrawNone;
    polygonButton->setText(LanStr(53));
}

CammerWidget* DrawROIWidget::DeletingOn()
{
    if (!DrawingAllowed())
        return nullptr;
    Host().editor().copyMode = false;
    return SingleCamera();
}

void DrawROIWidget::SlotDeleteROI()
{
    CammerWidget* w = DeletingOn();
    if (!w)
        return;
    const EditorState& ed = Host().editor();
    if (w->selectedRoi < 0) {
        Warn(65);
        return;
    }
    if (Ask(66) && SingleCamera() == w && gSource != 1 && gSource != -1) {
        w->DeleteROI(ed.step(), w->selectedRoi);
        w->selectedRoi = -1;
        w->ShowHideROIPara();
    }
    w->update();
}

void DrawROIWidget::SlotDeleteAllROI()
{
    CammerWidget* w = DeletingOn();
    if (!w)
        return;
    const EditorState& ed = Host().editor();
    if (Ask(67)) {
        // Like a single delete, the ignore points go only when the edit is saved.
        w->DeleteAllROI(ed.step());
        w->selectedRoi = -1;
        w->ShowHideROIPara();
    }
    w->update();
}

void DrawROIWidget::SlotAutoChange()
{
    ViewHost& host = Host();
    if (host.cycle().verdictState != VerdictAlarm || !(gSource == 0 || gSource == 1) || !SingleCamera())
        return;
    if (gSource == 1) {
        setSource(0);
        return;
    }
    setSource(1);
    EachCamera([](CammerWidget* w) {
        if (!w->cameraOK && w->blinkTimer)
            w->blinkTimer->start(1000);
    });
}

void DrawROIWidget::SlotHelp()
{
    gHelpC = 6;
    Host().showHelp(6);
}

int DrawROIWidget::AdjustedEditorStep(int step) const
{
    const WizardPara& p = LiveParams();
    switch (p.machineType) {
    case 1:
    case 2:
        // The right side may carry no parameters of its own: show the left one.
        if (step < 2) {
            if (p.mouldMode == 1)
                step = 2;
        } else if (!p.twoSameParams) {
            if (p.mouldMode == 0)
                step -= 2;
        } else {
            step -= 2;
            if (p.mouldMode == 0 && step > 1)
                step -= 2;
            else if (p.mouldMode == 1 && step < 2)
                step = 2;
        }
        if (step % 2 == 0 && !p.detectOn[0])
            ++step;
        if (step < 0 || step >= gDNum)
            step = 0;
        return step;
    case 0:
    case 3:
        if (!p.detectOn[0])
            return 1;
        return p.twoSameParams ? 0 : step;
    case 4:
        return (step == 0 && !p.detectOn[0]) ? 1 : step;
    default:
        return step;
    }
}

void DrawROIWidget::Reset(bool drawingPage)
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    EditorState& ed = host.editor();
    gDrawHint = 0;
    m_side = false;
    m_page = 0;
    m_reload = true;
    EachCamera(FreshEditCopy);
    int step = std::clamp(st.curStep, 0, 7);
    if (st.verdictState != VerdictAlarm)
        step = AdjustedEditorStep(step);
    ed.editorStep = step;
    SetComboIndex(stepCombo, step);
    const int wanted = st.verdictState == VerdictAlarm ? 1 : 0;
    if (sourceCombo->currentIndex() == wanted)
        SlotChangeSource(wanted);
    else
        sourceCombo->setCurrentIndex(wanted);
    if (drawingPage) {
        m_page = 1;
        SlotChangePage();
    }
    show();
    raise();
}

void DrawROIWidget::SlotReturn()
{
    ViewHost& host = Host();
    host.hideKeypads();
    EachCamera([](CammerWidget* w) {
        ClearSelection(w);
        if (LiveParams().showMouldNumber)
            w->ShowHideCheckBox(false);
    });
    host.showStatusStrip(true);
    // A refused save keeps the column open on the edit, so the setter can
    // try again; closing would lose it at the next opening.
    if (host.cycle().verdictState == VerdictAlarm) {
        if (SlotSaveData())
            setSource(1);
        return;
    }
    if (!SlotSaveData())
        return;
    m_side = false;
    host.editor().copyMode = false;
    gSource = -1;
    Restart();
    if (gFromTrain) {
        gFromTrain = 0;
        host.BackTrain();
    }
}

void DrawROIWidget::Restart()
{
    ViewHost& host = Host();
    host.cycle().verdictState = VerdictIdle;
    gSource = -1;
    EachCamera([](CammerWidget* w) {
        w->DeselectROI();
        w->ShowWorkFrame();
    });
    host.showCommandColumn();
    hide();
    EachCamera([](CammerWidget* w) { w->ShowHideROIPara(); });
}

bool DrawROIWidget::SlotSaveData()
{
    return EditSaver::Save(Host(), m_templatesChanged);
}

void DrawROIWidget::GetTempTIme(int camera, int step, int index)
{
    const QFileInfo file(QStringLiteral("./cammer%1%2/template%3.bmp").arg(camera + 1).arg(step + 1).arg(index));
    gTempTime = file.exists() ? file.lastModified().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")) : QString();
}

void DrawROIWidget::SlotTempLast() { m_templates->Step(-1); }
void DrawROIWidget::SlotTempNext() { m_templates->Step(1); }
void DrawROIWidget::SlotTempDeleteCur() { m_templates->DeleteCurrent(); }
void DrawROIWidget::SlotTempDeleteAll() { m_templates->DeleteAll(); }
void DrawROIWidget::SlotAddTemp() { m_templates->AddTemplate(); }
void DrawROIWidget::SlotNoCheckCur() { m_alarm->NoCheckCurrent(); }
void DrawROIWidget::SlotShowHideAlarmPoint() { m_alarm->ShowHideAlarmPoint(); }
void DrawROIWidget::SlotIgnoreAlarmPoint() { m_alarm->IgnoreAlarmPoint(); }
void DrawROIWidget::SlotDeleteIgnorePoint() { m_alarm->DeleteIgnorePoint(); }
void DrawROIWidget::SlotReCheck() { SlotReCheck(Host().cameraCount(), ClearReDetected); }
void DrawROIWidget::SlotReCheck(int camera, int clearReason)
{
    m_alarm->ReCheck(camera, clearReason, Host().cycle().alarmId);
}
void DrawROIWidget::SlotReCheck(int camera, int clearReason, quint64 alarm)
{
    m_alarm->ReCheck(camera, clearReason, alarm);
}
void DrawROIWidget::LoadPic() { m_alarm->LoadPic(); }
