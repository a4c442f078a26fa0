#pragma once
// A reminder of the plant system (message types 12 and 13, which nothing in
// the monitor sends yet) and its file ./vur_net/data/Remind, {"remind": [...]}.
#include <QByteArray>
#include <QString>

struct VUR_Path_Remind {
    static QString FilePath() { return QStringLiteral("./vur_net/data/Remind"); }

    qint64 utc = 1520307723012;
    qint64 notification_utc = 1520307874012;
    qint64 duration = 3600000;
    QByteArray description = "maintenance_cls";
    QByteArray operator_id = "vorn_cls";

    // The type-12 body; the same object is appended to the file.
    QByteArray AddToFile(const QString& host) const;
    // The type-13 body; the first reminder created at `utc` leaves the file.
    static QByteArray RemoveFromFile(const QString& host, qint64 utc);
};
