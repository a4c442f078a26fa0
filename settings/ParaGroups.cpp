#include "ParaGroups.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace VerifiedCopy;

namespace {
constexpr int kMaxNameLength = 32;

bool Fail(ParaGroups::Failure* failure, const QString& path, const QString& reason)
{
    if (failure)
        *failure = {path, reason};
    return false;
}

// True when the file is an SQLite database holding the parameter table.
bool HasParameterTable(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return false;
    const QString name = QStringLiteral("paraGroupCheck");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("select count(*) from sysparam")) && q.next() && q.value(0).toInt() > 0;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
}  // namespace

ParaGroups::ParaGroups(const QString& groupDir, const QString& workDir)
    : m_groupDir(groupDir)
    , m_workDir(workDir)
{
}

bool ParaGroups::ValidName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String("..")))
        return false;
    for (char32_t c : name.toUcs4()) {
        const bool plain = c == U'_' || c == U'-' || c == U'.';
        if (!plain && !QChar::isLetterOrNumber(c))
            return false;  // separators, blanks, quotes, control characters
    }
    return true;
}

bool ParaGroups::IsDefault(const QString& name)
{
    return name.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0;
}

QString ParaGroups::StepFolder(int camera, int step)
{
    return QStringLiteral("cammer%1%2").arg(camera).arg(step);
}

QString ParaGroups::groupPath(const QString& name) const
{
    return m_groupDir + QLatin1Char('/') + name;
}

QStringList ParaGroups::List() const
{
    return QDir(m_groupDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

bool ParaGroups::Exists(const QString& name) const
{
    return ValidName(name) && QFileInfo(groupPath(name)).isDir();
}

bool ParaGroups::Complete(const QString& name) const
{
    return Exists(name) && HasParameterTable(groupPath(name) + QStringLiteral("/PARAM.db"));
}

bool ParaGroups::Backup(const QString& name, int steps, Failure* failure)
{
    if (!ValidName(name) || IsDefault(name))
        return Fail(failure, name, QStringLiteral("name refused"));
    const QString staging = m_groupDir + QStringLiteral("/.") + name + QStringLiteral(".new");
    RemoveAll(staging);
    bool ok = QDir().mkpath(staging) || Fail(failure, staging, QStringLiteral("cannot create the folder"));
    for (int c = 1; ok && c <= 8; ++c) {
        for (int s = 1; ok && s <= std::min(steps, 8); ++s) {
            const QString folder = m_workDir + QLatin1Char('/') + StepFolder(c, s);
            // A camera or step without templates has no folder: nothing to keep.
            if (QFileInfo(folder).isDir())
                ok = CopyTree(folder, staging + QLatin1Char('/') + StepFolder(c, s), {}, failure);
        }
    }
    ok = ok && CopyFile(m_workDir + QStringLiteral("/PARAM.db"), staging + QStringLiteral("/PARAM.db"), failure);
    ok = ok && Replace(staging, groupPath(name), failure);
    if (!ok)
        RemoveAll(staging);
    return ok;
}

bool ParaGroups::Restore(const QString& name, const std::function<void()>& closeDatabases,
                         const std::function<bool()>& openDatabases, Failure* failure)
{
    if (!Complete(name))
        return Fail(failure, groupPath(name), QStringLiteral("incomplete group"));
    const QString group = groupPath(name);
    const QString staging = m_workDir + QStringLiteral("/.paraGroup-restore");
    RemoveAll(staging);

    // 1. Everything the group holds, copied beside the live files.
    bool ok = QDir().mkpath(staging) || Fail(failure, staging, QStringLiteral("cannot create the folder"));
    ok = ok && CopyFile(group + QStringLiteral("/PARAM.db"), staging + QStringLiteral("/PARAM.db"), failure);
    const bool withSerials = QFileInfo(group + QStringLiteral("/SN.db")).isFile();
    if (withSerials)
        ok = ok && CopyFile(group + QStringLiteral("/SN.db"), staging + QStringLiteral("/SN.db"), failure);
    for (int c = 1; ok && c <= 8; ++c)
        for (int s = 1; ok && s <= 8; ++s)
            if (QFileInfo(group + QLatin1Char('/') + StepFolder(c, s)).isDir())
                ok = CopyTree(group + QLatin1Char('/') + StepFolder(c, s), staging + QLatin1Char('/') + StepFolder(c, s),
                              {}, failure);
    if (!ok) {
        RemoveAll(staging);
        return false;
    }

    // 2. Put in place with the connections closed; the databases first, each
    //    replaced in one step, so a failure there leaves the set-up unchanged.
    if (closeDatabases)
        closeDatabases();
    ok = Replace(staging + QStringLiteral("/PARAM.db"), m_workDir + QStringLiteral("/PARAM.db"), failure);
    if (ok && withSerials)
        ok = Replace(staging + QStringLiteral("/SN.db"), m_workDir + QStringLiteral("/SN.db"), failure);
    for (int c = 1; ok && c <= 8; ++c) {
        for (int s = 1; ok && s <= 8; ++s) {
            const QString live = m_workDir + QLatin1Char('/') + StepFolder(c, s);
            const QString staged = staging + QLatin1Char('/') + StepFolder(c, s);
            if (QFileInfo(staged).isDir())
                ok = Replace(staged, live, failure);
            else if (!RemoveAll(live))
                ok = Fail(failure, live, QStringLiteral("cannot remove the old templates"));
        }
    }
    RemoveAll(staging);
    const bool reopened = !openDatabases || openDatabases();
    if (ok && !reopened)
        return Fail(failure, m_workDir + QStringLiteral("/PARAM.db"), QStringLiteral("cannot open the restored database"));
    return ok;
}

bool ParaGroups::Remove(const QString& name, Failure* failure)
{
    if (!ValidName(name) || IsDefault(name))
        return Fail(failure, name, QStringLiteral("name refused"));
    const QString path = groupPath(name);
    if (!QFileInfo(path).isDir())
        return Fail(failure, path, QStringLiteral("no such group"));
    // Out of the list in one step; the files go afterwards.
    const QString gone = m_groupDir + QStringLiteral("/.") + name + QStringLiteral(".removed");
    RemoveAll(gone);
    if (!QDir().rename(path, gone))
        return Fail(failure, path, QStringLiteral("cannot remove the group"));
    if (!RemoveAll(gone))
        qWarning("parameter group %s: some files stayed in %s", qPrintable(name), qPrintable(gone));
    return true;
}
