#pragma once
// Start-up probe: which single camera family runs, how many cameras it has
// and the frame size every camera, buffer and view shares.

#include <QString>

// Decides gCameraID, gFindCamera, gImageW/gImageH, gOW/gOH, gSensorColor.
void CheckCameraID();
// The camera library's version text for the start-up log; only the
// MindVision library reports one, every other family gives "".
QString CameraSdkVersion();
