#include "termination.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signal_pipe[2] = {-1, -1};
std::atomic<bool> signalled{false};

void on_signal(int sig)
{
    if (signalled.exchange(true))
        _exit(128 + sig);
    char const byte = static_cast<char>(sig);
    [[maybe_unused]] ssize_t const n = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

void quit_on_termination_signals(QCoreApplication* app)
{
    if (signal_pipe[0] >= 0 || ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [app] {
        char sig = 0;
        [[maybe_unused]] ssize_t const n = ::read(signal_pipe[0], &sig, 1);
        qInfo() << "Signal" << int(sig) << "received, quitting";
        app->quit();
    });
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
