#include "CycleOutputs.h"

#include "ControlPort.h"
#include "params/WizardPara.h"

void PortSink::set(int index, int level)
{
    if (gpControlIO)
        gpControlIO->IOSetOut(index, level);
}

namespace CycleOutputs {

namespace {
// The product step's NG pulses instead of holding the ejector.
bool ProductPulses(const WizardPara& p)
{
    return p.prodNgPulseNoAlarm || p.prodNgNoAlarmSplitOutputs;
}
bool EjectorUncontrolled(const WizardPara& p)
{
    return p.noEjectorControlInProd || ProductPulses(p);
}
}  // namespace

void CycleStart(const WizardPara& p, int i, bool productPending, OutputSink& out)
{
    const bool split = p.machineType == 0 && p.separateDetectSignal;
    if (!p.preCut && !p.cutClampOnMouldAlarm && !p.mouldNgPulseNoAlarm && (!split || i == 2))
        out.set(0, 1);
    if (!productPending)
        return;
    if (!p.prodNgPulseNoAlarm && !p.cutEjectorOnProdAlarm && !p.prodNgNoAlarmSplitOutputs) {
        if (!p.noEjectorControlInProd && (!split || i == 0))
            out.set(1, 1);
    } else {
        for (int o : {1, 4, 5, 6, 7})
            out.set(o, 0);
    }
}

void MouldRearm(const WizardPara& p, OutputSink& out)
{
    if (!p.okNgPulses && !p.preCut && !p.cutClampOnMouldAlarm && !p.mouldNgPulseNoAlarm)
        out.set(0, 1);
}

void NgCamera(const WizardPara& p, int k, int reDetectLeft, bool multi, OutputSink& out)
{
    if (p.okNgPulses)
        return;
    if (multi) {
        // Every NG here is an alarm, the first step's with product pulses too.
        out.set(2, 1);
        return;
    }
    if (k == 0) {
        if (!EjectorUncontrolled(p)) {
            out.set(1, 1);
            if (!p.preCut && !p.cutClampOnMouldAlarm && !p.separateDetectSignal)
                out.set(0, 1);
        }
        if (!ProductPulses(p) && reDetectLeft <= 0)
            out.set(2, 1);
    } else if (k == 1 && reDetectLeft <= 0 && !p.mouldNgPulseNoAlarm) {
        // A faulty mould holds the clamp whatever the pre-cut time.
        out.set(0, 1);
        out.set(2, 1);
    }
}

void VerdictOk(const WizardPara& p, int k, bool retrainPending, OutputSink& out)
{
    if (k == 0 && !EjectorUncontrolled(p))
        out.set(1, 0);
    if (k == 1 && !retrainPending && !p.mouldNgPulseNoAlarm)
        out.set(0, 0);
}

void PulseVerdict(const WizardPara& p, bool ok, OutputSink& out)
{
    const int clamp = (ok == !p.okNgPulseOutputs) ? 0 : 1;
    out.set(0, clamp);
    out.set(1, 1 - clamp);
    out.set(2, ok ? 0 : 1);
}

void AlarmCleared(const WizardPara& p, int k, bool multi, OutputSink& out)
{
    if (multi) {
        out.set(2, 0);
    } else if (k == 0) {
        out.set(2, 0);
        out.set(1, 0);
    }
    (void)p;
}

void ReCheck(const WizardPara& p, int k, bool final, OutputSink& out)
{
    // The mould judged again was NG: held during the re-detection, pre-cut or not.
    if (final && !ProductPulses(p))
        out.set(0, 1);
    if (k == 0 && !EjectorUncontrolled(p))
        out.set(1, 1);
}

void StartDetect(const WizardPara& p, OutputSink& out)
{
    if (p.cutEjectorOnClamp || p.cutEjectorAfterProdOk)
        out.set(1, 1);
}

void StopDetect(const WizardPara& p, OutputSink& out)
{
    if (p.stopClampOnStop == 1)
        out.set(0, 1);
    if (p.stopEjectorOnStop)
        out.set(1, 1);
    else if (p.cutEjectorAfterProdOk)
        out.set(1, 0);
}

void BackTrain(const WizardPara& p, OutputSink& out)
{
    if (!p.okNgPulses)
        out.set(0, 0);
    if (p.cutEjectorOnClamp && p.productDetectOn && !EjectorUncontrolled(p)
        && (p.machineType == 0 || p.machineType == 3))
        out.set(1, 1);
}

bool NgWithoutAlarm(const WizardPara& p, int k)
{
    return p.okNgPulses || (k == 0 && ProductPulses(p)) || (k == 1 && p.mouldNgPulseNoAlarm);
}

}  // namespace CycleOutputs
