// What a read costs: its peak memory, measured in a child process, the
// file reads and system calls it makes, and its best time of a few runs,
// for the tests of hostile files.
#pragma once

#include "memory_cap.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <csignal>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace readcost {

// Growth of the resident peak over what the process holds when body
// starts.
inline void ResetPeak()
{
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// Runs the read in a child whose memory may grow by no more than
// `safety` (so that a fault cannot take the machine's memory): when its
// resident peak grew by at most `bound`, 1 for a read that succeeded and 0
// for one that failed; 2 when it took more; other values for a crash or a
// hang. Under AddressSanitizer, whose quarantine and redzones are no part
// of the read, only the result counts.
inline int ReadWithin(VlmImgUt::TImgUt &ctx, const QString &path, int maxW, int maxH, bool headerOnly,
                      size_t bound, size_t safety = size_t(1) << 30)
{
    return testutil::RunUnderMemoryCap(safety, [&] {
        VlmImgUt::TDib *p = nullptr;
        ResetPeak();
        const size_t before = testutil::StatusBytes("VmHWM:");
        const bool ok = ctx.ReadImageFile(path, &p, maxW, maxH, headerOnly);
        const size_t peak = testutil::StatusBytes("VmHWM:");
        if (!testutil::kAddressSanitizer && peak - std::min(peak, before) > bound)
            return 2;
        return ok ? 1 : 0;
    });
}

// What this process has read from files so far (/proc/self/io): the bytes
// and the read calls that got them; zeros when it cannot be told.
struct TReads {
    uint64_t bytes = 0, calls = 0;
};
inline TReads Reads()
{
    TReads r;
    if (FILE *f = std::fopen("/proc/self/io", "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, f)) {
            unsigned long long v = 0;
            if (std::sscanf(line, "rchar: %llu", &v) == 1)
                r.bytes = v;
            else if (std::sscanf(line, "syscr: %llu", &v) == 1)
                r.calls = v;
        }
        std::fclose(f);
    }
    return r;
}

// The system calls body makes (reads and seeks among them), counted in a
// child process that this one traces; -2 when this machine lets no test
// trace its child, -1 when the child died.
// What body returned is left in *result.
inline int64_t SystemCallsOf(const std::function<int()> &body, int *result = nullptr)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(120);
        raise(SIGSTOP);
        _exit(body());
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) {
        if (WIFEXITED(status) && WEXITSTATUS(status) == 120)
            return -2;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void *>(long(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL)));
    int64_t stops = 0; // one on entering a call, one on leaving it
    int signal = 0;
    while (ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void *>(long(signal))) == 0 &&
           waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) {
            if (result)
                *result = WEXITSTATUS(status);
            return stops / 2;
        }
        if (WIFSIGNALED(status))
            return -1;
        const bool call = WSTOPSIG(status) == (SIGTRAP | 0x80);
        stops += call ? 1 : 0;
        signal = call ? 0 : WSTOPSIG(status);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Stops the read on the context at its first count, while it lives: the
// read ends there, failing. Then the budget counts as before again.
struct StopAtFirstCount {
    explicit StopAtFirstCount(VlmImgUt::TReadBudget &budget) : budget(budget)
    {
        budget.onSpend = [this](const VlmImgUt::TReadBudget &b) {
            if (++counts == 1) {
                atStop = b.Spent();
                this->budget.Stop();
            }
        };
    }
    ~StopAtFirstCount()
    {
        budget.onSpend = nullptr;
        budget.Resume();
    }
    StopAtFirstCount(const StopAtFirstCount &) = delete;
    StopAtFirstCount &operator=(const StopAtFirstCount &) = delete;

    VlmImgUt::TReadBudget &budget;
    int counts = 0;      // counts the read made
    int64_t atStop = -1; // work spent at the first
};

} // namespace readcost
