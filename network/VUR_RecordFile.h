#pragma once
// Files of the plant link's records under ./vur_net/data/: read whole,
// written atomically (a power cut leaves the previous text).
#include <QByteArray>
#include <QString>

namespace VurRecordFile {

// False when the file is missing or unreadable.
bool Read(const QString& path, QByteArray* text);
// False (logged) when the file could not be written.
bool Write(const QString& path, const QByteArray& text);

}  // namespace VurRecordFile
