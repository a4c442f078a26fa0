#include "MaintenanceFiles.h"

#include "ParaGroups.h"
#include "platform/SystemActions.h"

#include <QDir>
#include <QFileInfo>

using namespace VerifiedCopy;

namespace Maintenance {
namespace {
bool Fail(Failure* failure, const QString& path, const QString& reason)
{
    qWarning().noquote() << "maintenance:" << path << "-" << reason;
    if (failure)
        *failure = {path, reason};
    return false;
}
}  // namespace

QString UpdateArchiveName(const QString& pickedPath)
{
    const QString name = pickedPath.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    for (const char* ext : {".tar.gz", ".tar.xz", ".rar"})
        if (name.contains(QLatin1String(ext)))
            return QStringLiteral("newupdate") + QLatin1String(ext);
    return QString();
}

QStringList ArchiveTest(const QString& archiveName, const QString& path)
{
    if (archiveName.endsWith(QLatin1String(".tar.gz")))
        return {QStringLiteral("tar"), QStringLiteral("-tzf"), path};
    if (archiveName.endsWith(QLatin1String(".tar.xz")))
        return {QStringLiteral("tar"), QStringLiteral("-tJf"), path};
    if (archiveName.endsWith(QLatin1String(".rar")))
        return {QStringLiteral("unrar"), QStringLiteral("t"), QStringLiteral("-idq"), path};
    return {};
}

Placed PlaceArchive(const QString& source, const QString& archiveName, const QString& workDir, Failure* failure)
{
    const QStringList test = ArchiveTest(archiveName, source);
    if (test.isEmpty() || !QFileInfo(source).isFile()) {
        Fail(failure, source, QStringLiteral("not an update archive"));
        return Placed::Unreadable;
    }
    // The listing reads the archive to its end: a short or damaged one fails here.
    const ActionResult listed = SystemActions::instance().query(test, 120000);
    if (!listed.ok()) {
        Fail(failure, source, QStringLiteral("%1 failed (%2)").arg(test.first()).arg(listed.exitCode));
        return Placed::Unreadable;
    }
    const QString target = workDir + QLatin1Char('/') + archiveName;
    const QString part = target + QStringLiteral(".part");
    if (!CopyFile(source, part, failure))
        return Placed::CopyFailed;
    if (!Replace(part, target, failure)) {
        RemoveAll(part);
        return Placed::CopyFailed;
    }
    return Placed::Done;
}

bool ExportData(const Export& job, Failure* failure)
{
    const QString folder = job.disk + QLatin1Char('/') + job.stamp;
    if (!QDir().mkpath(folder))
        return Fail(failure, folder, QStringLiteral("cannot create the folder"));
    const QString disk = QFileInfo(job.disk).canonicalFilePath();
    const QString to = folder + QLatin1Char('/') + QFileInfo(QDir(job.workDir).absolutePath()).fileName();
    // The disk may be mounted inside the working directory: never copy it into itself.
    const auto skip = [&disk](const QFileInfo& e) { return !disk.isEmpty() && e.canonicalFilePath() == disk; };
    if (!CopyTree(job.workDir, to, skip, failure))
        return false;
    if (job.workbook) {
        const QString book = folder + QLatin1Char('/') + job.stamp + QStringLiteral(".xlsx");
        if (!job.workbook(book))
            return Fail(failure, book, QStringLiteral("the workbook could not be written"));
    }
    // Everything is on the disk: the raw pictures may go.
    bool cleared = true;
    for (int c = 1; c <= std::min(job.cameras, 8); ++c) {
        for (int s = 1; s <= std::min(job.steps, 8); ++s) {
            const QDir raw(job.workDir + QStringLiteral("/originalimage/") + ParaGroups::StepFolder(c, s));
            for (const QFileInfo& e : raw.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
                cleared = RemoveAll(e.filePath()) && cleared;
        }
    }
    if (!cleared)
        qWarning("export: some raw pictures could not be removed");
    return true;
}

}  // namespace Maintenance
