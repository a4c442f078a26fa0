#pragma once
// Which outputs each event of the detection cycle sets, by the output
// options of the parameters. Output indexes: 0 clamp held, 1 ejector held,
// 2 alarm, 3 re-detect or OK pulse, 4-7 cavity results. Level 1 on 0 and 1
// holds the machine. Changes reach the board only when the caller flushes.
struct WizardPara;

class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void set(int index, int level) = 0;
};

// The IO port as a sink (no port: nothing happens).
class PortSink : public OutputSink {
public:
    void set(int index, int level) override;
};

namespace CycleOutputs {

// Start of a moulding cycle accepted on input i (0-based), in types 0 to 3
// outside OK/NG pulse mode; productPending: a camera still has the product step.
void CycleStart(const WizardPara& p, int input, bool productPending, OutputSink& out);
// Mould step re-armed by an input (types 0 to 3).
void MouldRearm(const WizardPara& p, OutputSink& out);
// A camera judged NG on mask index k; reDetectLeft: re-detections of k left.
void NgCamera(const WizardPara& p, int k, int reDetectLeft, bool multi, OutputSink& out);
// The step's verdict is OK (types 0 to 3, no OK/NG pulses).
void VerdictOk(const WizardPara& p, int k, bool retrainPending, OutputSink& out);
// OK/NG pulse mode: the verdict's outputs.
void PulseVerdict(const WizardPara& p, bool ok, OutputSink& out);
// The alarm is cleared by an OK re-inspection.
void AlarmCleared(const WizardPara& p, int k, bool multi, OutputSink& out);
// A re-detection begins judging (ReCheck) on k; final: k is the last step.
void ReCheck(const WizardPara& p, int k, bool final, OutputSink& out);
// Detection start and stop.
void StartDetect(const WizardPara& p, OutputSink& out);  // after all outputs off
void StopDetect(const WizardPara& p, OutputSink& out);   // after all outputs off
// Return from the area check.
void BackTrain(const WizardPara& p, OutputSink& out);

// True when an NG of step k is a pulse without alarm (result display instead).
bool NgWithoutAlarm(const WizardPara& p, int k);

}  // namespace CycleOutputs
