#pragma once
// The cameras came back after a loss.
#include "widgets/WarnBox.h"

class ReconnectCameraWarnBox : public WarnBox {
    Q_OBJECT
public:
    explicit ReconnectCameraWarnBox(QWidget* parent = nullptr);
};

extern ReconnectCameraWarnBox* gpReconnectCameraWarnBox;
