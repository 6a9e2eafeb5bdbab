#include "SaveFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SaveFile {

namespace {

const QLatin1String TempMark(".quibo-save.");

// Leftovers younger than this may still be written by a writer on another
// machine sharing the folder; a live process of this one is asked directly.
constexpr qint64 LeftoverAgeSeconds = 10 * 60;

// Whether a file name beside the target is one of Write's temporary files
// for it: the target's name, the mark, the writer's process id (to pid), a
// dot and sixteen lower-case hex digits.
bool IsTemporaryName(const QString &targetName, const QString &name, long long &pid)
{
    const QString prefix = targetName + TempMark;
    if (!name.startsWith(prefix))
        return false;
    const QString rest = name.mid(prefix.size());
    const int dot = int(rest.indexOf(QLatin1Char('.')));
    if (dot < 1 || dot > 10 || rest.size() - dot - 1 != 16)
        return false;
    for (int i = 0; i < rest.size(); ++i) {
        const char16_t c = rest[i].unicode();
        const bool ok = i < dot ? (c >= u'0' && c <= u'9') : i == dot || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
        if (!ok)
            return false;
    }
    pid = rest.left(dot).toLongLong();
    return true;
}

bool ProcessRuns(long long pid)
{
    if (pid <= 0 || pid > 0x7FFFFFFF)
        return false;
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Removes the temporary files of earlier saves of target that a kill left
// behind: regular files of this user, no links, of a process that no
// longer runs and untouched for a while.
void RemoveLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString targetName = info.fileName();
    const QDir dir = info.absoluteDir();
    const QStringList entries =
        dir.entryList({targetName + TempMark + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString &name : entries) {
        long long pid = 0;
        if (!IsTemporaryName(targetName, name, pid) || ProcessRuns(pid))
            continue;
        const QString path = dir.filePath(name);
        struct stat st;
        if (lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()
            && now - qint64(st.st_mtime) > LeftoverAgeSeconds)
            QFile::remove(path);
    }
}

// A temporary file beside its target, renamed over it on commit.
class TStaged {
public:
    ~TStaged() { Drop(); }

    bool Open(const QString &path)
    {
        // Through links to the file they name, as QSaveFile does.
        QFileInfo existing(path);
        for (int depth = 0; depth < 128 && existing.isSymLink(); ++depth)
            existing.setFile(existing.symLinkTarget());
        if (existing.isSymLink())
            return false;
        target = existing.absoluteFilePath();
        // A new file gets what the umask leaves of 0666, a replaced one
        // keeps its own permissions.
        bool replaces = false;
        mode_t mode = 0666;
        struct stat st;
        if (stat(QFile::encodeName(target).constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode) || !existing.isWritable())
                return false;
            replaces = true;
            mode = st.st_mode & 07777;
        }
        const QString base = target + TempMark + QString::number(qint64(getpid())) + QLatin1Char('.');
        for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
            temp = base + QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
            fd = open(QFile::encodeName(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      replaces ? 0600 : 0666);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd < 0)
            return false;
        if ((replaces && fchmod(fd, mode) != 0) || !file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            Drop();
            return false;
        }
        return true;
    }

    QFile &Device() { return file; }
    int Handle() const { return fd; }

    bool Commit(bool written)
    {
        bool ok = written && file.flush() && file.error() == QFileDevice::NoError;
        file.close();
        ok = ok && fsync(fd) == 0;
        ok = close(fd) == 0 && ok;
        fd = -1;
        ok = ok && rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0;
        if (!ok) {
            Drop();
            return false;
        }
        temp.clear();
        RemoveLeftovers(target);
        return true;
    }

private:
    void Drop()
    {
        if (file.isOpen())
            file.close();
        if (fd >= 0)
            close(fd);
        fd = -1;
        if (!temp.isEmpty())
            unlink(QFile::encodeName(temp).constData());
        temp.clear();
    }

    QString target;
    QString temp;
    int fd = -1;
    QFile file;
};

} // namespace

bool Commit(QSaveFile &file, bool written)
{
    if (!written || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Flushes and closes a stream; false when either failed.
static bool CloseStream(FILE *stream)
{
    if (!stream)
        return false;
    const bool flushed = fflush(stream) == 0 && !ferror(stream);
    const bool closed = fclose(stream) == 0;
    return flushed && closed;
}

bool Write(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    TStaged file;
    if (!file.Open(path))
        return false;
    return file.Commit(write(file.Device()));
}

bool WriteStream(const QString &path, const std::function<bool(FILE *)> &write)
{
    TStaged file;
    if (!file.Open(path))
        return false;
    const int own = dup(file.Handle());
    FILE *stream = own >= 0 ? fdopen(own, "wb") : nullptr;
    if (!stream && own >= 0)
        close(own);
    const bool written = stream && write(stream);
    const bool closed = stream && CloseStream(stream);
    return file.Commit(written && closed);
}

} // namespace SaveFile
