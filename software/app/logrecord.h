#pragma once

#include <QStringList>
#include <QtGlobal>

// The message log is always recorded: the last lines are kept for a support report, and each
// message is passed on unchanged to where it goes (Qt's own handler, which writes standard
// error, or the log window's).
namespace log_record {

constexpr int kept_lines = 1000;

// Installs the recording handler, which passes every message on to route (null: Qt's own
// handler). Called again, it only changes the route.
void install(QtMessageHandler route = nullptr);
// The kept lines, oldest first: time, level and text.
QStringList lines();

} // namespace log_record
