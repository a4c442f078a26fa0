#pragma once
// The editor's questions and refusals by text id: the shared yes/no box and message box.
#include "foundation/uitext.h"
#include "widgets/ChooseBox.h"
#include "widgets/WarnBox.h"

inline void Warn(int id) { WarnText(LanStr(id)); }
inline bool Ask(int id) { return AskText(LanStr(id)); }
