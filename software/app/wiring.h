#pragma once

class QApplication;

// Ties the upgrade flow to the window, its progress bar and the log window. Call once, after
// every application object exists and before the flow is started.
void add_connections(QApplication* app);
