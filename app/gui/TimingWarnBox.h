#pragma once
// Timed alarm; made and kept hidden.
#include "widgets/WarnBox.h"

class TimingWarnBox : public WarnBox {
    Q_OBJECT
public:
    explicit TimingWarnBox(QWidget* parent = nullptr);

protected:
    void hideEvent(QHideEvent* event) override;
};

extern TimingWarnBox* gpTimingWarnBox;
