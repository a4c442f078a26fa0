#pragma once
// The shared yes/no box and message box as the settings pages use them.
#include <QString>

// True only for YES; false as well when the popups do not exist yet.
bool Ask(const QString& text);
void Warn(const QString& text);
