#pragma once

#include <QString>

class QApplication;

// Ties the upgrade flow to the window, its progress bar and the log window. Call once, after
// every application object exists and before the flow is started.
void add_connections(QApplication* app);

// Shows the layout file's status text of id in the status line.
void show_status_text(QString const& id);
