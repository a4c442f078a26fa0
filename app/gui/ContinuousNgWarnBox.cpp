#include "ContinuousNgWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"
#include "app/ControlPort.h"
#include "params/WizardPara.h"

ContinuousNgWarnBox* gContinuousNgWarnBox = nullptr;

ContinuousNgWarnBox::ContinuousNgWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    WindowStacking::KeepOverAlarms(this);
    setText(QStringLiteral("成品检测多次检测NG，导致报警停机!"));
    hide();
}

void ContinuousNgWarnBox::hideEvent(QHideEvent* event)
{
    WarnBox::hideEvent(event);
    AlarmHost* host = AlarmHost::instance();
    if (!host || host->verdictIsAlarm())
        return;
    if (gpControlIO) {
        if (gpWPara && (gpWPara->preCut || gpWPara->cutClampOnMouldAlarm || gpWPara->mouldNgPulseNoAlarm))
            gpControlIO->IOSetOut(0, 0);
        gpControlIO->IOSetOut(2, 0);
        gpControlIO->IOFlashOut();
    }
    host->clearContinuousNg();
}
