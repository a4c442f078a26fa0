#pragma once
// What the operator does about an alarm from the editor column: judge
// again, not detect the mould this time, ignore the alarm's pixels for
// good; and the OK and NG record pictures.
#include <QtGlobal>

class DrawROIWidget;

class AlarmCommands {
public:
    explicit AlarmCommands(DrawROIWidget& column) : m_col(column) {}

    // camera: one camera, or the camera count for all; clearReason: what the
    // command stands for should it clear the alarm (CycleState); alarm: the
    // alarm it was given for (nothing happens once another one stands).
    void ReCheck(int camera, int clearReason, quint64 alarm);
    void NoCheckCurrent();
    void ShowHideAlarmPoint();
    void IgnoreAlarmPoint();
    void DeleteIgnorePoint();
    void LoadPic();

private:
    // The current camera when it is one whose verdict is NG, else warns.
    class CammerWidget* AlarmCamera();

    DrawROIWidget& m_col;
};
