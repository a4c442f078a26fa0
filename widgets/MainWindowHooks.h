#pragma once
// What the toolkit needs of the main window (backlight, screen-off timer,
// the focused edit). The main window installs its implementation; until then
// a do-nothing default keeps every widget usable on its own and in tests.
#include <QPointer>

class Edit;

class MainWindowHooks {
public:
    virtual ~MainWindowHooks() = default;

    virtual bool lcdOff() const { return false; }
    virtual void LCDOnOff(int /*on*/) {}
    virtual int screenOffTime() const { return 0; }  // seconds, 0 = never
    virtual void restartLcdTimer(int /*ms*/) {}

    // The edit the keypads type into. Guarded: an edit destroyed while
    // current reads as none, so a late key press finds nothing to type into.
    virtual Edit* curEdit() const;
    virtual void setCurEdit(Edit* edit);
    // Repaint of the main window after a keypad closes.
    virtual void updateWindow() {}

    static MainWindowHooks& instance();
    static void setInstance(MainWindowHooks* hooks);  // nullptr restores the default

private:
    QPointer<Edit> m_curEdit;
};
