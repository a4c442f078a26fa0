#pragma once
// All cameras lost: the operator may power the panel off from here.
#include "widgets/WarnBox.h"

class LostCameraWarnBox : public WarnBox {
    Q_OBJECT
public:
    explicit LostCameraWarnBox(QWidget* parent = nullptr);

public slots:
    void acceptShutdown();
};

extern LostCameraWarnBox* gpLostCameraWarnBox;
