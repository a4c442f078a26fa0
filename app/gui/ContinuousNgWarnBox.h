#pragma once
// The machine was stopped after repeated NG results; closing it releases
// the alarm outputs unless the NG alarm itself is still held.
#include "widgets/WarnBox.h"

class ContinuousNgWarnBox : public WarnBox {
    Q_OBJECT
public:
    explicit ContinuousNgWarnBox(QWidget* parent = nullptr);

protected:
    void hideEvent(QHideEvent* event) override;
};

extern ContinuousNgWarnBox* gContinuousNgWarnBox;
