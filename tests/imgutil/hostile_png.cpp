#include "hostile_files.h"
#include "hostile_writers.h"


#include <vector>
#include <zlib.h>

namespace hostile {

namespace {

void Put32(QByteArray &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.append(char(v >> s));
}

void Chunk(QByteArray &out, const char *type, const QByteArray &data)
{
    Put32(out, uint32_t(data.size()));
    const int at = out.size();
    out.append(type, 4);
    out.append(data);
    Put32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + at), uInt(data.size() + 4))));
}

QByteArray Header(uint32_t width, uint32_t height, int depth, bool adam7 = false)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    Put32(ihdr, width);
    Put32(ihdr, height);
    ihdr.append(char(depth));
    ihdr.append(char(0)); // grey
    ihdr.append(2, '\0'); // deflate, adaptive filters
    ihdr.append(char(adam7 ? 1 : 0));
    Chunk(png, "IHDR", ihdr);
    return png;
}

// A zlib stream of n bytes of that value.
QByteArray Deflated(uint64_t n, unsigned char value = 0, int level = Z_BEST_COMPRESSION)
{
    z_stream z{};
    if (deflateInit(&z, level) != Z_OK)
        return QByteArray();
    std::vector<unsigned char> in(1 << 20, value), out(1 << 16);
    QByteArray result;
    int flush = Z_NO_FLUSH;
    do {
        const uint64_t part = n < in.size() ? n : in.size();
        n -= part;
        flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = in.data();
        z.avail_in = uInt(part);
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            result.append(reinterpret_cast<const char *>(out.data()), int(out.size() - z.avail_out));
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&z);
    return result;
}

// Saves the file begun in png with idat in IDAT chunks of 1 MB, then IEND;
// false when idat is empty (it could not be made).
bool SaveWithImageData(const QString &path, QByteArray png, const QByteArray &idat)
{
    if (idat.isEmpty())
        return false;
    for (int at = 0; at < idat.size(); at += 1 << 20)
        Chunk(png, "IDAT", idat.mid(at, 1 << 20));
    Chunk(png, "IEND", QByteArray());
    return SaveBytes(path, png);
}

} // namespace

bool WritePngTextBomb(const QString &path, int chunks, bool itxt, size_t inflated)
{
    QByteArray png = Header(1, 1, 8);
    const QByteArray text = Deflated(inflated, 'a');
    QByteArray data("Comment", 8); // with its terminating zero
    if (itxt)
        data.append("\x01\x00\x00\x00", 4); // compressed, deflate, no language, no translated keyword
    else
        data.append(char(0)); // deflate
    data.append(text);
    for (int i = 0; i < chunks; ++i)
        Chunk(png, itxt ? "iTXt" : "zTXt", data);
    Chunk(png, "IDAT", Deflated(2)); // filter byte and one black pixel
    Chunk(png, "IEND", QByteArray());
    return !text.isEmpty() && SaveBytes(path, png);
}

bool WritePngBilevel(const QString &path, uint32_t width, uint32_t height)
{
    return SaveWithImageData(path, Header(width, height, 1), Deflated((uint64_t(width) + 7) / 8 * height + height));
}

bool WritePngIdatBomb(const QString &path, uint64_t inflated, bool adam7, int level)
{
    // The stream's first two bytes are the row.
    return SaveWithImageData(path, Header(1, 1, 8, adam7), Deflated(inflated, 0, level));
}

bool WritePngWithChunks(const QString &path, const char *type, const QByteArray &data, int copies)
{
    QByteArray png = Header(1, 1, 8);
    for (int i = 0; i < copies; ++i)
        Chunk(png, type, data);
    Chunk(png, "IDAT", Deflated(2));
    Chunk(png, "IEND", QByteArray());
    return SaveBytes(path, png);
}

QByteArray SuggestedPalette(int entries)
{
    QByteArray splt("palette", 8); // name and its terminating zero
    splt.append(char(8));          // 8-bit samples: 6 bytes an entry
    splt.append(QByteArray(6 * entries, '\x40'));
    return splt;
}

std::vector<TCase> PngCases()
{
    std::vector<TCase> cases;
    for (int box : {0, 160}) {
        TCase c;
        c.ext = ".png";
        c.boxWidth = box;
        c.boxHeight = box * 3 / 4;
        c.recordWidth = c.recordHeight = 1;
        c.name = box ? "PNG 1 x 1, 400 zTXt of 7.9 MB each (3.1 MB), 160 x 120"
                     : "PNG 1 x 1, 400 zTXt of 7.9 MB each (3.1 MB)";
        c.write = [](const QString &path) { return WritePngTextBomb(path, 400, false, 7900000); };
        cases.push_back(c);
    }
    TCase itxt;
    itxt.name = "PNG 1 x 1, 100 iTXt of 7.9 MB each (0.8 MB)";
    itxt.ext = ".png";
    itxt.recordWidth = itxt.recordHeight = 1;
    itxt.write = [](const QString &path) { return WritePngTextBomb(path, 100, true, 7900000); };
    cases.push_back(itxt);
    TCase bilevel;
    bilevel.name = "PNG 100000 x 100000 1-bit (1.2 MB), 160 x 120";
    bilevel.ext = ".png";
    bilevel.boxWidth = 160;
    bilevel.boxHeight = 120;
    bilevel.recordWidth = bilevel.recordHeight = 120;
    bilevel.write = [](const QString &path) { return WritePngBilevel(path, 100000, 100000); };
    cases.push_back(bilevel);
    for (int box : {0, 160}) {
        TCase c;
        c.ext = ".png";
        c.boxWidth = box;
        c.boxHeight = box * 3 / 4;
        c.recordWidth = c.recordHeight = 1;
        c.name = box ? "PNG 1 x 1, IDAT inflating 1 GiB (1 MB), 160 x 120" : "PNG 1 x 1, IDAT inflating 1 GiB (1 MB)";
        c.write = [](const QString &path) { return WritePngIdatBomb(path, uint64_t(1) << 30, false, 9); };
        cases.push_back(c);
    }
    TCase splt;
    splt.name = "PNG 1 x 1, 12 sPLT of 8 MB each (96 MB)";
    splt.ext = ".png";
    splt.recordWidth = splt.recordHeight = 1;
    splt.write = [](const QString &path) { return WritePngWithChunks(path, "sPLT", SuggestedPalette(1333000), 12); };
    cases.push_back(splt);
    return cases;
}

} // namespace hostile
