#pragma once
// When detection was stopped by hand and for how long; sent as message
// type 10 and kept, as the text last sent, in ./vur_net/data/ManualStop.
#include <QByteArray>
#include <QString>

class VUR_Path_ManualStop {
public:
    static QString FilePath() { return QStringLiteral("./vur_net/data/ManualStop"); }

    VUR_Path_ManualStop();

    // Reads the file: a missing file or one that is not JSON changes
    // nothing; one with a member missing is removed after the members
    // before it were taken.
    void Load();
    // A stop opens the time slot; the next start closes it and adds the
    // stopped minutes. Returns the printed record (the type-10 body).
    QByteArray Update(int runState, qint64 nowUtcMs, const QString& host, const QByteArray& operatorName);

    int state = 1;
    qint64 utc = 0;
    QByteArray stop_check_timeslot;
    int stop_check_timelen = 0;
    int timeout_time = 0;
    QByteArray operator_id = "--";
    QByteArray disalarm_operator_id = "--";
    QByteArray stop_check_reason = "--";
};
