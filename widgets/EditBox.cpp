#include "EditBox.h"

#include "C_Type_COM.h"
#include "ColorButton.h"
#include "EditParam.h"

#include <QHBoxLayout>
#include <QLabel>

#include <limits>

namespace {
struct BoxSize {
    int height, captionW, buttonW, fontPx, spacing;
};

BoxSize CurrentBoxSize()
{
    if (IsSmallLayout())
        return {28, 65, 40, 12, 5};
    return {50, 160, 127, 27, 10};
}
}  // namespace

EditBox::EditBox(int min, int max, QWidget* parent, const QString& caption, const QString& unit,
                 int showType, int scale)
    : QWidget(parent)
    , m_min(min)
    , m_max(max)
    // A zero or negative scale would divide by zero in every caption and display.
    , m_scale(scale > 0 ? scale : 1)
    , m_showType(showType)
    , m_caption(caption)
{
    const BoxSize s = CurrentBoxSize();
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(s.fontPx);

    m_label = new QLabel(caption, this);
    m_label->setFixedSize(s.captionW, s.height);
    m_label->setFont(f);
    setLabelColor(Qt::yellow);
    m_label->setAlignment(Qt::AlignCenter);

    auto stepButton = [&](const char* sign, int amount, void (EditBox::*slot)()) {
        const QString n = QString::number(double(amount) / m_scale, 'g', 6);
        auto* b = new ColorButton(QStringLiteral("%1 %2").arg(QLatin1String(sign), n), this, 3);
        b->setFixedSize(s.buttonW, s.height);
        b->SetRepeat();
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_sub5 = stepButton("-", 5, &EditBox::SubFive);
    m_sub1 = stepButton("-", 1, &EditBox::SubOne);

    m_edit = new EditParam(9, unit, this);
    m_edit->setFixedSize(s.buttonW + 10, s.height);
    m_edit->setFrame(true);
    m_edit->setFont(f);
    connect(m_edit, &EditParam::focusOut, this, &EditBox::CheckRange);

    m_add1 = stepButton("+", 1, &EditBox::AddOne);
    m_add5 = stepButton("+", 5, &EditBox::AddFive);

    m_layout = new QHBoxLayout(this);
    m_layout->addWidget(m_label);
    m_layout->addWidget(m_sub5);
    m_layout->addWidget(m_sub1);
    m_layout->addWidget(m_edit);
    m_layout->addWidget(m_add1);
    m_layout->addWidget(m_add5);
    m_layout->setSpacing(s.spacing);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

void EditBox::setValue(int v)
{
    rawValue = v;
    CheckRange();
}

void EditBox::setValue()
{
    if (m_showType == 0)
        m_edit->setText(QString::number(rawValue));
    else if (m_showType == 2)
        m_edit->setText(QString::number(double(rawValue) / m_scale, 'g', 6));
}

void EditBox::CheckRange()
{
    if (rawValue >= m_min) {
        if (rawValue > m_max)
            rawValue = m_max;
    } else if (!(rawValue == 0 && m_use0)) {
        rawValue = m_min;
    }
    setValue();
    emit valueChanged(rawValue);
}

void EditBox::step(int delta)
{
    const qint64 v = qint64(rawValue) + delta;
    rawValue = int(qBound(qint64(std::numeric_limits<int>::min()), v, qint64(std::numeric_limits<int>::max())));
    CheckRange();
}

void EditBox::AddOne() { step(1); }
void EditBox::SubOne() { step(-1); }
void EditBox::AddFive() { step(5); }
void EditBox::SubFive() { step(-5); }

void EditBox::setText(const QString& caption)
{
    m_caption = caption;
    m_label->setText(caption);
}

void EditBox::setSampleShow()
{
    m_add1->hide();
    m_sub1->hide();
    m_add5->hide();
    m_sub5->hide();
}

void EditBox::setLabelColor(const QColor& color)
{
    QPalette pal = m_label->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, color);
    m_label->setPalette(pal);
}
