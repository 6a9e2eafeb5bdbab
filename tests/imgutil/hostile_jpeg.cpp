#include "hostile_files.h"
#include "hostile_writers.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace hostile {

namespace {

void Put16(QByteArray &b, int v)
{
    b.append(char(v >> 8));
    b.append(char(v));
}

// A marker segment: the marker, its length and its data.
void Segment(QByteArray &out, int marker, const QByteArray &data)
{
    out.append(char(0xFF));
    out.append(char(marker));
    Put16(out, data.size() + 2);
    out.append(data);
}

// A Huffman table of one code, of one bit, for the value 0 (a DC
// difference of 0; an AC end of band).
QByteArray OneCodeTable(int classAndId)
{
    QByteArray t;
    t.append(char(classAndId));
    t.append(char(1));
    t.append(15, '\0');
    t.append(char(0));
    return t;
}

// The frame header: 8-bit samples; one grey component, or three of
// YCbCr 4:2:0 (the luma 2 x 2); all on quantisation table 0.
void Frame(QByteArray &jpg, int marker, int width, int height, int components)
{
    QByteArray dqt(1, '\0');
    dqt.append(64, char(1));
    Segment(jpg, 0xDB, dqt);
    QByteArray sof;
    sof.append(char(8));
    Put16(sof, height);
    Put16(sof, width);
    sof.append(char(components));
    for (int c = 1; c <= components; ++c) {
        sof.append(char(c));
        sof.append(char(components > 1 && c == 1 ? 0x22 : 0x11));
        sof.append('\0');
    }
    Segment(jpg, marker, sof);
    Segment(jpg, 0xC4, OneCodeTable(0x00));
    Segment(jpg, 0xC4, OneCodeTable(0x10));
}

// A start of scan of the components first..last (1-based), Huffman tables 0,
// coefficients ss to se.
void Scan(QByteArray &jpg, int first, int last, int ss, int se)
{
    QByteArray sos;
    sos.append(char(last - first + 1));
    for (int c = first; c <= last; ++c) {
        sos.append(char(c));
        sos.append('\0');
    }
    sos.append(char(ss));
    sos.append(char(se));
    sos.append('\0');
    Segment(jpg, 0xDA, sos);
}

} // namespace

bool WriteJpegScans(const QString &path, int width, int height, int scans)
{
    QByteArray jpg("\xFF\xD8", 2);
    Frame(jpg, 0xC2, width, height, 1);
    // DC first, then coefficients 1 to 63 again and again.
    for (int i = 0; i < scans; ++i)
        Scan(jpg, 1, 1, i == 0 ? 0 : 1, i == 0 ? 0 : 63);
    jpg.append("\xFF\xD9", 2);
    return SaveBytes(path, jpg);
}

bool WriteJpegEmpty(const QString &path, int width, int height, int components, JpegScans scans)
{
    QByteArray jpg("\xFF\xD8", 2);
    Frame(jpg, scans == JpegScans::ProgressiveDc ? 0xC2 : 0xC0, width, height, components);
    if (scans == JpegScans::BaselineEach) {
        for (int c = 1; c <= components; ++c)
            Scan(jpg, c, c, 0, 63);
    } else {
        Scan(jpg, 1, components, 0, scans == JpegScans::ProgressiveDc ? 0 : 63);
    }
    jpg.append("\xFF\xD9", 2);
    return SaveBytes(path, jpg);
}

namespace {

struct WriteError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void WriteErrorExit(j_common_ptr c)
{
    longjmp(reinterpret_cast<WriteError *>(c->err)->jump, 1);
}

void WriteQuiet(j_common_ptr) {}

// libjpeg's progressive encoder on rows made one at a time; the frame holds
// nothing with a destructor, as an error jumps back into it.
bool EncodeProgressiveGrey(FILE *out, int width, int height, JSAMPLE *row)
{
    jpeg_compress_struct c;
    WriteError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = WriteErrorExit;
    err.mgr.output_message = WriteQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < width; ++x)
            row[x] = JSAMPLE((x / 3 + y / 5 + ((x ^ y) & 31) + (x * y % 7) * 9) & 0xFF);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

} // namespace

bool WriteJpegProgressiveGrey(const QString &path, int width, int height)
{
    FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    auto *row = static_cast<JSAMPLE *>(std::malloc(size_t(width)));
    bool ok = out && row && EncodeProgressiveGrey(out, width, height, row);
    std::free(row);
    if (out)
        ok = std::fclose(out) == 0 && ok;
    return ok;
}

std::vector<TCase> JpegCases()
{
    std::vector<TCase> cases;
    for (int scans : {500, 5000}) {
        TCase c;
        c.name = scans == 500 ? "JPEG 16384 x 16384 grey, progressive, 500 scans (5 KB)"
                              : "JPEG 16384 x 16384 grey, progressive, 5000 scans (50 KB)";
        c.ext = ".jpg";
        c.refused = true;
        c.write = [scans](const QString &path) { return WriteJpegScans(path, 16384, 16384, scans); };
        cases.push_back(c);
    }
    // Files of more than one scan, whose decoder would keep the
    // coefficients of the whole picture in the file, whatever the scale.
    auto refused = [&](const char *name, int boxWidth, int boxHeight, std::function<bool(const QString &)> write) {
        TCase c;
        c.name = name;
        c.ext = ".jpg";
        c.boxWidth = boxWidth;
        c.boxHeight = boxHeight;
        c.refused = true;
        c.write = std::move(write);
        cases.push_back(c);
    };
    refused("JPEG 28000 x 28000 grey, progressive, one empty DC scan (159 B)", 160, 120,
            [](const QString &path) { return WriteJpegEmpty(path, 28000, 28000, 1, JpegScans::ProgressiveDc); });
    refused("JPEG 23168 x 23168 4:2:0, baseline in three empty scans (187 B)", 160, 120,
            [](const QString &path) { return WriteJpegEmpty(path, 23168, 23168, 3, JpegScans::BaselineEach); });
    refused("JPEG 16384 x 16384 grey, progressive, written by libjpeg", 160, 120,
            [](const QString &path) { return WriteJpegProgressiveGrey(path, 16384, 16384); });
    refused("JPEG 16384 x 16384 4:2:0, progressive, one empty DC scan (169 B)", 0, 0,
            [](const QString &path) { return WriteJpegEmpty(path, 16384, 16384, 3, JpegScans::ProgressiveDc); });
    return cases;
}

} // namespace hostile
