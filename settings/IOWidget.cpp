#include "IOWidget.h"

#include "IOCheckComBO.h"
#include "SettingsPopups.h"
#include "WizardParaWidget.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <QPainter>
#include <QSignalBlocker>

IOWidget::IOWidget(WizardParaWidget* parent)
    : QWidget(parent)
    , m_dialog(parent)
{
    // Laid out for 1800 x 950 and scaled to the dialog it covers.
    setGeometry(0, 0, parent->width(), parent->height());
    const double sx = width() / 1800.0;
    const double sy = height() / 950.0;
    m_scale = std::min(sx, sy);
    auto at = [&](int x, int y, int w, int h) { return QRect(int(x * sx), int(y * sy), int(w * m_scale), int(h * m_scale)); };

    QFont f(QStringLiteral("wqy-microhei"));
    // Text the rows' height leaves room for (the page is scaled down on smaller screens).
    f.setPixelSize(std::max(kLegiblePx, int(26 * m_scale)));
    countCombo = new ComboBox(this);
    countCombo->setFont(f);
    for (int id = 501; id <= 507; ++id)
        countCombo->addItem(LanStr(id));
    countCombo->setGeometry(at(40, 70, 150, 40));
    countCombo->setItemHeight(int(40 * m_scale));
    notSequentialBox = new CheckBox(this, LanStr(593));
    // The switch keeps the rows' text size and takes the width its caption needs.
    QFont rowFont(QStringLiteral("wqy-microhei"));
    rowFont.setPixelSize(std::max(kLegiblePx, int(26 * m_scale)));
    notSequentialBox->setFont(rowFont);
    notSequentialBox->setIndicatorSize(std::max(16, int(32 * m_scale)));
    const QRect sequential = at(280, 70, 450, 40);
    notSequentialBox->setGeometry(QRect(sequential.topLeft(),
                                        QSize(std::max(sequential.width(), notSequentialBox->sizeHint().width()),
                                              std::max(sequential.height(), notSequentialBox->sizeHint().height()))));
    for (int k = 0; k < 8; ++k) {
        rows[k] = new IOCheckComBO(this, QString(), 8, k, m_scale);
        rows[k]->move(int(30 * sx), int((140 + 70 * k) * sy));
        connect(rows[k], &IOCheckComBO::clickeCheckBox, this, &IOWidget::SlotClickCheckBox);
        connect(rows[k], &IOCheckComBO::changeTrigin, this, &IOWidget::SlotChangeTrigin);
    }
    resetButton = new ColorButton(LanStr(497), this, 3);
    resetButton->setGeometry(at(1320, 855, 200, 75));
    confirmButton = new ColorButton(LanStr(121), this, 3);
    confirmButton->setGeometry(at(1550, 855, 200, 75));
    connect(countCombo, &QComboBox::currentIndexChanged, this, &IOWidget::SlotChangeDetectNum);
    connect(resetButton, &QPushButton::clicked, this, &IOWidget::reset);
    connect(confirmButton, &QPushButton::clicked, this, &IOWidget::accept);
    if (gpWPara)
        initIOWidget(*gpWPara);
}

void IOWidget::initIOWidget(const WizardPara& p)
{
    for (int k = 0; k < 8; ++k) {
        inName[k] = p.inputNameIndex[k];
        outName[k] = p.outputNameIndex[k];
    }
    // Stored values index tables and set combos: only what they can name.
    detections = std::clamp(p.customDetectCount, 2, 8);
    for (int k = 0; k < 8; ++k) {
        owner[k] = p.customOutputOwner[k] >= -1 && p.customOutputOwner[k] < 8 ? p.customOutputOwner[k] : -1;
        cutMode[k] = p.customCutMode[k] >= 0 && p.customCutMode[k] < 6 ? p.customCutMode[k] : 0;
        rows[k]->trigIn = std::clamp(p.customTrigInput[k], 0, 7);
        const QSignalBlocker block(rows[k]->cutCombo);
        rows[k]->setCutMode(cutMode[k]);
    }
    {
        const QSignalBlocker block(countCombo);
        countCombo->setCurrentIndex(detections - 2);
    }
    notSequentialBox->setValue(p.detectNotInOrder == 0 ? 1 : 0);
    SlotChangeDetectNum(detections - 2);
    hide();
}

void IOWidget::SlotChangeDetectNum(int index)
{
    detections = std::clamp(index + 2, 2, 8);
    for (int k = 0; k < 8; ++k) {
        if (k < detections) {
            rows[k]->show();
            rows[k]->SetIONum(detections, k == 0 ? 0 : rows[k - 1]->trigIn);
        } else {
            rows[k]->hide();
        }
    }
    ResetOutput();
    ResetIOName();
}

void IOWidget::ResetIOName()
{
    for (IOCheckComBO* r : rows)
        r->resetName();
}

void IOWidget::ResetOutput()
{
    const int n = detections;
    for (int r = 0; r < 8; ++r)
        for (int k = 0; k < 8; ++k)
            rows[r]->clearBox(k, r < n && k < n);
    // Marks and bars rebuilt from the owner table; an owner outside the
    // rows and outputs in play owns nothing.
    for (int k = 0; k < 8; ++k) {
        const int o = owner[k];
        if (o >= 0 && o < n && k < n)
            rows[o]->setCheckComboStatus(k, true);
        else
            owner[k] = -1;
    }
}

void IOWidget::reset()
{
    for (IOCheckComBO* r : rows)
        for (int k = 0; k < 8; ++k)
            r->clearBox(k, false);
}

void IOWidget::Bar(int row, int output, bool barred)
{
    // Outputs go to the detections in order: a later detection's outputs
    // lie above every output of an earlier one.
    for (int j = 0; j < detections; ++j) {
        if (j == row)
            continue;
        const int from = j > row ? 0 : output;
        const int to = j > row ? output : detections - 1;
        for (int k = from; k <= to; ++k)
            rows[j]->setCheckdisable(k, !barred);
    }
}

void IOWidget::SlotClickCheckBox(int row, int output, int state)
{
    const bool ticked = state == Qt::Checked;
    Bar(row, output, ticked);
    if (ticked)
        return;
    // What other ticked boxes bar stays barred.
    for (int i = 0; i < detections; ++i)
        for (int k = 0; k < detections; ++k)
            if (rows[i]->getCheckComboStatus(k))
                Bar(i, k, true);
}

void IOWidget::SlotChangeTrigin(int row, int input)
{
    if (row < 7)
        rows[row + 1]->updateTriginCombo(input);
}

void IOWidget::accept()
{
    if (owner[detections - 1] == -1) {
        Warn(LanStr(512));
        return;
    }
    WizardPara& p = *gpWParaBak;
    p.customDetectCount = detections;
    for (int k = 0; k < 8; ++k) {
        p.customTrigInput[k] = rows[k]->trigIn;
        p.customOutputOwner[k] = owner[k];
        p.customCutMode[k] = cutMode[k];
    }
    p.detectNotInOrder = notSequentialBox->isChecked() ? 0 : 1;
    hide();
    if (gpWPara->machineType == 4 && p.machineType == 4)
        m_dialog->ResetReCheck1Text(LanStr(511).arg(LanStr(476 + detections)));
    m_dialog->DoChangePage();
}

PaintedCaption IOWidget::title() const
{
    // Centred across the page: the English title is wider than a 300-pixel box.
    PaintedCaption c;
    c.box = QRect(0, int(20 * m_scale), width(), int(50 * m_scale));
    c.text = LanStr(499);
    c.color = QColor(0, 255, 255);
    c.pixelSize = std::max(12, int(35 * m_scale));
    c.align = Qt::AlignCenter;
    return c;
}

void IOWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    const PaintedCaption t = title();
    p.setFont(t.font());
    p.setPen(t.color);
    p.drawText(t.box, t.align, t.text);
}
