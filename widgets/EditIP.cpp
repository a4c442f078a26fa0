#include "EditIP.h"

#include "C_Type_COM.h"
#include "Edit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>

namespace {
int OctetValue(const QString& text)
{
    return qBound(0, text.toInt(nullptr, 10), 255);
}
}  // namespace

EditIP::EditIP(const QString& caption, QWidget* parent)
    : QWidget(parent)
{
    const bool small = IsSmallLayout();
    const QSize octetSize = small ? QSize(50, 30) : QSize(100, 50);
    setFixedHeight(small ? 50 : 80);
    QFont f(QStringLiteral("wenquanyi"));
    f.setPixelSize(small ? 17 : 30);

    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::WindowText, m_titleColor);

    m_caption = new QLabel(caption, this);
    m_caption->setFont(f);
    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_caption->setFixedWidth(octetSize.width() * 2);
    m_caption->setPalette(pal);

    for (QLabel*& dot : m_dots) {
        dot = new QLabel(QStringLiteral("."), this);
        dot->setFont(f);
        dot->setPalette(pal);
        dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    }
    for (int i = 0; i < 4; ++i) {
        m_octets[i] = new Edit(9, this, 1);
        m_octets[i]->setFont(f);
        m_octets[i]->setFixedSize(octetSize);
        m_octets[i]->setValidator(new QIntValidator(0, 255, m_octets[i]));
    }
    connect(m_octets[0], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_0);
    connect(m_octets[1], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_1);
    connect(m_octets[2], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_2);
    connect(m_octets[3], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_3);
    connect(m_octets[0], &Edit::sig_Dot, this, &EditIP::SlotPressDot_0);
    connect(m_octets[1], &Edit::sig_Dot, this, &EditIP::SlotPressDot_1);
    connect(m_octets[2], &Edit::sig_Dot, this, &EditIP::SlotPressDot_2);

    m_layout = new QHBoxLayout(this);
    m_layout->addWidget(m_caption, 10);
    for (int i = 0; i < 4; ++i) {
        m_layout->addWidget(m_octets[i], 5);
        if (i < 3)
            m_layout->addWidget(m_dots[i], 0);
    }
}

void EditIP::setCellSize(const QSize& octet, int pixelSize)
{
    QFont f(QStringLiteral("wenquanyi"));
    f.setPixelSize(pixelSize);
    setFixedHeight(octet.height() + 2 * m_layout->contentsMargins().top());
    m_caption->setFont(f);
    m_caption->setFixedWidth(octet.width() * 2);
    for (QLabel* dot : m_dots)
        dot->setFont(f);
    for (Edit* o : m_octets) {
        o->setFont(f);
        o->setFixedSize(octet);
    }
}

void EditIP::setGeometry(int x, int y, int w, int h)
{
    // The row layout follows the widget's own rectangle.
    QWidget::setGeometry(x, y, w, h);
}

QString EditIP::getTextIP()
{
    QStringList parts;
    for (Edit* o : m_octets)
        parts << QString::number(OctetValue(o->text()));
    m_lastText = parts.join(QLatin1Char('.'));
    return m_lastText;
}

void EditIP::octetChanged(int i, const QString& text)
{
    // Whatever wrote the text (keypad, setText, typing past the validator),
    // the field settles on a plain number 0..255; the rewrite re-enters here
    // and reports the address once.
    const QString shown = QStringLiteral("%1").arg(OctetValue(text));
    if (shown != text) {
        m_octets[i]->setText(shown);
        return;
    }
    emit textchange(getTextIP());
}

void EditIP::dotPressed(int i)
{
    Edit* next = m_octets[i + 1];
    next->setText(QStringLiteral("0"));
    next->setFocus();
}

void EditIP::setTextIP(const QString& s)
{
    int current = 0;
    QString acc;
    for (const QChar c : s) {
        if (c == QLatin1Char('.')) {
            acc.clear();
            if (current < 3)
                ++current;
            continue;
        }
        acc.append(c);
        m_octets[current]->setText(acc);
    }
}

void EditIP::setTitleColor(const QColor& color)
{
    m_titleColor = color;
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, color);
    m_caption->setPalette(pal);
}
