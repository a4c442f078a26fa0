#pragma once
// Exports onto the USB disk: where the disk is mounted (the main window's
// FindAU, "" when none) and the move of a finished file onto it.
#include <QString>

#include <functional>

void SetUsbDiskFinder(std::function<QString()> finder);
// Mount point of the USB disk, or "" when there is none.
QString FindUsbDisk();

// Copies file onto the disk under its own name, removes it here, then syncs
// and unmounts the disk. False (the file stays here) when the copy failed.
bool MoveToUsbDisk(const QString& file, const QString& disk, QString* error = nullptr);
