#pragma once

#include <QString>

// Before the application object exists (Qt may create folders under TMPDIR while building
// it): false, with the reason on standard error, when TMPDIR is set but names no folder this
// user can write to.
bool temporary_folder_usable();

// The start-up sequence: signal handlers, options, device preparation, then the application
// objects. False when the program cannot work (the message has been shown): main then ends
// with a failure status.
bool GUI_init();

// The shutdown sequence; takes the event loop's result and returns it unchanged.
int GUI_cleanup(int rc);

// Reads the information block of the carried firmware into settings' desired_name,
// desired_type and desired_revision; false, with the reason in failure, when it has none.
bool desired_firmware_known(QString* failure);

// Creates the worker (sm_A, its pauses set), the account of the lamps, the flow (sm_B) and
// the lifecycle; the worker starts once the flow has started.
void create_worker_and_flow();

// The end of a run: the flow and the worker are stopped (a write goes on to its end), a pause
// of pause_s seconds, then both are deleted and the working directory is removed.
void tear_down(int pause_s);

// The device preparation of start-up: the private working directory, command path or
// simulator, extraction of the working files, the executable bit and dfu-util's execution
// test. False, with the reason in failure, when the device side cannot work.
bool prepare_device_side(QString* failure);
