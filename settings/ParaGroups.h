#pragma once
// Parameter groups: named copies of one product set-up (PARAM.db and the
// template folders "cammer<camera><step>") under ./paraGroup. Every change
// is built beside its target first and put in place only when complete, so
// a failed copy leaves the live files and the existing groups as they were.
// Work folders are dot-named (no group name starts with a dot), and a
// restore's switch of the live files is written down before it starts, so
// start-up can finish it after a power cut (FinishInterrupted).
#include "platform/VerifiedCopy.h"

#include <QString>
#include <QStringList>

#include <functional>

class ParaGroups {
public:
    using Failure = VerifiedCopy::Failure;

    explicit ParaGroups(const QString& groupDir = QStringLiteral("./paraGroup"),
                        const QString& workDir = QStringLiteral("."));

    // A name the operator may give: letters, digits, "_", "-" and "." only,
    // at most 32 characters, not starting with "-" or ".", no "..", not
    // ending in ".replaced" (what earlier versions left of a backup).
    static bool ValidName(const QString& name);
    // The installed group (factory databases and archive): never replaced or removed.
    static bool IsDefault(const QString& name);
    // Folder of camera 1..8 and step 1..8 ("cammer21" for camera 2, step 1).
    static QString StepFolder(int camera, int step);

    // Group folders, sorted by name (work folders and leftovers are not groups).
    QStringList List() const;
    bool Exists(const QString& name) const;
    // A group can be restored when it holds a PARAM.db with its parameter table.
    bool Complete(const QString& name) const;

    // Copies PARAM.db and the template folders of steps 1..steps into the group,
    // replacing a group of that name only once the new copy is complete.
    bool Backup(const QString& name, int steps, Failure* failure = nullptr);
    // Copies the group over the live files: PARAM.db, SN.db when the group has
    // one, and the template folders of all eight steps (folders the group does
    // not have are removed, so no template of another product stays behind).
    // closeDatabases runs just before the first live file changes,
    // openDatabases after the last (also after a failure). The switch is whole
    // or not at all: a failure part-way is undone, and when even that fails
    // *pending is set (PARAM.db may already be the group's) and the next
    // start finishes the switch.
    bool Restore(const QString& name, const std::function<void()>& closeDatabases,
                 const std::function<bool()>& openDatabases, Failure* failure = nullptr,
                 bool* pending = nullptr);
    bool Remove(const QString& name, Failure* failure = nullptr);

    QString groupPath(const QString& name) const;

    // What start-up found of an interrupted restore.
    enum class Interrupted {
        None,      // nothing to finish
        Finished,  // a restore was finished: the set-up is now the group's
        Failed,    // its switch could not be finished: the live files may mix two set-ups
    };
    // Start-up, before PARAM.db is opened: finishes a restore that was
    // interrupted after its switch began, drops one that had not, and puts
    // back or removes what an interrupted backup or delete left. On Failed,
    // *failure says where; the list stays for the next attempt.
    Interrupted FinishInterrupted(Failure* failure = nullptr);
    // An earlier restore's switch list is there and is not one Restore
    // writes (damaged or foreign): start-up neither carries it out nor drops
    // it; the next Restore sets it aside and replaces every place.
    bool SwitchListRefused() const;
    // Where the last Restore put such a list (empty: there was none).
    QString SetAsideList() const { return m_setAside; }

private:
    struct Item {
        bool put;  // the group's copy goes in; else the live one just goes
        QString name;
    };
    QString Journal() const;
    QString Staged(const QString& name) const;
    QString MovedIn(const QString& name) const;
    QString Old(const QString& name) const;
    QString Live(const QString& name) const;
    bool ReadJournal(QList<Item>* items) const;
    bool Switch(const QList<Item>& items, Failure* failure);
    bool Undo(const QList<Item>& items);
    void DropWork();
    void CleanGroupDir();

    QString m_groupDir;
    QString m_workDir;
    QString m_setAside;
};
