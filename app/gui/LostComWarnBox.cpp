#include "LostComWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"
#include "app/IOLink.h"

#include <QTimer>

LostComWarnBox* gpLostComWarnBox = nullptr;

LostComWarnBox::LostComWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    WindowStacking::KeepOverAlarms(this);
    hide();
}

void LostComWarnBox::Poll(bool lostCom, bool enabled)
{
    if (!enabled)
        return;
    // Lost again while the box still says "reconnected": back to the warning,
    // and the loss is logged like the first one.
    if (lostCom && (!isVisible() || text() != AlarmText(589))) {
        setText(AlarmText(589));
        if (isVisible())
            repaint();
        else
            show();
        if (AlarmHost* host = AlarmHost::instance())
            host->InsertRecord(QStringLiteral("IO通讯异常"));
    } else if (isVisible() && !lostCom && text() != AlarmText(590)) {
        setText(AlarmText(590));
        repaint();
    }
}

void LostComWarnBox::hideEvent(QHideEvent* event)
{
    WarnBox::hideEvent(event);
    // Confirmed while the link is still down: the warning stays.
    if (gisLostCom)
        QTimer::singleShot(0, this, [this] {
            if (gisLostCom)
                show();
        });
}
