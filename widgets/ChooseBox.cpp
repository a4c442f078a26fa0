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
    const DialogGeometry g = CurrentDialogGeometry();
    setGeometry(g.box);
    m_yes = new ColorButton(LanStr(122), this);
    m_yes->setGeometry(g.yesX, g.buttonY, g.button.width(), g.button.height());
    m_no = new ColorButton(LanStr(123), this);
    m_no->setGeometry(g.noX, g.buttonY, g.button.width(), g.button.height());
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    hide();
}

void ChooseBox::setText(const QString& text)
{
    m_text = text;
    update();
}

void ChooseBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    p.setFont(DialogFont());
    p.setPen(Qt::red);
    p.drawText(QRect(QPoint(0, 0), QPoint(width() - 1, height() / 2 - 1)), Qt::AlignCenter, m_text);
    PaintDialogFrame(p, width(), height());
}

void ChooseBox::showEvent(QShowEvent* event)
{
    setGeometry(CurrentDialogGeometry().box);
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
    // Under the question, centred: a long question (English) never runs under it.
    const int h = IsSmallLayout() ? 36 : 50;
    m_combo->setFixedSize(200, h);
    m_combo->move((width() - 200) / 2, height() / 4 + (IsSmallLayout() ? 4 : 20));
    m_combo->setItemHeight(h);
}

int ChooseCaliNumWidget::points() const
{
    static const int kPoints[3] = {4, 9, 25};
    const int i = m_combo->currentIndex();
    return (i >= 0 && i < 3) ? kPoints[i] : 4;
}

void ChooseCaliNumWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    p.setFont(DialogFont());
    p.setPen(Qt::red);
    p.drawText(QRect(10, 0, width() - 20, height() / 4 + (IsSmallLayout() ? 4 : 20)), Qt::AlignCenter, m_text);
    PaintDialogFrame(p, width(), height());
}
