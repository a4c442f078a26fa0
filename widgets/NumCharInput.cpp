#include "NumCharInput.h"

#include "C_Type_COM.h"
#include "ColorButton.h"
#include "Edit.h"
#include "MainWindowHooks.h"
#include "NumberInput.h"
#include "foundation/uitext.h"

#include <QButtonGroup>

NumCharInput* gpNumCharPad = nullptr;

namespace {
struct CharPadSize {
    int w, h, m, k, s, p, special;
};

CharPadSize CurrentCharPadSize()
{
    if (IsSmallLayout())
        return {450, 165, 6, 37, 3, 40, 50};
    return {785, 295, 10, 65, 5, 70, 80};
}

// Rows 1 to 3 of each page, 26 characters in key order (ids 11..36).
const char* const kPageChars[3] = {
    "QWERTYUIOP" "ASDFGHJKL" "ZXCVBNM",
    "qwertyuiop" "asdfghjkl" "zxcvbnm",
    "-=[]\\;',./" "@#$%^?*()" "`~!{}:\"",
};
const char kRow0[] = "1234567890_";

enum TextId { kConfirm = 121, kBS = 157, kLowerText = 158, kCapitalText = 159, kSymbol = 441, kCharacter = 442 };
}  // namespace

NumCharInput::NumCharInput(QWidget* parent)
    : QWidget(parent, Qt::CustomizeWindowHint)
{
    const CharPadSize s = CurrentCharPadSize();
    setGeometry(0, 0, s.w, s.h);
    setFocusPolicy(Qt::NoFocus);
    // Raised over its host but never active: the edit it types into keeps the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_group = new QButtonGroup(this);

    struct Row {
        int first, count, x0;
    };
    const Row rows[4] = {
        {0, 11, s.m},
        {11, 10, s.m + s.k / 2},
        {21, 9, s.m + (s.k / 5) * 4},
        {30, 7, s.m + (s.k / 2) * 3},
    };
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < rows[r].count; ++i) {
            const int id = rows[r].first + i;
            auto* b = new ColorButton(QString(), this, 3);
            b->setGeometry(rows[r].x0 + i * s.p, s.m + r * s.p, s.k, s.k);
            b->setFocusPolicy(Qt::NoFocus);
            m_group->addButton(b, id);
            m_keys[id] = b;
        }
    }
    for (int id = 0; id < 11; ++id)
        m_keys[id]->setText(QStringLiteral("%1").arg(QLatin1Char(kRow0[id])));

    auto special = [&](int textId, int x, int row) {
        auto* b = new ColorButton(LanStr(textId), this, 3);
        b->setGeometry(x, s.m + row * s.p, s.special, s.k);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    m_toggle = special(kSymbol, s.w - (s.special + s.m), 2);
    m_cap = special(kLowerText, s.m, 3);
    m_bs = special(kBS, s.w - 2 * (s.special + s.m), 3);
    m_confirm = special(kConfirm, s.w - (s.special + s.m), 3);

    connect(m_group, &QButtonGroup::idClicked, this, &NumCharInput::setContent);
    connect(m_toggle, &QPushButton::clicked, this, &NumCharInput::SlotChgChar_Punc);
    connect(m_cap, &QPushButton::clicked, this, &NumCharInput::SlotCap);
    connect(m_bs, &QPushButton::clicked, this, &NumCharInput::eraseContent);
    connect(m_confirm, &QPushButton::clicked, this, &NumCharInput::HideUpdate);
    showPage(Capitals);
    hide();
}

QSize NumCharInput::PadSize()
{
    const CharPadSize s = CurrentCharPadSize();
    return QSize(s.w, s.h);
}

NumCharInput::~NumCharInput()
{
    if (gpNumCharPad == this)
        gpNumCharPad = nullptr;
}

void NumCharInput::showPage(Page page)
{
    m_page = page;
    const char* chars = kPageChars[page];
    for (int id = 11; id < kKeys; ++id)
        m_keys[id]->setText(QStringLiteral("%1").arg(QLatin1Char(chars[id - 11])));
}

void NumCharInput::SlotChgChar_Punc()
{
    if (m_page != Symbols) {
        showPage(Symbols);
        m_toggle->setText(LanStr(kCharacter));
    } else {
        showPage(Capitals);
        m_toggle->setText(LanStr(kSymbol));
    }
    m_cap->setText(LanStr(kLowerText));
}

void NumCharInput::SlotCap()
{
    if (m_page != Lower) {
        showPage(Lower);
        m_cap->setText(LanStr(kCapitalText));
    } else {
        showPage(Capitals);
        m_cap->setText(LanStr(kLowerText));
    }
    m_toggle->setText(LanStr(kSymbol));
}

void NumCharInput::showEvent(QShowEvent* event)
{
    // Every opening starts on the capital page.
    m_page = Symbols;
    SlotChgChar_Punc();
    QWidget::showEvent(event);
}

void NumCharInput::setContent(int id)
{
    QLineEdit* cur = MainWindowHooks::instance().curEdit();
    if (!cur || id < 0 || id >= kKeys)
        return;
    const QString t = m_keys[id]->text();
    if (t.isEmpty())
        return;
    cur->setText(cur->text() + QChar(QLatin1Char(t.at(0).toLatin1())));
    cur->setCursorPosition(cur->text().length());
}

void NumCharInput::eraseContent()
{
    QLineEdit* cur = MainWindowHooks::instance().curEdit();
    if (!cur)
        return;
    QString t = cur->text();
    t.chop(1);
    cur->setText(t);
    cur->setCursorPosition(qMax(0, int(t.length()) - 1));
}

void NumCharInput::HideUpdate()
{
    if (isVisible()) {
        hide();
        if (parentWidget())
            parentWidget()->update();
    }
}

void NumCharInput::paintEvent(QPaintEvent* event)
{
    PaintKeypad(this, event);
}
