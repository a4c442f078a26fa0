#include "IndexButton.h"

#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"

#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace {
constexpr int kButtonH = 83;
constexpr int kSpacing = 1;
// Buttons give way when more of them are enabled than fit on a short screen.
constexpr int kMinButtonH = 44;
constexpr int kSnapshotW = 140;
constexpr int kComboFont = 33;
constexpr int kComboChrome = 30;  // frame and drop-down arrow

const WizardPara& Para()
{
    static const WizardPara none;
    return gpWPara ? *gpWPara : none;
}
}  // namespace

IndexButton::IndexButton(QWidget* parent)
    : QWidget(parent)
{
    m_logo = new QLabel(this);
    m_logo->setGeometry((kWidth - 230) / 2, 0, 230, kLogoHeight);
    m_logo->setScaledContents(true);
    for (const char* name : {"./images/logo2.bmp", "./images/logo2.png"}) {
        if (QFile::exists(QLatin1String(name))) {
            m_logo->setPixmap(QPixmap(QLatin1String(name)));
            break;
        }
    }

    returnButton = AddButton(126);
    startStopButton = AddButton(127);
    systemParaButton = AddButton(215);
    reTrainButton = AddButton(129);
    adjustAreaButton = AddButton(130);
    if (gisUseStatistics)
        statisticsButton = AddButton(541);
    accountButton = AddButton(604);
    skipButton = AddButton(573);
    helpButton = AddButton(111);
    snapshotButton = AddButton(516);
    snapshotCombo = new ComboBox(this);
    snapshotCombo->setItemHeight(73);
    moldSnapshotButton = AddButton(132);
    proSnapshotButton = AddButton(131);
    captureModeButton = AddButton(Para().externalTrigger == 1 ? 650 : 651);

    m_autoHide = new QTimer(this);
    connect(m_autoHide, &QTimer::timeout, this, &IndexButton::SlotShowHideTimeout);
    setGeometry(gShowW - kWidth, 0, kWidth, gShowH - 10);
    ShowHide(0);
    ResetComboChooseManualTrig();
}

ColorButton* IndexButton::AddButton(int textId)
{
    auto* b = new ColorButton(LanStr(textId), this, 4);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void IndexButton::ShowHide(int mode)
{
    const WizardPara& p = Para();
    bool v = true;
    if (mode == 0)
        hide();
    else if (mode == 1)
        v = m_shown != 0;
    for (QWidget* w : {returnButton, startStopButton, systemParaButton, reTrainButton, adjustAreaButton, helpButton})
        w->setVisible(v);
    if (statisticsButton)
        statisticsButton->setVisible(v);
    accountButton->setVisible(false);
    skipButton->setVisible(v && p.skipDetect);
    captureModeButton->setVisible(v && p.showAcqModeButton);
    const bool snapshots = p.showManualSnapshot != 0;
    const bool multi = p.machineType == 4;
    moldSnapshotButton->setVisible(v && snapshots && !multi);
    proSnapshotButton->setVisible(v && snapshots && !multi && p.productDetectOn);
    snapshotButton->setVisible(v && snapshots && multi);
    snapshotCombo->setVisible(v && snapshots && multi);
    Relayout();
}

void IndexButton::Relayout()
{
    // Top to bottom under the logo; the capture-mode button sits at the
    // bottom, below the stretch.
    const QList<QWidget*> rows = {returnButton, startStopButton, systemParaButton, reTrainButton,
                                  adjustAreaButton, statisticsButton, accountButton, skipButton,
                                  helpButton, snapshotButton, moldSnapshotButton, proSnapshotButton};
    int shown = captureModeButton->isHidden() ? 0 : 1;
    for (QWidget* w : rows)
        shown += w && !w->isHidden() ? 1 : 0;
    const int room = height() - kLogoHeight - kSpacing * (shown + 1);
    const int h = shown ? std::clamp(room / shown, kMinButtonH, kButtonH) : kButtonH;
    int y = kLogoHeight + kSpacing;
    for (QWidget* w : rows) {
        if (!w || w->isHidden())
            continue;
        if (w == snapshotButton) {
            w->setGeometry(0, y, kSnapshotW, h);
            snapshotCombo->setGeometry(kSnapshotW + kSpacing, y, kWidth - kSnapshotW - kSpacing, h);
        } else {
            w->setGeometry(0, y, kWidth, h);
        }
        y += h + kSpacing;
    }
    captureModeButton->setGeometry(0, std::max(y, height() - h), kWidth, h);
}

void IndexButton::checkShowHide()
{
    if (m_shown == 0) {
        m_shown = 1;
        ShowHide(1);
    }
}

int IndexButton::CurChooseTrig() const
{
    return snapshotCombo->currentIndex();
}

void IndexButton::ResetComboChooseManualTrig()
{
    snapshotCombo->clear();
    const int n = std::min(Para().customDetectCount, 8);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(kComboFont);
    int widest = 0;
    for (int i = 0; i < n; ++i) {
        snapshotCombo->addItem(QStringLiteral("%1").arg(LanStr(477 + i)));
        widest = std::max(widest, QFontMetrics(f).horizontalAdvance(LanStr(477 + i)));
    }
    // "第1次" at 33 px is wider than the combo beside the snapshot button.
    const int room = kWidth - kSnapshotW - kSpacing - kComboChrome;
    if (widest > room)
        f.setPixelSize(std::max(12, kComboFont * room / widest));
    snapshotCombo->setFont(f);
}

void IndexButton::ReSetCaptureMode()
{
    const WizardPara& p = Para();
    if (p.showAcqModeButton)
        captureModeButton->setText(LanStr(p.externalTrigger == 1 ? 650 : 651));
}

void IndexButton::Reset()
{
    ShowHide(0);
    ResetComboChooseManualTrig();
}

void IndexButton::SetDetecting(bool detecting)
{
    startStopButton->setText(LanStr(detecting ? 127 : 136));
}

void IndexButton::SetSkipping(bool skipping)
{
    skipButton->setText(LanStr(skipping ? 576 : 573));
}

void IndexButton::SlotShowHideTimeout()
{
    hide();
    m_autoHide->stop();
}

void IndexButton::mousePressEvent(QMouseEvent* event)
{
    if (event->position().y() < kLogoHeight) {
        m_shown = m_shown ? 0 : 1;
        ShowHide(1);
    }
    QWidget::mousePressEvent(event);
}

void IndexButton::showEvent(QShowEvent* event)
{
    m_shown = 1;
    ShowHide(1);
    QWidget::showEvent(event);
    // The views' texts make way for the column: repaint them.
    if (parentWidget())
        parentWidget()->update();
}

void IndexButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (parentWidget())
        parentWidget()->update();
}

void IndexButton::paintEvent(QPaintEvent*)
{
    // Nothing of its own: the camera views show between the buttons.
}
