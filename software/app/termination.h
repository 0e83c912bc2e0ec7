#pragma once

class QCoreApplication;

// SIGINT and SIGTERM end the event loop, so that the ordered shutdown runs and the working
// directory (a copy of the firmware and the device dumps) is removed. A second signal ends
// the process at once.
void quit_on_termination_signals(QCoreApplication* app);
