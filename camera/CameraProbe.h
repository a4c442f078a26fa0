#pragma once
// Start-up probe: which single camera family runs, how many cameras it has
// and the frame size every camera, buffer and view shares.

// Decides gCameraID, gFindCamera, gImageW/gImageH, gOW/gOH, gSensorColor.
void CheckCameraID();
