#include "SaveLock.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SaveLock {

namespace {

std::atomic<long long> waited{0};

// A kernel lock on fd without waiting: Held, Busy when another holds it,
// None when the file system keeps no such locks.
State LockFd(int fd)
{
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return State::Held;
    return errno == EWOULDBLOCK ? State::Busy : State::None;
}

} // namespace

State Briefly(const std::function<State()> &attempt)
{
    for (int i = 0;; ++i) {
        const State s = attempt();
        if (s != State::Busy || i + 1 >= Tries)
            return s;
        QThread::msleep(RetryMs);
        waited += RetryMs;
    }
}

long long WaitedMs()
{
    return waited;
}

TFileLock::TFileLock(const QString &file) : path(QFileInfo(file).absoluteFilePath()) {}

TFileLock::~TFileLock()
{
    Release();
}

State TFileLock::Take()
{
    return Briefly([this] { return TryOnce(); });
}

State TFileLock::TryOnce()
{
    Release();
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    folderFd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const State s = LockFd(folderFd);
        if (s != State::Held) {
            close(folderFd);
            folderFd = -1;
            if (s == State::Busy)
                return s;
        }
    }

    const QByteArray lockName = QFile::encodeName(path + QStringLiteral(".lock"));
    // A few rounds: the file held may be removed by its holder between the
    // open and the lock, and another made in its place.
    for (int round = 0; round < 4; ++round) {
        // Only a regular file, or none yet, is opened.
        struct stat there;
        if (lstat(lockName.constData(), &there) == 0 && !S_ISREG(there.st_mode))
            break;
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = open(lockName.constData(), O_RDWR | O_CREAT | flags, 0666);
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
            fd = open(lockName.constData(), O_RDONLY | flags);
        if (fd < 0)
            break;
        struct stat held;
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            break;
        }
        const State s = LockFd(fd);
        if (s != State::Held) {
            close(fd);
            if (s == State::Busy) {
                Release();
                return s;
            }
            break;
        }
        struct stat named;
        if (lstat(lockName.constData(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            fileFd = fd;
            break;
        }
        close(fd);
    }
    return IsHeld() ? State::Held : State::None;
}

void TFileLock::Release()
{
    if (fileFd >= 0) {
        // Removed while still held, so that a game waiting for this file
        // finds it gone and makes a new one. Another user's file in a
        // shared folder may stay.
        const QByteArray lockName = QFile::encodeName(path + QStringLiteral(".lock"));
        struct stat held, named;
        if (fstat(fileFd, &held) == 0 && lstat(lockName.constData(), &named) == 0 && named.st_dev == held.st_dev
            && named.st_ino == held.st_ino)
            unlink(lockName.constData());
        close(fileFd);
        fileFd = -1;
    }
    if (folderFd >= 0) {
        close(folderFd);
        folderFd = -1;
    }
}

} // namespace SaveLock
