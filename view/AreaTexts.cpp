#include "AreaTexts.h"

#include "foundation/uitext.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"

QString DetectionName(int machineType, int step)
{
    // A step without a name of its own is called by its place in the cycle
    // ("1st" ..), never by an unrelated text.
    if (step < 0 || step > 7)
        return QString::number(step + 1);
    switch (machineType) {
    case 0:
    case 3:
        if (step < 2)
            return LanStr(263 + step);
        break;
    case 1:
    case 2:
        if (step < 4)
            return LanStr(372 + step);
        break;
    default:
        break;
    }
    return LanStr(477 + step);
}

int AreaFunctionText(int code)
{
    static const int texts[10] = {25, 15, 17, 21, 392, 393, 398, 521, 662, 581};
    return (code >= 0 && code <= 9) ? texts[code] : texts[0];
}

QString AreaLimitText(const CammerSingleton& set, int g, int j, const WizardPara& p)
{
    const int code = set.algorithm[g][j];
    const int area = set.max_area[g][j];
    if (code == RoiCode::Defect && !p.showAllParams)
        return QString::number(p.defectArea);
    switch (code) {
    case RoiCode::Similarity:
        return QString::number(set.sensibility[g][j]);
    case RoiCode::Spot:
        return QStringLiteral("%1--%2").arg(set.sensibility[g][j]).arg(area);
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        return QStringLiteral("%1--%2").arg(RoiRules::MinCount(area)).arg(RoiRules::MaxCount(area));
    default:
        return QString::number(area);
    }
}

QString AreaCaption(const CammerSingleton& set, int g, int j, const QString& value, const WizardPara& p)
{
    if (set.count[g] > 10)
        return QStringLiteral("%1: %2").arg(j + 1).arg(value);
    return QStringLiteral("%1: %2 / %3 ").arg(j + 1).arg(value, AreaLimitText(set, g, j, p));
}
