#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

#include <sys/types.h>

// A child process started with posix_spawn, its standard output and error read through pipes.
// The device worker starts dfu-util every half second for as long as the program runs;
// posix_spawn lends the child the program's address space until exec (vfork), where a fork,
// as QProcess does, copies the page tables of the whole GUI process at every run.
namespace child_process {

// What is kept of each output stream; the rest is read and dropped, so that a child that
// prints without end can neither block on a full pipe nor exhaust memory.
constexpr int kept_bytes_per_stream = 1 << 20;

// Where another thread ends the children that one thread runs: a stop ends the running child's
// process group, and every child started after it at once. A child that is spared on
// destruction (a flash write) is never ended through it.
struct Stopper
{
    void stop();

    std::mutex mutex;   // guards the two below
    pid_t group = -1;   // of the running child; cleared before the child is reaped
    bool stopped = false;
};

// The stopper of the calling thread's children; null: its children are not stoppable.
extern thread_local Stopper* thread_stopper;

// Ends the process group of every running child that may be cut short (never a flash
// write's). Only async-signal-safe calls: for a signal handler that ends the program at once.
void end_running_groups() noexcept;

struct Child
{
    pid_t pid = -1; // -1: never started
    int out = -1;
    int err = -1;
    int exited = -1; // readable once the child has ended (pidfd)
    QByteArray output;
    QByteArray error;
    qint64 dropped_output = 0; // bytes read beyond kept_bytes_per_stream
    qint64 dropped_error = 0;
    // Called with every piece of standard output as it arrives, dropped bytes included.
    std::function<void(QByteArray const&)> on_output;
    // A child that must never be cut short (a flash write) is left running by the destructor.
    bool spare_on_destruction = false;
    int status = 0; // waitpid status, once finished
    bool reaped = false;
    bool finished = false;
    Stopper* stopper = nullptr; // the one it was registered with at start
    int slot = -1;              // its place among the groups end_running_groups() ends

    Child() = default;
    Child(Child const&) = delete;
    Child& operator=(Child const&) = delete;
    ~Child();
};

// Starts program (searched in PATH when it holds no slash) with the program's environment, in
// a process group of its own (a terminal's Ctrl+C reaches only this program) and with SIGPIPE
// ignored (it outlives this program's pipes); child.pid stays -1 when it cannot be started.
void start(Child& child, QString const& program, QStringList const& arguments);
// Collects output until the child has ended (true) or ms have passed (false); -1: no limit.
bool wait_for_finished(Child& child, int ms);
// Ends the child with SIGKILL and reaps it.
void kill(Child& child);
// The exit code of a child that ended normally, otherwise -1.
int exit_code(Child const& child);

} // namespace child_process
