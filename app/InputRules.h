#pragma once
// The trigger-input rules of the polling loop: which accepted input starts a
// moulding cycle and which starts a step, by machine type.
struct WizardPara;
struct CycleState;

namespace InputRules {

// Input i (0-based) starts a moulding cycle.
bool StartsCycle(const WizardPara& p, int i, const CycleState& st, int steps);
// Step s is started by input i (types 0 to 3: the pending mask, or forcedStep).
bool StartsStep(const WizardPara& p, int s, int i, const CycleState& st);
// Enable flag of step s as the step start reads it (types 1/2: side-dependent).
bool StepEnabled(const WizardPara& p, int s, const CycleState& st);
// Delay of a started step in tenths of a second (lastDelay: the previous step's).
int StepDelay(const WizardPara& p, int s, int lastDelay);
// Mask index of a step: step & 1 in types 0 to 3, the step in type 4.
inline int MaskIndex(int machineType, int step) { return machineType == 4 ? step : (step & 1); }

}  // namespace InputRules
