// The idle baseline of the least a program can do per scan: every 500 ms, start
// "PROGRAM -d 0483 -l" with posix_spawn, read its standard output and error to their end and
// reap it. After SECONDS prints "<own CPU s> <children's CPU s> <runs>" from getrusage.
//   spawn_baseline SECONDS PROGRAM

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace {

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double seconds(timeval const& t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}

void run_once(char* program)
{
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    char d[] = "-d";
    char vendor[] = "0483";
    char list[] = "-l";
    char* argv[] = {program, d, vendor, list, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0)
        std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    char buffer[4096];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        poll(fds, 2, -1);
        for (pollfd& f : fds) {
            if (f.fd >= 0 && f.revents && read(f.fd, buffer, sizeof buffer) <= 0) {
                close(f.fd);
                f.fd = -1;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    double const end = now() + std::atof(argv[1]);
    int runs = 0;
    while (now() < end) {
        run_once(argv[2]);
        ++runs;
        usleep(500000);
    }
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("%.6f %.6f %d\n", seconds(self.ru_utime) + seconds(self.ru_stime),
                seconds(children.ru_utime) + seconds(children.ru_stime), runs);
    return 0;
}
