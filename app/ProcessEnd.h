#pragma once
// Ending the process from start-up: a reboot that construction requests
// must not let construction go on with half-built state.
#include <QString>

#include <functional>

// Requests "reboot" through the system-action layer, writes why to the log
// files and ends the process (status 1). On the build host the reboot is
// only recorded, so the end of the process is what stops the start-up.
void RebootAndEnd(const QString& why);

// Replaces how the process ends (tests record the status instead); an empty
// function restores the default, which flushes the logs and exits at once.
void SetProcessEndHook(std::function<void(int)> hook);
