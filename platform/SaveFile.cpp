#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace SaveFile {

namespace {

// QSaveFile writes "<name>.XXXXXX" beside the target, the six characters
// drawn from A-Z and a-z. A suffix of a lowercase word ("backup"), a
// capitalised one ("Backup") or capitals alone ("BACKUP") is a name a
// person chose: such names are never taken for a leftover.
bool LooksLikeTemporarySuffix(const QString &suffix)
{
    if (suffix.size() != 6)
        return false;
    bool upperAfterFirst = false, lower = false;
    for (int i = 0; i < 6; ++i) {
        const char16_t c = suffix[i].unicode();
        if (c >= u'A' && c <= u'Z')
            upperAfterFirst = upperAfterFirst || i > 0;
        else if (c >= u'a' && c <= u'z')
            lower = true;
        else
            return false;
    }
    return upperAfterFirst && lower;
}

// Removes the temporary files of earlier saves of target that a kill left
// behind: regular files of this user, no links.
void RemoveLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString prefix = info.fileName() + QLatin1Char('.');
    const QDir dir = info.absoluteDir();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (!name.startsWith(prefix) || !LooksLikeTemporarySuffix(name.mid(prefix.size())))
            continue;
        const QString path = dir.filePath(name);
        struct stat st;
        if (lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid())
            QFile::remove(path);
    }
}

} // namespace

bool Commit(QSaveFile &file, bool written)
{
    if (!written || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    RemoveLeftovers(file.fileName());
    return true;
}

FILE *OpenStream(QSaveFile &file)
{
    if (!file.isOpen() || !file.flush())
        return nullptr;
    const int fd = file.handle();
    if (fd < 0)
        return nullptr;
    // The stream owns a duplicate, so closing it leaves QSaveFile's own
    // descriptor open for the commit.
    const int own = dup(fd);
    if (own < 0)
        return nullptr;
    FILE *f = fdopen(own, "wb");
    if (!f)
        close(own);
    return f;
}

bool CloseStream(FILE *stream)
{
    if (!stream)
        return false;
    const bool flushed = fflush(stream) == 0 && !ferror(stream);
    const bool closed = fclose(stream) == 0;
    return flushed && closed;
}

bool Write(const QString &path, const std::function<bool(QIODevice &)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return Commit(file, write(file));
}

bool WriteStream(const QString &path, const std::function<bool(FILE *)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    FILE *stream = OpenStream(file);
    const bool written = stream && write(stream);
    const bool closed = stream && CloseStream(stream);
    return Commit(file, written && closed);
}

} // namespace SaveFile
