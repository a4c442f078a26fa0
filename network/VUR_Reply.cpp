#include "VUR_Reply.h"

#include <QStringList>

VUR_Reply VUR_Reply::Parse(const QString& text)
{
    VUR_Reply r;
    const QStringList parts = text.split(QStringLiteral("\r\n\r\n"));
    if (parts.size() != 2)
        return r;
    const QStringList lines = parts[0].split(QStringLiteral("\r\n"));
    const QString& first = lines.first();
    if (first.contains(QLatin1String("/back/"))) {
        r.kind = Ack;
    } else if (first.contains(QLatin1String("/heart/"))) {
        r.kind = Heart;
    } else if (first.contains(QLatin1String("/reline/"))) {
        r.kind = Reline;
    } else {
        int session = 0;
        for (const QString& line : lines) {
            if (!line.contains(QLatin1String("SessionId")))
                continue;
            const QStringList kv = line.split(QLatin1Char(':'));
            if (kv.size() != 2)
                continue;
            bool ok = false;
            const int n = kv[1].trimmed().toInt(&ok);
            session = ok ? n : 0;
        }
        if (session != 0) {
            r.kind = Session;
            r.session = session;
            r.body = parts[1];
        }
    }
    return r;
}
