#include "PixelKernels.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace PixelKernels {

bool VectorWanted()
{
    const char *plain = std::getenv("QUIBO_PLAIN_KERNELS");
    return !plain || !*plain || std::strcmp(plain, "0") == 0;
}

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

// One worker; any exception stays inside it.
bool RunWorker(const std::function<void(int)> &work, int w)
{
    try {
        work(w);
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

bool RunWorkers(int workers, const std::function<void(int)> &work)
{
    std::atomic<bool> ok{true};
    QSemaphore done;
    int started = 0;
    for (int w = 1; w < workers; ++w) {
        const bool queued = Pool().tryStart([&work, &ok, &done, w] {
            if (!RunWorker(work, w))
                ok = false;
            done.release();
        });
        if (queued)
            ++started;
        else if (!RunWorker(work, w))
            ok = false;
    }
    if (!RunWorker(work, 0))
        ok = false;
    done.acquire(started);
    return ok;
}

bool RunPieces(int64_t total, int workers, int64_t piece, const std::function<void(int64_t, int64_t)> &work)
{
    if (total <= 0)
        return true;
    piece = std::max<int64_t>(1, piece);
    const int64_t pieces = (total + piece - 1) / piece;
    std::atomic<int64_t> next{0};
    std::atomic<bool> ok{true};
    const bool ran = RunWorkers(int(std::max<int64_t>(1, std::min<int64_t>(workers, pieces))), [&](int) {
        for (int64_t p = next++; p < pieces; p = next++) {
            try {
                work(p * piece, std::min(total, (p + 1) * piece));
            } catch (...) {
                ok = false;
            }
        }
    });
    return ran && ok;
}

} // namespace PixelKernels
