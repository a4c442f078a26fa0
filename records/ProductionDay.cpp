#include "ProductionDay.h"

QDate ProductionDate(const QDateTime& when)
{
    const QDate d = when.date();
    return when.time().hour() < kProductionDayStartHour ? d.addDays(-1) : d;
}

QString ProductionDateText(const QDateTime& when)
{
    return ProductionDate(when).toString(QStringLiteral("yyyy-MM-dd"));
}

QDateTime ProductionDayStart(const QDate& day)
{
    return QDateTime(day, QTime(kProductionDayStartHour, 0));
}

QDate DayFromText(const QString& text)
{
    if (text.size() != 10)
        return {};
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

bool PlausibleStoredTime(qint64 secsSinceEpoch)
{
    constexpr qint64 kJan2020Utc = 1577836800;
    return secsSinceEpoch >= kJan2020Utc;
}
