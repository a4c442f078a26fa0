#include "VUR_Net.h"

VUR_Net* gpNet = nullptr;

VUR_Net::VUR_Net(QObject* parent)
    : QTcpServer(parent)
{
}

void VUR_Net::VUR_FirstInit() {}
void VUR_Net::VUR_ReStart() {}
void VUR_Net::VUR_SendMemoryInfo() {}
void VUR_Net::VUR_SendParam() {}
void VUR_Net::VUR_SendROIParam(int, int) {}
void VUR_Net::VUR_SendRecord(QDateTime, QString, QString) {}
void VUR_Net::VUR_SendStatistics(QString) {}
void VUR_Net::ChkandAddStaticticsItem(int, int, int) {}
void VUR_Net::VUR_SendSaveNgVideo(int, int) {}
void VUR_Net::VUR_SendTelInfo(int, int) {}
void VUR_Net::VUR_AddNgTimes(int) {}
void VUR_Net::VUR_SendCancle() {}
void VUR_Net::VUR_SendManualStop() {}
void VUR_Net::VUR_SendAlarmPic(QString) {}
void VUR_Net::VUR_SendTempPic(QString) {}
void VUR_Net::VUR_SendDelTempPic(int, int, QString) {}
void VUR_Net::VUR_AddUseMemory(int, int, int, unsigned char*) {}
void VUR_Net::VUR_SendStatistics_Once(QList<param_roi>, bool, int) {}
