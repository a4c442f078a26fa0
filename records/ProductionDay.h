#pragma once
// A production day starts at 08:00 local time and is named by the date on
// which it starts: hours 8..19 are the morning shift, 20..7 the night shift.
#include <QDate>
#include <QDateTime>
#include <QString>

constexpr int kProductionDayStartHour = 8;

// The production day a moment belongs to (before 08:00: the day before).
QDate ProductionDate(const QDateTime& when);
// "yyyy-MM-dd" of that day, the name of its archive files.
QString ProductionDateText(const QDateTime& when);
// 08:00 of a production day.
QDateTime ProductionDayStart(const QDate& day);
// A valid "yyyy-MM-dd" text, or an invalid date.
QDate DayFromText(const QString& text);

// A moment the monitor could have counted in: nothing before 2020 was ever
// written by it, so an earlier stored time is a damaged file, not a day.
bool PlausibleStoredTime(qint64 secsSinceEpoch);
