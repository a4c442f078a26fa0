#pragma once
// Device nodes and simulated-hardware switches, each overridable by the
// MOJU_* environment variables so a build host never touches real hardware.
#include <QString>
#include <QStringList>

namespace DevicePaths {

// IO board: MOJU_SERIAL_DEVICE, else /dev/ttyS<comPort>. A default build
// refuses real /dev/ttyS* ports and returns an empty path instead.
QString serialDevice(int comPort);

// LED board: MOJU_LED_DEVICE, else /dev/led.
QString ledDevice();

// V4L2 node for index i: MOJU_V4L2_DEVICE pattern (with %d), else /dev/video%d.
QString v4l2Device(int index);

// Folder of simulated camera devices (MOJU_SIMCAM); empty when unset.
QString simCamRoot();

// Folder that stands in for the USB disk side of the host in a default
// build (MOJU_USB_ROOT): the blkid listing, the mount table and the mount
// point. Empty when unset: no USB disk.
QString usbRoot();

// Interfaces GigE address repair may use (MOJU_GIGE_IFACES, comma or blank
// separated). A default build without the variable allows none; a panel
// build without it allows every interface (empty list plus allowAll).
QStringList gigeInterfaces(bool* allowAll = nullptr);

}  // namespace DevicePaths
