#include "VUR_Path_ManualStop.h"

#include "VUR_Json.h"
#include "VUR_Messages.h"
#include "VUR_RecordFile.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <climits>

using namespace VurJson;

VUR_Path_ManualStop::VUR_Path_ManualStop()
{
    utc = QDateTime::fromString(QStringLiteral("1970-11-12 13:14:15"), QStringLiteral("yyyy-MM-dd hh:mm:ss"))
              .toMSecsSinceEpoch();
}

void VUR_Path_ManualStop::Load()
{
    QByteArray text;
    if (!VurRecordFile::Read(FilePath(), &text))
        return;
    cJSON* root = cJSON_Parse(text.constData());
    if (!root)
        return;
    state = 0;
    bool whole = false;
    do {
        const cJSON* m = Get(root, "utc");
        qint64 stamp = 0;
        if (!m || !Int64(m, &stamp)) break;
        utc = stamp;
        if (!(m = Get(root, "stop_check_timeslot"))) break;
        stop_check_timeslot = Text(m);
        if (!(m = Get(root, "stop_check_timelen"))) break;
        stop_check_timelen = m->valueint;
        if (!(m = Get(root, "timeout_time"))) break;
        timeout_time = m->valueint;
        if (!(m = Get(root, "operator_id"))) break;
        operator_id = Text(m);
        if (!(m = Get(root, "disalarm_operator_id"))) break;
        disalarm_operator_id = Text(m);
        if (!(m = Get(root, "stop_check_reason"))) break;
        stop_check_reason = Text(m);
        whole = true;
    } while (false);
    cJSON_Delete(root);
    if (whole)
        state = 1;
    else
        QFile::remove(FilePath());
}

QByteArray VUR_Path_ManualStop::Update(int runState, qint64 nowUtcMs, const QString& host,
                                        const QByteArray& operatorName)
{
    const auto hhmm = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm")).toUtf8();
    };
    if (runState == 3) {
        utc = nowUtcMs;
        stop_check_timeslot = hhmm(nowUtcMs) + "---:--";
    } else if (stop_check_timeslot.contains("---:--")) {
        // Held within int: the total comes from a file that may be damaged.
        const qint64 total = qint64(stop_check_timelen) + (nowUtcMs - utc) / 60000;
        stop_check_timelen = int(std::clamp<qint64>(total, INT_MIN, INT_MAX));
        stop_check_timeslot = hhmm(utc) + "-" + hhmm(nowUtcMs);
    }
    operator_id = operatorName;
    disalarm_operator_id = operatorName;

    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Num(o, "state", VurMessages::StateNumber(runState));
    Num(o, "utc", double(utc));
    Str(o, "stop_check_timeslot", stop_check_timeslot);
    Num(o, "stop_check_timelen", stop_check_timelen);
    Num(o, "timeout_time", timeout_time);
    Str(o, "operator_id", operator_id);
    Str(o, "disalarm_operator_id", disalarm_operator_id);
    Str(o, "stop_check_reason", stop_check_reason);
    return Print(o);
}
