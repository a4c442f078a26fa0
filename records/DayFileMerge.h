#pragma once
// Day files (one SQLite file per day) meet an archive of the same day when
// the clock has moved about: the rows are added to the archive, never put
// in its place. Each day file carries an identity, and the archive records
// with it, in the same transaction as the rows, a mark of what it has taken
// of that file. A merge cut off before the day file is removed adds nothing
// twice, and rows the program writes to a day file whose removal failed
// are taken at the next merge.
#include <QSqlDatabase>
#include <QString>

#include <functional>

// Appends the rows of `table` in file `from` that the archive `into` has not
// taken yet to the same table of `into` (made by createTable when missing),
// in one transaction. The columns are copied by name, in the order given.
// True when the rows are there. A mark no row of the file fits (past its
// last row, empty, not a number) is logged and the file merged as if
// unmarked.
bool AppendDayFile(const QString& into, const QString& from, const QString& table, const QString& columns,
                   const QString& createTable);

// The identity of the day file open as `schema` of db. A file without one
// (none yet, NULL, empty, a table of another form) gets a fresh one first.
// Empty when it cannot be read or stored.
QString DayFileId(QSqlDatabase& db, const QString& schema = QStringLiteral("main"));

// Adds the day file `id` to the archive open as db: false when `id` is empty
// or what was taken of it cannot be read, true at once when an earlier
// version took it whole, else what `add` returns. `add` gets the mark the
// last merge of this file recorded (null: none) and writes, in one
// transaction, the rows not covered by it, calling the recorder it is given
// inside that transaction with the mark of what is now taken.
using DayFileRecorder = std::function<bool(const QString& taken)>;
bool MergeDayFile(QSqlDatabase& db, const QString& id,
                  const std::function<bool(const QString& before, const DayFileRecorder&)>& add);
