#pragma once

class QCoreApplication;

// Route the message log to the log window (option -l); written only by parse_arguments.
extern bool use_log_window;

// Whether this is a service build: false in this product.
bool have_service_build();

// Parses the command line of app and sets simulator::use and use_log_window. An option that
// is not known ends the process with the parser's message and a failure status.
void parse_arguments(QCoreApplication* app);
