#include "SettingsPort.h"

#include "IndexButton.h"
#include "RaRoWizard.h"
#include "WizardPorts.h"
#include "app/ControlPort.h"
#include "app/DetectionCycle.h"
#include "app/LedPanel.h"
#include "foundation/MainGlobals.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "records/Myxls.h"
#include "records/gui/DetectCycleWidget.h"
#include "records/gui/EditCavitywidget.h"
#include "settings/CustomIONameWidget.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/WidgetChangeCamera.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"

SettingsPort::~SettingsPort()
{
    delete m_detectCycle.data();
}

int SettingsPort::unlockLevel() const
{
    return m_win->cycle().unlockLevel;
}

void SettingsPort::setUnlockLevel(int level)
{
    m_win->cycle().unlockLevel = level;
}

bool SettingsPort::CheckRoot()
{
    return m_win->CheckRoot();
}

void SettingsPort::InsertRecord(const QString& text)
{
    m_win->InsertRecord(text);
}

CameraStation* SettingsPort::station()
{
    return m_win->station();
}

int SettingsPort::numCamera() const
{
    return m_win->numCamera();
}

IOSetupHost* SettingsPort::ioSetupHost()
{
    return m_win->ports();
}

void SettingsPort::ChangeDetectNum(int steps)
{
    CycleState& st = m_win->cycle();
    for (int s = 0; s < steps && s < 8; ++s) {
        st.stepStarted[s] = 0;
        for (int c = 0; c < 8; ++c)
            st.imageDecision[c][s] = 0;
    }
    st.curStep = st.customStep = steps - 1;
    if (m_win->drawROIWidget)
        m_win->drawROIWidget->ChangeDetectNum(steps);
}

void SettingsPort::CopyPara(int camera)
{
    if (camera >= 0 && camera < 8 && m_win->cammerWidget[camera])
        m_win->cammerWidget[camera]->CopyPara();
}

void SettingsPort::setCaptureOnTrigger(int on)
{
    m_win->cycle().captureConfigured = on;
}

bool SettingsPort::saveRawFrames() const
{
    return m_win->detection()->saveRawFrames;
}

void SettingsPort::setSaveRawFrames(bool on)
{
    m_win->detection()->saveRawFrames = on;
}

void SettingsPort::outputPolarityChanged(const WizardPara& before)
{
    if (gpControlIO)
        gpControlIO->PolarityChanged(ControlPort::FromParameters(before));
}

void SettingsPort::hideCommandColumn()
{
    if (m_win->indexButton)
        m_win->indexButton->ShowHide(0);
}

void SettingsPort::refreshCommandColumn()
{
    if (IndexButton* column = m_win->indexButton) {
        column->ResetComboChooseManualTrig();
        column->ReSetCaptureMode();
    }
}

void SettingsPort::repaintCameras()
{
    for (int c = 0; c < m_win->numCamera() && c < 8; ++c)
        if (m_win->cammerWidget[c])
            m_win->cammerWidget[c]->update();
}

void SettingsPort::selectCamera(int camera)
{
    m_win->cycle().selCamera = camera;
    m_win->ChangeCammer();
}

void SettingsPort::restartPlantClient()
{
    if (gpNet)
        gpNet->VUR_ReStart();
}

void SettingsPort::ClearRecord()
{
    m_win->ClearRecord();
}

void SettingsPort::showCameraRenumbering()
{
    if (m_win->widgetChangeCamera) {
        m_win->widgetChangeCamera->show();
        m_win->widgetChangeCamera->raise();
    }
}

void SettingsPort::showIONames()
{
    if (m_win->customIONameWidget) {
        m_win->customIONameWidget->show();
        m_win->customIONameWidget->raise();
    }
}

void SettingsPort::showHardwareConfiguration()
{
    if (m_win->hardwareConfigurationWidget) {
        m_win->hardwareConfigurationWidget->show();
        m_win->hardwareConfigurationWidget->raise();
    }
}

QString SettingsPort::missingHardwareConfiguration() const
{
    return m_win->hardwareConfigurationWidget ? m_win->hardwareConfigurationWidget->missingFile() : QString();
}

void SettingsPort::FLushAll()
{
    m_win->FLushAll();
}

void SettingsPort::StopWTD()
{
    ::StopWTD();
}

void SettingsPort::Exit(int status)
{
    ::Exit(status);
}

void SettingsPort::showCavityEditor()
{
    if (m_win->editCavitywidget) {
        m_win->editCavitywidget->init();
        m_win->editCavitywidget->show();
        m_win->editCavitywidget->raise();
    }
}

void SettingsPort::showDetectCycle()
{
    // Another press brings the open window forward instead of stacking a second.
    if (!m_detectCycle)
        m_detectCycle = new DetectCycleWidget;
    m_detectCycle->show();
    m_detectCycle->raise();
}

bool SettingsPort::hasWorkbook() const
{
    return gisUseStatistics && gpMyxls;
}

bool SettingsPort::writeWorkbook(const QString& path)
{
    return gpMyxls && gpMyxls->ImportRes(path);
}
