#pragma once
// The password gate's rule: one typed entry against the maker's master
// password and the system password of the parameters. No widgets, so the
// rule reads the same for the prompt and for tests.
#include <QDateTime>
#include <QString>

// Unlock levels of the main window.
enum UnlockLevel { UnlockNone = 0, UnlockSystem = 1, UnlockMaster = 2 };

// The maker's fixed password; also the first password of the built-in admin.
inline constexpr char kMasterPassword[] = "7254";

// While password protection is on, the gate wants the master password
// followed by month, day and hour of the local time, so an entry overheard
// today is useless tomorrow.
inline constexpr char kGateMasterTimeFormat[] = "MMddhh";

// The master entry the gate expects at `now`.
QString GateMasterEntry(bool protectionOn, const QDateTime& now);

// Level an entry unlocks: master entry first (2), then the system password
// (1), else 0. Exact, case-sensitive comparison.
int GateUnlockLevel(const QString& entry, const QString& systemPassword, bool protectionOn,
                    const QDateTime& now);
