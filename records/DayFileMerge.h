#pragma once
// Day files (one SQLite file per day) meet an archive of the same day when
// the clock has moved about: the rows are added to the archive, never put
// in its place. Each day file carries an identity, and the archive records
// the identities it has taken in the same transaction as the rows, so a
// merge cut off before the day file is removed is not counted twice.
#include <QSqlDatabase>
#include <QString>

#include <functional>

// Appends every row of `table` in file `from` to the same table of file
// `into` (made by createTable when missing), in one transaction. The
// columns are copied by name, in the order given. A file merged before
// is not added again (true: its rows are there).
bool AppendDayFile(const QString& into, const QString& from, const QString& table, const QString& columns,
                   const QString& createTable);

// The identity of the day file open as `schema` of db, made on first use.
// Empty when it cannot be read or stored.
QString DayFileId(QSqlDatabase& db, const QString& schema = QStringLiteral("main"));
// Adds the day file `id` to the archive open as db once: true at once when
// the archive has taken it before (its rows are there), false when that
// cannot be read, else what `add` returns. `add` writes the rows in one
// transaction and calls the recorder it is given inside it, so the archive
// notes `id` with them. A file without an identity (`id` empty) is added as
// it is.
using DayFileRecorder = std::function<bool()>;
bool MergeDayFileOnce(QSqlDatabase& db, const QString& id, const std::function<bool(const DayFileRecorder&)>& add);
