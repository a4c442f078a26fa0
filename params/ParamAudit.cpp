// The parameter audit line.
#include "WizardPara.h"

QString WizardPara::inserterAllParam(int) const
{
    return QString();
}
