#include "xsession.h"

#include <QtGlobal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child that ends with the test, however the test ends (a CTest timeout kills it); its
// output goes nowhere. keep_fd stays open in the child.
pid_t start_child(std::vector<char const*> argv, int keep_fd = -1)
{
    argv.push_back(nullptr);
    pid_t const pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int const null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keep_fd)
            close(fd);
    execvp(argv[0], const_cast<char* const*>(argv.data()));
    _exit(127);
}

void end_child(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// The display number that Xvfb writes once it accepts clients.
QByteArray read_display(int fd)
{
    QByteArray number;
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 10000) == 1 && read(fd, &c, 1) == 1 && c != '\n')
        number.append(c);
    return number.isEmpty() ? QByteArray() : ':' + number;
}

bool wm_running()
{
    return std::system("wmctrl -m >/dev/null 2>&1") == 0;
}

} // namespace

XSession::XSession()
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    std::string const fd = std::to_string(fds[1]);
    server = start_child({"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                          "-nolisten", "tcp"},
                         fds[1]);
    close(fds[1]);
    display = read_display(fds[0]);
    close(fds[0]);
    if (display.isEmpty()) {
        std::fprintf(stderr, "XSession: Xvfb did not start\n");
        return;
    }
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    wm = start_child({"openbox"});
    for (int i = 0; i < 100 && !wm_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!wm_running()) {
        std::fprintf(stderr, "XSession: openbox did not start\n");
        end_child(wm);
        wm = -1;
    }
}

XSession::~XSession()
{
    end_child(wm);
    end_child(server);
}
