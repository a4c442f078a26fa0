#pragma once
// The system parameters the cameras read, named as in the parameter record.
// Two copies exist: the live one and the edit copy of the settings dialog.
constexpr int kCameraParaCount = 8;

struct CameraParams {
    int exposure[kCameraParaCount] = {10, 10, 10, 10, 10, 10, 10, 10};  // ms (Galaxy: percent)
    int gain[kCameraParaCount] = {};                                   // 0-64
    int sharpness[kCameraParaCount] = {};                              // 0-100
    int contrast[kCameraParaCount] = {100, 100, 100, 100, 100, 100, 100, 100};  // 0-200
    int gamma[kCameraParaCount] = {100, 100, 100, 100, 100, 100, 100, 100};     // 0-250
    int hMirror[kCameraParaCount] = {};
    int vMirror[kCameraParaCount] = {};
    int autoExposure = 0;
    int autoShading = 0;
    int externalTrigger = 0;
    int cameraSpeed = 0;
};
