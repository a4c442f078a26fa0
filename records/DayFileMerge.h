#pragma once
// Day files (one SQLite file per day) meet an archive of the same day when
// the clock has moved about: the rows are added to the archive, never put
// in its place.
#include <QString>

// Appends every row of `table` in file `from` to the same table of file
// `into` (made by createTable when missing), in one transaction. The
// columns are copied by name, in the order given.
bool AppendDayFile(const QString& into, const QString& from, const QString& table, const QString& columns,
                   const QString& createTable);
