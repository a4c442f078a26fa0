#pragma once
// Lost IO-board link: stays on screen while the link is down.
#include "widgets/WarnBox.h"

class LostComWarnBox : public WarnBox {
    Q_OBJECT
public:
    explicit LostComWarnBox(QWidget* parent = nullptr);
    // One pass of the polling loop: lostCom is the link state, enabled the
    // ioLinkLostBox parameter.
    void Poll(bool lostCom, bool enabled);

protected:
    void hideEvent(QHideEvent* event) override;
};

extern LostComWarnBox* gpLostComWarnBox;
