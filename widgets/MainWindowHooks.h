#pragma once
// What the toolkit needs of the main window (backlight, screen-off timer,
// the focused edit). The main window installs its implementation; until then
// a do-nothing default keeps every widget usable on its own and in tests.
#include <QPointer>

class QLineEdit;

class MainWindowHooks {
public:
    virtual ~MainWindowHooks() = default;

    virtual bool lcdOff() const { return false; }
    virtual void LCDOnOff(int /*on*/) {}
    virtual int screenOffTime() const { return 0; }  // seconds, 0 = never
    virtual void restartLcdTimer(int /*ms*/) {}

    // The field the keypads type into (an Edit, or a field of a dialog of
    // Qt's given a pad). Guarded: a field destroyed while current reads as
    // none, so a late key press finds nothing to type into.
    virtual QLineEdit* curEdit() const;
    virtual void setCurEdit(QLineEdit* edit);
    // Repaint of the main window after a keypad closes.
    virtual void updateWindow() {}

    static MainWindowHooks& instance();
    static void setInstance(MainWindowHooks* hooks);  // nullptr restores the default

private:
    QPointer<QLineEdit> m_curEdit;
};
