// What a read costs: its peak memory, measured in a child process, and its
// best time of a few runs, for the tests of hostile files.
#pragma once

#include "memory_cap.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

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
// hang.
inline int ReadWithin(VlmImgUt::TImgUt &ctx, const QString &path, int maxW, int maxH, bool headerOnly,
                      size_t bound, size_t safety = size_t(1) << 30)
{
    return testutil::RunUnderMemoryCap(safety, [&] {
        VlmImgUt::TDib *p = nullptr;
        ResetPeak();
        const size_t before = testutil::StatusBytes("VmHWM:");
        const bool ok = ctx.ReadImageFile(path, &p, maxW, maxH, headerOnly);
        const size_t peak = testutil::StatusBytes("VmHWM:");
        if (peak - std::min(peak, before) > bound)
            return 2;
        return ok ? 1 : 0;
    });
}

// The best of `runs` timings of body, in seconds.
inline double BestTime(const std::function<void()> &body, int runs = 3)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        best = std::min(best, double(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

} // namespace readcost
