#pragma once
// Range checks the load applies after all rows are read: values out of range
// are replaced silently by fixed defaults.
#include "ParaRows.h"

#include <vector>

struct WizardPara;

struct ParaCheck {
    enum Kind {
        Above,            // compared as unsigned: above hi (so any negative) -> def
        Outside,          // not in lo..hi -> def
        NonZeroOutside,   // not 0 and not in lo..hi -> def
        NotZeroOrMinus1,  // anything but 0 and -1 -> def
    };
    const char* field;
    ParaRef ref;
    Kind kind;
    int lo;
    int hi;
    int def;

    bool Passes(int v) const;
};

// In the order the load applies them.
const std::vector<ParaCheck>& ParaLoadChecks();

// Applies every check; the machine type chosen for the next start follows
// the (checked) machine type in force.
void ApplyLoadChecks(WizardPara& p);

// With no detection function enabled at all, the defect function is.
void ApplyFunctionGuard(WizardPara& p);
