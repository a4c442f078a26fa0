#pragma once
// What the alarm boxes need of the main window: its verdict state, the
// operation log, the orderly-stop steps and the NG bookkeeping of the cycle.
// The main window installs itself; tests install a double.
#include <QString>
#include <QtGlobal>

class AlarmHost {
public:
    virtual ~AlarmHost() = default;

    virtual bool verdictIsAlarm() const = 0;           // the NG alarm is held
    virtual void InsertRecord(const QString& text) = 0;  // operation log
    virtual void StopWTD() = 0;
    virtual void FLushAll() = 0;
    virtual void clearContinuousNg() = 0;              // first continuous-NG counter
    virtual QString GetROINGInfo() const = 0;
    virtual void ClearWarnNGINfo() = 0;
    virtual void setRoiWarning(bool on) = 0;
    virtual void setTimingAlarmTime(qint64 secs) = 0;

    static AlarmHost* instance();  // null until the main window exists
    static void setInstance(AlarmHost* host);
};

// Text of an id in the current language, falling back to simplified Chinese
// where the current language has none, so an alarm is never an empty box.
QString AlarmText(int id);
