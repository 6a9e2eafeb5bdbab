// Writing a user's file through a temporary file beside it (QSaveFile):
// the target appears, or an old one is replaced, only once every write, the
// flush and the commit succeeded; on any failure the old file stays.
#pragma once

#include <cstdio>
#include <functional>

class QIODevice;
class QSaveFile;
class QString;

namespace SaveFile {

// Finishes a file written through QSaveFile: commit() alone does not see a
// failure of the last buffered write, so the flush is checked first. On any
// failure the temporary file is dropped and the old file stays. After a
// successful commit the temporary files of earlier saves of the same target
// that a kill left behind ("<name>.XXXXXX") are removed.
bool Commit(QSaveFile &file, bool written);

// A C stream ("wb") writing into the open QSaveFile's temporary file, for
// libraries that write through FILE. Close it with CloseStream before
// Commit; null when the file is not open or no stream can be made.
FILE *OpenStream(QSaveFile &file);

// Flushes and closes a stream from OpenStream; false when either failed
// (the file must then not be committed).
bool CloseStream(FILE *stream);

// Writes path through a temporary file: write fills the open file and
// tells whether all of it was written; the file is committed only then.
bool Write(const QString &path, const std::function<bool(QIODevice &)> &write);

// The same through a C stream into the temporary file (OpenStream), closed
// and checked before the commit.
bool WriteStream(const QString &path, const std::function<bool(FILE *)> &write);

} // namespace SaveFile
