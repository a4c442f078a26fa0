#include "CustomIONameWidget.h"

#include "IOWidget.h"
#include "WizardParaWidget.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

CustomIONameWidget::CustomIONameWidget(QWidget* parent, WizardParaWidget* dialog)
    : QWidget(parent)
    , m_dialog(dialog)
    , m_io(dialog->ioWidget)
{
    const bool small = IsSmallLayout();
    const int spacing = small ? 6 : 10;
    // Eight columns across the screen at most.
    const int cellW = std::min(small ? 110 : 180, (gShowW - 40 - 7 * spacing) / 8);
    const QSize cell(cellW, small ? 36 : 60);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(small ? 16 : std::min(30, cellW / 6));
    auto* grid = new QGridLayout(this);
    grid->setSpacing(spacing);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    // The row labels have no traditional Chinese column: it reads the simplified one.
    const int lan = gLan == kLanEn ? 1 : 0;
    for (int c = 0; c < 8; ++c) {
        m_inputLabel[c] = new QLabel(QString::fromUtf8(gCustomInputName[c][lan]), this);
        m_outputLabel[c] = new QLabel(QString::fromUtf8(gCustomOutputName[c][lan]), this);
        inputCombo[c] = new ComboBox(this);
        outputCombo[c] = new ComboBox(this);
        for (int r = 0; r < kInNameRows; ++r)
            inputCombo[c]->addItem(InName(r, gLan));
        for (int r = 0; r < kOutNameRows; ++r)
            outputCombo[c]->addItem(OutName(r, gLan));
        for (QLabel* l : {m_inputLabel[c], m_outputLabel[c]}) {
            l->setFixedSize(cell);
            l->setFont(f);
            l->setAlignment(Qt::AlignCenter);
            QPalette pal = l->palette();
            pal.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
            l->setPalette(pal);
        }
        for (ComboBox* b : {inputCombo[c], outputCombo[c]}) {
            b->setFixedSize(cell);
            b->setFont(f);
            b->setItemHeight(cell.height());
        }
        grid->addWidget(m_inputLabel[c], 0, c);
        grid->addWidget(inputCombo[c], 1, c);
        grid->addWidget(m_outputLabel[c], 2, c);
        grid->addWidget(outputCombo[c], 3, c);
    }
    confirmButton = new ColorButton(LanStr(121), this, 3);
    confirmButton->setFixedSize(cell.width(), cell.height() + 10);
    grid->addWidget(confirmButton, 4, 7);
    connect(confirmButton, &QPushButton::clicked, this, &CustomIONameWidget::accept);
}

void CustomIONameWidget::init()
{
    // The IO page checked the stored indices; a combo shows only a row it has.
    for (int k = 0; k < 8; ++k) {
        inputCombo[k]->setCurrentIndex(std::clamp(m_io->inName[k], 0, kInNameRows - 1));
        outputCombo[k]->setCurrentIndex(std::clamp(m_io->outName[k], 0, kOutNameRows - 1));
    }
}

void CustomIONameWidget::accept()
{
    for (int k = 0; k < 8; ++k) {
        m_io->inName[k] = inputCombo[k]->currentIndex();
        m_io->outName[k] = outputCombo[k]->currentIndex();
        gpWParaBak->inputNameIndex[k] = m_io->inName[k];
        gpWParaBak->outputNameIndex[k] = m_io->outName[k];
    }
    hide();
    m_io->ResetIOName();
    m_dialog->show();
}

void CustomIONameWidget::showEvent(QShowEvent* event)
{
    adjustSize();
    if (QWidget* main = parentWidget())
        move((main->width() - width()) / 2, (main->height() - height()) / 2);
    init();
    QWidget::showEvent(event);
}

void CustomIONameWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
}
