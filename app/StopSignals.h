#pragma once
// A service manager's stop (SIGTERM) and Ctrl-C (SIGINT) end the monitor in
// order: the stop runs on the GUI thread between events (outputs to their
// stop state, databases closed), the logs are flushed and the process ends
// with status 0, instead of dying by the signal with a crash report.
#include <functional>

namespace StopSignals {

// Installs the handlers. `orderlyStop` runs once, on the thread of the
// event loop that is running when a signal arrives; then the process ends
// with status 0. A second signal while the stop runs ends it at once.
void Install(std::function<void()> orderlyStop);

}  // namespace StopSignals
