#pragma once
// Exports onto the USB disk: where the disk is mounted (the main window's
// FindAU, "" when none) and the move of a finished file onto it.
#include <QString>

#include <functional>

void SetUsbDiskFinder(std::function<QString()> finder);
// Mount point of the USB disk, or "" when there is none.
QString FindUsbDisk();

// Copies file onto the disk under its own name (read back and compared),
// syncs and unmounts the disk, then removes it here. False (the file stays
// here) when the copy, the sync or the unmount failed.
bool MoveToUsbDisk(const QString& file, const QString& disk, QString* error = nullptr);
