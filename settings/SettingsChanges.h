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
// (live.machineType): the active type kept re-derives its IO set-up (type 4
// also its step count and names); any change of type waits for the next
// start (RestartNotes tells so).
void DeriveAcceptedIO(WizardPara& edit, const WizardPara& live, SettingsHost& host);
