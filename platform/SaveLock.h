// Locks that saves take against other games writing the same files, taken
// without waiting on the window's thread: a few tries a few milliseconds
// apart, and then the caller puts its save off instead of waiting.
#pragma once

#include <QString>

#include <functional>

namespace SaveLock {

enum class State {
    Held,   // taken
    Busy,   // another process (or another lock of this one) holds it
    None    // no lock can be taken there at all
};

// Every brief attempt: at most Tries tries, RetryMs apart, so no more than
// (Tries - 1) * RetryMs milliseconds of waiting in all.
constexpr int Tries = 8;
constexpr int RetryMs = 4;

// Runs attempt until it gives Held or None, at most Tries times with
// RetryMs between; Busy when every try found the lock taken. attempt never
// waits itself.
State Briefly(const std::function<State()> &attempt);

// Milliseconds this process has waited between tries so far, all locks
// together.
long long WaitedMs();

// The lock of one file's saves: kernel locks (flock), which end with the
// process that holds them, on the folder the file is in and on
// path + ".lock", the lock file that QLockFile also holds a kernel lock on.
// The folder's lock keeps games of this kind apart whatever lies at the
// lock file's name; the lock file's keeps them apart from a QLockFile
// holder. A lock file that is a folder, a link, another user's file that
// cannot be opened, or no regular file is passed by; an empty one, or one
// left by a game that ended, is taken like any other. The lock file is
// made when missing and removed on release when it is still the one held.
class TFileLock {
public:
    explicit TFileLock(const QString &path);
    ~TFileLock();
    TFileLock(const TFileLock &) = delete;
    TFileLock &operator=(const TFileLock &) = delete;

    // Briefly; Held also when only one of the two could be taken.
    State Take();
    // One try, no waiting.
    State TryOnce();
    bool IsHeld() const { return folderFd >= 0 || fileFd >= 0; }
    void Release();

private:
    QString path;
    int folderFd = -1;
    int fileFd = -1;
};

} // namespace SaveLock
