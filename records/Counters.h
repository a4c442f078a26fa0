#pragma once
// Per-camera running totals kept across restarts in count.txt.
#include <QString>
#include <QtGlobal>

extern int gAllNum[8];   // inspected cycles per camera
extern int gFailNum[8];  // NG cycles per camera

// The largest total count.txt holds; a larger one reads as 0.
constexpr qint64 kCountLimit = 100000000;

// Totals hold at kCountLimit, so none is ever written that reads back as 0:
// counting stops there, and a larger total on record is taken as the limit.
void CountOne(int* total);
qint64 HeldCount(qint64 total);

// Reads count.txt of the working directory; a missing file or a short one
// leaves the counts after the last number read at 0. Values above
// kCountLimit read as 0.
void CountRead(const QString& path = QStringLiteral("count.txt"));
// The same into the given arrays, leaving the totals alone.
void CountFileRead(const QString& path, int all[8], int fail[8]);

// Rewrites count.txt whole and atomically, so a power cut leaves the old
// totals. Returns false when the file could not be written.
bool CountWrite(const QString& path = QStringLiteral("count.txt"));
// The same with the given totals.
bool CountFileWrite(const QString& path, const int all[8], const int fail[8]);

// Stores the saved-picture counter in saveImageCount.txt.
bool SaveCountWrite(qint64 savedImageCount, const QString& path = QStringLiteral("saveImageCount.txt"));
