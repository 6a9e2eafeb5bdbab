// Runs a piece of a test in a child process whose writable data may grow by
// only `headroom` bytes beyond what it has, so that an allocation the code
// should never make fails there instead of succeeding quietly. A child that
// runs away is ended after a minute of processor time, however busy the
// machine is; one that hangs without spending, after ten minutes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testutil {

// AddressSanitizer maps its own memory for every large block, so a cap
// sized for a read's own allocations does not hold under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A size line of /proc/self/status ("VmData:", "VmHWM:") in bytes; 0 when
// it cannot be read.
inline size_t StatusBytes(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    char line[256];
    size_t kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, std::strlen(key)) == 0) {
            kb = std::strtoull(line + std::strlen(key), nullptr, 10);
            break;
        }
    std::fclose(f);
    return kb * 1024;
}

// The child's exit code: what body returned, 4 for an exception leaving
// it, 3 when the cap could not be worked out; 100 + the signal number when
// it died of one (100 + SIGXCPU when it ran past cpuSeconds of processor
// time; 100 + SIGALRM when it hung).
inline int RunUnderMemoryCap(size_t headroom, const std::function<int()> &body, int cpuSeconds = 60)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit cpu{rlim_t(cpuSeconds), rlim_t(cpuSeconds + 1)};
        setrlimit(RLIMIT_CPU, &cpu);
        // A child that hangs without spending (a wait that never ends) is
        // ended too, long after any busy machine would have finished it.
        alarm(unsigned(10 * cpuSeconds));
        // Heap the parent freed but kept would serve the body without any
        // growth: large blocks are mapped on their own from here on, and
        // the free heap is taken up a megabyte at a time until a block has
        // to be mapped. The cap is on writable data, not address space: a
        // thread heap grows inside a reserve the address space already
        // counts.
        mallopt(M_MMAP_THRESHOLD, 256 << 10);
        const size_t before = StatusBytes("VmData:");
        for (int i = 0; i < 65536 && StatusBytes("VmData:") == before; ++i)
            if (!std::malloc(size_t(1) << 20))
                break;
        const size_t data = StatusBytes("VmData:");
        if (before == 0 || data == 0)
            _exit(3);
        const rlimit cap{rlim_t(data + headroom), rlim_t(data + headroom)};
        if (setrlimit(RLIMIT_DATA, &cap) != 0)
            _exit(3);
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
