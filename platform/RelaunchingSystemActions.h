#pragma once
// The build host's stand-in for the panel restarting. Like the recording
// layer it only writes each host action to system-actions.log; a recorded
// reboot then starts the monitor afresh (same program, arguments, working
// directory and environment, in the same process), so that a demo shows
// what a panel shows after its restart: a language change in full, not a
// screen of mixed languages. The host itself is never rebooted. The program
// of a default build installs it; tests keep the plain recording layer.
#include "SystemActions.h"

#include <functional>

class RelaunchingSystemActions : public RecordingSystemActions {
public:
    // `relaunch` replaces the running monitor (tests count it instead).
    explicit RelaunchingSystemActions(std::function<void()> relaunch,
                                      const QString& logPath = QStringLiteral("system-actions.log"));
    ActionResult run(const QStringList& argv, int timeoutMs = 30000) override;

private:
    std::function<void()> m_relaunch;
};

// Replaces the running process with a fresh start of the same program; it
// returns only when that could not be done.
void RelaunchMonitor();
