#include "PixelKernels.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>

namespace PixelKernels {

namespace {

QThreadPool &Pool()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;   // lives as long as the process
        p->setMaxThreadCount(PoolThreads());
        return p;
    }();
    return *pool;
}

// One band; any exception stays inside it.
bool RunBand(const std::function<void(int64_t, int64_t)> &work, int64_t first, int64_t last)
{
    try {
        work(first, last);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

int PoolThreads()
{
    return std::max(1, std::min(8, QThread::idealThreadCount()));
}

bool RunBands(int64_t total, int bands, const std::function<void(int64_t, int64_t)> &work)
{
    if (total <= 0)
        return true;
    const int64_t n = std::max<int64_t>(1, std::min<int64_t>(bands, total));
    std::atomic<bool> ok{true};
    QSemaphore done;
    int64_t started = 0;
    for (int64_t b = 1; b < n; ++b) {
        const int64_t first = total * b / n, last = total * (b + 1) / n;
        const bool queued = Pool().tryStart([&work, &ok, &done, first, last] {
            if (!RunBand(work, first, last))
                ok = false;
            done.release();
        });
        if (queued)
            ++started;
        else if (!RunBand(work, first, last))
            ok = false;
    }
    if (!RunBand(work, 0, total / n))
        ok = false;
    done.acquire(int(started));
    return ok;
}

} // namespace PixelKernels
