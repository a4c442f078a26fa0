#pragma once
// Every touch wakes the screen and restarts the log-out and screen-off
// timers; the touch that lights a dark screen does nothing else. Without a
// camera family a 3-s press followed by a release runs the touch calibration.
#include <QObject>

class QTimer;

// What the filter needs of the main window (null until it exists).
class TouchHost {
public:
    virtual ~TouchHost() = default;
    virtual QTimer* tscTimer() = 0;     // 3000-ms long-press timer (its slot arms)
    virtual QTimer* logoutTimer() = 0;
    virtual QTimer* lcdTimer() = 0;
    virtual int& tscArmed() = 0;
    virtual bool parametersLoaded() const = 0;
    virtual int autoLogoutTime() const = 0;  // seconds, 0 = off
    virtual int screenOffTime() const = 0;   // seconds, 0 = off
    virtual void FLushAll() = 0;
};

class TouchFilter : public QObject {
    Q_OBJECT
public:
    explicit TouchFilter(QObject* parent = nullptr);

    static void SetHost(TouchHost* host);
    static TouchHost* Host();

    // One touch state: pressed is exactly the left button (press or drag).
    // True when the event is to be swallowed.
    static bool Touch(bool pressed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void Calibrate(TouchHost* host);
};
