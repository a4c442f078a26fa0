#pragma once
// What one verdict leaves behind: the totals of count.txt, the statistics
// rows it changed and the alarm standing after it. The record is written
// whole (verdict-journal.txt) before either store, so a crash between the
// stores leaves start-up the means to finish them, and an alarm standing
// when the monitor died still stands when it comes back.
#include "StatisticsCounts.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

#include <functional>

// An alarm that holds the machine until the operator clears it.
struct StandingAlarm {
    bool standing = false;
    int step = -1;          // the step judged NG; -1: the last step (the clamp's)
    quint32 cameras = 0;    // NG cameras, bit c for camera c
    quint32 outputs = 0;    // outputs on while it stood, bit i for output index i
    qint64 sinceMs = 0;     // when it was raised, UTC milliseconds
    QString text;           // its operation-log line, or why start-up holds

    // A hold of unknown cause: clamp held, alarm on, every camera to re-inspect.
    static StandingAlarm Hold(const QString& why);
};

struct VerdictRecord {
    quint64 seq = 0;
    int all[8] = {};   // gAllNum after the verdict
    int fail[8] = {};  // gFailNum after the verdict
    // Statistics rows changed since the store last reached its file, with
    // their counts after the verdict, and the production day they belong to.
    QString statisticsDay;
    QList<QPair<QString, CountDetect>> rows;
    StandingAlarm alarm;
};

namespace VerdictJournal {

enum class FileState { Missing, Ok, Damaged };

QString Path(const QString& workDir = QStringLiteral("."));

// Writes `record` with the sequence number after the one on file; its
// totals are gAllNum and gFailNum as they are now. False (logged) when the
// file could not be written; the one on file stays.
bool Write(VerdictRecord record, const QString& workDir = QStringLiteral("."));

// An alarm just raised, on file before its verdict is stored: the totals
// and rows are those the stores hold now, so the record agrees with them.
bool WriteAlarm(const StandingAlarm& alarm, const QString& workDir = QStringLiteral("."));

// One verdict into the stores: the record first, then count.txt (gAllNum,
// gFailNum), then the statistics through saveStatistics (may be empty).
// False when count.txt could not be written.
bool Store(const VerdictRecord& record, const std::function<void()>& saveStatistics,
           const QString& workDir = QStringLiteral("."));

// The record on file. Damaged: *why says what is wrong with it.
FileState Read(VerdictRecord* record, QString* why = nullptr, const QString& workDir = QStringLiteral("."));

// The totals changed outside a verdict (the settings' reset): the record on
// file gets them, then count.txt. False when count.txt could not be written.
bool StoreTotals(const QString& workDir = QStringLiteral("."));

struct StartUp {
    FileState state = FileState::Missing;
    quint64 seq = 0;
    StandingAlarm alarm;
    bool countsFinished = false;  // count.txt lagged behind the record and was brought level
    bool rowsFinished = false;    // so were statistics rows
    QString problem;              // damaged: what is wrong, and where the file was kept
};

// Start-up, before count.txt is read and the statistics store opens: brings
// both stores level with the record. A damaged record changes no store: it
// is kept aside under a name of its own (readable), and the caller holds.
StartUp Complete(const QString& workDir = QStringLiteral("."));

}  // namespace VerdictJournal
