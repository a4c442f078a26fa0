#include "LedPanel.h"

#include "platform/DevicePaths.h"
#include "platform/SystemActions.h"

#include <QFile>
#include <QThread>

#include <cstdlib>
#include <fcntl.h>

int gfLED = -1;
int gisRunWTD = 0;
int gLcdOff = 0;

namespace {
uint8_t gLedMask = 0xFF;

void Request(unsigned long request)
{
    if (gfLED > 0)
        SystemActions::instance().deviceIoctl(DevicePaths::ledDevice(), request);
}
}  // namespace

void OpenLedDevice()
{
    gfLED = ::open(QFile::encodeName(DevicePaths::ledDevice()).constData(), O_RDWR | O_CLOEXEC);
}

void LEDOnOff(int n, int on)
{
    if (n < 0 || n > 7)
        return;
    const uint8_t bit = uint8_t(1u << n);
    gLedMask = (on & 1) ? uint8_t(gLedMask | bit) : uint8_t(gLedMask & ~bit);
    Request(kLedRequest | gLedMask);
}

void LCDOnOff(int on)
{
    Request(on ? kLcdOnRequest : kLcdOffRequest);
    gLcdOff = on ? 0 : 1;
}

uint8_t LedMask()
{
    return gLedMask;
}

void ResetLedMask()
{
    gLedMask = 0xFF;
}

void StopWTD()
{
    gisRunWTD = 0;
    QThread::sleep(1);
}

void Exit(int status)
{
    gisRunWTD = 0;
    QThread::sleep(1);
    std::exit(status);
}
