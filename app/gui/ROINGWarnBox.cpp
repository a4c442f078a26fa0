#include "ROINGWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"
#include "app/ControlPort.h"
#include "foundation/VisionGlobals.h"
#include "widgets/ColorButton.h"
#include "widgets/DialogGeometry.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

ROINGWarnBox::ROINGWarnBox(QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint)
{
    WindowStacking::KeepOverAlarms(this);
    setFixedSize(750, 450);
    m_content = new QLabel(this);
    m_content->setObjectName(QStringLiteral("pContent"));
    m_content->setFixedSize(650, 350);
    m_content->setAlignment(Qt::AlignCenter);
    m_content->setWordWrap(true);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(35);
    m_content->setFont(f);
    m_content->setStyleSheet(QStringLiteral("color:red;"));

    m_silence = new ColorButton(QStringLiteral("解除报警声"), this, 3);
    m_replaced = new ColorButton(QStringLiteral("镶件更换完成"), this, 3);
    m_silence->setFixedSize(200, 80);
    m_replaced->setFixedSize(200, 80);
    connect(m_silence, &QPushButton::clicked, this, &ROINGWarnBox::slotClearWarm);
    connect(m_replaced, &QPushButton::clicked, this, &ROINGWarnBox::slotCleanSignal);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_silence);
    buttons->addStretch();
    buttons->addWidget(m_replaced);
    buttons->addStretch();
    // Label and buttons fill the fixed height exactly; the style's default
    // margins would push the buttons over the label.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 5, 0, 5);
    layout->setSpacing(10);
    layout->addWidget(m_content, 0, Qt::AlignHCenter);
    layout->addLayout(buttons);
}

void ROINGWarnBox::setContent()
{
    if (AlarmHost* host = AlarmHost::instance())
        setList(host->GetROINGInfo());
}

void ROINGWarnBox::setList(const QString& text)
{
    // The list names every area of every camera and step, those at their
    // limit first: with a few cameras it is far longer than the label.
    constexpr int kLargest = 35;
    constexpr int kSmallest = 20;
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QFont f = m_content->font();
    const auto fits = [&](const QStringList& shown) {
        const QRect need = QFontMetrics(f).boundingRect(QRect(QPoint(0, 0), m_content->size()),
                                                         Qt::AlignCenter | Qt::TextWordWrap, shown.join(QLatin1Char('\n')));
        return need.width() <= m_content->width() && need.height() <= m_content->height();
    };
    int px = kLargest;
    f.setPixelSize(px);
    while (px > kSmallest && !fits(lines))
        f.setPixelSize(--px);
    if (!fits(lines)) {
        const int all = int(lines.size());
        const auto more = [&] { return QStringLiteral("… +%1").arg(all - lines.size()); };
        do
            lines.removeLast();
        while (lines.size() > 1 && !fits(lines + QStringList{more()}));
        lines << more();
    }
    m_content->setFont(f);
    m_content->setText(lines.join(QLatin1Char('\n')));
}

void ROINGWarnBox::slotClearWarm(bool)
{
    if (!gpControlIO)
        return;
    gpControlIO->IOSetOut(2, 0);
    gpControlIO->IOFlashOut();
}

void ROINGWarnBox::slotCleanSignal(bool)
{
    if (AlarmHost* host = AlarmHost::instance())
        host->ClearWarnNGINfo();
    if (gpControlIO) {
        gpControlIO->IOSetOut(0, 0);
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
    accept();
}

void ROINGWarnBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    PaintDialogFrame(p, width(), height());
}

void ROINGWarnBox::showEvent(QShowEvent* event)
{
    move(gShowW / 2 - width() / 2, gShowH / 2 - height() / 2);
    QDialog::showEvent(event);
}

void ROINGWarnBox::Run(QWidget* parent)
{
    if (gpControlIO) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
    AlarmHost* host = AlarmHost::instance();
    if (host)
        host->setRoiWarning(true);
    {
        ROINGWarnBox box(parent);
        box.setContent();
        box.exec();
    }
    if (host)
        host->setRoiWarning(false);
}
