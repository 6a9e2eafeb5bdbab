#include "SaveFile.h"

#include <QSaveFile>

#include <unistd.h>

namespace SaveFile {

bool Commit(QSaveFile &file, bool written)
{
    if (!written || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

} // namespace SaveFile
