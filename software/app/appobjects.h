#pragma once

#include "gui/settings.h"

#include <QPointer>

class LampAccount;
class Lifecycle;
class LogWindow;
class MainWindow;
class SM_A;
class SM_B;

// The long-lived application objects, created once by GUI_init and kept for the whole run.
extern QPointer<LogWindow> logWindow; // defined with the log window
extern Settings::Settings settings;
extern QPointer<MainWindow> mainWindow;
extern SM_A* sm_A;
extern SM_B* sm_B;
extern LampAccount* lampAccount; // what the tool did to each lamp
extern Lifecycle* lifecycle;     // every request to stop or to end goes through it
