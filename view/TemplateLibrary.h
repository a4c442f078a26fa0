#pragma once
// Each camera's template library per step: the slots in memory and their
// files "cammer<camera+1><step+1>/template<n>.bmp". Slot 0 is always there;
// adding to a full library replaces the oldest file other than template 0.
#include "foundation/FrameBytes.h"

#include <QList>
#include <QString>

class CammerWidgetData;

namespace TemplateLibrary {

// Numbers n >= 1 of the regular files named template<n>.bmp in `dir`,
// oldest first. Anything else in the folder is none of the library's.
QList<int> ExtraTemplatesByAge(const QString& dir);

// The slot a new template of group g goes to: the lowest free slot while
// the library has room (then taken), else the slot of the oldest file other
// than template 0. A file numbered beyond the slots (the library was made
// smaller) is removed and the last slot used. -1 without templates.
int TakeSlot(CammerWidgetData& w, int g);
// Writes slot k of group g to its file (the frame BMP form), whole or not at
// all; false when not written, with the file named in *why.
bool Write(CammerWidgetData& w, int g, int k, QString* why = nullptr);
// Takes a slot of group g (TakeSlot), copies `frame` into it and writes its
// file; the slot. -1 when there is no slot (*why empty) or the file could
// not be written (*why names it): the slot's picture, its flag and the count
// are then as they were.
int Add(CammerWidgetData& w, int g, const FrameBytes& frame, QString* why = nullptr);
// Slot k (>= 1) of group g is no longer a template; its file goes.
bool Delete(CammerWidgetData& w, int g, int k);
// Every template but template 0 of the groups below `steps`, files too.
void DeleteAll(CammerWidgetData& w, int steps);
// The next valid slot from `from` going by `dir` (+1 or -1), wrapping.
int Step(const CammerWidgetData& w, int g, int from, int dir);

}  // namespace TemplateLibrary
