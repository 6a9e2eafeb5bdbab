// One measured run of a piece of a benchmark in a child process of its
// own, so that its peak memory is its own: the time, how far the peak
// resident memory rose, and what the piece returned.
#pragma once

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

struct Figure {
    double ms = -1;
    long peakKb = -1;
    bool ok = false;
};

// The piece run in a child: its time and how far its peak memory rose;
// ms is -1 when the child died.
template <class F>
Figure InChild(F read)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(600);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const auto t0 = std::chrono::steady_clock::now();
        Figure f;
        f.ok = read();
        f.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        f.peakKb = after.ru_maxrss - before.ru_maxrss;
        if (::write(fds[1], &f, sizeof f) != ssize_t(sizeof f))
            _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Figure f;
    const bool got = ::read(fds[0], &f, sizeof f) == ssize_t(sizeof f);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return got ? f : Figure{};
}

} // namespace bench
