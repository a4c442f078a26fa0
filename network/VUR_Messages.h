#pragma once
// Bodies of the plant link's messages, built from what the caller passes
// (the link object supplies host name, time and counters). Key=value texts
// are UTF-8 and unescaped; JSON strings from Qt texts are sent as Latin-1.
#include "inspect/ParamRoi.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CammerSingleton;
struct WizardPara;

namespace VurMessages {

// Run state as the statistics and stop records carry it: 1 stopped, 0 detecting, 2 otherwise.
int StateNumber(int runState);
// Run state as types 18 and 19 carry it (empty for an unknown state).
QString StateText(int runState);

// Type 1: one operation-log line.
QByteArray Record(const QString& host, const QString& level, qint64 utcMs, const QString& text);

struct Counters {
    const int* all;   // gAllNum
    const int* fail;  // gFailNum
};

// Type 2: the live system parameters. The system password is never sent.
QByteArray Param(const WizardPara& p, int language, const QString& host, Counters counts,
                 const char (*serials)[100]);

// Type 8: group `det` of a camera's live ROI set.
QByteArray RoiSet(const QString& host, const CammerSingleton& set, int det);

// Type 11: a template file removed (camera and detection 1-based).
QByteArray DelTempPic(const QString& host, int camera, int detect, const QString& name, qint64 utcMs,
                      const QByteArray& operatorId);

// Type 15: NG video on or off.
QByteArray NgVideo(const QString& host, int camera, const QByteArray& product, int isNg);

// Type 16: alarm notification (0-based step).
QByteArray TelInfo(const QString& host, int step, int count, const WizardPara& p);

struct CycleInfo {
    qint64 utcMs = 0;
    int runState = 0;
    int trigger = 0;  // -2, -1, 1, 2, 3 have a text
    bool ng = false;
    int cameraCount = 0;
};
// Type 18: the ROI results of one cycle, by camera and detection group.
QByteArray CycleResult(const QString& host, const CycleInfo& info, const WizardPara& p, Counters counts,
                       const QList<param_roi>& results);

// Type 19: the run state; empty when the state is not 1, 2 or 3.
QByteArray RunState(const QString& host, int runState, qint64 utcMs);

// Type 20: alarm cleared, bound to the last type 18.
QByteArray Cancel(const QString& host, qint64 bindUtc, qint64 utcMs, int clearReason, const WizardPara& p);

}  // namespace VurMessages
