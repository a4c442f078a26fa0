#include "ModifyTimeWidget.h"

#include "C_Type_COM.h"
#include "ColorButton.h"
#include "DialogGeometry.h"
#include "EditDateTime.h"
#include "foundation/uitext.h"

#include <QPainter>

ModifyTimeWidget::ModifyTimeWidget(QWidget* parent)
    : ChooseBox(parent)
{
    m_yes->setText(LanStr(121));
    m_no->setText(LanStr(124));
    m_edit = new EditDateTime(QString(), this);
    // The editor keeps its own fixed size; only the corner is set here.
    if (IsSmallLayout())
        m_edit->setGeometry(0, 10, 150, 40);
    else
        m_edit->setGeometry(0, 50, 280, 60);
}

void ModifyTimeWidget::showEvent(QShowEvent* event)
{
    ChooseBox::showEvent(event);
    // Centred once the editor has its own size: clear of the frame on both sides.
    m_edit->move(std::max(0, (width() - m_edit->width()) / 2), m_edit->y());
}

void ModifyTimeWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
}
