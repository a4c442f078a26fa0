#pragma once
// Gives an IMV camera with an invalid or duplicate address a free address
// on its host interface's network and stores it in the camera.
#include "ImvIpSdk.h"

#include <QStringList>

// Addresses already taken on the IMV cameras' network (host interfaces,
// cameras' own, handed out); kept for the life of the process.
extern QStringList gDHIPList;

// 0 the camera keeps its address, 1 it got a new persistent address, else
// the code of the step that failed.
int autoSetCameraIP(ImvIpSdk& sdk, ImvGigeDeviceInfo info);
