#pragma once
// The IO set-up that follows from the machine type: which detection steps
// exist, which input triggers each, the step count and the IO names.
struct WizardPara;

// What the derived set-up needs of the main window and the engines.
class IOSetupHost {
public:
    virtual ~IOSetupHost() = default;
    // Side inspected in machine types 1 and 2 (the main window's mouldSide).
    virtual void SetMouldSide(int side) = 0;
    // Cameras that opened; 0 while the main window is being built.
    virtual int OpenCameraCount() const = 0;
    // Rebuild the positioning model and retrain the matchers of a step.
    virtual void CreateShape(int camera, int step) = 0;
    virtual void VarTrain(int camera, int step) = 0;
};

enum class IONames {
    Load,    // name.txt when present, else the names of the machine type
    Accept,  // settings accept: only machine type 4 renames its IO
};

// Derives detectOn, trigInput, outputOrder, detectCount, outputInvert[4..7],
// gDNum, the mould side and gaName from the stored fields.
void DeriveIOSetup(WizardPara& p, IOSetupHost* host, IONames names = IONames::Accept);

// Reads eight names from name.txt into gaName[0..7]; false when it does not open.
bool ReadNameFile();
