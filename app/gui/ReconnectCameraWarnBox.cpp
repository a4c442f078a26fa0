#include "ReconnectCameraWarnBox.h"

#include "AlarmHost.h"

ReconnectCameraWarnBox* gpReconnectCameraWarnBox = nullptr;

ReconnectCameraWarnBox::ReconnectCameraWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    setText(AlarmText(588));
    hide();
}
