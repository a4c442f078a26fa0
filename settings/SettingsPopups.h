#pragma once
// The shared yes/no box and message box as the settings pages use them.
#include <QString>

// True only for YES; false as well when the popups do not exist yet.
bool Ask(const QString& text);
void Warn(const QString& text);

// The last two parts of a path: enough to name a file in a message box that
// does not wrap.
QString ShortPath(const QString& path);
