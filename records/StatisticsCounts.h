#pragma once
// Hourly OK/NG counts of one production day: per camera (8 = all cameras)
// and detection step (8 = all steps), 24 clock hours each, with shift sums.
#include <QList>
#include <QString>

struct sCount {
    int ng = 0;
    int ok = 0;
};

struct CountDetect {
    QList<int> ok;  // 24 entries, entry h = clock hour h
    QList<int> ng;
    sCount morning;  // hours 8..19
    sCount night;    // hours 20..23, 0..7
    sCount total;
};

struct CountCamera {
    CountDetect all;           // sum over the steps
    QList<CountDetect> steps;  // 8 entries
};

struct CountAllCamera {
    CountCamera all;           // sum over the cameras
    QList<CountCamera> cams;   // 8 entries
};

enum ShiftType { ShiftMorning = 0, ShiftNight = 1, ShiftDay = 2 };

constexpr int kAllIndex = 8;  // camera 8 / step 8: the aggregate record

void initStuCount(sCount& c);
void initStuCountDetect(CountDetect& c);
void initStuCountCamera(CountCamera& c);
void initStuCountAllCamera(CountAllCamera& c);

// a + b held within int: a damaged stored count near the limit must not
// wrap the shift and day sums into nonsense (or undefined behaviour).
int AddCounts(int a, int b);

// Shift and day sums of one record from its hourly lists.
void clcCount(CountDetect& c);
// A camera's steps' sums, its all-steps record and that record's sums.
void clcCount(CountCamera& c);
// Every aggregate and sum of a day from the per-camera, per-step lists.
void clcCount(CountAllCamera& c);

// The record of camera cam (8: all) and step (8: all).
CountDetect& RecordOf(CountAllCamera& day, int cam, int step);
const CountDetect& RecordOf(const CountAllCamera& day, int cam, int step);

// Stored text of 24 counts: each number followed by one blank.
QString CountsText(const QList<int>& counts);
// Whitespace-separated numbers into the first entries of 24 zeros; a short
// or damaged text fills only what it holds.
QList<int> ParseCounts(const QString& text);

// Hours of a shift in the order the charts show them (8..19; 20..23, 0..7; 0..23).
QList<int> ShiftHours(ShiftType shift);
// NG rate text: NG x 100 / total with at most 4 significant digits and "%";
// "0%" when nothing was produced.
QString NgRateText(int ng, int total);
