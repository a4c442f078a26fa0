#pragma once
// Front-panel LEDs, backlight and the orderly-stop helpers. The LED board is
// driven by ioctl requests whose number carries the data; they go through
// the system-action layer, so a build host only records them.
#include <QString>

#include <cstdint>

// Descriptor of the LED device; 0 or below: not open, every request skipped.
extern int gfLED;
// Watchdog-run flag: set at the end of main-window construction.
extern int gisRunWTD;
// The screen was switched off (main-window state that the touch filter reads).
extern int gLcdOff;

// Opens the LED device (MOJU_LED_DEVICE, else /dev/led) read-write; a
// failure leaves gfLED at -1 and is not reported.
void OpenLedDevice();

// LED n (0..7) gets the lowest bit of on; the whole mask is sent.
void LEDOnOff(int n, int on);
// 0 switches the backlight off, anything else on.
void LCDOnOff(int on);
// The mask as last requested (starts at 0xFF); tests reset it.
uint8_t LedMask();
void ResetLedMask();

constexpr unsigned long kLedRequest = 0x5A018000;
constexpr unsigned long kLcdOffRequest = 0x5A018A00;
constexpr unsigned long kLcdOnRequest = 0x5A018B00;

// Clears the watchdog flag and waits 1 s.
void StopWTD();
// Clears the watchdog flag, waits 1 s and ends the process.
[[noreturn]] void Exit(int status);
