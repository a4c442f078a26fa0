#include "ParaGroups.h"

#include "platform/SafeWrite.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>

using namespace VerifiedCopy;

namespace {
constexpr int kMaxNameLength = 32;
const char* const kReplacedSuffix = ".replaced";
// Beside the live files: the group's copies, the live files they displace,
// and the list of the switch (its presence means: the switch has begun).
const char* const kStaging = ".paraGroup-restore";
const char* const kDisplaced = ".paraGroup-restore-old";
const char* const kJournal = ".paraGroup-restore.journal";
// A list that was not ours, kept for whoever looks into how it came there.
const char* const kRefusedList = ".paraGroup-restore.refused";
// Left in the staging folder as a copy goes in, so a copy moved in can be
// told from one the group never had.
const char* const kMovedIn = ".in-";

bool Present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool Move(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

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
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String(".."))
        || name.endsWith(QLatin1String(kReplacedSuffix)))
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
    QStringList names = QDir(m_groupDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString& n) { return !ValidName(n); }),
                names.end());
    return names;
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
    ok = ok && (SafeWrite::SyncFolder(staging) || Fail(failure, staging, QStringLiteral("cannot sync the folder")));
    ok = ok && Replace(staging, groupPath(name), failure);
    if (!ok)
        RemoveAll(staging);
    return ok;
}

bool ParaGroups::Restore(const QString& name, const std::function<void()>& closeDatabases,
                         const std::function<bool()>& openDatabases, Failure* failure, bool* pending)
{
    if (pending)
        *pending = false;
    if (!Complete(name))
        return Fail(failure, groupPath(name), QStringLiteral("incomplete group"));
    // A list that is not ours cannot be finished, and start-up held the
    // machine for it. This restore replaces every place anyway, so the list
    // goes aside and the set-up becomes the group's as a whole.
    m_setAside.clear();
    if (SwitchListRefused()) {
        const QString aside = Live(QLatin1String(kRefusedList));
        QFile::remove(aside);
        if (!Move(Journal(), aside))
            return Fail(failure, Journal(), QStringLiteral("the list of an earlier restore cannot be set aside"));
        SafeWrite::SyncFolder(m_workDir);
        m_setAside = aside;
    }
    if (QFileInfo::exists(Journal()) && FinishInterrupted() != Interrupted::Finished)
        return Fail(failure, Journal(), QStringLiteral("an earlier restore cannot be finished"));
    const QString group = groupPath(name);
    DropWork();

    // 1. Everything the group holds, copied beside the live files; the list of
    //    the switch names every live file it touches.
    QList<Item> items;
    const QString staging = Staged(QString());
    bool ok = QDir().mkpath(staging) || Fail(failure, staging, QStringLiteral("cannot create the folder"));
    ok = ok && CopyFile(group + QStringLiteral("/PARAM.db"), Staged(QStringLiteral("PARAM.db")), failure);
    items.append({true, QStringLiteral("PARAM.db")});
    if (QFileInfo(group + QStringLiteral("/SN.db")).isFile()) {
        ok = ok && CopyFile(group + QStringLiteral("/SN.db"), Staged(QStringLiteral("SN.db")), failure);
        items.append({true, QStringLiteral("SN.db")});
    }
    for (int c = 1; c <= 8; ++c) {
        for (int s = 1; s <= 8; ++s) {
            const QString folder = StepFolder(c, s);
            // Folders the group lacks go too: no template of another product stays behind.
            const bool put = QFileInfo(group + QLatin1Char('/') + folder).isDir();
            if (put)
                ok = ok && CopyTree(group + QLatin1Char('/') + folder, Staged(folder), {}, failure);
            items.append({put, folder});
        }
    }
    QByteArray list;
    for (const Item& i : items)
        list += (i.put ? "put " : "drop ") + QFile::encodeName(i.name) + '\n';
    ok = ok && (SafeWrite::SyncFolder(staging) || Fail(failure, staging, QStringLiteral("cannot sync the folder")));
    if (!ok) {
        DropWork();
        return false;
    }

    // 2. The switch, with the connections closed. From the journal on, a
    //    restart finishes it; a failure here undoes it.
    if (closeDatabases)
        closeDatabases();
    QString why;
    ok = QDir().mkpath(Old(QString())) || Fail(failure, Old(QString()), QStringLiteral("cannot create the folder"));
    if (ok && !SafeWrite::Write(Journal(), list, &why))
        ok = Fail(failure, Journal(), why);
    if (ok && !Switch(items, failure)) {
        ok = false;
        if (Undo(items)) {
            QFile::remove(Journal());
            SafeWrite::SyncFolder(m_workDir);
        } else if (pending) {
            *pending = true;
        }
    }
    if (ok) {
        // Switched: the old set-up and the list go.
        QFile::remove(Journal());
        SafeWrite::SyncFolder(m_workDir);
    }
    if (!QFileInfo::exists(Journal()))
        DropWork();
    const bool reopened = !openDatabases || openDatabases();
    if (ok && !reopened)
        return Fail(failure, Live(QStringLiteral("PARAM.db")), QStringLiteral("cannot open the restored database"));
    return ok;
}

QString ParaGroups::Journal() const
{
    return m_workDir + QLatin1Char('/') + QLatin1String(kJournal);
}

QString ParaGroups::Staged(const QString& name) const
{
    return m_workDir + QLatin1Char('/') + QLatin1String(kStaging) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

QString ParaGroups::MovedIn(const QString& name) const
{
    return Staged(QLatin1String(kMovedIn) + name);
}

QString ParaGroups::Old(const QString& name) const
{
    return m_workDir + QLatin1Char('/') + QLatin1String(kDisplaced) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

QString ParaGroups::Live(const QString& name) const
{
    return m_workDir + QLatin1Char('/') + name;
}

// Only a list as Restore writes it: PARAM.db put, SN.db put or absent, and
// each of the 64 step folders once, put exactly where the group's copy is
// staged or was moved in. A list that leaves a place out, or puts one the
// group lacks (read as already done), would leave a mix of two groups; one
// that drops a place the group's copy is staged for would delete both that
// copy and the live one.
bool ParaGroups::ReadJournal(QList<Item>* items) const
{
    QFile f(Journal());
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QList<Item> read;
    QSet<QString> named;
    QSet<QString> puts;
    int folders = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const int blank = line.indexOf(' ');
        const QByteArray verb = line.left(blank);
        const QString name = QFile::decodeName(line.mid(blank + 1));
        const bool put = verb == "put";
        const bool database = name == QLatin1String("PARAM.db") || name == QLatin1String("SN.db");
        // Only names this class writes: the list never reaches beyond the work folder.
        const bool folder = name.size() == 8 && name.startsWith(QLatin1String("cammer")) && name[6] >= QLatin1Char('1')
                         && name[6] <= QLatin1Char('8') && name[7] >= QLatin1Char('1') && name[7] <= QLatin1Char('8');
        const bool groups = Present(Staged(name)) || Present(MovedIn(name));
        if (blank < 0 || !(database || folder) || (!put && verb != "drop") || (database && !put) || named.contains(name)
            || put != groups)
            return false;
        named.insert(name);
        if (put)
            puts.insert(name);
        folders += folder ? 1 : 0;
        read.append({put, name});
    }
    if (!named.contains(QStringLiteral("PARAM.db")) || folders != 64)
        return false;
    // Each file of the staged group is put: none stays out beside the live set-up.
    const QDir staging(Staged(QString()));
    for (const QString& entry : staging.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString name = entry.startsWith(QLatin1String(kMovedIn)) ? entry.mid(int(qstrlen(kMovedIn))) : entry;
        if (!puts.contains(name))
            return false;
    }
    *items = read;
    return true;
}

bool ParaGroups::SwitchListRefused() const
{
    QList<Item> items;
    return QFileInfo::exists(Journal()) && !ReadJournal(&items);
}

// Each step can be repeated: what was already moved is recognised by where
// it stands, so a restart half-way through goes on from there.
bool ParaGroups::Switch(const QList<Item>& items, Failure* failure)
{
    for (const Item& i : items) {
        const QString live = Live(i.name);
        const bool staged = i.put && Present(Staged(i.name));
        if (i.put && !staged)
            continue;  // already in place
        if (Present(live) && !Present(Old(i.name)) && !Move(live, Old(i.name)))
            return Fail(failure, live, QStringLiteral("cannot move the old file aside"));
        if (Present(live) && Present(Old(i.name)) && staged)
            return Fail(failure, live, QStringLiteral("both the old and a third copy are there"));
        if (staged && !Present(MovedIn(i.name)) && !QFile(MovedIn(i.name)).open(QIODevice::WriteOnly))
            return Fail(failure, MovedIn(i.name), QStringLiteral("cannot note the move"));
        if (staged && !Move(Staged(i.name), live))
            return Fail(failure, live, QStringLiteral("cannot move the new file in place"));
    }
    SafeWrite::SyncFolder(m_workDir);
    return true;
}

bool ParaGroups::Undo(const QList<Item>& items)
{
    bool ok = true;
    for (auto it = items.crbegin(); it != items.crend(); ++it) {
        const QString live = Live(it->name);
        if (!Present(Old(it->name)) || (it->put && Present(Staged(it->name)) && Present(live)))
            continue;  // never switched: the live one is the old one (or there was none)
        if (it->put && Present(live) && !Present(Staged(it->name)) && !Move(live, Staged(it->name))) {
            ok = false;
            continue;
        }
        if (Present(live) || !Move(Old(it->name), live))
            ok = false;
    }
    // A new file that had no old one to displace goes back as well.
    for (const Item& i : items)
        if (i.put && !Present(Old(i.name)) && !Present(Staged(i.name)) && Present(Live(i.name)) && ok)
            ok = Move(Live(i.name), Staged(i.name));
    SafeWrite::SyncFolder(m_workDir);
    return ok;
}

void ParaGroups::DropWork()
{
    RemoveAll(Staged(QString()));
    RemoveAll(Old(QString()));
    // A list cut off while it was written never took the place of one.
    const QDir work(m_workDir);
    for (const QString& part : work.entryList({QLatin1String(kJournal) + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        QFile::remove(work.filePath(part));
}

ParaGroups::Interrupted ParaGroups::FinishInterrupted(Failure* failure)
{
    CleanGroupDir();
    Interrupted outcome = Interrupted::None;
    if (QFileInfo::exists(Journal())) {
        QList<Item> items;
        Failure why;
        if (!ReadJournal(&items)) {
            // Written whole or not at all: an unreadable list is not one of ours.
            qWarning("parameter group: %s unreadable, left as it is", kJournal);
            Fail(failure, Journal(), QStringLiteral("the list of the restore cannot be read"));
            return Interrupted::Failed;
        }
        if (!Switch(items, &why)) {
            qWarning("parameter group: cannot finish the restore: %s %s", qPrintable(why.path),
                     qPrintable(why.reason));
            Fail(failure, why.path, why.reason);
            return Interrupted::Failed;
        }
        QFile::remove(Journal());
        SafeWrite::SyncFolder(m_workDir);
        outcome = Interrupted::Finished;
        qWarning("parameter group: an interrupted restore was finished");
    }
    // Without the list the switch either never began or was complete.
    DropWork();
    return outcome;
}

void ParaGroups::CleanGroupDir()
{
    const QDir dir(m_groupDir);
    const QStringList all = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : all) {
        const bool hidden = entry.startsWith(QLatin1Char('.'));
        const QString path = dir.filePath(entry);
        if (entry.endsWith(QLatin1String(kReplacedSuffix))) {
            // A group moved aside for its new copy: back when the new one never
            // arrived, else only a leftover.
            QString base = entry.chopped(int(qstrlen(kReplacedSuffix)));
            if (hidden)
                base.remove(0, 1);
            if (ValidName(base) && !QFileInfo::exists(dir.filePath(base)) && Move(path, dir.filePath(base)))
                continue;
            // A visible one may be a group a user named so under an earlier
            // version: it stays on the disk, only out of the list.
            if (hidden)
                RemoveAll(path);
        } else if (hidden && (entry.endsWith(QLatin1String(".new")) || entry.endsWith(QLatin1String(".removed")))) {
            RemoveAll(path);  // a backup that did not finish, a delete that did
        }
    }
    SafeWrite::SyncFolder(m_groupDir);
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
    SafeWrite::SyncFolder(m_groupDir);
    if (!RemoveAll(gone))
        qWarning("parameter group %s: some files stayed in %s", qPrintable(name), qPrintable(gone));
    return true;
}
