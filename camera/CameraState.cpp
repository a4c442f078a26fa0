#include "CameraState.h"

#include "CameraGlobals.h"

CameraState::CameraState(WizardPara* live, WizardPara* edit, CameraHost* host_)
    : livePara(live), editPara(edit), host(host_ ? host_ : &m_defaultHost)
{
    CreateCameraMutexes();
}

const WizardPara& CameraState::SetterPara() const
{
    return host->settingsDialogVisible() ? *editPara : *livePara;
}
