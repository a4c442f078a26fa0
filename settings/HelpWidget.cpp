#include "HelpWidget.h"

#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"

#include <QDir>
#include <QPainter>

int gHelpC = 0;

HelpWidget::HelpWidget(QWidget* parent, const QString& dir)
    : QWidget(parent)
{
    setGeometry(0, 0, gShowW, gShowH);
    const QString folder = !dir.isEmpty() ? dir : gLan == kLanZhCN ? QStringLiteral("./help/") : QStringLiteral("./help-en/");
    m_folder = QDir(folder).absolutePath();
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files | QDir::Readable, QDir::Name);
    // Decoded once: paging only draws.
    for (const QString& n : names) {
        if (m_pictures.size() >= kMaxPictures)
            break;
        QPixmap p;
        if (p.load(QDir(folder).filePath(n)))
            m_pictures << p;
    }
    const bool small = IsSmallLayout();
    const QSize size = small ? QSize(80, 30) : QSize(150, 60);
    static const int kText[4] = {339, 340, 146, 58};
    void (HelpWidget::*go[4])() = {&HelpWidget::SlotLast, &HelpWidget::SlotNext, &HelpWidget::SlotAlarm,
                                   &HelpWidget::SlotReturn};
    for (int k = 0; k < 4; ++k) {
        button[k] = new ColorButton(LanStr(kText[k]), this, 3);
        button[k]->setGeometry(10 + k * (size.width() + 5), 5, size.width(), size.height());
        connect(button[k], &QPushButton::clicked, this, go[k]);
    }
    hide();
}

// Without pictures, or with fewer than the alarm page needs, the page
// stays within the pictures there are (none: nothing is drawn).
void HelpWidget::SlotNext()
{
    if (pageCount() > 0)
        gHelpC = (std::clamp(gHelpC, 0, pageCount() - 1) + 1) % pageCount();
    update();
}

void HelpWidget::SlotLast()
{
    if (pageCount() > 0) {
        const int page = std::clamp(gHelpC, 0, pageCount() - 1);
        gHelpC = page == 0 ? pageCount() - 1 : page - 1;
    }
    update();
}

void HelpWidget::SlotAlarm()
{
    gHelpC = std::min(kAlarmPage, std::max(0, pageCount() - 1));
    update();
}

void HelpWidget::SlotReturn()
{
    hide();
}

void HelpWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gHelpC >= 0 && gHelpC < pageCount())
        p.drawPixmap(0, 0, m_pictures[gHelpC]);
    p.fillRect(IsSmallLayout() ? QRect(0, 0, 355, 40) : QRect(0, 0, 630, 70), Qt::gray);
}
