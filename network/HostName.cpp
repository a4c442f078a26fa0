#include "HostName.h"

#include <QRegularExpression>

bool IsRfc1123HostName(const QString& name)
{
    // Anchored whole: a plain "$" would also match before a final line break.
    static const QRegularExpression label(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?")));
    if (name.isEmpty() || name.size() > 253)
        return false;
    const QStringList labels = name.split(QLatin1Char('.'));
    for (const QString& l : labels)
        if (!label.match(l).hasMatch())
            return false;
    return true;
}
