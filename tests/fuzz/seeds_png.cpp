// Seeds: small PNG files written by libpng: every colour type and depth
// of the reader's table, plain and Adam7-interlaced; a profile, text
// chunks and an eXIf chunk; chunks the reader passes over, and image data
// that goes on past the picture.
#include "layouts_png.h"
#include "picture_writers.h"
#include "seed_util.h"

#include <png.h>
#include <zlib.h>

using namespace pictures;

namespace {

// One chunk: length, type, data, CRC.
QByteArray Chunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    for (int s = 24; s >= 0; s -= 8)
        chunk.append(char(uint32_t(data.size()) >> s));
    chunk.append(type, 4);
    chunk.append(data);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef *>(chunk.constData() + 4), uInt(data.size() + 4)));
    for (int s = 24; s >= 0; s -= 8)
        chunk.append(char(crc >> s));
    return chunk;
}

// The file with a chunk put before its first IDAT.
QByteArray WithChunk(const QByteArray &file, const char *type, const QByteArray &data)
{
    const int idat = file.indexOf("IDAT") - 4;
    return idat < 8 ? QByteArray() : file.left(idat) + Chunk(type, data) + file.mid(idat);
}

// Keyword, the header bytes of the chunk type, and n bytes of text deflated.
QByteArray CompressedText(const char *head, int headSize, int n)
{
    QByteArray text(n, 'x');
    uLongf size = compressBound(uLong(n));
    QByteArray packed(int(size), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &size, reinterpret_cast<const Bytef *>(text.constData()), uLong(n));
    packed.truncate(int(size));
    return QByteArray(head, headSize) + packed;
}


// A 1 x 1 grey picture whose image data inflates to n zeros: its row, then
// data past it.
QByteArray RunningOn(int n)
{
    const QByteArray zeros(n, '\0');
    uLongf size = compressBound(uLong(n));
    QByteArray packed(int(size), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &size, reinterpret_cast<const Bytef *>(zeros.constData()), uLong(n));
    packed.truncate(int(size));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", QByteArray("\0\0\0\1\0\0\0\1\x08\0\0\0\0", 13)) +
           Chunk("IDAT", packed) + Chunk("IEND", QByteArray());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    for (const layouts::png::Layout &l : layouts::png::Layouts)
        for (bool interlace : {false, true})
            ok = fuzz::WriteSeed(argv[1], fuzz::FileName(std::string(l.name) + (interlace ? " adam7" : ""), ".png"),
                                 WritePng(layouts::png::Spec(l, interlace))) && ok;
    PngSpec m;
    m.icc = IccProfile(200);
    m.texts = {{"Title", "Cat"}, {"Raw profile type exif", "\nexif\n10\n45786966000049492a0008000000\n"}};
    m.endTexts = {{"Author", "Me"}};
    m.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    ok = fuzz::WriteSeed(argv[1], "metadata.png", WritePng(m)) && ok;
    // Compressed texts, one of them inflating well past its chunk.
    PngSpec t;
    QByteArray texts = WithChunk(WritePng(t), "zTXt", CompressedText("Comment\0\0", 9, 300000));
    texts = WithChunk(texts, "iTXt", CompressedText("Title\0\1\0en\0Titel\0", 17, 40));
    ok = fuzz::WriteSeed(argv[1], "compressed-text.png", texts) && ok;
    // A bilevel picture larger than the preview box, read reduced.
    PngSpec b;
    b.width = 400;
    b.height = 300;
    b.colorType = PNG_COLOR_TYPE_GRAY;
    b.depth = 1;
    ok = fuzz::WriteSeed(argv[1], "bilevel.png", WritePng(b)) && ok;
    // Chunks the reader passes over or takes once: a suggested palette, a
    // background, a repeated gamma and profile, an unknown ancillary chunk.
    PngSpec u;
    u.icc = IccProfile(200);
    QByteArray unused = WritePng(u);
    unused = WithChunk(unused, "sPLT", QByteArray("p\0\x08\x10\x20\x30\xff\0\1", 9));
    unused = WithChunk(unused, "bKGD", QByteArray("\0\x10\0\x20\0\x30", 6));
    unused = WithChunk(unused, "gAMA", QByteArray("\0\0\xb1\x8f", 4));
    unused = WithChunk(unused, "gAMA", QByteArray("\0\0\xb1\x8f", 4));
    unused = WithChunk(unused, "quBo", QByteArray("anything", 8));
    ok = fuzz::WriteSeed(argv[1], "unused-chunks.png", unused) && ok;
    ok = fuzz::WriteSeed(argv[1], "image-data-runs-on.png", RunningOn(1 << 16)) && ok;
    return ok ? 0 : 1;
}
