#include "UsbDiskPrompt.h"

#include "foundation/uitext.h"
#include "records/UsbExport.h"
#include "widgets/ChooseBox.h"

QString AskForUsbDisk()
{
    QString disk = FindUsbDisk();
    while (disk.isEmpty()) {
        if (!AskText(LanStr(320)))
            return {};
        disk = FindUsbDisk();
    }
    return disk;
}
