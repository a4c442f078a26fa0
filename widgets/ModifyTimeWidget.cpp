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
        m_edit->setGeometry(0, 0, 150, 40);
    else
        m_edit->setGeometry(0, 50, 280, 60);
}

void ModifyTimeWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
}
