#include "IOCheckComBO.h"

#include "IOWidget.h"
#include "foundation/uitext.h"
#include "params/IOTables.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

IOCheckComBO::IOCheckComBO(IOWidget* page, const QString& name, int boxes, int row, double scale)
    : QWidget(page)
    , m_page(page)
    , m_row(row)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(int(10 * scale));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(std::max(11, int(26 * scale)));
    if (!name.isEmpty()) {
        m_name = new QLabel(name, this);
        layout->addWidget(m_name);
    }
    const QSize cell(int(155 * scale), std::max(20, int(40 * scale)));
    triginCombo = new ComboBox(this);
    triginCombo->setFont(f);
    triginCombo->setFixedSize(int(150 * scale), cell.height());
    triginCombo->setItemHeight(cell.height());
    layout->addWidget(triginCombo);
    for (int k = 0; k < 8 && k < boxes; ++k) {
        box[k] = new CheckBox(this, QString());
        box[k]->setFont(f);
        box[k]->setIndicatorSize(std::max(14, std::min(cell.height() - 4, 32)));
        box[k]->setFixedSize(cell);
        layout->addWidget(box[k]);
        connect(box[k], &QCheckBox::stateChanged, this, [this, k](int state) { Slotclick(k, state); });
    }
    cutCombo = new ComboBox(this);
    cutCombo->setFont(f);
    // The cut modes ("NG cut self") need more than an output's cell.
    cutCombo->setFixedSize(int(200 * scale), cell.height());
    cutCombo->setItemHeight(cell.height());
    for (int id : {474, 475, 523, 563, 564, 592})
        cutCombo->addItem(LanStr(id));
    layout->addWidget(cutCombo);
    connect(triginCombo, &QComboBox::currentIndexChanged, this, &IOCheckComBO::SlotChangeTrigin);
    connect(cutCombo, &QComboBox::currentIndexChanged, this, &IOCheckComBO::SlotChangeCutMode);
}

void IOCheckComBO::FillTrigin(int first, int count)
{
    const QSignalBlocker block(triginCombo);
    triginCombo->clear();
    firstIn = first;
    for (int i = first; i < count; ++i)
        triginCombo->addItem(InName(m_page->inName[i], gLan));
}

void IOCheckComBO::SetIONum(int count, int first)
{
    if (first < count) {
        FillTrigin(first, count);
        if (trigIn >= count)
            trigIn = count - 1;
        // Never an earlier input than the previous detection's.
        if (trigIn < first)
            trigIn = first;
    } else {
        FillTrigin(count - 1, count);
        trigIn = count - 1;
    }
    const QSignalBlocker block(triginCombo);
    triginCombo->setCurrentIndex(trigIn - firstIn);
    for (int k = 0; k < 8; ++k)
        if (box[k])
            box[k]->setVisible(k < count);
}

void IOCheckComBO::updateTriginCombo(int first)
{
    const int count = m_page->detections;
    first = std::min(first, count - 1);
    FillTrigin(first, count);
    trigIn = std::clamp(trigIn, first, count - 1);
    {
        const QSignalBlocker block(triginCombo);
        triginCombo->setCurrentIndex(trigIn - firstIn);
    }
    emit changeTrigin(m_row, trigIn);
}

void IOCheckComBO::SlotChangeTrigin(int index)
{
    if (index < 0)
        return;
    trigIn = firstIn + index;
    emit changeTrigin(m_row, trigIn);
}

void IOCheckComBO::SlotChangeCutMode(int index)
{
    if (index >= 0)
        m_page->cutMode[m_row] = index;
}

void IOCheckComBO::setCutMode(int mode)
{
    cutCombo->setCurrentIndex(mode);
}

void IOCheckComBO::Slotclick(int output, int state)
{
    m_page->owner[output] = state == Qt::Checked ? m_row : -1;
    emit clickeCheckBox(m_row, output, state);
}

void IOCheckComBO::setCheckdisable(int output, bool enable)
{
    CheckBox* b = box[output];
    if (!b)
        return;
    if (!enable)
        b->setChecked(false);  // with its signals: the output loses this owner
    b->setCheckable(enable);
    QPalette pal = b->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, enable ? QColor(Qt::yellow) : QColor(Qt::gray));
    b->setPalette(pal);
}

void IOCheckComBO::setCheckdisables(bool enable)
{
    for (int k = 0; k < 8; ++k)
        setCheckdisable(k, enable);
    update();
}

bool IOCheckComBO::getCheckComboStatus(int output) const
{
    return box[output] && box[output]->isChecked();
}

void IOCheckComBO::setCheckComboStatus(int output, bool on)
{
    if (box[output])
        box[output]->setChecked(on);
}

void IOCheckComBO::clearBox(int output, bool silently)
{
    const QSignalBlocker block(silently ? box[output] : nullptr);
    setCheckdisable(output, true);
    box[output]->setChecked(false);
}

void IOCheckComBO::resetName()
{
    for (int i = 0; i < m_page->detections; ++i) {
        if (i < triginCombo->count())
            triginCombo->setItemText(i, InName(m_page->inName[firstIn + i], gLan));
        if (box[i])
            box[i]->setText(OutName(m_page->outName[i], gLan));
    }
}
