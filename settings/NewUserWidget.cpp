#include "NewUserWidget.h"

#include "SettingsPopups.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "params/WizardPara.h"
#include "widgets/ColorButton.h"
#include "widgets/EditBox.h"

#include <QEvent>
#include <QPainter>

ImageWidget::ImageWidget(QWidget* parent)
    : QWidget(parent)
{
    for (int k = 0; k < 3; ++k) {
        picture[k] = new QLabel(this);
        picture[k]->setPixmap(QPixmap(QStringLiteral("./newuser/h%1.png").arg(k + 1)));
        picture[k]->setScaledContents(true);
        picture[k]->installEventFilter(this);
    }
    m_outSize = QPixmap(QStringLiteral("./newuser/out.png")).size();
    productDelay = new EditBox(0, 1000, this, LanStr(161), QString());
    mouldDelay = new EditBox(0, 1000, this, LanStr(162), QString());
    if (gpWPara) {
        productDelay->setValue(gpWPara->detectDelay[0]);
        mouldDelay->setValue(gpWPara->detectDelay[1]);
    }
    LabelInit();
}

void ImageWidget::LabelInit()
{
    enlarged = -1;
    int y = 0;
    for (QLabel* l : picture) {
        l->setGeometry(0, y, 400, 300);
        y += 305;
    }
    productDelay->move(0, y);
    mouldDelay->move(0, y + productDelay->sizeHint().height() + 5);
    adjustSize();
}

void ImageWidget::UpdateState(int step)
{
    for (int k = 0; k < 3; ++k)
        picture[k]->setVisible(k <= step);
    productDelay->setVisible(step == 1);
    mouldDelay->setVisible(step == 1);
}

bool ImageWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        for (int k = 0; k < 3; ++k)
            if (watched == picture[k])
                ClickedLabelStep0(k);
    return QWidget::eventFilter(watched, event);
}

void ImageWidget::ClickedLabelStep0(int k)
{
    if (enlarged == k) {
        LabelInit();
    } else {
        enlarged = k;
        int y = 0;
        for (int i = 0; i < 3; ++i) {
            const QSize s = i == k && m_outSize.isValid() ? m_outSize : QSize(240, 180);
            picture[i]->setGeometry(0, y, s.width(), s.height());
            y += s.height() + 5;
        }
        adjustSize();
    }
    // The panel keeps to the right edge of the screen.
    move(gShowW - width(), y());
}

void ImageWidget::ClickedLabelStep1(int k)
{
    ClickedLabelStep0(k);
}

NewUserWidget::NewUserWidget(NewUserHost* host, QWidget* parent)
    : QWidget(parent)
    , m_host(host)
    , m_cameras(host ? std::min(host->numCamera(), 8) : 0)
{
    setGeometry(0, 0, gShowW, gShowH);
    images = new ImageWidget(this);
    auto button = [this](int text, void (NewUserWidget::*slot)(), int stepShown) {
        auto* b = new ColorButton(LanStr(text), this, 3);
        b->setFixedSize(160, 50);
        connect(b, &QPushButton::clicked, this, slot);
        if (stepShown >= 0)
            m_stepButtons[stepShown] << b;
        return b;
    };
    button(346, &NewUserWidget::SlotChangeTemp, 1);
    delayButton = button(344, &NewUserWidget::SlotDelay, 1);
    button(339, &NewUserWidget::SlotLast, -1);
    auto* snapshot = new ColorButton(LanStr(132), this, 3);
    snapshot->setFixedSize(160, 50);
    connect(snapshot, &QPushButton::clicked, this, [this] { m_host->manualTrigger(); });
    m_stepButtons[1] << snapshot;
    button(340, &NewUserWidget::SlotNext, -1);
    button(130, &NewUserWidget::SlotAdjustArea, 2);
    button(348, &NewUserWidget::SlotReturn, -1);
    for (int c = 0; c < std::min(m_cameras, 4); ++c) {
        auto* b = new ColorButton(LanStr(349 + c), this, 3);
        b->setFixedSize(160, 50);
        connect(b, &QPushButton::clicked, this, [this, c] { ChangeCamera(c); });
        m_stepButtons[0] << b;
    }
    if (m_cameras >= 2) {
        auto* b = new ColorButton(LanStr(353), this, 3);
        b->setFixedSize(160, 50);
        connect(b, &QPushButton::clicked, this, [this] { ChangeCamera(m_cameras); });
        m_stepButtons[0] << b;
    }
    int x = 10;
    for (QObject* o : children())
        if (auto* b = qobject_cast<ColorButton*>(o)) {
            b->move(x, gShowH - 60);
            x += 165;
        }
    for (int c = 0; c < 8; ++c)
        m_snapshot[c] = QImage(std::max(gImageW, 1), std::max(gImageH, 1), QImage::Format_RGB32);
    UpdateState(step);
    hide();
}

void NewUserWidget::UpdateState(int& s)
{
    s = std::clamp(s, 0, 2);
    for (int k = 0; k < 3; ++k)
        for (QWidget* b : m_stepButtons[k])
            b->setVisible(k == s);
    images->UpdateState(s);
}

void NewUserWidget::SlotNext()
{
    ++step;
    UpdateState(step);
    update();
}

void NewUserWidget::SlotLast()
{
    --step;
    UpdateState(step);
    update();
}

void NewUserWidget::ChangeCamera(int c)
{
    camera = c;
    m_host->selectCamera(c);
    update();
}

void NewUserWidget::SlotChangeTemp()
{
    m_showMould = !m_showMould;
    update();
}

void NewUserWidget::StoreDelays()
{
    if (!gpWPara)
        return;
    // The product delay is never longer than the mould delay.
    gpWPara->detectDelay[1] = images->mouldDelay->value();
    gpWPara->detectDelay[0] = std::min(images->productDelay->value(), images->mouldDelay->value());
}

void NewUserWidget::SlotDelay()
{
    if (waitingForTrigger) {
        for (int c = 0; c < m_cameras; ++c)
            if (const unsigned char* f = m_host->liveFrame(c)) {
                m_snapshot[c] = QImage(f, gImageW, gImageH, QImage::Format_RGB32).copy();
                m_snapshotTaken[c] = true;
            }
        StoreDelays();
        waitingForTrigger = false;
        delayButton->setText(LanStr(345));
        m_host->startResampling();
    } else {
        waitingForTrigger = true;
        delayButton->setText(LanStr(344));
        std::fill(std::begin(m_snapshotTaken), std::end(m_snapshotTaken), false);
        images->UpdateState(1);
    }
    update();
}

void NewUserWidget::SlotAdjustArea()
{
    hide();
    m_host->adjustArea();
}

void NewUserWidget::SlotReturn()
{
    hide();
    step = 0;
    waitingForTrigger = true;
    delayButton->setText(LanStr(344));
    std::fill(std::begin(m_snapshotTaken), std::end(m_snapshotTaken), false);
    m_host->backToDetecting();
    if (Ask(LanStr(234)))
        StoreDelays();
}

void NewUserWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int c = std::clamp(camera, 0, 7);
    if (camera < m_cameras && m_snapshotTaken[c])
        p.drawImage(rect(), m_snapshot[c]);
}
