#pragma once
// Rows of a statistics day file (working file or archive): table
// resstatistics(name, value1, value2), name "C<camera>_D<step>", value1 the
// 24 OK counts and value2 the 24 NG counts of clock hours 0..23.
#include "StatisticsCounts.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSqlDatabase>

#include <functional>

QString StatisticsRowName(int cam, int step);

// Rows stored for a configuration: per camera 0..cameras-1 its steps
// 0..steps-1 then 8, then camera 8 the same way.
QList<QPair<int, int>> StatisticsRowSet(int cameras, int steps);

// Every row of the file by name (hourly lists only). False when the table
// cannot be read (not a database, no table).
bool ReadStatisticsRows(const QSqlDatabase& db, QHash<QString, CountDetect>* rows);

// Writes the named rows in one transaction; a row the file lacks (a
// damaged file, an archive merged from another) is added, or its counts
// would be shown all day and read as 0 after a restart.
// alsoDo runs in the same transaction, after the rows (false rolls back).
bool WriteStatisticsRows(QSqlDatabase& db, const QList<QPair<QString, CountDetect>>& rows,
                         const std::function<bool()>& alsoDo = {});
