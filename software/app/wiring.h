#pragma once

#include <QString>

class QApplication;

// Ties the upgrade flow to the window, its progress bar and the log window. Call once, after
// every application object exists and before the flow is started.
void add_connections(QApplication* app);

// How long a download may print no progress before the window says that unplugging the lamp
// ends it (5 minutes; tests shorten it before add_connections).
extern int long_silent_write_ms;

// Shows the layout file's status text of id in the status line.
void show_status_text(QString const& id);
