// Opening the files that readers and loaders take: only regular files.
// The kind of file is checked on a descriptor opened without blocking, so a
// FIFO, a device or a folder named like a picture or a saved game fails at
// once instead of blocking the game in open().
#pragma once

#include <QString>
#include <cstdio>

class QFile;

namespace RegularFile {

// A read-only, close-on-exec descriptor of path when it names a regular
// file (blocking reads again); -1 for anything else.
int OpenFd(const QString &path);

// The same as a C stream opened "rb"; null when path is no regular file.
FILE *Open(const QString &path);

// Opens file (not yet open) read-only on such a descriptor; the QFile
// owns and closes it. False when path is no regular file.
bool Open(QFile &file, const QString &path);

// True when path names a regular file (following links).
bool IsRegular(const QString &path);

} // namespace RegularFile
