#include "ChooseBox.h"

#include "ColorButton.h"
#include "ComboBox.h"
#include "DialogGeometry.h"
#include "foundation/uitext.h"
#include "C_Type_COM.h"

#include <QPainter>

ChooseBox* gpChooseBox = nullptr;

bool AskText(const QString& text)
{
    if (!gpChooseBox)
        return false;
    gpChooseBox->setText(text);
    return gpChooseBox->exec() == 1;
}

ChooseBox::ChooseBox(QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint)
{
    m_yes = new ColorButton(LanStr(122), this);
    m_no = new ColorButton(LanStr(123), this);
    ChooseBox::placeForText();
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    hide();
}

void ChooseBox::setText(const QString& text)
{
    m_text = text;
    placeForText();
    update();
}

QRect ChooseBox::textArea(const DialogGeometry& g) const
{
    return QRect(QPoint(0, 0), QPoint(g.box.width() - 1, g.box.height() / 2 - 1));
}

void ChooseBox::placeForText()
{
    const DialogGeometry g = CurrentDialogGeometry();
    m_layout = LayOutMessage(m_text, g, textArea(g));
    setGeometry(m_layout.box);
    m_yes->setGeometry(QRect(QPoint(g.yesX, g.buttonY) + m_layout.buttonShift, g.button));
    m_no->setGeometry(QRect(QPoint(g.noX, g.buttonY) + m_layout.buttonShift, g.button));
}

QList<PlacedText> ChooseBox::PaintedTexts() const
{
    return PaintedMessage(m_layout);
}

void ChooseBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintMessageBox(p, size(), m_layout);
}

void ChooseBox::showEvent(QShowEvent* event)
{
    placeForText();
    QDialog::showEvent(event);
}

ChooseCaliNumWidget::ChooseCaliNumWidget(QWidget* parent)
    : ChooseBox(parent)
{
    m_combo = new ComboBox(this);
    m_combo->addItems({QStringLiteral(" 4 "), QStringLiteral(" 9 "), QStringLiteral(" 25 ")});
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(IsSmallLayout() ? 16 : 33);
    m_combo->setFont(f);
    const int h = IsSmallLayout() ? 36 : 50;
    m_combo->setFixedSize(200, h);
    m_combo->setItemHeight(h);
    placeForText();
}

QRect ChooseCaliNumWidget::textArea(const DialogGeometry& g) const
{
    return QRect(0, 0, g.box.width(), g.box.height() / 4 + (IsSmallLayout() ? 4 : 20));
}

void ChooseCaliNumWidget::placeForText()
{
    ChooseBox::placeForText();
    // Under the question, centred: a long question (English) never runs under it.
    if (m_combo)
        m_combo->move((width() - m_combo->width()) / 2, m_layout.textRect.bottom() + 1);
}

int ChooseCaliNumWidget::points() const
{
    static const int kPoints[3] = {4, 9, 25};
    const int i = m_combo->currentIndex();
    return (i >= 0 && i < 3) ? kPoints[i] : 4;
}

