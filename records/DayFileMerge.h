#pragma once
// Day files (one SQLite file per day) meet an archive of the same day when
// the clock has moved about: the rows are added to the archive, never put
// in its place. Each day file carries an identity, and the archive records
// the identities it has taken in the same transaction as the rows, so a
// merge cut off before the day file is removed is not counted twice.
#include <QSqlDatabase>
#include <QString>

// Appends every row of `table` in file `from` to the same table of file
// `into` (made by createTable when missing), in one transaction. The
// columns are copied by name, in the order given. A file merged before
// is not added again (true: its rows are there).
bool AppendDayFile(const QString& into, const QString& from, const QString& table, const QString& columns,
                   const QString& createTable);

// The identity of the day file open as `schema` of db, made on first use.
// Empty when it cannot be read or stored.
QString DayFileId(QSqlDatabase& db, const QString& schema = QStringLiteral("main"));
// Whether the archive open as db has taken the day file `id`; false (and
// *known false) when that cannot be read.
bool DayFileMerged(QSqlDatabase& db, const QString& id, bool* known);
// Records `id` as taken; run inside the transaction that adds its rows.
bool RecordDayFileMerged(QSqlDatabase& db, const QString& id);
