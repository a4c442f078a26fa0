#pragma once
// What the keypads need of the password prompt (gpPasswordBox): whether it
// is on screen, so that the numeric pad's Confirm submits the password
// instead of closing the edit. The prompt registers itself when it is built;
// the pointer is guarded, so a destroyed prompt reads as hidden.
#include <QPointer>
#include <QWidget>

class PasswordGate {
public:
    static void setPrompt(QWidget* prompt);
    static QWidget* prompt();
    static bool promptShown();

private:
    static QPointer<QWidget> s_prompt;
};
