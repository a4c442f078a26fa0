#include "TouchFilter.h"

#include "app/LedPanel.h"
#include "camera/CameraGlobals.h"
#include "platform/SystemActions.h"

#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace {
TouchHost* gTouchHost = nullptr;
}

TouchFilter::TouchFilter(QObject* parent)
    : QObject(parent)
{
}

void TouchFilter::SetHost(TouchHost* host)
{
    gTouchHost = host;
}

TouchHost* TouchFilter::Host()
{
    return gTouchHost;
}

bool TouchFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease && t != QEvent::MouseMove)
        return false;
    // A touch reaches its window first and is then handed down the widgets;
    // looking at the window's copy sees each touch once and can still stop it.
    if (!watched->isWindowType())
        return false;
    const auto* me = static_cast<const QMouseEvent*>(event);
    return Touch(me->buttons() == Qt::LeftButton);
}

bool TouchFilter::Touch(bool pressed)
{
    TouchHost* host = gTouchHost;
    if (!host)
        return false;  // events before the main window exists pass untouched
    if (gCameraID != CAMERA_NONE) {
        if (!pressed)
            return false;
    } else if (pressed) {
        QTimer* tsc = host->tscTimer();
        if (tsc && !tsc->isActive() && host->tscArmed() == 0)
            tsc->start(3000);
    } else if (host->tscArmed()) {
        Calibrate(host);
        return false;
    } else {
        if (QTimer* tsc = host->tscTimer(); tsc && tsc->isActive())
            tsc->stop();
        return false;
    }

    if (host->parametersLoaded()) {
        if (QTimer* t = host->logoutTimer(); t && host->autoLogoutTime() > 0)
            t->start(host->autoLogoutTime() * 1000);
        if (QTimer* t = host->lcdTimer(); t && host->screenOffTime() > 0)
            t->start(host->screenOffTime() * 1000);
    }
    if (gLcdOff) {
        LCDOnOff(1);
        return true;
    }
    return false;
}

void TouchFilter::Calibrate(TouchHost* host)
{
    gisRunWTD = 0;
    sysRun({QStringLiteral("./tsc")}, -1);
    QThread::msleep(500);
    host->FLushAll();
    sysRun({QStringLiteral("reboot")});
    host->tscArmed() = 0;
}
