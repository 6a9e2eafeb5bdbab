// A FIFO with no writer, for the loaders that must refuse it at once, and
// a watchdog that frees a loader stuck in open() on it, so such a loader
// fails its test instead of hanging the run.
#pragma once

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class TFifo {
public:
    explicit TFifo(const QString &path) : name(QFile::encodeName(path))
    {
        made = mkfifo(name.constData(), 0600) == 0;
    }
    ~TFifo() { ::unlink(name.constData()); }
    bool Made() const { return made; }

    // Runs load; true when it returned without the watchdog having to open
    // the FIFO's other end. The watchdog starts after half a minute, which
    // only a loader stuck in open() reaches; a correct loader's brief look
    // at the FIFO, slow on a busy machine, is not taken for one stuck.
    bool ReturnsAtOnce(const std::function<void()> &load)
    {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        std::atomic<bool> freed{false};
        std::thread watchdog([&] {
            std::unique_lock<std::mutex> lock(m);
            if (cv.wait_for(lock, std::chrono::seconds(30), [&] { return done; }))
                return;
            // A writer that opens without blocking succeeds only while a
            // reader waits in open(); it then lets that reader go.
            while (!done) {
                const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    freed = true;
                    ::close(fd);
                }
                cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; });
            }
        });
        load();
        {
            std::lock_guard<std::mutex> lock(m);
            done = true;
        }
        cv.notify_all();
        watchdog.join();
        return !freed;
    }

private:
    QByteArray name;
    bool made = false;
};
