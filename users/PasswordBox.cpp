#include "PasswordBox.h"

#include "PasswordRules.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"
#include "widgets/DialogGeometry.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumberInput.h"
#include "widgets/PasswordGate.h"

#include <QPainter>

PasswordBox* gpPasswordBox = nullptr;

namespace {
QFont BoxFont(int small, int large)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(IsSmallLayout() ? small : large);
    return f;
}

void HideKeypad()
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
}
}  // namespace

PasswordBox::PasswordBox(QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    const bool small = IsSmallLayout();
    if (small)
        setGeometry(gShowW / 2 - 210, gShowH / 2 - 90, 420, 180);
    else
        setGeometry(gShowW / 2 - 375, gShowH / 2 - 185, 750, 370);

    m_confirm = new ColorButton(LanStr(121), this, 3);
    m_cancel = new ColorButton(LanStr(124), this, 3);
    m_field = new Edit(5, this, 1);
    m_field->setEchoMode(QLineEdit::Password);
    m_field->setFont(BoxFont(14, 27));
    if (small) {
        m_confirm->setGeometry(30, 125, 140, 60);
        m_cancel->setGeometry(240, 125, 140, 60);
        m_field->setGeometry(140, 40, 160, 40);
    } else {
        m_confirm->setGeometry(100, height() - 150, 220, 100);
        m_cancel->setGeometry(width() - 320, height() - 150, 220, 100);
        m_field->setGeometry(245, 70, 350, 50);
    }

    connect(m_confirm, &QPushButton::clicked, this, &PasswordBox::accept);
    connect(m_cancel, &QPushButton::clicked, this, &PasswordBox::reject);
    connect(m_field, &QLineEdit::textChanged, this, &PasswordBox::SlotTextChanged);
    // The keypad's Confirm (and a release on the box) submit the entry.
    if (gpNumPad)
        connect(gpNumPad, &NumberInput::chkpassword, this, &PasswordBox::accept);
    PasswordGate::setPrompt(this);
    hide();
}

PasswordBox::~PasswordBox()
{
    if (gpPasswordBox == this)
        gpPasswordBox = nullptr;
}

void PasswordBox::accept()
{
    // The keypad reaches every prompt it was connected to; only the shown one answers.
    if (!isVisible())
        return;
    const WizardPara* p = gpWPara;
    const bool protectionOn = !p || p->passwordUsed != 0;
    const QString systemPassword = p ? QString::fromUtf8(p->password) : QString();
    const int level = GateUnlockLevel(m_field->text(), systemPassword, protectionOn, m_clock());
    *m_level = level;
    if (level != UnlockNone) {
        m_state = 0;
        m_field->setPlaceholderText(LanStr(125));
        QDialog::accept();
        return;
    }
    m_state = kWrongEntry;
    m_field->clear();
    m_field->setPlaceholderText(LanStr(357));
}

void PasswordBox::SlotTextChanged(const QString& text)
{
    if (!text.isEmpty()) {
        m_field->setPlaceholderText(QString());
    } else if (m_state == kWrongEntry) {
        m_field->setPlaceholderText(LanStr(357));
        m_state = 0;
    } else {
        m_field->setPlaceholderText(LanStr(125));
    }
}

void PasswordBox::mouseReleaseEvent(QMouseEvent*)
{
    HideKeypad();
}

void PasswordBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    const PlacedText caption = PaintedTexts().first();
    p.setFont(caption.font);
    p.setPen(caption.colour);
    p.drawText(caption.rect, Qt::AlignLeft | Qt::AlignVCenter, caption.text);
    p.setPen(QPen(Qt::white, 5));
    p.drawRect(0, 0, width() - 1, height() - 1);
}

QList<PlacedText> PasswordBox::PaintedTexts() const
{
    const QFont font = BoxFont(20, 40);
    const QRect box = IsSmallLayout() ? QRect(90, 40, 160, 40) : QRect(145, 75, 200, 40);
    const QSize need = TextPlacer::TextSize(font, LanStr(356));
    const QRect glyphs(box.left(), box.center().y() - need.height() / 2, need.width(), need.height());
    return {{glyphs, font, Qt::yellow, LanStr(356)}};
}

void PasswordBox::showEvent(QShowEvent* event)
{
    if (IsSmallLayout())
        setGeometry(gShowW / 2 - 210, gShowH / 2 - 120, 420, 240);
    else
        setGeometry(gShowW / 2 - 375, gShowH / 2 - 185, 750, 370);
    m_field->clear();
    m_field->setPlaceholderText(LanStr(125));
    QDialog::showEvent(event);
}

void PasswordBox::hideEvent(QHideEvent* event)
{
    MainWindowHooks& hooks = MainWindowHooks::instance();
    if (QLineEdit* cur = hooks.curEdit()) {
        cur->clearFocus();
        hooks.setCurEdit(nullptr);
    }
    HideKeypad();
    QDialog::hideEvent(event);
}
