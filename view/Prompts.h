#pragma once
// The editor's questions and refusals: the shared yes/no box and message box.
#include "foundation/uitext.h"

#include <QString>

// Shows the text in the shared message box and waits for Confirm.
void WarnText(const QString& text);
// Asks in the shared yes/no box; true for YES (no box: no).
bool AskText(const QString& text);

inline void Warn(int id) { WarnText(LanStr(id)); }
inline bool Ask(int id) { return AskText(LanStr(id)); }
