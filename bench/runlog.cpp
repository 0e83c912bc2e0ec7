// Preloaded into the tool during the upgrade measurement (LD_PRELOAD): every process whose
// executable is named dfu-util appends one line to the file named by KALVORA_BENCH_RUNLOG:
//   <start ns> <end ns> <pid> <arguments...>
// with CLOCK_MONOTONIC times taken when the library is loaded and when the process exits, so
// that the benchmark can tell the time spent inside dfu-util from the tool's own time.
// Other processes (the tool itself) are left alone.

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long long started_ns = -1;

long long now_ns()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

bool is_dfu_util()
{
    char exe[4096];
    ssize_t const n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return false;
    exe[n] = '\0';
    char const* base = std::strrchr(exe, '/');
    return std::strcmp(base ? base + 1 : exe, "dfu-util") == 0;
}

std::string arguments()
{
    std::string args;
    int const fd = open("/proc/self/cmdline", O_RDONLY);
    if (fd < 0)
        return args;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        args.append(buffer, std::size_t(n));
    close(fd);
    // Skip the program name, separate the arguments by blanks.
    std::size_t const first = args.find('\0');
    args = first == std::string::npos ? std::string() : args.substr(first + 1);
    for (char& c : args)
        if (c == '\0')
            c = ' ';
    while (!args.empty() && args.back() == ' ')
        args.pop_back();
    return args;
}

__attribute__((constructor)) void on_load()
{
    if (std::getenv("KALVORA_BENCH_RUNLOG") && is_dfu_util())
        started_ns = now_ns();
}

__attribute__((destructor)) void on_exit()
{
    if (started_ns < 0)
        return;
    long long const ended_ns = now_ns();
    int const fd = open(std::getenv("KALVORA_BENCH_RUNLOG"), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0)
        return;
    // One write per line, so that lines of overlapping processes never interleave.
    std::string const line = std::to_string(started_ns) + " " + std::to_string(ended_ns) + " " +
                             std::to_string(getpid()) + " " + arguments() + "\n";
    ssize_t const written = write(fd, line.data(), line.size());
    (void)written;
    close(fd);
}

} // namespace
