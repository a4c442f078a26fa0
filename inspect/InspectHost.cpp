#include "InspectHost.h"

#include <QDebug>

#include "params/WizardPara.h"

void InspectParams::takeFrom(const WizardPara& w)
{
    motionCorrect = w.motionCorrect;
    angleRange = w.angleRange;
    positionOffset = w.positionOffset;
    showAllParams = w.showAllParams;
    filterSize = w.filterSize;
    defectArea = w.defectArea;
    ngImageTemplate = w.ngImageTemplate;
    minSpot = w.minSpot;
    amplify = w.amplify;
    netEnabled = w.netEnabled;
    for (int d = 0; d < 8; ++d)
        detectOn[d] = w.detectOn[d];
}

InspectParams InspectHost::params() const
{
    InspectParams p = m_params;
    if (gpWPara)
        p.takeFrom(*gpWPara);
    return p;
}

void InspectHost::insertRecord(const QString& text)
{
    qWarning().noquote() << text;
}

namespace {
InspectHost* gHost = nullptr;
}

InspectHost& InspectHost::instance()
{
    static InspectHost fallback;
    return gHost ? *gHost : fallback;
}

void InspectHost::setInstance(InspectHost* host)
{
    gHost = host;
}
