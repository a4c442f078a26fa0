#include "TimingWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"
#include "app/ControlPort.h"

#include <QDateTime>

TimingWarnBox* gpTimingWarnBox = nullptr;

TimingWarnBox::TimingWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    WindowStacking::KeepOverAlarms(this);
    setText(QStringLiteral("定时报警时间到"));
    hide();
}

void TimingWarnBox::hideEvent(QHideEvent* event)
{
    WarnBox::hideEvent(event);
    AlarmHost* host = AlarmHost::instance();
    if (!host)
        return;
    host->setTimingAlarmTime(QDateTime::currentSecsSinceEpoch());
    if (!host->verdictIsAlarm() && gpControlIO) {
        gpControlIO->IOSetOut(0, 0);
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
}
