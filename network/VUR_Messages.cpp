#include "VUR_Messages.h"

#include "VUR_Json.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"

using namespace VurJson;

namespace VurMessages {

int StateNumber(int runState)
{
    return runState == 3 ? 1 : runState == 1 ? 0 : 2;
}

QString StateText(int runState)
{
    switch (runState) {
    case 1: return QStringLiteral("正在检测");
    case 2: return QStringLiteral("模板训练中");
    case 3: return QStringLiteral("停止检测");
    default: return QString();
    }
}

QByteArray Record(const QString& host, const QString& level, qint64 utcMs, const QString& text)
{
    return QStringLiteral("device_id=%1&operater=%2&utc=%3&description=%4")
        .arg(host, level, QString::number(utcMs), text)
        .toUtf8();
}

namespace {
QByteArray Dotted(const int* o)
{
    return QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]).toUtf8();
}
}  // namespace

QByteArray Param(const WizardPara& p, int language, const QString& host, Counters counts,
                 const char (*serials)[100])
{
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    const char* delays[4] = {"finished_product_detect", "cavity_detect", "neutron_detect", "fourth_detect"};
    for (int i = 0; i < 4; ++i)
        Num(o, delays[i], p.detectDelay[i]);
    Num(o, "is_psw_used", p.passwordUsed);
    Str(o, "password", QByteArray());  // the system password stays on the panel
    Num(o, "semi_auto", p.semiAuto);
    Num(o, "enabe_one_test", p.detectOn[0]);
    Num(o, "enabe_two_test", p.twoSameParams);
    Num(o, "enable_correct", p.motionCorrect);
    Num(o, "enable_stop_mold", p.stopClampOnStop);
    Num(o, "front_mold_timelen", p.RedetectCountOfStep(0));
    Num(o, "front_auto_check_time", p.recheckCount2);
    Num(o, "ok_record_max_num", p.okImagesKept);
    Num(o, "enable_watch_dog", 1);
    const std::pair<const char*, int> system2[] = {
        {"mold_cutoff", p.cutEjectorOnClamp}, {"max_mold_num", p.templateCount},
        {"enable_stop_check", p.minSpot}, {"ng_max_num", p.ngImagesKept},
        {"thimble_pulse", p.ejectorPulse}, {"mold_pulse", p.clampPulse},
        {"enable_stop_not_alarm", p.prodNgPulseNoAlarm}, {"is_cut_ontime", p.cutClampAfterMouldOk},
        {"is_cut_ontime_thimble", p.cutEjectorAfterProdOk},
        {"enable_cutoff_ontime", p.noEjectorControlInProd}, {"enable_pass_protect", p.pwdSkipDetect},
        {"language", language},
        {"enable_mold_backup", p.output4SyncFor}, {"location_adge", p.positionOffset},
        {"location_level", p.screenOffTime}, {"capture_speed", p.cameraSpeed},
        {"input_timeout_len", p.inputTimeout},
        {"enable_output_thimble_pulse", p.input4SyncFor}, {"enable_disarm_before_open", p.doorClearsAlarm},
        {"difference_multiplier", p.amplify}, {"enable_defect_detect", p.enableDefect},
        {"enable_spot_detect", p.enableSpot}, {"enable_ignore_area", p.enableIgnoreArea},
        {"enable_manual_edit", p.enableManualLocate}, {"enable_display_detail", p.showAllParams},
        {"auto_cancel_timelen", p.autoLogoutTime}, {"enable_one_not_mold", p.enableOneNotMold},
        {"enable_trigger_safety", p.doorTriggersDetect},
        {"enable_network", p.enableNetwork},
    };
    for (const auto& [key, value] : system2)
        Num(o, key, value);
    Str(o, "local_addr_1", Dotted(p.netAddr));
    for (const char* k : {"local_addr_2", "local_addr_3", "local_addr_4"})
        Str(o, k, "0.0.0.0");
    Str(o, "mask_1", Dotted(p.netAddr + 4));
    for (const char* k : {"mask_2", "mask_3", "mask_4"})
        Str(o, k, "0.0.0.0");
    Str(o, "gateway_1", Dotted(p.netAddr + 8));
    for (const char* k : {"gateway_2", "gateway_3", "gateway_4"})
        Str(o, k, "0.0.0.0");
    const std::pair<const char*, int> tail[] = {
        {"minimum_size", p.filterSize}, {"minimum_area", p.defectArea},
        {"serial_port", p.comPort}, {"enable_color_camera", p.colorCamera},
        {"enable_gray_channel", p.grayChannel}, {"snap_shot", p.showManualSnapshot},
        {"min_spot", p.minSpot}, {"factory_param", p.showFactoryParams},
        {"report_alarm", p.outputInvert[2]}, {"prohibit_optimize", p.noLensOptimization},
    };
    for (const auto& [key, value] : tail)
        Num(o, key, value);
    cJSON* cams = cJSON_CreateArray();
    for (int k = 0; k < 8; ++k) {
        cJSON* c = cJSON_CreateObject();
        Str(c, "camera_id", QByteArray::number(k + 1));
        Num(c, "expose_time", p.exposure[k]);
        Num(c, "adjust_plus", p.gain[k]);
        Num(c, "num_fail_detect", counts.fail[k]);
        Num(c, "num_all_detect", counts.all[k]);
        Num(c, "sharp", p.sharpness[k]);
        Num(c, "contrast", p.contrast[k]);
        Str(c, "camera_serial", QByteArray(serials[k], int(qstrnlen(serials[k], 99))));
        cJSON_AddItemToArray(cams, c);
    }
    cJSON_AddItemToObject(o, "camera", cams);
    return Print(o);
}

QByteArray RoiSet(const QString& host, const CammerSingleton& set, int det)
{
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Str(o, "camera_id", QByteArray::number(set.cam + 1));
    Num(o, "detect", det + 1);
    const int n = std::clamp(set.count[det], 0, CammerSingleton::kMaxRoi);
    Num(o, "count", n);
    cJSON* rois = cJSON_CreateArray();
    for (int j = 0; j < n; ++j) {
        cJSON* r = cJSON_CreateObject();
        Num(r, "roi_idx", j + 1);
        Num(r, "min_size", set.min_size[det][j]);
        Num(r, "sensibility", set.sensibility[det][j]);
        Num(r, "max_area", set.max_area[det][j]);
        Num(r, "algorithm", set.algorithm[det][j]);
        Num(r, "output_point", set.output_point[j]);
        QList<QPoint> points;
        int kind = -1;
        const Circle& c = set.circle[det][j];
        switch (set.roi_type[det][j]) {
        case CammerSingleton::kRect: {
            const ClustomRect& rc = set.rect[det][j];
            kind = 0;
            points = {QPoint(rc.left(), rc.top()), QPoint(rc.right(), rc.bottom())};
            break;
        }
        case CammerSingleton::kCircle:
            kind = 1;
            points = {QPoint(c.centerX, c.centerY)};
            break;
        case CammerSingleton::kPolygon:
            kind = 2;
            for (const QPoint& pt : set.polygon[det][j].points)
                points << pt;
            break;
        default:
            break;
        }
        Num(r, "roi_type", kind);
        Num(r, "top_point_count", points.size());
        for (int i = 0; i < points.size(); ++i) {
            Num(r, QByteArray("top_" + QByteArray::number(i) + "_x").constData(), points[i].x());
            Num(r, QByteArray("top_" + QByteArray::number(i) + "_y").constData(), points[i].y());
        }
        // The stored radius word is inner * 65536 + outer.
        const quint32 word = kind == 1 ? c.RadiusWord() : 0;
        Num(r, "in_r", word >> 16);
        Num(r, "out_r", word & 0xFFFF);
        cJSON_AddItemToArray(rois, r);
    }
    cJSON_AddItemToObject(o, "roi", rois);
    return Print(o);
}

QByteArray DelTempPic(const QString& host, int camera, int detect, const QString& name, qint64 utcMs,
                      const QByteArray& operatorId)
{
    // One pass over the pattern: a "%2" inside a name is text, not a place for the next value.
    return QStringLiteral("deviceId=%1&cameraId=%2&detectId=%3&template=%4&utc=%5&operator=%6")
        .arg(host, QString::number(camera), QString::number(detect), name, QString::number(utcMs),
             QString::fromUtf8(operatorId))
        .toUtf8();
}

QByteArray NgVideo(const QString& host, int camera, const QByteArray& product, int isNg)
{
    return QStringLiteral("device_id=%1&camera_id=%2&product=%3&isng=%4")
        .arg(host, QString::number(camera), QString::fromUtf8(product), QString::number(isNg))
        .toUtf8();
}

QByteArray TelInfo(const QString& host, int step, int count, const WizardPara& p)
{
    return QStringLiteral("device_id=%1&check_id=%2&product_count=%3&worker_name=%4&mobile=%5")
        .arg(host, QString::number(step + 1), QString::number(count), WizardPara::Text(p.netMsgTechName),
             WizardPara::Text(p.netMsgTechNum))
        .toUtf8();
}

namespace {
QByteArray TriggerText(int code)
{
    switch (code) {
    case -2: return "模腔手动抓拍";
    case -1: return "成品手动抓拍";
    case 1: return "开模到位";
    case 2: return "安全门";
    case 3: return "顶针";
    default: return QByteArray();
    }
}

cJSON* FindById(cJSON* array, const char* key, int id)
{
    const int n = cJSON_GetArraySize(array);
    for (int i = 0; i < n; ++i) {
        cJSON* item = cJSON_GetArrayItem(array, i);
        const cJSON* v = cJSON_GetObjectItem(item, key);
        if (cJSON_IsNumber(v) && v->valueint == id)
            return item;
    }
    return nullptr;
}
}  // namespace

QByteArray CycleResult(const QString& host, const CycleInfo& info, const WizardPara& p, Counters counts,
                       const QList<param_roi>& results)
{
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Num(o, "utc", double(info.utcMs));
    Str(o, "state", StateText(info.runState).toUtf8());
    Str(o, "detect_method", TriggerText(info.trigger));
    Str(o, "product_name", QByteArray(p.netProName));
    Str(o, "product_serial", QByteArray::number(p.productSerial));
    Num(o, "product_num", p.productsNum);
    Num(o, "product_moldcavity", p.productsPerCycle);
    Str(o, "product_operator", QByteArray(p.netOperator));
    Num(o, "result", info.ng ? 1 : 0);
    cJSON* array = cJSON_CreateArray();
    for (const param_roi& r : results) {
        if (r.camera < 0 || r.camera >= info.cameraCount || r.camera >= 8 || r.group > 4)
            continue;
        cJSON* cam = FindById(array, "camera_id", r.camera + 1);
        if (!cam) {
            cam = cJSON_CreateObject();
            Num(cam, "camera_id", r.camera + 1);
            Num(cam, "device_ng", counts.fail[r.camera]);
            Num(cam, "device_all", counts.all[r.camera]);
            cJSON_AddItemToObject(cam, "detect_array", cJSON_CreateArray());
            cJSON_AddItemToArray(array, cam);
        }
        cJSON* detects = cJSON_GetObjectItem(cam, "detect_array");
        cJSON* det = FindById(detects, "detect_id", r.group + 1);
        if (!det) {
            det = cJSON_CreateObject();
            Num(det, "detect_id", r.group + 1);
            cJSON_AddItemToObject(det, "roi_array", cJSON_CreateArray());
            cJSON_AddItemToArray(detects, det);
        }
        cJSON* roi = cJSON_CreateObject();
        Num(roi, "roi_id", r.roi + 1);
        Num(roi, "algorithm_type", r.algorithm);
        Num(roi, "algorithm_result", r.value);
        Num(roi, "algorithm_premin", r.low);
        Num(roi, "algorithm_premax", r.high);
        Num(roi, "is_alarm", r.ok);
        cJSON_AddItemToArray(cJSON_GetObjectItem(det, "roi_array"), roi);
    }
    cJSON_AddItemToObject(o, "array", array);
    return Print(o);
}

QByteArray RunState(const QString& host, int runState, qint64 utcMs)
{
    if (runState < 1 || runState > 3)
        return {};
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Str(o, "state", StateText(runState).toUtf8());
    Num(o, "utc", double(utcMs));
    return Print(o);
}

QByteArray Cancel(const QString& host, qint64 bindUtc, qint64 utcMs, int clearReason, const WizardPara& p)
{
    static const char* const kMethods[] = {"不检测此模解除", "添加为模板解除", "重新检测切换到模腔检测",
                                           "进行重检检测", "重检检测OK"};
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Num(o, "bind_utc", double(bindUtc));
    Num(o, "utc", double(utcMs));
    Str(o, "method", clearReason >= 4 && clearReason <= 8 ? QByteArray(kMethods[clearReason - 4]) : QByteArray());
    Str(o, "product_operator", QByteArray(p.netOperator));
    return Print(o);
}

}  // namespace VurMessages
