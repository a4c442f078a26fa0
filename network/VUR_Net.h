#pragma once
// The plant link as the rest of the program calls it. Until the link itself
// is built its send gate stays closed: it listens nowhere, starts nothing and
// sends nothing, and callers see it as "not started".
#include <QDateTime>
#include <QString>
#include <QTcpServer>

#include "inspect/ParamRoi.h"

class VUR_Net : public QTcpServer {
    Q_OBJECT
public:
    explicit VUR_Net(QObject* parent = nullptr);

    virtual void VUR_FirstInit();
    virtual void VUR_ReStart();
    virtual void VUR_SendMemoryInfo();
    virtual void VUR_SendParam();
    virtual void VUR_SendROIParam(int cam, int det);
    virtual void VUR_SendRecord(QDateTime time, QString level, QString text);
    virtual void VUR_SendStatistics(QString picture);
    // Per-cycle ROI results; trigger: the cycle's trigger code (lastInputNo).
    virtual void VUR_SendStatistics_Once(QList<param_roi> list, bool ng, int trigger);
    virtual void ChkandAddStaticticsItem(int camera, int step, int roi);
    virtual void VUR_SendSaveNgVideo(int camera, int isNg);
    virtual void VUR_SendTelInfo(int step, int failedRoiCount);
    virtual void VUR_AddNgTimes(int ms);
    virtual void VUR_SendCancle();
    virtual void VUR_SendManualStop();
    virtual void VUR_SendAlarmPic(QString path);
    // A template or ignore-mask picture was written (absolute path) or a
    // template removed (camera and step 1-based, file name).
    virtual void VUR_SendTempPic(QString path);
    virtual void VUR_SendDelTempPic(int camera, int step, QString name);
    // Registers a camera's display buffer as its video share (video mode 2).
    virtual void VUR_AddUseMemory(int camera, int width, int height, unsigned char* buffer);

    bool isInit = false;   // the link was switched on and started
    bool isAlive = false;  // the plant client is connected and answering
};

// The one plant link of the process; made by main before the main window.
extern VUR_Net* gpNet;

// True when the link is started and its client alive (callers also check
// the parameter netEnabled).
inline bool PlantLinkUp()
{
    return gpNet && gpNet->isInit && gpNet->isAlive;
}
