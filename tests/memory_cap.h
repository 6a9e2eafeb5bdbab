// Runs a piece of a test in a child process whose address space may grow
// by only `headroom` bytes beyond what it has, so that an allocation the
// code should never make fails there instead of succeeding quietly. A
// child that hangs is ended by an alarm after a minute.
#pragma once

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testutil {

// The child's exit code: what body returned, 4 for an exception leaving
// it, 3 when the cap could not be worked out; 100 + the signal number when
// it died of one (100 + SIGALRM when it hung).
inline int RunUnderMemoryCap(size_t headroom, const std::function<int()> &body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        long pages = 0, resident = 0;
        FILE *f = std::fopen("/proc/self/statm", "r");
        if (!f || std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            _exit(3);
        std::fclose(f);
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(headroom);
        rlimit lim{cap, cap};
        setrlimit(RLIMIT_AS, &lim);
        try {
            _exit(body());
        } catch (...) {
            _exit(4);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace testutil
