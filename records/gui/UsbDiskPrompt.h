#pragma once
#include <QString>

// The export's USB disk, asking the operator to plug one in until one is
// found; empty when the operator gives up.
QString AskForUsbDisk();
