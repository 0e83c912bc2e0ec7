#pragma once

#include <functional>

class QCoreApplication;

// SIGINT, SIGTERM and SIGHUP. Until the event loop runs, and for a second signal, the running
// dfu-util is ended, the working directory is removed and the process ends at once, unless a firmware write runs: a write is
// never cut, so signals during it are only reported. Otherwise a signal is handed to
// on_signal in the GUI thread. Also ignores SIGPIPE. Install before anything is created on disk.
void install_termination_handlers(QCoreApplication* app, std::function<void(int)> on_signal);

// Signals are handed to on_signal from now on (the event loop is about to run).
void deliver_termination_signals();
// Back to ending at once (the event loop has ended).
void end_termination_delivery();
