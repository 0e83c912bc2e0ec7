#pragma once

// The start-up sequence: options, device preparation, then the application objects.
void GUI_init();

// The shutdown sequence; takes the event loop's result and returns it unchanged.
int GUI_cleanup(int rc);

// The device preparation of start-up: command path or simulator, extraction of the working
// files, the executable bit and dfu-util's execution test.
void prepare_device_side();
