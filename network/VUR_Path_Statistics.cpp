#include "VUR_Path_Statistics.h"

#include "VUR_Json.h"
#include "VUR_Messages.h"
#include "VUR_RecordFile.h"

#include <QFile>

#include <algorithm>
#include <climits>
#include <numeric>

using namespace VurJson;

namespace {
bool InRange(int key, int limit)
{
    return key >= 0 && key < limit;
}

// Reads the numbered members in order; false at the first one missing.
bool ReadAll(const cJSON* o, std::initializer_list<std::pair<const char*, qint64*>> members)
{
    for (const auto& [name, target] : members) {
        const cJSON* m = Get(o, name);
        if (!m || !Int64(m, target))
            return false;
    }
    return true;
}
}  // namespace

void VUR_Path_Statistics::Load(qint64 nowUtcMs)
{
    product_name = "no set";
    product_serial = "1";
    products_num = 10000;
    start_utc = nowUtcMs;
    total_stop_alarm_timelen = 0;
    utc_watch_total = 0;
    watch_count_total = ng_count_total = ng_notification_rate = 0;
    cameras.clear();

    QByteArray text;
    if (!VurRecordFile::Read(FilePath(), &text))
        return;
    cJSON* root = cJSON_Parse(text.constData());
    if (!root)
        return;
    state = 0;
    bool whole = true;
    const cJSON* m = nullptr;
    if ((m = Get(root, "product_name")))
        product_name = Text(m);
    else
        whole = false;
    if (whole && (m = Get(root, "product_serial")))
        product_serial = Text(m);
    else
        whole = false;
    whole = whole
        && ReadAll(root, {{"products_num", &products_num}, {"start_utc", &start_utc},
                          {"real_produce", &real_produce}, {"utc_watch_total", &utc_watch_total},
                          {"total_stop_alarm_timelen", &total_stop_alarm_timelen},
                          {"watch_count_total", &watch_count_total}, {"ng_count_total", &ng_count_total},
                          {"ng_notification_rate", &ng_notification_rate}, {"watch_circle", &watch_circle}});
    if (!whole) {
        QFile::remove(FilePath());
        cJSON_Delete(root);
        return;
    }
    const cJSON* ng = Get(Get(root, "camera"), "ng");
    const int n = cJSON_GetArraySize(ng);
    for (int i = 0; i < n; ++i)
        if (!LoadCamera(cJSON_GetArrayItem(ng, i)))
            break;
    cJSON_Delete(root);
    state = 1;
}

bool VUR_Path_Statistics::LoadCamera(const cJSON* item)
{
    VUR_Path_Statistics_Camera cam;
    const cJSON* id = Get(item, "camera_id");
    if (!id)
        return false;
    cam.camera_id = Text(id);
    if (!ReadAll(item, {{"disalarm_timeout_time", &cam.disalarm_timeout_time},
                        {"last_monitor_period", &cam.last_monitor_period},
                        {"now_monitor_period", &cam.now_monitor_period},
                        {"average_monitor_period", &cam.average_monitor_period}}))
        return false;
    const int number = cam.camera_id.toInt();
    const cJSON* monitors = Get(item, "ng_monitors");
    for (int d = 0; d < cJSON_GetArraySize(monitors); ++d) {
        const cJSON* dm = cJSON_GetArrayItem(monitors, d);
        VUR_Path_Statistics_Detect det;
        qint64 v[8];
        if (!ReadAll(dm, {{"time", &v[0]}, {"ng_sum", &v[1]}, {"produce", &v[2]}, {"monitor_times", &v[3]},
                          {"ok_num", &v[4]}, {"ok_rate", &v[5]}, {"not_ok_num", &v[6]}, {"not_ok_rate", &v[7]}})
            || std::any_of(std::begin(v), std::end(v), [](qint64 x) { return x < INT_MIN || x > INT_MAX; }))
            break;
        det.time = int(v[0]);
        det.ng_sum = int(v[1]);
        det.produce = int(v[2]);
        det.monitor_times = int(v[3]);
        det.ok_num = int(v[4]);
        det.ok_rate = int(v[5]);
        det.not_ok_num = int(v[6]);
        det.not_ok_rate = int(v[7]);
        const cJSON* alarms = Get(dm, "alarm");
        for (int a = 0; a < cJSON_GetArraySize(alarms); ++a) {
            const cJSON* am = cJSON_GetArrayItem(alarms, a);
            const cJSON* num = Get(am, "alarm_area_num");
            const cJSON* type = Get(am, "alarm_algorithm_type");
            const cJSON* result = Get(am, "alarm_result");
            if (!num || !type || !result)
                break;
            // Compared before subtracting: a stored INT_MIN must not wrap.
            if (num->valueint >= 1 && num->valueint <= 50)
                det.alarm[num->valueint - 1] = {num->valueint, Text(type), result->valueint};
        }
        if (det.time >= 1 && det.time <= 8)
            cam.ng_monitors[det.time - 1] = det;
    }
    // A camera or step the monitor cannot have is not taken: it would make
    // every later message fail.
    if (number >= 1 && number <= 8)
        cameras[number - 1] = cam;
    return true;
}

void VUR_Path_Statistics::AddAlarm(int camera, int step, int roi)
{
    if (!InRange(camera, 8) || !InRange(step, 8) || !InRange(roi, 50))
        return;
    auto [cit, newCam] = cameras.try_emplace(camera);
    if (newCam)
        cit->second.camera_id = QByteArray::number(camera + 1);
    auto [dit, newDet] = cit->second.ng_monitors.try_emplace(step);
    if (newDet)
        dit->second.time = step + 1;
    auto [ait, newAlarm] = dit->second.alarm.try_emplace(roi);
    if (newAlarm)
        ait->second.alarm_area_num = roi + 1;
    // Held at the limit: the count may come from a damaged file.
    if (ait->second.alarm_result < INT_MAX)
        ait->second.alarm_result += 1;
}

void VUR_Path_Statistics::AddNgTime(int ms)
{
    total_stop_alarm_timelen += ms;
    alarmDurations.push_back(ms);
}

qint64 VUR_Path_Statistics::AddCycle()
{
    if (int(alarmDurations.size()) > kMaxDurations)
        alarmDurations.erase(alarmDurations.begin());
    if (alarmDurations.empty())
        return 0;
    const qint64 sum = std::accumulate(alarmDurations.begin(), alarmDurations.end(), qint64(0));
    return sum / qint64(alarmDurations.size());
}

QByteArray VUR_Path_Statistics::Compose(const Inputs& in)
{
    watch_count_total = 0;
    ng_count_total = 0;
    utc_watch_total = in.nowUtcMs - start_utc - qint64(in.stopMinutes) * 60000;
    for (int c = 0; c < std::min(in.cameraCount, 8); ++c) {
        watch_count_total = std::max<qint64>(watch_count_total, in.all[c]);
        ng_count_total = std::max<qint64>(ng_count_total, in.fail[c]);
        ng_notification_rate = watch_count_total ? ng_count_total * 10000 / watch_count_total : 0;
    }
    real_produce = (watch_count_total - ng_count_total) * in.cavities;
    watch_circle = in.lastCycleTime * 100;
    const qint64 last = alarmDurations.empty() ? 0 : alarmDurations.back();
    const qint64 average = AddCycle();
    product_name = in.productName;
    product_serial = QByteArray::number(in.batch);
    products_num = in.capacity;

    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(in.host));
    Num(o, "state", VurMessages::StateNumber(in.runState));
    Str(o, "product_name", product_name);
    Str(o, "product_serial", product_serial);
    Num(o, "products_num", double(products_num));
    Num(o, "start_utc", double(start_utc));
    Num(o, "real_produce", double(real_produce));
    Num(o, "utc_watch_total", double(utc_watch_total));
    Num(o, "total_stop_alarm_timelen", double(total_stop_alarm_timelen));
    Num(o, "watch_count_total", double(watch_count_total));
    Num(o, "ng_count_total", double(ng_count_total));
    Num(o, "ng_notification_rate", double(ng_notification_rate));
    Num(o, "watch_circle", double(watch_circle));
    Num(o, "utc", double(in.nowUtcMs));
    Str(o, "ng_image", Latin1(in.ngImage));
    cJSON* camObj = cJSON_CreateObject();
    cJSON* ng = cJSON_CreateArray();
    for (auto& [k, cam] : cameras) {
        cam.disalarm_timeout_time = 1;
        cam.last_monitor_period = total_stop_alarm_timelen;
        cam.now_monitor_period = last;
        cam.average_monitor_period = average;
        cJSON* co = cJSON_CreateObject();
        Str(co, "camera_id", QByteArray::number(k + 1));
        Num(co, "disalarm_timeout_time", double(cam.disalarm_timeout_time));
        Num(co, "last_monitor_period", double(cam.last_monitor_period));
        Num(co, "now_monitor_period", double(cam.now_monitor_period));
        Num(co, "average_monitor_period", double(cam.average_monitor_period));
        cJSON* monitors = cJSON_CreateArray();
        const qint64 all = in.all[k];
        const qint64 fail = in.fail[k];
        for (auto& [d, det] : cam.ng_monitors) {
            det.ng_sum = int(fail);
            det.produce = in.capacity;
            det.monitor_times = int(all);
            det.ok_num = int(all - fail);
            det.ok_rate = all ? int((all - fail) * 10000 / all) : 0;
            det.not_ok_num = int(fail);
            det.not_ok_rate = all ? int(fail * 10000 / all) : 0;
            cJSON* dm = cJSON_CreateObject();
            Num(dm, "time", det.time);
            Num(dm, "ng_sum", det.ng_sum);
            Num(dm, "produce", det.produce);
            Num(dm, "monitor_times", det.monitor_times);
            Num(dm, "ok_num", det.ok_num);
            Num(dm, "ok_rate", det.ok_rate);
            Num(dm, "not_ok_num", det.not_ok_num);
            Num(dm, "not_ok_rate", det.not_ok_rate);
            cJSON* alarms = cJSON_CreateArray();
            for (const auto& [r, a] : det.alarm) {
                cJSON* am = cJSON_CreateObject();
                Num(am, "alarm_area_num", a.alarm_area_num);
                Str(am, "alarm_algorithm_type", a.alarm_algorithm_type);
                Num(am, "alarm_result", a.alarm_result);
                cJSON_AddItemToArray(alarms, am);
            }
            cJSON_AddItemToObject(dm, "alarm", alarms);
            cJSON_AddItemToArray(monitors, dm);
        }
        cJSON_AddItemToObject(co, "ng_monitors", monitors);
        cJSON_AddItemToArray(ng, co);
    }
    cJSON_AddItemToObject(camObj, "ng", ng);
    cJSON_AddItemToObject(o, "camera", camObj);
    return Print(o);
}
