#pragma once
// A service manager's stop (SIGTERM) and Ctrl-C (SIGINT) end the monitor in
// order: the stop runs on the GUI thread (outputs to their stop state,
// databases closed), the logs are flushed and the process ends with status
// 0, instead of dying by the signal with a crash report.
#include <functional>

namespace StopSignals {

// Catches the signals from now on, before anything can serve them: a stop
// that comes this early is kept until Install. Needs no application object.
void Catch();

// Installs the stop (catching the signals first if Catch was not called).
// `orderlyStop` runs once, on the thread of the event loop that is running
// when a signal arrives, or in ServePending; then the process ends with
// status 0. A second signal while the stop runs ends it at once.
void Install(std::function<void()> orderlyStop);

// Runs a stop already asked for, now. Start-up calls it between its stages,
// while no event loop runs to notice the signal.
void ServePending();

}  // namespace StopSignals
