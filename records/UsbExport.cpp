#include "UsbExport.h"

#include "platform/SystemActions.h"
#include "platform/VerifiedCopy.h"

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
    // Read back and compared before anything here goes: a full or pulled
    // stick is a failure, never a success.
    VerifiedCopy::Failure failure;
    if (!VerifiedCopy::CopyFile(file, target, &failure))
        return fail(QStringLiteral("cannot copy %1 to %2: %3").arg(file, disk, failure.reason));
    const ActionResult synced = sysRun({QStringLiteral("sync")});
    const ActionResult unmounted = sysRun({QStringLiteral("umount"), disk});
    if (!synced.ok())
        return fail(QStringLiteral("sync failed (%1); %2 may not be on %3").arg(synced.exitCode).arg(from.fileName(), disk));
    if (!unmounted.ok())
        return fail(QStringLiteral("cannot unmount %1 (%2)").arg(disk).arg(unmounted.exitCode));
    QFile::remove(file);
    return true;
}
