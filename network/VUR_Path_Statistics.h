#pragma once
// The plant link's production statistics: totals, NG rate, alarm times and
// a tree of alarms by camera, detection step and ROI. Sent as message type
// 7 and kept, as the text last sent, in ./vur_net/data/Statistics.
// Not locked: the link object holds one lock over every use.
#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

struct VUR_Path_Statistics_Alarm {
    int alarm_area_num = 0;  // ROI number, 1-based
    QByteArray alarm_algorithm_type = "----";
    int alarm_result = 0;    // alarms of this ROI
};

struct VUR_Path_Statistics_Detect {
    int time = 0;  // detection step, 1-based
    int ng_sum = 0, produce = 0, monitor_times = 0, ok_num = 0, ok_rate = 0, not_ok_num = 0, not_ok_rate = 0;
    std::map<int, VUR_Path_Statistics_Alarm> alarm;  // by 0-based ROI
};

struct VUR_Path_Statistics_Camera {
    QByteArray camera_id = "1";
    qint64 disalarm_timeout_time = 0, last_monitor_period = 0, now_monitor_period = 0, average_monitor_period = 0;
    std::map<int, VUR_Path_Statistics_Detect> ng_monitors;  // by 0-based step
};

class VUR_Path_Statistics {
public:
    static QString FilePath() { return QStringLiteral("./vur_net/data/Statistics"); }
    static constexpr int kMaxDurations = 100;

    // Resets the totals and reads the file. The tree starts empty, so a
    // reset of the statistics clears the alarms too; entries outside
    // cameras/steps 0-7 or ROIs 0-49 are not taken.
    void Load(qint64 nowUtcMs);

    // One alarm of a ROI (0-based camera, step and ROI).
    void AddAlarm(int camera, int step, int roi);
    // One alarm's duration, from the NG to its clearing.
    void AddNgTime(int ms);
    // Keeps at most 100 durations (drops one per call) and returns their mean.
    qint64 AddCycle();

    struct Inputs {
        QString host;
        int runState = 0;
        qint64 nowUtcMs = 0;
        int stopMinutes = 0;     // stop_check_timelen of the manual-stop record
        int cameraCount = 0;
        const int* all = nullptr;   // gAllNum
        const int* fail = nullptr;  // gFailNum
        int cavities = 0;        // VurNet value 6
        int capacity = 0;        // VurNet value 7
        int batch = 0;           // VurNet value 8
        QByteArray productName;  // VurNet_ProName
        qint64 lastCycleTime = 0;
        QString ngImage;
    };
    // Recomputes the record and returns the printed body of type 7.
    QByteArray Compose(const Inputs& in);

    int state = 1;
    QByteArray product_name = "no set";
    QByteArray product_serial = "1";
    qint64 products_num = 10000;
    qint64 start_utc = 0;
    qint64 real_produce = 0;
    qint64 utc_watch_total = 0;
    qint64 total_stop_alarm_timelen = 0;
    qint64 watch_count_total = 0;
    qint64 ng_count_total = 0;
    qint64 ng_notification_rate = 0;
    qint64 watch_circle = 0;
    std::map<int, VUR_Path_Statistics_Camera> cameras;
    std::vector<int> alarmDurations;  // oldest first

private:
    bool LoadCamera(const struct cJSON* item);
};
