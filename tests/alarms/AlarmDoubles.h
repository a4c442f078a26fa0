#pragma once
// Main-window and camera doubles for the alarm and camera-loss tests, and a
// control port whose published output word the tests read.
#include "app/ControlPort.h"
#include "app/IOLink.h"
#include "app/gui/AlarmHost.h"
#include "app/gui/CameraLoss.h"
#include "params/WizardPara.h"

#include <QStringList>

struct HostDouble : AlarmHost {
    bool alarm = false;
    QStringList records;
    int stopWtd = 0, flushed = 0, continuousNg = 5, clearedWarn = 0;
    QList<bool> roiWarning;
    qint64 timingTime = 0;

    bool verdictIsAlarm() const override { return alarm; }
    void InsertRecord(const QString& t) override { records << t; }
    void StopWTD() override { ++stopWtd; }
    void FLushAll() override { ++flushed; }
    void clearContinuousNg() override { continuousNg = 0; }
    QString GetROINGInfo() const override { return QStringLiteral("camera 1 step 1 area 2: 500"); }
    void ClearWarnNGINfo() override { ++clearedWarn; }
    void setRoiWarning(bool on) override { roiWarning << on; }
    void setTimingAlarmTime(qint64 s) override { timingTime = s; }
};

// Outputs as the board would be told to drive them.
inline int PublishedOut(int i)
{
    return int((gDataOut.load() >> i) & 1u);
}

struct Rig {
    WizardPara para;
    HostDouble host;
    ControlPort port{IOPortSettings(), IOLinkOptions()};
    Rig()
    {
        para.outputInvert[2] = 0;  // published words as logical levels
        gpWPara = &para;
        gpControlIO = &port;
        AlarmHost::setInstance(&host);
    }
    ~Rig()
    {
        AlarmHost::setInstance(nullptr);
        gpControlIO = nullptr;
        gpWPara = nullptr;
    }
    void setOutputs(std::initializer_list<int> on)
    {
        for (int i : on)
            port.IOSetOut(i, 1);
        port.IOFlashOut();
    }
};
