// A second process that takes a lock and keeps it, for the tests of saves
// that meet another game's lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

// Another game in a child process that takes a lock and keeps it: stopped
// (SIGSTOP) once it holds it, as in a debugger or after Ctrl+Z, or waiting
// for Go() as in a slow write. After Go() it runs then and ends. A child
// still holding its lock after a generous while is killed, so that code
// that would wait for it without end comes back and fails its test rather
// than hang.
class LockHolder {
public:
    enum class Kind { Stopped, Slow };

    LockHolder(Kind kind, const std::function<bool()> &take, const std::function<void()> &then = {})
        : kind(kind)
    {
        int ready[2], go[2];
        if (pipe(ready) != 0 || pipe(go) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            close(go[1]);
            const char held = take() ? '1' : '0';
            if (write(ready[1], &held, 1) != 1)
                _exit(2);
            if (kind == Kind::Stopped) {
                raise(SIGSTOP);
            } else {
                char c;
                if (read(go[0], &c, 1) != 1)
                    _exit(3);
            }
            if (then)
                then();
            _exit(0);
        }
        close(ready[1]);
        close(go[0]);
        goFd = go[1];
        char held = '0';
        holding = pid > 0 && read(ready[0], &held, 1) == 1 && held == '1';
        close(ready[0]);
        if (holding && kind == Kind::Stopped) {
            int status = 0;
            holding = waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
        }
        if (pid > 0)
            watchdog = std::thread([this] {
                std::unique_lock<std::mutex> lock(mutex);
                if (!wake.wait_for(lock, std::chrono::seconds(20), [this] { return released; }))
                    kill(pid, SIGKILL);
            });
    }
    ~LockHolder()
    {
        if (pid > 0 && !ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        Release();
        if (goFd >= 0)
            close(goFd);
    }
    LockHolder(const LockHolder &) = delete;
    LockHolder &operator=(const LockHolder &) = delete;

    // The child holds the lock (and, for Stopped, has stopped).
    bool Holding() const { return holding; }

    // Lets the child go on; true when it then ended well.
    bool GoAndEnd()
    {
        Release();
        if (pid <= 0)
            return false;
        if (kind == Kind::Stopped)
            kill(pid, SIGCONT);
        else if (write(goFd, "g", 1) != 1)
            return false;
        int status = 0;
        ended = waitpid(pid, &status, 0) == pid;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            released = true;
        }
        wake.notify_all();
        if (watchdog.joinable())
            watchdog.join();
    }

    Kind kind;
    pid_t pid = -1;
    int goFd = -1;
    bool holding = false;
    bool ended = false;
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;
    std::thread watchdog;
};

