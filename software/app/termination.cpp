#include "termination.h"

#include "dfu/childprocess.h"
#include "dfu/files.h"
#include "statemachines/sm_a.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signal_pipe[2] = {-1, -1};
std::atomic<bool> delivering{false};
std::atomic<int> received{0};

// Only async-signal-safe calls: the paths to remove were computed when the directory was made.
void on_signal(int sig)
{
    int const earlier = received.fetch_add(1);
    if (!SM_A::any_download_running() && (!delivering.load() || earlier > 0)) {
        // A dfu-util run (never a download) lives in a process group of its own: nothing
        // else would end it.
        child_process::end_running_groups();
        Files::external_dir.removeFromSignalHandler();
        _exit(128 + sig);
    }
    char const byte = static_cast<char>(sig);
    [[maybe_unused]] ssize_t const n = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

void install_termination_handlers(QCoreApplication* app, std::function<void(int)> deliver)
{
    if (signal_pipe[0] >= 0 || ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [deliver] {
        char sig = 0;
        while (::read(signal_pipe[0], &sig, 1) == 1)
            deliver(int(sig));
    });
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    // A write to a closed pipe is an error to handle, not a reason to die; dfu-util inherits
    // this, so that a write goes on even if this program's end closes its pipes.
    ::signal(SIGPIPE, SIG_IGN);
}

void deliver_termination_signals()
{
    delivering = true;
}

void end_termination_delivery()
{
    delivering = false;
}
