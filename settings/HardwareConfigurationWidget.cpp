#include "HardwareConfigurationWidget.h"

#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"
#include "widgets/SkinPixmaps.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

bool loadConfiguration(const QString& path, ConfigEntries& out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        QString key = parts.value(0);
        QString value = parts.value(1);
        out.append({key.replace(QLatin1Char('_'), QLatin1Char(' ')), value.replace(QLatin1Char('_'), QLatin1Char(' '))});
    }
    return true;
}

HardwareConfigurationWidget::HardwareConfigurationWidget(QWidget* parent, std::function<int()> cameraCount)
    : QWidget(parent)
    , m_cameraCount(std::move(cameraCount))
{
    const int w = std::min(1500, gShowW);
    const int h = std::min(800, gShowH);
    setGeometry(std::max(0, gShowW / 2 - w / 2), std::max(0, gShowH / 2 - h / 2), w, h);
    setWindowFlags(Qt::CustomizeWindowHint);
    ConfigEntries first;
    ConfigEntries next;
    if (!loadConfiguration(QStringLiteral("conf.txt"), first) || first.isEmpty())
        m_missing = QDir::current().absoluteFilePath(QStringLiteral("conf.txt"));
    const bool hasNext = loadConfiguration(QStringLiteral("confnext.txt"), next);
    page[0] = BuildPage(first, 0, 3, 10);
    nextButton[0]->setVisible(!next.isEmpty());
    if (hasNext) {
        page[1] = BuildPage(next, 1, 2, 6);
        page[1]->hide();
    }
}

QWidget* HardwareConfigurationWidget::BuildPage(const ConfigEntries& entries, int index, int nextColumn, int spacing)
{
    auto* p = new QWidget(this);
    p->setGeometry(rect());
    auto* grid = new QGridLayout(p);
    grid->setSpacing(spacing);
    grid->setContentsMargins(50, 50, 50, 50);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(IsSmallLayout() ? 20 : 30);
    auto label = [&](const QString& text, const QColor& color) {
        auto* l = new QLabel(text, p);
        l->setFont(f);
        QPalette pal = l->palette();
        pal.setColor(QPalette::All, QPalette::WindowText, color);
        l->setPalette(pal);
        return l;
    };
    int r = 0;
    for (const auto& [key, value] : entries) {
        const QColor color = value.isEmpty() ? QColor(0, 255, 255) : QColor(Qt::yellow);
        grid->addWidget(label(key, color), r, 0);
        QLabel* v = label(key == QLatin1String("Count") ? QString() : value, color);
        if (key == QLatin1String("Count"))
            countValue[index] = v;
        grid->addWidget(v, r, 1);
        ++r;
    }
    confirmButton[index] = new ColorButton(LanStr(121), p, 3);
    nextButton[index] = new ColorButton(LanStr(569), p, 3);
    for (ColorButton* b : {confirmButton[index], nextButton[index]})
        b->setFixedSize(150, 50);
    grid->addWidget(confirmButton[index], r, 0, 1, 2, Qt::AlignCenter);
    grid->addWidget(nextButton[index], r, nextColumn, 1, 2, Qt::AlignCenter);
    connect(confirmButton[index], &QPushButton::clicked, this, &HardwareConfigurationWidget::slotConfirm);
    connect(nextButton[index], &QPushButton::clicked, this, &HardwareConfigurationWidget::slotNextpage);
    return p;
}

void HardwareConfigurationWidget::showEvent(QShowEvent* event)
{
    if (countValue[0])
        countValue[0]->setText(QString::number(m_cameraCount ? m_cameraCount() : 0));
    QWidget::showEvent(event);
}

void HardwareConfigurationWidget::slotNextpage()
{
    if (!page[1])
        return;
    pageShown = pageShown == 1 ? 2 : 1;
    page[0]->setVisible(pageShown == 1);
    page[1]->setVisible(pageShown == 2);
}

void HardwareConfigurationWidget::slotConfirm()
{
    hide();
    emit sigConfirm();
}

void HardwareConfigurationWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
}
