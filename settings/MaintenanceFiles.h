#pragma once
// The file work of the maintenance buttons: placing an update archive (from
// the USB disk or the factory archive) in the working directory, and the
// export of the working directory onto the USB disk. The archive is only
// placed; unpacking it is the host's business before the next start, and
// the program's part after that is the update.sh hook at start-up.
#include "platform/VerifiedCopy.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace Maintenance {

using Failure = VerifiedCopy::Failure;

// Name the archive gets in the working directory, by the picked file's name
// (".tar.gz", ".tar.xz", ".rar", first match wins); "" for anything else.
QString UpdateArchiveName(const QString& pickedPath);

// The program that reads the whole archive without unpacking it.
QStringList ArchiveTest(const QString& archiveName, const QString& path);

// Reads the archive through (a truncated or damaged one is refused), copies
// it as workDir/archiveName and checks the copy against the source. Nothing
// of an earlier archive of that name is replaced unless all of this passed.
enum class Placed { Done, Unreadable, CopyFailed };
Placed PlaceArchive(const QString& source, const QString& archiveName, const QString& workDir,
                    Failure* failure = nullptr);

struct Export {
    QString workDir;  // copied whole
    QString disk;     // mount point of the USB disk
    QString stamp;    // folder on the disk, "yyyy-MM-dd_hh.mm.ss"
    int cameras = 0;  // raw picture folders cleared after the copy
    int steps = 0;
    // Writes the statistics workbook to the given path (optional).
    std::function<bool(const QString& path)> workbook;
};
// Copies workDir into disk/stamp/<its folder name>, adds the workbook, and
// only when every file is on the disk and checked clears the raw pictures
// ./originalimage/cammer<camera><step>. A failure deletes nothing.
bool ExportData(const Export& job, Failure* failure = nullptr);

}  // namespace Maintenance
