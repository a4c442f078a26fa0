#include "ParaChecks.h"

#include "WizardPara.h"
#include "foundation/uitext.h"

#define R(expr) #expr, [](WizardPara& p) -> int& { return p.expr; }
#define CAMERA(c)                                              \
    {R(exposure[c]), ParaCheck::Above, 0, 10000, 30},          \
    {R(gain[c]), ParaCheck::Above, 0, 10000, 32},              \
    {R(sharpness[c]), ParaCheck::Above, 0, 10000, 0},          \
    {R(contrast[c]), ParaCheck::Outside, 1, 10000, 100},       \
    {R(gamma[c]), ParaCheck::Outside, 1, 10000, 100}

bool ParaCheck::Passes(int v) const
{
    switch (kind) {
    case Above:
        return static_cast<unsigned>(v) <= static_cast<unsigned>(hi);
    case Outside:
        return v >= lo && v <= hi;
    case NonZeroOutside:
        return v == 0 || (v >= lo && v <= hi);
    case NotZeroOrMinus1:
        return v == 0 || v == -1;
    }
    return true;
}

const std::vector<ParaCheck>& ParaLoadChecks()
{
    static const std::vector<ParaCheck> checks = {
        CAMERA(0), CAMERA(1), CAMERA(2), CAMERA(3), CAMERA(4), CAMERA(5), CAMERA(6), CAMERA(7),
        {R(customDetectCount), ParaCheck::Outside, 2, 8, 2},
        {R(machineType), ParaCheck::Above, 0, 5, 0},
        {R(preCut), ParaCheck::Above, 0, 10000, 0},
        {R(recheckCount2), ParaCheck::Above, 0, 10000, 0},
        {R(filterSize), ParaCheck::Outside, 1, 100, 3},
        {R(defectArea), ParaCheck::Outside, 1, 100000, 100},
        {R(templateCount), ParaCheck::Outside, 1, 100, 10},
        {R(ngImagesKept), ParaCheck::Above, 0, 20000, 0},
        {R(okImagesKept), ParaCheck::Above, 0, 20000, 0},
        {R(ejectorPulse), ParaCheck::Above, 0, 10000, 0},
        {R(clampPulse), ParaCheck::Above, 0, 10000, 0},
        {R(motionCorrect), ParaCheck::NotZeroOrMinus1, 0, 0, -1},
        {R(angleRange), ParaCheck::Above, 0, 180, 0},
        {R(autoLogoutTime), ParaCheck::Above, 0, 10000, 0},
        {R(amplify), ParaCheck::Above, 0, 4, 0},
        {R(positionOffset), ParaCheck::Outside, 1, 8000, 8000},
        {R(screenOffTime), ParaCheck::NonZeroOutside, 30, 9999, 600},
        {R(cameraSpeed), ParaCheck::Above, 0, 100, 12},
        {R(inputTimeout), ParaCheck::Above, 0, 100000000, 60},
        {"gLan", [](WizardPara&) -> int& { return gLan; }, ParaCheck::Above, 0, 2, 0},
        {R(comPort), ParaCheck::Above, 0, 100, 0},
        {R(minSpot), ParaCheck::Outside, 1, 100, 3},
        {R(notDetectedCount), ParaCheck::Outside, 1, 100, 0},
        {R(system8Spare), ParaCheck::Above, 0, 100000000, 0},
    };
    return checks;
}

#undef CAMERA
#undef R

void ApplyLoadChecks(WizardPara& p)
{
    for (const ParaCheck& c : ParaLoadChecks()) {
        int& v = c.ref(p);
        if (!c.Passes(v))
            v = c.def;
    }
    p.machineTypeSetting = p.machineType;
}

void ApplyFunctionGuard(WizardPara& p)
{
    // Ignore area and manual locating do not judge anything by themselves.
    if (!p.enableDefect && !p.enableSpot && !p.enableBlackArea && !p.enableWhiteArea
        && !p.enableWhiteNumber && !p.enableBlackNumber && !p.enableSimilarity && !p.enableDistMeasure)
        p.enableDefect = 1;
}
