#include "ReconnectCameraWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"

ReconnectCameraWarnBox* gpReconnectCameraWarnBox = nullptr;

ReconnectCameraWarnBox::ReconnectCameraWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    WindowStacking::KeepOverAlarms(this);
    setText(AlarmText(588));
    hide();
}
