#pragma once
// Texts beside an area on the live view and on result pictures, and the
// detection name of a step: one wording for every screen that shows them.
#include <QString>

class CammerSingleton;
struct WizardPara;

// Name of step s by machine type: "Prod"/"Mold" (types 0, 3), left and right
// sides (1, 2), ordinals (4); the ordinal for a step or type without a name.
QString DetectionName(int machineType, int step);

// Text id of the name of area function `code` (as the parameter panel shows it).
int AreaFunctionText(int code);

// The limit an area is judged against, as the operator reads it.
QString AreaLimitText(const CammerSingleton& set, int g, int j, const WizardPara& p);
// "n: value" with more than ten areas in the step, else "n: value / limit ".
QString AreaCaption(const CammerSingleton& set, int g, int j, const QString& value, const WizardPara& p);
