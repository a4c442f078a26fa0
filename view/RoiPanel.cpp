#include "RoiPanel.h"

#include "AreaTexts.h"

#include "CammerWidget.h"
#include "Prompts.h"
#include "ViewHost.h"
#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/CheckInRange.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Slider.h"

#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

RoiPanel::RoiPanel(CammerWidget& w) : m_w(w) {}

int RoiPanel::Step() const
{
    return ViewHost::instance().editor().step();
}

bool RoiPanel::HasSelection() const
{
    return m_w.editSet && m_w.selectedRoi >= 0 && m_w.selectedRoi < m_w.editSet->count[Step()];
}

int RoiPanel::NextFunction(const WizardPara& p, int current)
{
    const int start = (current < 0 || current >= 9) ? 0 : current + 1;
    for (int i = 0; i < 10; ++i) {
        const int code = (start + i) % 10;
        if (AreaFunctionEnabled(p, code))
            return code;
    }
    return -1;
}

void RoiPanel::WriteDefaults(CammerSingleton& s, int g, int j, int code)
{
    struct Row {
        int minSize, sensibility, maxArea;  // -1 keeps the value
    };
    static const Row rows[10] = {
        {3, 45, 100}, {12800, 80, 500}, {3, 45, 100}, {10, 10, 10}, {-1, 50, 100},
        {-1, 200, 100}, {-1, 80, -1}, {1, 128, 0x640001}, {1, 128, 0x640001}, {1, 35, 50},
    };
    if (code < 0 || code > 9)
        return;
    const Row& r = rows[code];
    s.algorithm[g][j] = code;
    if (r.minSize >= 0)
        s.min_size[g][j] = r.minSize;
    s.sensibility[g][j] = r.sensibility;
    if (r.maxArea >= 0)
        s.max_area[g][j] = r.maxArea;
}

void RoiPanel::CopyLimits(CammerSingleton& s, int fromG, int fromJ, int toG, int toJ)
{
    s.algorithm[toG][toJ] = s.algorithm[fromG][fromJ];
    s.min_size[toG][toJ] = s.min_size[fromG][fromJ];
    s.sensibility[toG][toJ] = s.sensibility[fromG][fromJ];
    s.max_area[toG][toJ] = s.max_area[fromG][fromJ];
}

void RoiPanel::HideControls()
{
    for (Slider* s : m_w.slider)
        s->hide();
    for (QWidget* c : std::initializer_list<QWidget*>{m_w.funcLabel, m_w.funcButton, m_w.paraSwitchButton,
                                                      m_w.handleButton, m_w.nextRoiButton, m_w.outputCombo})
        c->hide();
    for (ColorButton* b : m_w.padButton)
        b->hide();
}

void RoiPanel::ResetSlider(int i, int min, int max, int value, int textId)
{
    // A stored value outside the slider's range must not come back clamped.
    const QSignalBlocker block(m_w.slider[i]);
    m_w.slider[i]->Reset(min, max, 1, value, LanStr(textId));
}

void RoiPanel::SetupSliders(int code)
{
    const CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    const int minSize = s.min_size[g][j];
    const int sens = s.sensibility[g][j];
    const int area = s.max_area[g][j];
    switch (code) {
    case RoiCode::Spot:
        ResetSlider(0, 0, 255, minSize & 0xFF, 10);
        ResetSlider(1, 0, 99999, sens, 13);
        ResetSlider(2, 0, 99999, area, 14);
        break;
    case RoiCode::IgnoreArea:
        ResetSlider(0, 0, 255, minSize, 16);
        ResetSlider(1, 0, 255, sens, 16);
        ResetSlider(2, 0, 255, area, 16);
        break;
    case RoiCode::Position:
        ResetSlider(0, 1, 100, minSize, 20);
        ResetSlider(1, 1, 32, sens, 16);
        ResetSlider(2, 1, 100, area, 16);
        break;
    case RoiCode::BlackArea:
    case RoiCode::WhiteArea:
        ResetSlider(1, 0, 255, sens, code == RoiCode::BlackArea ? 11 : 10);
        ResetSlider(2, 0, 50000, area, 24);
        break;
    case RoiCode::Similarity:
        ResetSlider(1, 0, 100, sens, 362);
        break;
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        ResetSlider(0, 1, 100, minSize, 22);
        ResetSlider(1, 0, 255, sens, code == RoiCode::WhiteNum ? 10 : 11);
        ResetSlider(2, 0, 100, RoiRules::MinCount(area), 663);
        break;
    case RoiCode::DistMeasure:
        ResetSlider(0, 0, 1, minSize, 584);
        ResetSlider(1, 0, 255, sens, 582);
        ResetSlider(2, 0, 5000, area, 583);
        break;
    default:
        ResetSlider(0, 1, 10, minSize, 22);
        ResetSlider(1, 0, 255, sens, 23);
        ResetSlider(2, 0, 1000, area, 24);
        break;
    }
}

void RoiPanel::Place(int rows)
{
    const bool small = gShowW <= 1024;
    const int h = small ? 40 : 45;
    const QRect free = m_w.FreeArea();
    // The block stands between the cavity boxes at the top of the view and
    // the move row at its foot: over either, a row of buttons would be left
    // with a strip to press.
    int limit = std::min(gShowH - (small ? 50 : 70), free.bottom() - 5);
    limit = std::min(limit, m_w.moveButton[0]->y() - 5);
    int top = 0;
    for (const CheckBox* b : m_w.cavityBox)
        if (!b->isHidden())
            top = std::max(top, b->geometry().bottom() + 6);
    const cv::Rect box = m_w.editSet->RoiBox(Step(), m_w.selectedRoi);
    const int areaTop = int(box.y * ShowScaleH());
    const int areaBottom = int((box.y + box.height) * ShowScaleH());
    int y = std::max(areaBottom + 5, top);
    if (y + rows * h >= limit)
        y = std::min(areaTop, limit) - rows * h;
    y = std::max(y, top);
    const int wLabel = small ? 40 : 80;
    const int wButton = small ? 70 : 120;
    const int wCombo = small ? 44 : 55;
    const int wPad = small ? 56 : 93;
    const int pitch = small ? 59 : 96;
    const int rowWidth = wLabel + 4 * wButton + wCombo + 4 * pitch;
    int x = 400;
    int sliderW = gShowW / 2 + 25;
    if (small) {
        sliderW = 600;
        x = std::clamp(int(box.x * ShowScaleW()), 0, std::max(gShowW - 160 - sliderW, 0));
    }
    // Left of the editor column: the button row and the sliders end before it.
    x = std::max(std::min(x, free.right() - rowWidth), free.left());
    sliderW = std::min(sliderW, free.right() - x);
    // Sensitivity first, then area and first limit when every area has its own.
    const int order[3] = {1, 2, 0};
    int row = 0;
    for (int i : order) {
        if (i != 1 && !LiveParams().showAllParams)
            continue;
        m_w.slider[i]->setGeometry(x, y + row * h, sliderW, h);
        ++row;
    }
    const int by = y + row * h;
    int bx = x;
    m_w.funcLabel->setGeometry(bx, by, wLabel, h);
    bx += wLabel;
    m_w.funcButton->setGeometry(bx, by, wButton, h);
    bx += wButton;
    m_w.paraSwitchButton->setGeometry(bx, by, wButton, h);
    bx += wButton;
    m_w.outputCombo->setGeometry(bx, by, wCombo, h);
    bx += wCombo;
    m_w.handleButton->setGeometry(bx, by, wButton, h);
    bx += wButton;
    for (ColorButton* b : m_w.padButton) {
        b->setGeometry(bx, by, wPad, h);
        bx += pitch;
    }
    m_w.nextRoiButton->setGeometry(bx, by, wButton, h);
}

void RoiPanel::ShowHideROIPara()
{
    m_w.previewShown = 0;
    if (!HasSelection()) {
        HideControls();
        for (ColorButton* b : m_w.moveButton)
            b->hide();
        m_w.moveAllButton->hide();
        m_w.moveMode = 0;
        m_w.touch().handle = 0;
        m_w.moveAllButton->setText(LanStr(12));
        m_w.update();
        return;
    }
    const WizardPara& p = LiveParams();
    const CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    int code = s.algorithm[g][j];
    if (code < 0 || code > 9)
        code = 0;
    m_w.PlaceMoveButtons();
    Place(p.showAllParams ? 4 : 2);
    m_w.paraToggle = false;
    SetupSliders(code);
    m_w.funcButton->setText(LanStr(AreaFunctionText(code)));

    for (ColorButton* b : m_w.moveButton)
        b->show();
    m_w.moveAllButton->show();
    HideControls();
    if (m_w.moveMode == 0) {
        const bool perArea = p.showAllParams != 0;
        m_w.slider[0]->setVisible(perArea && code != RoiCode::BlackArea && code != RoiCode::WhiteArea
                                  && code != RoiCode::Similarity);
        m_w.slider[2]->setVisible(perArea && code != RoiCode::Similarity);
        m_w.slider[1]->show();
        m_w.handleButton->show();
        int enabled = 0;
        for (int c = 0; c <= 9; ++c)
            enabled += AreaFunctionEnabled(p, c) ? 1 : 0;
        m_w.funcLabel->setVisible(enabled > 1);
        m_w.funcButton->setVisible(enabled > 1);
        m_w.paraSwitchButton->setVisible(code == RoiCode::Spot || code == RoiCode::WhiteNum
                                         || code == RoiCode::BlackNum);
        for (ColorButton* b : m_w.padButton)
            b->show();
        m_w.nextRoiButton->show();
        if (g == 0 && (p.prodNgPulseNoAlarm || p.prodNgNoAlarmSplitOutputs)) {
            const QSignalBlocker block(m_w.outputCombo);
            m_w.outputCombo->setCurrentIndex(std::clamp(s.output_point[j], 0, 3));
            m_w.outputCombo->show();
        }
    }
    const int h = m_w.touch().handle;
    const int type = s.roi_type[g][j];
    static const char* const radius[4] = {"+10", "+1", "-1", "-10"};
    static const char* const axis[4] = {"Y -1", "X -1", "Y +1", "X +1"};
    const bool radiusPad = type == CammerSingleton::kCircle && (h == 0 || h == 1);
    for (int k = 0; k < 4; ++k)
        m_w.padButton[k]->setText(QString::fromLatin1(radiusPad ? radius[k] : axis[k]));
    if (type == CammerSingleton::kRect)
        m_w.handleButton->setText(LanStr(h == 1 ? 29 : 30));
    else if (type == CammerSingleton::kCircle)
        m_w.handleButton->setText(LanStr(h == 1 ? 26 : h == 2 ? 27 : 28));
    else
        m_w.handleButton->setText(LanStr(31).arg(h + 1));
    m_w.update();
}

void RoiPanel::SlotChangeFunc()
{
    if (!HasSelection())
        return;
    CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    // With nothing switched on the area keeps its function.
    const int code = NextFunction(LiveParams(), s.algorithm[g][j]);
    if (code < 0)
        return;
    WriteDefaults(s, g, j, code);
    m_w.paraToggle = false;
    ShowHideROIPara();
}

void RoiPanel::SlotChangeParaSow()
{
    m_w.paraToggle = !m_w.paraToggle;
    if (!HasSelection()) {
        m_w.update();
        return;
    }
    const CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    const int code = s.algorithm[g][j];
    const bool high = m_w.paraToggle;
    if (code == RoiCode::Spot) {
        // The low byte is the lowest grey level of the band, the second byte the highest.
        const int v = high ? (s.min_size[g][j] >> 8) & 0xFF : s.min_size[g][j] & 0xFF;
        ResetSlider(0, 0, 255, v, high ? 11 : 10);
    } else if (code == RoiCode::WhiteNum || code == RoiCode::BlackNum) {
        const int area = s.max_area[g][j];
        ResetSlider(2, 0, 100, high ? RoiRules::MaxCount(area) : RoiRules::MinCount(area), high ? 664 : 663);
    }
    m_w.update();
}

void RoiPanel::AfterLimitChange()
{
    gDrawHint = 1;
    ViewHost::instance().startDrawHint();
    if (m_w.engine)
        m_w.engine->RunTest(Step(), m_w.selectedRoi);
    m_w.update();
}

void RoiPanel::SlotMinWH(int v)
{
    if (!HasSelection())
        return;
    int& minSize = m_w.editSet->min_size[Step()][m_w.selectedRoi];
    if (m_w.editSet->algorithm[Step()][m_w.selectedRoi] == RoiCode::Spot) {
        const int shift = m_w.paraToggle ? 8 : 0;
        minSize = (minSize & ~(0xFF << shift)) | ((v & 0xFF) << shift);
    } else {
        minSize = v;
    }
    AfterLimitChange();
}

void RoiPanel::SlotSensitivity(int v)
{
    if (!HasSelection())
        return;
    m_w.editSet->sensibility[Step()][m_w.selectedRoi] = v;
    AfterLimitChange();
}

void RoiPanel::SlotArea(int v)
{
    if (!HasSelection())
        return;
    int& area = m_w.editSet->max_area[Step()][m_w.selectedRoi];
    const int code = m_w.editSet->algorithm[Step()][m_w.selectedRoi];
    if (code == RoiCode::WhiteNum || code == RoiCode::BlackNum) {
        const quint32 word = quint32(area);
        const quint32 part = quint32(v) & 0xFFFFu;
        area = int(m_w.paraToggle ? (word & 0xFFFFu) | (part << 16) : (word & 0xFFFF0000u) | part);
    } else {
        area = v;
    }
    AfterLimitChange();
}

void RoiPanel::SlotOutN(int i)
{
    if (Step() != 0 || !HasSelection() || i < 0 || i > 3)
        return;
    m_w.editSet->output_point[m_w.selectedRoi] = i;
}

void RoiPanel::SlotChangeObject()
{
    if (!HasSelection())
        return;
    const CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    int handles = s.polygon[g][j].Count();
    if (s.roi_type[g][j] == CammerSingleton::kRect)
        handles = ClustomRect::kHandleCount;
    else if (s.roi_type[g][j] == CammerSingleton::kCircle)
        handles = Circle::kHandleCount;
    int& h = m_w.touch().handle;
    h = (h + 1 >= handles) ? 0 : h + 1;
    ShowHideROIPara();
}

void RoiPanel::Rebuild(int g, int j)
{
    m_w.editMasks[g][j] = m_w.editSet->BuildMask(g, j);
}

void RoiPanel::SlotSize(int mode)
{
    if (!HasSelection() || mode < 0 || mode > 3)
        return;
    CammerSingleton& s = *m_w.editSet;
    const int g = Step();
    const int j = m_w.selectedRoi;
    const int h = m_w.touch().handle;
    static const QPoint step[4] = {QPoint(0, -1), QPoint(-1, 0), QPoint(0, 1), QPoint(1, 0)};
    static const int radius[4] = {10, 1, -1, -10};
    switch (s.roi_type[g][j]) {
    case CammerSingleton::kRect: {
        ClustomRect& r = s.rect[g][j];
        if (h == 1)
            r.setBottomRight(r.bottomRight() + step[mode]);
        else
            r.setTopLeft(r.topLeft() + step[mode]);
        const bool sel = r.IsSelected();
        CheckInRange(&r, false);
        r.SetSelected(sel);
        break;
    }
    case CammerSingleton::kCircle: {
        Circle& c = s.circle[g][j];
        if (h == 0) {
            c.innerRadius += radius[mode];
        } else if (h == 1) {
            c.outerRadius += radius[mode];
        } else {
            c.centerX += step[mode].x();
            c.centerY += step[mode].y();
        }
        c.ClampRadii();
        c.UpdateRect();
        CheckInRange(&c, false);
        c.UpdateAll();
        break;
    }
    default: {
        RePolygon& poly = s.polygon[g][j];
        if (h < 0 || h >= poly.Count())
            return;
        QPoint& v = poly.points[size_t(h)];
        int x = v.x() + step[mode].x();
        int y = v.y() + step[mode].y();
        CheckInRange(&x, 1);
        CheckInRange(&y, 0);
        v = QPoint(x, y);
        break;
    }
    }
    Rebuild(g, j);
    m_w.update();
}

void RoiPanel::SlotMove(int dx, int dy)
{
    CammerSingleton* set = m_w.editSet;
    const int g = Step();
    if (!set)
        return;
    const int n = std::clamp(set->count[g], 0, int(CammerSingleton::kMaxRoi));
    int first = 0;
    int last = n - 1;
    if (m_w.moveMode != 2) {
        if (!HasSelection())
            return;
        first = last = m_w.selectedRoi;
    }
    for (int j = first; j <= last; ++j) {
        if (!MoveArea(*set, g, j, QPoint(dx, dy)))
            break;  // this area and the later ones stay where they are
        Rebuild(g, j);
    }
    ShowHideROIPara();
}

void RoiPanel::SlotMoveAll()
{
    if (!HasSelection())
        return;
    m_w.moveMode = (m_w.moveMode + 1) % 3;
    static const int texts[3] = {12, 32, 34};
    m_w.moveAllButton->setText(LanStr(texts[m_w.moveMode]));
    ShowHideROIPara();
}

void RoiPanel::SlotNextROI()
{
    CammerSingleton* set = m_w.editSet;
    const int g = Step();
    if (!set)
        return;
    const int n = std::clamp(set->count[g], 0, int(CammerSingleton::kMaxRoi));
    if (n < 1)
        return;
    const int from = m_w.selectedRoi;
    const QPoint p = m_w.touch().lastTouch;
    for (int k = 1; k <= n; ++k) {
        const int j = ((from < 0 ? -1 : from) + k) % n;
        if (!AreaHit(*set, g, j, p))
            continue;
        m_w.DeselectROI();
        SelectArea(*set, g, j, true);
        m_w.selectedRoi = j;
        ShowHideROIPara();
        return;
    }
}

void RoiPanel::ShowHideCheckBox(bool show)
{
    for (CheckBox* b : m_w.cavityBox)
        b->setVisible(show);
}

void RoiPanel::SetCheckBoxState(int row)
{
    if (!m_w.editSet || row < 0 || row >= CammerSingleton::kGroups)
        return;
    for (int k = 0; k < CammerSingleton::kCavities; ++k) {
        const QSignalBlocker block(m_w.cavityBox[k]);
        m_w.cavityBox[k]->setCheckState(m_w.editSet->cavity[row][k] ? Qt::Checked : Qt::Unchecked);
    }
}

void RoiPanel::SlotClickCheckBox(int k)
{
    if (!m_w.editSet || k < 0 || k >= CammerSingleton::kCavities)
        return;
    // The boxes always edit row 1, whatever the step.
    m_w.editSet->cavity[1][k] = int(m_w.cavityBox[k]->checkState());
}

void RoiPanel::SlotCopyArea(QPoint p)
{
    CammerSingleton* set = m_w.editSet;
    const int g = Step();
    if (!set || set->count[g] <= 0)
        return;
    if (!Ask(38))
        return;
    const int n = set->count[g];
    if (n >= CammerSingleton::kMaxRoi) {
        Warn(36);
        return;
    }
    int src = n - 1;
    if (m_w.selectedRoi >= 0 && m_w.selectedRoi < n)
        src = m_w.selectedRoi;
    else if (m_w.previousRoi >= 0 && m_w.previousRoi < n)
        src = m_w.previousRoi;
    const int j = n;
    const int type = set->roi_type[g][src];
    if (type == CammerSingleton::kPolygon) {
        RePolygon poly = set->polygon[g][src];
        if (!poly.points.empty()) {
            const QPoint d = p - poly.points.front();
            for (QPoint& v : poly.points) {
                int x = v.x() + d.x();
                int y = v.y() + d.y();
                CheckInRange(&x, 1);
                CheckInRange(&y, 0);
                v = QPoint(x, y);
            }
        }
        set->polygon[g][j] = poly;
    } else if (type == CammerSingleton::kCircle) {
        Circle c = set->circle[g][src];
        c.moveCenter(p);
        CheckInRange(&c, true);
        c.UpdateAll();
        set->circle[g][j] = c;
    } else {
        ClustomRect r = set->rect[g][src];
        r.moveCenter(p);
        CheckInRange(&r, true);
        set->rect[g][j] = r;
    }
    set->roi_type[g][j] = type;
    CopyLimits(*set, g, src, g, j);
    if (g == 0)
        set->output_point[j] = set->output_point[src];
    set->NGCount[g][j] = 0;
    m_w.roiValue[g][j] = 0;
    Rebuild(g, j);
    SelectArea(*set, g, src, false);
    SelectArea(*set, g, j, true);
    set->count[g] = n + 1;
    m_w.selectedRoi = j;
    m_w.NoteNewArea(g, j);
    ShowHideROIPara();
}

void RoiPanel::CopyPara()
{
    if (m_w.liveSet)
        CopyPairedSteps(*m_w.liveSet, m_w.liveMasks, LiveParams().machineType);
}

void RoiPanel::CopyPairedSteps(CammerSingleton& set, cv::Mat (*masks)[50], int machineType)
{
    std::vector<std::pair<int, int>> pairs;
    if (machineType == 0 || machineType == 3)
        pairs = {{0, 1}};
    else if (machineType == 1 || machineType == 2)
        pairs = {{0, 2}, {1, 3}};
    // Shapes, masks, kinds, limits and functions; cavities, outputs and NG counters stay.
    for (const auto& [from, to] : pairs) {
        const int n = std::clamp(set.count[from], 0, int(CammerSingleton::kMaxRoi));
        set.count[to] = n;
        for (int j = 0; j < n; ++j) {
            set.rect[to][j] = set.rect[from][j];
            set.circle[to][j] = set.circle[from][j];
            set.polygon[to][j] = set.polygon[from][j];
            SelectArea(set, to, j, false);
            if (masks)
                masks[to][j] = masks[from][j];
            set.roi_type[to][j] = set.roi_type[from][j];
            CopyLimits(set, from, j, to, j);
        }
    }
}
