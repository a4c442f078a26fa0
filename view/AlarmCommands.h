#pragma once
// What the operator does about an alarm from the editor column: judge
// again, not detect the mould this time, ignore the alarm's pixels for
// good; and the OK and NG record pictures.
class DrawROIWidget;

class AlarmCommands {
public:
    explicit AlarmCommands(DrawROIWidget& column) : m_col(column) {}

    // camera: one camera, or the camera count for all.
    void ReCheck(int camera);
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
