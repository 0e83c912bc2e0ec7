#pragma once

#include <QByteArray>

#include <sys/types.h>

// A real X server for a test that shows the whole program as a person sees it: Xvfb with one
// 1280x1024 screen and the openbox window manager in it, started before the QApplication and
// ended with the test. The constructor points DISPLAY at it and makes Qt use it (xcb).
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(XSession const&) = delete;
    XSession& operator=(XSession const&) = delete;

    bool ok() const { return !display.isEmpty() && wm > 0; }
    QByteArray display; // ":N"; empty when Xvfb did not start

private:
    pid_t server = -1;
    pid_t wm = -1;
};
