#pragma once
// Start-up probe: which single camera family runs, how many cameras it has
// and the frame size every camera, buffer and view shares.
#include <QString>

#include <functional>

struct AVInputFormat;

// Decides gCameraID, gFindCamera, gImageW/gImageH, gOW/gOH, gSensorColor.
void CheckCameraID();
// Lines of the kernel's input-device list that name a camera (any case).
int CheckUSBCameraNum(const QString& devicesFile = QStringLiteral("/proc/bus/input/devices"));
// Refreshes gDeviceInfoList with the IMV devices of our manufacturer.
void Dahua_EnumDevices();

// The FFmpeg input format for V4L2 nodes; none (probe the file) when the
// device pattern was replaced by something that is not a video node.
const AVInputFormat* V4l2InputFormat(const QString& path);

// Waits of the probe (repaired devices coming back); tests replace it.
void CameraProbeSleep(int ms);
void SetCameraProbeSleeper(std::function<void(int)> sleeper);
