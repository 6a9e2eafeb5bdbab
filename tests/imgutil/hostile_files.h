// Small files whose headers claim large pictures, written on the fly. The
// readers' tests check that each is refused, or read within what its record
// costs, and `make bench` times each beside a real picture of that record.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace hostile {

struct TCase {
    const char *name = "";      // one line of the bench table
    const char *ext = "";       // the file's extension, with its dot
    int boxWidth = 0;           // the read's box; 0 x 0 reads at full size
    int boxHeight = 0;
    bool refused = false;       // the read must fail
    int64_t recordWidth = 0;    // the record the read makes (0 when refused)
    int64_t recordHeight = 0;
    // Writes the file; false when it could not be written.
    std::function<bool(const QString &path)> write;
    // Where a format decodes far slower than a BMP reads, a real picture of
    // the record's size in the file's own format, for the time of a full
    // read; empty: a real BMP of the record is the peer.
    std::function<bool(const QString &path)> writePeer = {};
    // The format's library decoding the same file on its own with all its
    // threads: the peer for the time of a full read instead (at most 1.5 x
    // its time); empty: none.
    std::function<bool(const QString &path)> libraryRead = {};
};

// One list a format, each in hostile_<format>.cpp.
std::vector<TCase> PngCases();
std::vector<TCase> JpegCases();
std::vector<TCase> BmpCases();
std::vector<TCase> Jpeg2000Cases();
std::vector<TCase> TiffCases();
std::vector<TCase> TgaCases();
std::vector<TCase> SunRasterCases();
std::vector<TCase> PsdCases();
std::vector<TCase> VideoCases();

// All of them, in that order.
std::vector<TCase> AllCases();

// Writes bytes as the whole file at path; false when they could not be
// written.
bool SaveBytes(const QString &path, const QByteArray &bytes);

} // namespace hostile
