#include "SafeWrite.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace SafeWrite {

bool Write(const QString& path, const std::function<bool(QIODevice&)>& fill, QString* error)
{
    QSaveFile f(path);
    QString why;
    if (!f.open(QIODevice::WriteOnly))
        why = f.errorString();
    else if (!fill(f) || f.error() != QFileDevice::NoError)
        why = f.error() != QFileDevice::NoError ? f.errorString() : QStringLiteral("the content could not be made");
    if (!why.isEmpty()) {
        f.cancelWriting();
    } else if (!f.commit()) {  // commit syncs the data before the rename
        why = f.errorString();
    }
    if (!why.isEmpty()) {
        qWarning().noquote() << QStringLiteral("Could not write %1: %2").arg(path, why);
        if (error)
            *error = why;
        return false;
    }
    // The rename itself lives in the folder.
    SyncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool Write(const QString& path, const QByteArray& data, QString* error)
{
    return Write(path, [&data](QIODevice& d) { return d.write(data) == data.size(); }, error);
}

bool SyncFolder(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace SafeWrite
