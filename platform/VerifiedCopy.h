#pragma once
// Copies whose result is checked before anyone relies on them: each file is
// read back and compared with its source (size and MD5), so a full disk, a
// pulled USB stick or a short write is found before the original is
// removed or the machine restarts. Plain QFile/QDir work, no programs.
#include <QFileInfo>
#include <QString>

#include <functional>

namespace VerifiedCopy {

// What failed and where: the path shows to the operator, the reason goes
// to the diagnostics log.
struct Failure {
    QString path;
    QString reason;
};

// Copies one file over `to` (replaced whole). A failed or differing copy
// is removed again. The data is on the disk (fsync) when this returns true.
bool CopyFile(const QString& from, const QString& to, Failure* failure = nullptr);

// Copies a folder and everything below it into `to` (created). Entries for
// which `skip` returns true are left out; linked folders are not followed.
using SkipRule = std::function<bool(const QFileInfo&)>;
bool CopyTree(const QString& from, const QString& to, const SkipRule& skip = {}, Failure* failure = nullptr);

// Removes a file or a whole folder; true when nothing is left at `path`.
bool RemoveAll(const QString& path);

// Puts `from` in the place of `to` by renaming (same file system), removing
// what stood there first. False leaves `to` as it was. A folder that stood
// there waits under AsideName(to) until the new one is in place.
QString AsideName(const QString& path);
bool Replace(const QString& from, const QString& to, Failure* failure = nullptr);

}  // namespace VerifiedCopy
