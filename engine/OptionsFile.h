// The options file as a whole, beside the record's field-by-field writer
// and merging reader (WriteOptionsFile, ReadOptionsFile).
#pragma once

class QString;
class TSettings;

namespace OptionsFile {

// The decimal digits among bytes 8 to 12 of a version text.
int FileVersionOf(const char text[14]);

// The record's whole options file at path, through a temporary file beside
// it; false for an empty path and when any write, the flush or the commit
// fails (the old file stays).
bool WriteAt(TSettings &s, const QString &path);

} // namespace OptionsFile
