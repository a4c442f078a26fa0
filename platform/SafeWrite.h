#pragma once
// The one way files are written: into a temporary file beside the target,
// flushed to the disk, then renamed over it, so a power cut leaves the old
// file or the new one and never a part of either.
#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace SafeWrite {

// Writes `fill`'s output to path. False (logged, with the reason in *error)
// when any step failed; the file that stood at path is then unchanged.
bool Write(const QString& path, const std::function<bool(QIODevice&)>& fill, QString* error = nullptr);
bool Write(const QString& path, const QByteArray& data, QString* error = nullptr);

// Flushes a folder's entries (names made, renamed or removed) to the disk.
bool SyncFolder(const QString& dir);

}  // namespace SafeWrite
