// Measures the start-up time of a GUI program: from just before its exec to the moment the X
// server maps its first top-level window (a MapNotify on the root window for a window whose
// _NET_WM_PID is the program's). Prints "<milliseconds> <width> <height>", then ends the
// program with SIGTERM and waits for it.
//
//   startup_timer [--timeout SECONDS] PROGRAM [ARGS...]

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double now_ms()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

long window_pid(Display* display, Window window)
{
    Atom const pid_atom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = *reinterpret_cast<long*>(data);
        XFree(data);
    }
    return pid;
}

int end_program(pid_t child)
{
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    double timeout_ms = 30000;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        timeout_ms = std::atof(argv[2]) * 1000;
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: startup_timer [--timeout SECONDS] PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_timer: cannot open the display\n");
        return 1;
    }
    Window const root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    double const started = now_ms();
    pid_t const child = fork();
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }
    pollfd pfd{ConnectionNumber(display), POLLIN, 0};
    while (true) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.override_redirect)
                continue;
            Window const window = event.xmap.window;
            if (window_pid(display, window) != child)
                continue;
            double const mapped = now_ms();
            XWindowAttributes attributes{};
            XGetWindowAttributes(display, window, &attributes);
            std::printf("%.3f %d %d\n", mapped - started, attributes.width, attributes.height);
            std::fflush(stdout);
            end_program(child);
            return 0;
        }
        double const left = started + timeout_ms - now_ms();
        int status = 0;
        if (left <= 0 || waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "startup_timer: no window of %s was mapped\n", argv[first]);
            if (left <= 0)
                end_program(child);
            return 1;
        }
        poll(&pfd, 1, 50);
    }
}
