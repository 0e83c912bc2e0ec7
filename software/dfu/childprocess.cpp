#include "childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <mutex>
#include <vector>

extern char** environ;

namespace child_process {

thread_local Stopper* thread_stopper = nullptr;

namespace {

// The process groups that end_running_groups() ends: plain atomics, readable in a handler.
std::array<std::atomic<pid_t>, 8> running_groups{};
// Children being started and not yet in running_groups.
std::atomic<int> starting{0};

// Makes the child's group known to the signal handler and to its thread's stopper; a child
// started after a stop is ended at once.
void remember(Child& child)
{
    if (child.spare_on_destruction)
        return;
    for (std::size_t i = 0; i < running_groups.size(); ++i) {
        pid_t none = 0;
        if (running_groups[i].compare_exchange_strong(none, child.pid)) {
            child.slot = int(i);
            break;
        }
    }
    child.stopper = thread_stopper;
    if (!child.stopper)
        return;
    std::lock_guard<std::mutex> lock(child.stopper->mutex);
    child.stopper->group = child.pid;
    if (child.stopper->stopped)
        ::kill(-child.pid, SIGKILL);
}

// Before the reap: once reaped, the pid may name another process.
void forget(Child& child)
{
    if (child.slot >= 0)
        running_groups[std::size_t(child.slot)] = 0;
    child.slot = -1;
    if (!child.stopper)
        return;
    std::lock_guard<std::mutex> lock(child.stopper->mutex);
    if (child.stopper->group == child.pid)
        child.stopper->group = -1;
    child.stopper = nullptr;
}

// A pipe whose ends are not inherited by other children.
bool make_pipe(int fds[2])
{
#if defined(__linux__)
    return ::pipe2(fds, O_CLOEXEC) == 0;
#else
    if (::pipe(fds) != 0)
        return false;
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return true;
#endif
}

// A descriptor that becomes readable when the child ends; -1 where the system has none.
int open_pidfd(pid_t pid)
{
#if defined(SYS_pidfd_open)
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void close_fd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Reads what the pipe holds now, keeping at most kept_bytes_per_stream; closes it at its end.
void drain(int& fd, QByteArray& into, qint64& dropped,
           std::function<void(QByteArray const&)> const& on_data = {})
{
    char buffer[16384];
    while (fd >= 0) {
        ssize_t const n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            int const keep = std::min(int(n), std::max(0, kept_bytes_per_stream - into.size()));
            into.append(buffer, keep);
            dropped += n - keep;
            if (on_data)
                on_data(QByteArray::fromRawData(buffer, int(n)));
        } else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN)
            return;
        else
            close_fd(fd);
    }
}

// Whether the child has ended; it is left unreaped, so that its pid stays its own.
bool has_ended(Child& child, pollfd const& exited)
{
    if (child.exited >= 0)
        return exited.revents & POLLIN;
    siginfo_t info = {};
    return ::waitid(P_PID, id_t(child.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == child.pid;
}

void reap(Child& child)
{
    forget(child);
    while (!child.reaped && ::waitpid(child.pid, &child.status, 0) < 0 && errno == EINTR) {
    }
    child.reaped = true;
    drain(child.out, child.output, child.dropped_output, child.on_output);
    drain(child.err, child.error, child.dropped_error);
    close_fd(child.out);
    close_fd(child.err);
    close_fd(child.exited);
    child.finished = true;
}

} // namespace

void Stopper::stop()
{
    std::lock_guard<std::mutex> lock(mutex);
    stopped = true;
    if (group > 0)
        ::kill(-group, SIGKILL);
}

void end_running_groups() noexcept
{
    // A child being started is waited for: the starting thread holds the ending signals back,
    // so this handler runs in another thread, and the start takes a few milliseconds.
    for (int i = 0; i < 2000 && starting.load() > 0; ++i) {
        timespec const millisecond = {0, 1000000};
        ::nanosleep(&millisecond, nullptr);
    }
    for (std::atomic<pid_t>& group : running_groups) {
        pid_t const pid = group.load();
        if (pid > 0)
            ::kill(-pid, SIGKILL);
    }
}

Child::~Child()
{
    if (pid > 0 && !finished && !spare_on_destruction)
        kill(*this);
    close_fd(out);
    close_fd(err);
    close_fd(exited);
}

void start(Child& child, QString const& program, QStringList const& arguments)
{
    int out[2];
    int err[2];
    if (!make_pipe(out))
        return;
    if (!make_pipe(err)) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (QString const& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    // Ignored signals stay ignored across exec: the child inherits it.
    static std::once_flag sigpipe_ignored;
    std::call_once(sigpipe_ignored, [] { ::signal(SIGPIPE, SIG_IGN); });

    // Until the child is known to end_running_groups(), an ending signal waits.
    sigset_t ending;
    sigset_t previous;
    sigemptyset(&ending);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&ending, sig);
    ::pthread_sigmask(SIG_BLOCK, &ending, &previous);
    ++starting;
    struct Unblock
    {
        sigset_t const& previous;
        ~Unblock()
        {
            --starting;
            ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        }
    } const unblock{previous};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    int const failed =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (failed != 0) {
        ::close(out[0]);
        ::close(err[0]);
        return;
    }
    child.pid = pid;
    child.out = out[0];
    child.err = err[0];
    ::fcntl(child.out, F_SETFL, O_NONBLOCK);
    ::fcntl(child.err, F_SETFL, O_NONBLOCK);
    child.exited = open_pidfd(pid);
    remember(child);
}

bool wait_for_finished(Child& child, int ms)
{
    if (child.pid <= 0 || child.finished)
        return true;
    using clock = std::chrono::steady_clock;
    auto const deadline = clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        int slice = -1;
        if (ms >= 0)
            slice = int(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count()));
        if (child.exited < 0) // no pidfd (kernels before 5.3): look for the end every 10 ms
            slice = slice < 0 ? 10 : std::min(slice, 10);
        // Closed descriptors (-1) are ignored by poll.
        pollfd fds[3] = {{child.exited, POLLIN, 0}, {child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
        if (::poll(fds, 3, slice) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents)
            drain(child.out, child.output, child.dropped_output, child.on_output);
        if (fds[2].revents)
            drain(child.err, child.error, child.dropped_error);
        // The child's end, not the end of its output, finishes the run: a process it started
        // may keep the pipes open.
        if (has_ended(child, fds[0])) {
            reap(child);
            return true;
        }
        if (ms >= 0 && clock::now() >= deadline)
            return false;
    }
}

void kill(Child& child)
{
    if (child.pid <= 0 || child.finished)
        return;
    ::kill(child.pid, SIGKILL);
    reap(child);
}

int exit_code(Child const& child)
{
    if (child.pid <= 0 || !child.finished || !WIFEXITED(child.status))
        return -1;
    return WEXITSTATUS(child.status);
}

} // namespace child_process
