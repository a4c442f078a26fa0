#include "Edit.h"

#include "C_Type_COM.h"
#include "MainWindowHooks.h"
#include "NumCharInput.h"
#include "NumberInput.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

Edit::Edit(int mode, QWidget* parent, int style)
    : QLineEdit(parent)
    , m_mode(static_cast<quint32>(mode))
{
    if (style == 1) {
        C_Type_COM com;
        com.setTxtQss(this, C_Type_COM::Blue);
    }
    connect(this, &QLineEdit::textChanged, this, &Edit::SlotRange);
}

Edit::~Edit()
{
    // An open pad would otherwise stay on screen with nothing to type into.
    if (MainWindowHooks::instance().curEdit() == this) {
        MainWindowHooks::instance().setCurEdit(nullptr);
        if (gpNumPad)
            gpNumPad->hide();
        if (gpNumCharPad)
            gpNumCharPad->hide();
    }
}

int Edit::value() const
{
    return text().toInt(nullptr, 10);
}

double Edit::valueToDouble() const
{
    return text().toDouble();
}

void Edit::setValue(int v)
{
    setText(QString::number(v));
}

void Edit::setValue(double d)
{
    setText(QString::number(d, 'g', 6));
}

void Edit::setRange(int min, int max)
{
    m_min = min;
    m_max = max;
}

void Edit::init()
{
    clear();
}

void Edit::SlotRange(const QString& text)
{
    if (m_min == -1 || m_max == -1)
        return;
    if (m_min > m_max)
        std::swap(m_min, m_max);
    const int v = qBound(m_min, text.toInt(nullptr, 10), m_max);
    const QString shown = QStringLiteral("%1").arg(v);
    if (shown != text)
        setText(shown);
}

namespace {
// Opens the pad a field's mode names next to the field, in its parent or
// the ancestor the mode bits name, over nothing the field shows.
void OpenPad(QLineEdit* field, quint32 mode)
{
    QWidget* pad = nullptr;
    if (mode & Edit::kCharPad) {
        pad = gpNumCharPad;
    } else if (gpNumPad) {
        gpNumPad->eraseAll();
        pad = gpNumPad;
    }
    if (!pad)
        return;

    const int height = field->height();
    QWidget* parent = field->parentWidget();
    int x = field->x();
    int y = field->y() + height + 5;
    QWidget* host = parent;
    int levels = 0;
    if (mode & Edit::kHostGrandparent)
        levels = 1;
    else if (mode & Edit::kHostGreatGrand)
        levels = 2;
    // A missing ancestor leaves the pad in the highest one that exists.
    for (int i = 0; i < levels && host && host->parentWidget(); ++i) {
        x += host->x();
        y += host->y();
        host = host->parentWidget();
    }

    const int editTop = y - 5 - height;  // in the host
    if (y + pad->height() >= gShowH - 49)
        y = y - pad->height() - 45;

    if (host && pad->parentWidget() != host) {
        if (QWidget* old = pad->parentWidget())
            QObject::disconnect(old, &QObject::destroyed, pad, nullptr);
        pad->setParent(host);
        // The pad is shared for the whole run: a host that goes away must not take it along.
        QObject::connect(host, &QObject::destroyed, pad, [pad] {
            pad->hide();
            pad->setParent(nullptr);
        });
    }
    if (host) {
        if (x + pad->width() > host->width())
            x = host->width() - pad->width();
        if (y + pad->height() > host->height()) {
            // In a small host (a dialog) the pad goes above the edit when it
            // fits there, rather than being pushed up over the edit it types into.
            y = editTop - 5 - pad->height() >= 0 && editTop < host->height() ? editTop - 5 - pad->height()
                                                                               : host->height() - pad->height();
        }
        // The pad never lies over the field it types into (a tall field near
        // the screen's foot): above the field when there is room.
        const int editBottom = editTop + height;
        if (y < editBottom && y + pad->height() > editTop && editTop - 5 - pad->height() >= 0)
            y = editTop - 5 - pad->height();
        // A pad larger than its host or pushed above it stays anchored at the top left.
        x = qMax(0, x);
        y = qMax(0, y);
    }
    pad->move(x, y);
    pad->show();
    pad->raise();
}

// The field lost the focus: the pads typing into it close.
void LeaveField()
{
    MainWindowHooks::instance().setCurEdit(nullptr);
    if (gpNumPad)
        gpNumPad->hide();
    if (gpNumCharPad)
        gpNumCharPad->hide();
}

// A field that is not an Edit (one in a dialog of Qt's) given the
// alphanumeric pad, as an Edit of the character mode has it.
class CharPadFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        auto* field = static_cast<QLineEdit*>(watched);
        MainWindowHooks& hooks = MainWindowHooks::instance();
        if (e->type() == QEvent::FocusIn)
            hooks.setCurEdit(field);
        else if (e->type() == QEvent::FocusOut)
            LeaveField();
        else if (e->type() == QEvent::MouseButtonRelease && hooks.curEdit() == field)
            OpenPad(field, Edit::kCharPad);
        return false;
    }
};
}  // namespace

bool Edit::event(QEvent* e)
{
    MainWindowHooks& hooks = MainWindowHooks::instance();
    switch (e->type()) {
    case QEvent::FocusIn:
        if (echoMode() == QLineEdit::Password) {
            // The password field never keeps the focus; it is emptied at each touch.
            clear();
            clearFocus();
            setPlaceholderText(LanStr(125));
        }
        hooks.setCurEdit(this);
        if (!hasFocus())
            return true;  // focus already handed back: no cursor to start
        break;
    case QEvent::FocusOut:
        LeaveField();
        break;
    case QEvent::MouseButtonRelease:
        if (hooks.curEdit() == this)
            openKeypad();
        break;
    default:
        break;
    }
    return QLineEdit::event(e);
}

void Edit::AttachCharPad(QLineEdit* field)
{
    if (field && !qobject_cast<Edit*>(field))
        field->installEventFilter(new CharPadFilter(field));
}

void Edit::openKeypad()
{
    OpenPad(this, m_mode);
}

void Edit::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Period || e->key() == 0x0D)
        emit sig_Dot();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (gpNumCharPad && gpNumCharPad->isVisible()) {
            gpNumCharPad->HideUpdate();
        } else if (gpNumPad && gpNumPad->isVisible()) {
            gpNumPad->HideUpdate();
        } else {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), QPointF(0, 0), QPointF(0, 0),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(this, &release);
        }
    }
    QLineEdit::keyPressEvent(e);
}
