// Writing a user's file through a temporary file beside it: the target
// appears, or an old one is replaced, only once every write, the flush and
// the commit succeeded; on any failure the old file stays.
#pragma once

#include <cstdio>
#include <functional>

class QIODevice;
class QSaveFile;
class QString;

namespace SaveFile {

// Finishes a file written through QSaveFile: commit() alone does not see a
// failure of the last buffered write, so the flush is checked first. On any
// failure the temporary file is dropped and the old file stays.
bool Commit(QSaveFile &file, bool written);

// Writes path through a temporary file of its own beside it
// ("<name>.quibo-save.<pid>.<16 hex digits>"), synced and renamed over the
// target: write fills the open file and tells whether all of it was
// written; the file is committed only then. A symbolic link is written
// through; an existing target keeps its permissions, and one that cannot
// be written is refused. After a success the temporary files that earlier
// saves of the same target left behind are removed: only names of that
// form, of a process that no longer runs, untouched for ten minutes.
bool Write(const QString &path, const std::function<bool(QIODevice &)> &write);

// The same through a C stream into the temporary file, closed and checked
// before the commit.
bool WriteStream(const QString &path, const std::function<bool(FILE *)> &write);

} // namespace SaveFile
