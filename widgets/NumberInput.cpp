#include "NumberInput.h"

#include "C_Type_COM.h"
#include "ColorButton.h"
#include "Edit.h"
#include "EditBox.h"
#include "EditParam.h"
#include "MainWindowHooks.h"
#include "PasswordGate.h"
#include "NumCharInput.h"
#include "foundation/uitext.h"

#include <QButtonGroup>
#include <QPainter>
#include <QPaintEvent>

#include <limits>

NumberInput* gpNumPad = nullptr;

namespace {
struct NumPadSize {
    int w, h, keyW, keyH, gap;
};

NumPadSize CurrentNumPadSize()
{
    if (IsSmallLayout())
        return {345, 155, 80, 45, 6};
    return {427, 230, 100, 70, 5};
}

// Digits may be typed past the range of int before the box clamps them.
int AppendDigit(int value, int digit)
{
    const qint64 v = qint64(value) * 10 + digit;
    return int(qBound(qint64(std::numeric_limits<int>::min()), v, qint64(std::numeric_limits<int>::max())));
}
}  // namespace

void PaintKeypad(QWidget* pad, QPaintEvent* event)
{
    QPainter p(pad);
    // Opaque: the dialog's texts must not show between the keys.
    const QColor fill(255, 251, 240);
    p.setPen(fill);
    p.setBrush(fill);
    p.drawRect(event->rect());
    p.setPen(QColor(QStringLiteral("#191532")));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, pad->width() - 2, pad->height() - 2);
}

NumberInput::NumberInput(QWidget* parent)
    : QWidget(parent, Qt::CustomizeWindowHint)
{
    const NumPadSize s = CurrentNumPadSize();
    setGeometry(0, 0, s.w, s.h);
    setFocusPolicy(Qt::NoFocus);
    // Raised over its host but never active: the edit it types into keeps the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_group = new QButtonGroup(this);

    auto place = [&](ColorButton* b, int col, int row) {
        b->setGeometry(5 + col * (s.keyW + s.gap), 5 + row * (s.keyH + s.gap), s.keyW, s.keyH);
        b->setFocusPolicy(Qt::NoFocus);
    };
    for (int id = 0; id < 10; ++id) {
        m_keys[id] = new ColorButton(tr(qPrintable(QString::number((id + 1) % 10))), this, 3);
        m_group->addButton(m_keys[id], id);
        place(m_keys[id], id < 8 ? id % 4 : id - 8, id < 8 ? id / 4 : 2);
    }
    m_bs = new ColorButton(LanStr(157), this, 3);
    place(m_bs, 2, 2);
    m_confirm = new ColorButton(LanStr(121), this, 3);
    place(m_confirm, 3, 2);

    connect(m_group, &QButtonGroup::idClicked, this, &NumberInput::setContent);
    connect(m_bs, &QPushButton::clicked, this, &NumberInput::eraseContent);
    connect(m_confirm, &QPushButton::clicked, this, &NumberInput::HideUpdate);
    hide();
}

NumberInput::~NumberInput()
{
    if (gpNumPad == this)
        gpNumPad = nullptr;
}

ColorButton* NumberInput::digitKey(int digit) const
{
    return m_keys[(digit + 9) % 10];
}

void NumberInput::setContent(int id)
{
    QLineEdit* cur = MainWindowHooks::instance().curEdit();
    if (!cur || id < 0 || id > 9)
        return;
    const int digit = (id + 1) % 10;

    if (auto* param = qobject_cast<EditParam*>(cur); param && param->owner()) {
        EditBox* box = param->owner();
        if (m_firstKey) {
            m_firstKey = false;
            box->setValue(digit);
        } else {
            box->setValue(AppendDigit(box->value(), digit));
        }
    } else if (m_firstKey) {
        m_firstKey = false;
        cur->setText(QString::number(digit));
    } else {
        cur->setText(cur->text() + QString::number(digit));
    }
    // The value box's signal may have closed or removed the edit.
    if ((cur = MainWindowHooks::instance().curEdit()))
        cur->setCursorPosition(cur->text().length());
}

void NumberInput::eraseContent()
{
    QLineEdit* cur = MainWindowHooks::instance().curEdit();
    if (!cur)
        return;
    QString t = cur->text();
    t.chop(1);
    cur->setText(t);
    cur->setCursorPosition(qMax(0, int(t.length()) - 1));
    if (t.isEmpty())
        m_firstKey = true;
}

void NumberInput::eraseAll()
{
    if (QLineEdit* cur = MainWindowHooks::instance().curEdit()) {
        cur->setText(QString());
        cur->setCursorPosition(0);
    }
    m_firstKey = true;
}

void NumberInput::HideUpdate()
{
    MainWindowHooks& hooks = MainWindowHooks::instance();
    if (isVisible()) {
        hide();
        hooks.updateWindow();
    }
    if (PasswordGate::promptShown()) {
        emit chkpassword();
        return;
    }
    QLineEdit* cur = hooks.curEdit();
    if (!cur)
        return;
    if (cur->hasFocus()) {
        cur->clearFocus();  // its focus-out clears curEdit and closes the pads
    } else {
        // Made current by a sent focus event (slider field): nothing to lose, so forget it here.
        hooks.setCurEdit(nullptr);
        if (gpNumCharPad)
            gpNumCharPad->hide();
    }
}

void NumberInput::paintEvent(QPaintEvent* event)
{
    PaintKeypad(this, event);
}
