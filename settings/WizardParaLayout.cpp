// Page switching and placing of the settings dialog: which controls each
// page shows, where they sit and which captions are painted beside them.
#include "WizardParaWidget.h"

#include "NetworkPageHooks.h"
#include "SettingsHost.h"
#include "SettingsPainter.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "params/WizardPara.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/C_Type_COM.h"
#include "widgets/Edit.h"
#include "widgets/EditBox.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

namespace {
const QColor kCyan(0, 255, 255);

// The strip above the page buttons where a page too wide for the dialog slides.
int SlideHeight()
{
    const WizardParaWidget::Sizes s = WizardParaWidget::Sizes::Current();
    return !s.wide || s.compact ? 12 : 24;
}

// Places the shown controls of one kind in their page order.
template <class Kind>
void PlaceAll(PagePlacer& pl, const QList<QWidget*>& shown)
{
    for (QWidget* w : shown)
        if (qobject_cast<Kind*>(w))
            pl.place(w);
}

// The given controls that the page shows.
QList<QWidget*> ShownOf(const QList<QWidget*>& shown, std::initializer_list<QWidget*> controls)
{
    QList<QWidget*> out;
    for (QWidget* w : controls)
        if (shown.contains(w))
            out << w;
    return out;
}

int DetectionsEdited()
{
    return gpWParaBak ? std::clamp(gpWParaBak->customDetectCount, 2, 8) : 2;
}

// Position of w in a control array; the array's size when it is not there.
template <class T, size_t N>
int IndexIn(T* const (&controls)[N], const QWidget* w)
{
    return int(std::find(std::begin(controls), std::end(controls), w) - std::begin(controls));
}

// Rows of the System page's left column: the delays, then recheck (y0),
// retest delay (y1), continuous NG (y2) and the filter rows (y3) under n
// delays. The compact grid has rows of its own so that eight delays and the
// rows under them stay above the page buttons.
struct DelayColumn {
    int pitch, top, gap, filterH, y0, y1, y2, y3;
    DelayColumn(bool wide, bool compact, bool custom, int n)
        : pitch(compact ? 42 : wide ? (custom ? 53 : 60) : 35)
        , top(compact ? 80 : wide ? 105 : 63)
        , gap(compact ? 36 : wide ? 50 : 30)
        , filterH(compact ? 42 : wide ? 60 : 35)
        , y0(n * pitch + top)
        , y1(y0 + 2 * gap)
        , y2(y1 + pitch + gap)
        , y3(y2 + pitch + filterH)
    {
    }
    // The rows under the delays moved up by dy.
    void shift(int dy)
    {
        y0 += dy;
        y1 += dy;
        y2 += dy;
        y3 += dy;
    }
};
}  // namespace

QRect WizardParaWidget::ContentArea() const
{
    const Sizes g = Sizes::Current();
    const int top = g.headerH + g.rowGap;
    const int bottom = height() - g.buttonH - 3 * g.rowGap - SlideHeight();
    return QRect(30, top, width() - 60, bottom - top);
}

void WizardParaWidget::SetEnable(bool)
{
    // Every control, whatever the argument; the network page disables its own.
    for (const QList<QWidget*>& page : m_controls)
        for (QWidget* w : page)
            w->setEnabled(true);
}

void WizardParaWidget::GoToPage(int page, bool rootOnly)
{
    if (m_page == page)
        return;
    if (rootOnly && !m_host->CheckRoot())
        return;
    m_page = page;
    DoChangePage();
}

void WizardParaWidget::SlotToCommon() { GoToPage(PageSystem, false); }
void WizardParaWidget::SlotToCamera() { GoToPage(PageCamera, false); }
void WizardParaWidget::SlotToNetwork() { GoToPage(PageNetwork, true); }
void WizardParaWidget::SlotToIO() { GoToPage(PageIO, true); }
void WizardParaWidget::SlotToAdvance() { GoToPage(PageAdvanced, true); }

bool WizardParaWidget::checkOutputNum(int index)
{
    return (gpWPara && gpWPara->machineType == 4) || index < 4;
}

void WizardParaWidget::SlotChangeSysFun(int machineType)
{
    mouldCombo->hide();
    customIOButton->hide();
    ioNameButton->hide();
    if (m_page != PageIO)
        return;
    if (machineType == 1 || machineType == 2)
        mouldCombo->show();
    else if (machineType == 4) {
        customIOButton->show();
        ioNameButton->show();
    }
    LayOutPage();
    update();
}

QList<QWidget*> WizardParaWidget::ShownControls() const
{
    const bool factory = factoryBox->isChecked();
    const bool custom = m_liveType == 4;
    const int n = DetectionsEdited();
    QList<QWidget*> shown;
    const QList<QWidget*>& all = m_controls[m_page];
    auto isFactory = [this](QWidget* w) { return m_factoryControls[m_page].contains(w); };
    switch (m_page) {
    case PageSystem:
        for (QWidget* w : all) {
            const int k = IndexIn(delayEdit, w);
            if (k < 8 && k >= 2 && !(custom && n > k))
                continue;
            if ((w == filterSizeEdit || w == areaEdit) && showAllBox->isChecked())
                continue;
            shown << w;
        }
        break;
    case PageCamera:
    case PageAdvanced:
        for (QWidget* w : all)
            if ((factory || !isFactory(w)) && !(w == offsetEdit && IsSmallLayout()))
                shown << w;
        break;
    case PageIO: {
        const int type = machineTypeCombo->currentIndex();
        for (QWidget* w : all) {
            const int k = IndexIn(outputStateCombo, w);
            if (k < 9 && (!factory || (k >= 4 && !(custom && n > k))))
                continue;
            if (w == mouldCombo && type != 1 && type != 2)
                continue;
            if ((w == customIOButton || w == ioNameButton) && type != 4)
                continue;
            shown << w;
        }
        break;
    }
    default:
        shown = all;
        break;
    }
    return shown;
}

void WizardParaWidget::DoChangePage()
{
    SetEnable(true);
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    for (const QList<QWidget*>& page : m_controls)
        for (QWidget* w : page)
            w->hide();
    // Every page opens at its left edge, whatever the last one was slid to.
    m_slide->setValue(0);
    m_net->Show(false, false);
    for (ColorButton* b : pageButton)
        b->show();
    confirmButton->show();
    if (m_page == PageNetwork)
        m_net->Show(true, factoryBox->isChecked());
    for (QWidget* w : ShownControls())
        w->show();
    LayOutPage();
    update();
}

void WizardParaWidget::ResetEBoxTrigDelayPos(int n)
{
    const Sizes g = Sizes::Current();
    const DelayColumn c(g.wide, g.compact, m_liveType == 4, n);
    recheckEdit->move(30, c.y0 + c.gap);
    retestDelayEdit->move(30, c.y1);
    continuousNgEdit->move(30, c.y2);
    filterSizeEdit->move(30, c.y3);
    areaEdit->move(30, c.y3 + c.filterH);
}

void WizardParaWidget::LayOutPage()
{
    const Sizes g = Sizes::Current();
    // What DoChangePage and the display mode left shown.
    QList<QWidget*> shown;
    for (QWidget* w : m_controls[m_simpleDisplay ? int(PageCamera) : m_page])
        if (!w->isHidden())
            shown << w;

    // Page buttons and Confirm along the bottom.
    const int bw = std::min(g.buttonW, (width() - 60 - 5 * g.rowGap) / 6);
    const int by = height() - g.buttonH - 2 * g.rowGap;
    for (int k = 0; k < 5; ++k) {
        pageButton[k]->setFixedSize(bw, g.buttonH);
        pageButton[k]->move(30 + k * (bw + g.rowGap), by);
    }
    confirmButton->setFixedSize(bw, g.buttonH);
    confirmButton->move(width() - 30 - bw, by);

    // Long captions in a small area: the switches' font shrinks until the
    // page fits, so nothing is placed outside the dialog or over the buttons.
    for (int px = g.checkPx; px >= g.checkMinPx; px -= 1) {
        QFont f(QStringLiteral("wqy-microhei"));
        f.setPixelSize(px);
        for (QWidget* w : shown)
            if (qobject_cast<CheckBox*>(w))
                w->setFont(f);
        if (PlacePage(shown) || px == g.checkMinPx)
            break;
    }
    for (PaintedCaption& c : m_captions)
        if (!c.pixelSize)
            c.pixelSize = g.captionPx;
    m_canvas->captions = m_captions;

    // What still does not fit slides into view.
    int right = 0;
    for (QWidget* w : shown)
        right = std::max(right, w->geometry().right() + 1);
    const int extra = right - (width() - 30);
    m_canvas->resize(width() + std::max(0, extra), height());
    m_slide->setRange(0, std::max(0, extra));
    m_slide->setPageStep(width());
    m_slide->setGeometry(30, by - g.rowGap - SlideHeight(), width() - 60, SlideHeight());
    m_slide->setVisible(extra > 0);
    if (extra <= 0)
        m_slide->setValue(0);
    m_canvas->move(-m_slide->value(), 0);
    m_canvas->lower();
    m_canvas->update();
}

bool WizardParaWidget::PlacePage(const QList<QWidget*>& shown)
{
    const Sizes g = Sizes::Current();
    const QRect area = ContentArea();
    m_captions.clear();
    bool fits = true;

    auto placer = [&](const QRect& r) { return PagePlacer(r, g.rowH, g.rowGap, g.compact ? 20 : 30, g.captionW); };
    // The page's captions; false when something lies outside the area.
    auto Done = [this](PagePlacer& pl) {
        pl.finish();
        m_captions << pl.captions();
        return !pl.overflowed();
    };
    switch (m_simpleDisplay ? int(PageCamera) : m_page) {
    case PageSystem: {
        const bool custom = m_liveType == 4;
        const int n = custom ? DetectionsEdited() : 2;
        DelayColumn c(g.wide, g.compact, custom, n);
        for (int k = 0; k < 8; ++k)
            if (delayEdit[k])
                delayEdit[k]->move(30, c.top + k * c.pitch);
        ResetEBoxTrigDelayPos(n);
        const int leftW = recheckEdit->sizeHint().width();
        int rowsX = 30;
        // Many delays on the wide grid push the rows under them below the
        // page buttons: those rows then stand in a column of their own.
        const QWidget* last = showAllBox->isChecked() ? continuousNgEdit : areaEdit;
        if (last->geometry().bottom() > area.bottom()) {
            rowsX = 30 + leftW + 30;
            c.shift(g.headerH - c.y0);
            recheckEdit->move(rowsX, c.y0 + c.gap);
            retestDelayEdit->move(rowsX, c.y1);
            continuousNgEdit->move(rowsX, c.y2);
            filterSizeEdit->move(rowsX, c.y3);
            areaEdit->move(rowsX, c.y3 + c.filterH);
        }
        auto heading = [&](int text, int x, int y, int height, bool separator) {
            PaintedCaption pc;
            pc.box = QRect(x, y, leftW, height);
            pc.text = LanStr(text);
            pc.color = kCyan;
            pc.separator = separator;
            m_captions << pc;
        };
        heading(219, 30, g.headerH, c.top - g.headerH - g.rowGap, true);
        heading(222, rowsX, c.y0, c.gap, false);
        heading(1001, rowsX, c.y1 + c.pitch, c.gap, true);
        if (!showAllBox->isChecked())
            heading(333, rowsX, c.y2 + c.pitch, c.filterH, true);
        // Right half: the functions.
        const int x = std::max(width() / 2 + 30, rowsX + leftW + 30);
        PagePlacer right = placer(QRect(x, g.headerH, area.right() - x, area.bottom() - g.headerH));
        right.heading(LanStr(228), kCyan);
        for (QWidget* w : shown)
            if (!qobject_cast<EditBox*>(w))
                right.place(w);
        fits = Done(right);
        break;
    }
    case PageCamera: {
        PagePlacer pl = placer(area);
        pl.heading(LanStr(221).arg(m_camera + 1), kCyan);
        // The unit stands beside the camera caption.
        PaintedCaption unit = pl.captions().last();
        QFont f(QStringLiteral("wqy-microhei"));
        f.setPixelSize(g.captionPx);
        unit.box.translate(QFontMetrics(f).horizontalAdvance(unit.text) + 20, 0);
        unit.text = LanStr(214);
        unit.color = Qt::green;
        unit.separator = false;
        unit.pixelSize = g.unitPx;
        const QList<QWidget*> buttons = ShownOf(shown, {showModeButton, switchCameraButton, restoreButton,
                                                        autoExposureButton, reorderButton});
        // Five buttons in a row would widen the first column past the value
        // boxes and leave the switches no room beside it on a compact screen.
        const int perRow = g.compact ? 3 : 5;
        for (int k = 0; k < buttons.size(); k += perRow)
            pl.placeRow(buttons.mid(k, perRow));
        PlaceAll<EditBox>(pl, shown);
        PlaceAll<CheckBox>(pl, shown);
        fits = Done(pl);
        m_captions << unit;
        break;
    }
    case PageIO: {
        PagePlacer pl = placer(area);
        static const int kStateCaption[4] = {273, 274, 275, 281};
        for (QWidget* w : shown) {
            if (w == input4Combo)
                pl.place(w, LanStr(203), Qt::yellow);
            else if (w == output4Combo)
                pl.place(w, LanStr(334), Qt::yellow);
            else if (!qobject_cast<CheckBox*>(w) && w != customIOButton && w != ioNameButton) {
                const int k = IndexIn(outputStateCombo, w);
                if (k < 4)
                    pl.place(w, LanStr(kStateCaption[k]), Qt::yellow);
                else if (k < 9)
                    pl.place(w, LanStr(496).arg(k + 1), Qt::yellow);
                else
                    pl.place(w);
            }
        }
        const QList<QWidget*> buttons = ShownOf(shown, {customIOButton, ioNameButton});
        if (!buttons.isEmpty())
            pl.placeRow(buttons);
        PlaceAll<CheckBox>(pl, shown);
        fits = Done(pl);
        break;
    }
    case PageAdvanced: {
        PagePlacer pl = placer(area);
        PlaceAll<EditBox>(pl, shown);
        pl.heading(LanStr(261), kCyan);
        pl.placeRow({groupNameEdit, paraGroupCombo});
        pl.placeRow({groupButton[0], groupButton[1], groupButton[2]});
        pl.heading(LanStr(225), kCyan);
        QFont f(QStringLiteral("wqy-microhei"));
        f.setPixelSize(g.captionPx);
        const QFontMetrics fm(f);
        const int lw = std::max(fm.horizontalAdvance(LanStr(226)), fm.horizontalAdvance(LanStr(227))) + 15;
        pl.place(newPasswordEdit, LanStr(226), Qt::yellow, lw);
        if (g.wide && !g.compact) {
            // Below the edits, so that the column stays narrow enough for
            // the longest switches in the next one.
            pl.place(confirmPasswordEdit, LanStr(227), Qt::yellow, lw);
            pl.placeRow(QString(), Qt::yellow, lw, {changePasswordButton});
        } else {
            pl.placeRow(LanStr(227), Qt::yellow, lw, {confirmPasswordEdit, changePasswordButton});
        }
        for (int k = 0; k < kActions; k += 2)
            pl.placeRow({actionButton[k], actionButton[k + 1]});
        PlaceAll<CheckBox>(pl, shown);
        fits = Done(pl);
        break;
    }
    case PageRecord: {
        const int listW = g.wide ? 250 : 120;
        recordList->setGeometry(area.left(), area.top(), listW, area.height());
        recordTable->setGeometry(area.left() + listW + g.rowGap, area.top(), area.width() - listW - g.rowGap,
                                 area.height());
        break;
    }
    default:
        break;
    }
    return fits;
}

SettingsPaintState WizardParaWidget::PaintState() const
{
    SettingsPaintState st;
    st.page = m_simpleDisplay ? int(PageCamera) : m_page;
    st.simple = m_simpleDisplay;
    st.serial = m_serial;
    static const int kTitle[6] = {215, 260, 328, 259, 229, 206};
    st.title = LanStr(kTitle[st.page]);
    const Sizes g = Sizes::Current();
    st.headerH = g.headerH;
    st.titlePx = g.titlePx;
    st.versionPx = g.versionPx;
    st.versionW = g.wide ? (g.compact ? 200 : 235) : 170;
    return st;
}

QList<PaintedCaption> WizardParaWidget::paintedTexts() const
{
    QList<PaintedCaption> out = SettingsHeaderTexts(rect(), PaintState());
    for (PaintedCaption c : m_canvas->captions) {
        c.box.translate(m_canvas->pos());
        out << c;
    }
    return out;
}

void WizardParaWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintSettings(p, rect(), PaintState());
}
