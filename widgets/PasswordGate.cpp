#include "PasswordGate.h"

QPointer<QWidget> PasswordGate::s_prompt;

void PasswordGate::setPrompt(QWidget* prompt)
{
    s_prompt = prompt;
}

QWidget* PasswordGate::prompt()
{
    return s_prompt.data();
}

bool PasswordGate::promptShown()
{
    return s_prompt && s_prompt->isVisible();
}
