#include "UsbExport.h"

#include "platform/SystemActions.h"

#include <QFile>
#include <QFileInfo>

namespace {
std::function<QString()>& Finder()
{
    static std::function<QString()> finder;
    return finder;
}
}  // namespace

void SetUsbDiskFinder(std::function<QString()> finder)
{
    Finder() = std::move(finder);
}

QString FindUsbDisk()
{
    return Finder() ? Finder()() : QString();
}

bool MoveToUsbDisk(const QString& file, const QString& disk, QString* error)
{
    const QFileInfo from(file);
    const QString target = disk + QLatin1Char('/') + from.fileName();
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        qWarning("export: %s", qPrintable(why));
        return false;
    };
    if (!from.isFile())
        return fail(QStringLiteral("%1 is missing").arg(file));
    QFile::remove(target);  // an earlier export of the same name is replaced, as a move would
    if (!QFile::copy(file, target))
        return fail(QStringLiteral("cannot copy %1 to %2").arg(file, disk));
    if (QFileInfo(target).size() != from.size()) {
        QFile::remove(target);
        return fail(QStringLiteral("%1 is incomplete on %2").arg(from.fileName(), disk));
    }
    QFile::remove(file);
    sysRun({QStringLiteral("sync")});
    sysRun({QStringLiteral("umount"), disk});
    return true;
}
