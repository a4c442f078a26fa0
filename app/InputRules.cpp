#include "InputRules.h"

#include "inspect/CycleState.h"
#include "params/WizardPara.h"

namespace InputRules {

bool StartsCycle(const WizardPara& p, int i, const CycleState& st, int steps)
{
    switch (p.machineType) {
    case 0:
        return i == 0 || (i == 2 && p.separateDetectSignal);
    case 1:
    case 3:
        return i == 0;
    case 2:
        return (i == 0 && p.mouldMode != 1) || (i == 3 && p.mouldMode != 0);
    case 4:
        // A step chained to the one before it on the same input goes on
        // with the cycle: starting a new one would arm the first step again.
        if (!p.detectNotInOrder)
            return st.chainedInput != i;
        return i == 0 && st.chainedInput == -1 && steps > 0 && st.stepPending[steps - 1] == 0;
    default:
        return false;
    }
}

bool StepEnabled(const WizardPara& p, int s, const CycleState& st)
{
    if (p.machineType == 1 || p.machineType == 2) {
        const int idx = st.mouldSide ? s : s + 2;
        return idx >= 0 && idx < 8 && p.detectOn[idx];
    }
    return s >= 0 && s < 8 && p.detectOn[s];
}

bool StartsStep(const WizardPara& p, int s, int i, const CycleState& st)
{
    const int trig = p.trigInput[s];
    switch (p.machineType) {
    case 0:
    case 3:
        return (trig == i && st.stepPending[s] != 0) || st.forcedStep == s;
    case 4:
        return trig == i && st.stepPending[s] != 0;
    case 1:
        return trig == i || (trig == 255 && (i == 2 || i == 3));
    case 2:
        return trig == i || (trig == 255 && (i == 0 || i == 3));
    default:
        return false;
    }
}

int StepDelay(const WizardPara& p, int s, int lastDelay)
{
    const int own = p.detectDelay[s];
    if (s == 0 || p.machineType == 1 || p.machineType == 2 || p.machineType == 4 || p.semiAuto)
        return own;
    return p.detectOn[0] ? own + lastDelay : own;
}

}  // namespace InputRules
