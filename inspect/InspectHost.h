#pragma once
// What the inspection engine needs of the rest of the system: the live system
// parameters it reads, the main window's cycle state and its operation log.
// The main window installs its implementation; until then a default keeps the
// engine usable on its own (tests, benchmark).
#include <QString>

struct WizardPara;

// The system parameters the engine reads, as the parameter load leaves them.
struct InspectParams {
    int motionCorrect = 0;       // positioning: 0 on, -1 off
    int angleRange = 0;          // 1..180 turns rotation on
    int positionOffset = 8000;   // search margin around the model box
    int showAllParams = 0;       // code 0 reads its own kernel and area limit
    int filterSize = 3;          // code 0 kernel when showAllParams is off
    int defectArea = 100;        // code 0 area limit when showAllParams is off
    int ngImageTemplate = 0;     // templates are NG pictures: code 0 inverted
    int minSpot = 3;             // kernel of codes 1, 4, 5
    int amplify = 0;             // grey-match difference factor 0..4
    int netEnabled = 0;          // plant link on: result records collected
    int detectOn[8] = {0, 1, 0, 0, 0, 0, 0, 0};
    bool isGrayHue = false;      // colour frames judged on grey (else hue); fixed at start-up

    // The engine's fields of a parameter record (isGrayHue stays as it is).
    void takeFrom(const WizardPara& w);
};

class InspectHost {
public:
    virtual ~InspectHost() = default;

    // The live record (gpWPara) once it exists, else the defaults set here.
    virtual InspectParams params() const;
    // Detection step whose frame ShapeMatch aligns (the main window's curStep).
    virtual int currentStep() const { return m_step; }
    // Input number of the cycle being judged; 0 outside a triggered cycle.
    virtual int lastInputNo() const { return m_lastInput; }
    // One line of the operation log.
    virtual void insertRecord(const QString& text);

    // Defaults used until the main window binds the live record.
    void setParams(const InspectParams& p) { m_params = p; }
    void setCurrentStep(int step) { m_step = step; }
    void setLastInputNo(int input) { m_lastInput = input; }

    static InspectHost& instance();
    static void setInstance(InspectHost* host);  // nullptr restores the default

private:
    InspectParams m_params;
    int m_step = 0;
    int m_lastInput = 0;
};
