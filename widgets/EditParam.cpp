#include "EditParam.h"

#include "C_Type_COM.h"
#include "EditBox.h"

#include <QHBoxLayout>
#include <QLabel>

EditParam::EditParam(int mode, const QString& unit, EditBox* owner)
    : Edit(mode, owner, 1)
    , m_owner(owner)
    , m_charWidth(IsSmallLayout() ? 10 : 27)
{
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
    if (unit.isEmpty())
        return;
    m_unit = new QLabel(unit, this);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(m_charWidth);
    m_unit->setFont(f);
    m_unit->setAlignment(Qt::AlignCenter);
    const int labelW = m_charWidth * int(unit.length()) + 10;
    m_unit->setFixedSize(labelW, IsSmallLayout() ? 30 : 50);
    setTextMargins(0, 0, labelW, 0);
    auto* row = new QHBoxLayout(this);
    row->addStretch();
    row->addWidget(m_unit);
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);
    connect(this, &QLineEdit::textChanged, this, &EditParam::ChangeLabelP);
}

void EditParam::ChangeLabelP(const QString& text)
{
    if (!m_unit)
        return;
    m_labelX = (width() - m_unit->width() + int(13.5 * text.length())) / 2;
    m_unit->move(m_labelX, 1);
}

void EditParam::focusOutEvent(QFocusEvent* e)
{
    emit focusOut();
    Edit::focusOutEvent(e);
}
