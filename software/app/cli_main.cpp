#include "app/bench.h"
#include "app/startup.h"

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Standard output carries the JSON lines alone: they go to a copy of it, and whatever else
    // would be written there (the flow's trace lines, a library's) goes to standard error.
    int const events = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    if (!temporary_folder_usable())
        return bench::startup_failure;
    return bench::run(argc, argv, events);
}
