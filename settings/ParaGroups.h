#pragma once
// Parameter groups: named copies of one product set-up (PARAM.db and the
// template folders "cammer<camera><step>") under ./paraGroup. Every change
// is built beside its target first and put in place only when complete, so
// a failed copy leaves the live files and the existing groups as they were.
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
    // at most 32 characters, not starting with "-" or ".", no "..".
    static bool ValidName(const QString& name);
    // The installed group (factory databases and archive): never replaced or removed.
    static bool IsDefault(const QString& name);
    // Folder of camera 1..8 and step 1..8 ("cammer21" for camera 2, step 1).
    static QString StepFolder(int camera, int step);

    // Group folders, sorted by name (the working folders of a change are hidden).
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
    // openDatabases after the last (also after a failure).
    bool Restore(const QString& name, const std::function<void()>& closeDatabases,
                 const std::function<bool()>& openDatabases, Failure* failure = nullptr);
    bool Remove(const QString& name, Failure* failure = nullptr);

    QString groupPath(const QString& name) const;

private:
    QString m_groupDir;
    QString m_workDir;
};
