#pragma once
// What a confirmed settings change means, computed from the live record and
// the edit copy before anything is copied: the change-log line, the notes
// about changes that need a restart, and the derived IO set-up of the
// machine type chosen.
#include <QList>
#include <QString>

class SettingsHost;
struct WizardPara;

// Text 235 followed by one fragment per changed setting, in a fixed order.
QString SettingsChangeLog(const WizardPara& live, const WizardPara& edit);

// Text ids of the restart notes, in the order they are shown.
QList<int> RestartNotes(const WizardPara& live, const WizardPara& edit);

// The machine type chosen (edit.machineTypeSetting) against the active one
// (live.machineType): a change among types 0 to 3 is applied at once with its
// IO set-up; type 4 kept re-derives its steps and names; a change into or out
// of type 4 waits for the next start.
void DeriveAcceptedIO(WizardPara& edit, const WizardPara& live, SettingsHost& host);
