#pragma once

#include <QString>

#include <functional>

class QApplication;

// Ties the upgrade flow to the window, its progress bar and the log window. Call once, after
// every application object exists and before the flow is started.
void add_connections(QApplication* app);

// Shows the layout file's status text of id in the status line.
void show_status_text(QString const& id);

// Calls then once no firmware write runs any more, without blocking the event loop.
void after_firmware_write(std::function<void()> then);
