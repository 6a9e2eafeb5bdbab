// Windows bitmap files: core (12-byte) and information (40 bytes or more)
// headers, uncompressed 8, 24 and 32 bits, bottom-up or top-down.
#include "TImgUt.h"
#include "TDib.h"
#include "ReaderKit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>


namespace VlmImgUt {

namespace {

// Pixel data a file may lack beyond what it holds and still be read.
constexpr int64_t AllowedShortfall = int64_t(1) << 20;

// A piece of a file row read at a time: whole pixels of any depth.
constexpr int64_t PieceBytes = int64_t(12) << 16;

int Dpi(int32_t pixelsPerMetre)
{
    return int(float(pixelsPerMetre) * 2.54f / 100.0f + 0.5f);
}

bool Seek(FILE *f, int64_t pos)
{
    return pos >= 0 && fseeko(f, off_t(pos), SEEK_SET) == 0;
}

// What the headers give.
struct Header {
    int64_t dataOffset = 0;
    uint32_t headerSize = 0;
    int64_t width = 0, height = 0; // height made positive
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = 0, coloursUsed = 0;
    int32_t ppmX = 0, ppmY = 0;
    int entrySize = 0; // of a palette entry
};

// The file header and the core or information header after it; false
// when the file is no bitmap the reader takes.
bool ReadHeaders(FILE *f, Header &h)
{
    uint8_t fh[14];
    if (fread(fh, 1, 14, f) != 14 || Get16LE(fh) != 0x4D42)
        return false;
    h.dataOffset = Get32LE(fh + 10);

    uint8_t hs[4];
    if (fread(hs, 1, 4, f) != 4 || !Seek(f, 14))
        return false;
    h.headerSize = Get32LE(hs);
    if (h.headerSize == 12) {
        uint8_t b[12];
        if (fread(b, 1, 12, f) != 12)
            return false;
        h.width = Get16LE(b + 4);
        h.height = Get16LE(b + 6);
        h.bitCount = Get16LE(b + 10);
        h.entrySize = 3;
    } else if (h.headerSize >= 40) {
        uint8_t b[40];
        if (fread(b, 1, 40, f) != 40)
            return false;
        h.width = int32_t(Get32LE(b + 4));
        h.height = int32_t(Get32LE(b + 8));
        h.bitCount = Get16LE(b + 14);
        h.compression = Get32LE(b + 16);
        h.ppmX = int32_t(Get32LE(b + 24));
        h.ppmY = int32_t(Get32LE(b + 28));
        h.coloursUsed = Get32LE(b + 32);
        h.entrySize = 4;
    } else {
        return false;
    }
    h.topDown = h.height < 0;
    if (h.topDown)
        h.height = -h.height;
    return h.width >= 1 && h.height >= 1 && h.compression == 0 &&
           (h.bitCount == 8 || h.bitCount == 24 || h.bitCount == 32);
}

// The colours of an 8-bit bitmap as B, G, R.
struct Palette {
    uint8_t entries[256][3] = {};
    int count = 0;
};

// The palette follows the header; entries the file does not hold stay
// black. False when it cannot be reached.
bool ReadPalette(FILE *f, const Header &h, Palette &pal)
{
    if (h.bitCount != 8)
        return true;
    pal.count = h.coloursUsed >= 1 && h.coloursUsed <= 256 ? int(h.coloursUsed) : 256;
    if (!Seek(f, 14 + int64_t(h.headerSize)))
        return false;
    uint8_t raw[256 * 4] = {};
    fread(raw, 1, size_t(pal.count * h.entrySize), f);
    for (int i = 0; i < pal.count; ++i)
        memcpy(pal.entries[i], &raw[i * h.entrySize], 3);
    return true;
}

// The file's row length: whole pixels, padded to 4 bytes.
int64_t RowLength(const Header &h)
{
    return (int64_t(h.bitCount / 8) * h.width + 3) / 4 * 4;
}

// The pixel data claimed against what the file holds: a file cut short is
// read with its missing rows black, but one that claims more than twice
// what it holds (and more than a little) makes no picture, so no record is
// made for data that is not there.
bool HoldsEnough(const Header &h, int64_t fileLength)
{
    const int64_t rowLength = RowLength(h);
    const int64_t claimed = h.height > INT64_MAX / rowLength ? INT64_MAX : rowLength * h.height;
    const int64_t present = std::clamp<int64_t>(fileLength - h.dataOffset, 0, claimed);
    return claimed - present <= std::max<int64_t>(present, AllowedShortfall);
}

// The rows of the file read a piece at a time, each piece only when a
// sampled column lies in it; consecutive pieces need no seek. The first
// byte the file does not hold ends the read: that pixel and every later
// one stay black, as Create left them.
class RowReader {
public:
    RowReader(FILE *f, const Header &h, const Palette &pal, int64_t fileLength)
        : f(f), pal(pal), fileLength(fileLength), bpp(h.bitCount / 8), rowLength(RowLength(h))
    {
    }

    // A piece of a row; false when there is no memory for it.
    bool Start() noexcept { return Resize(piece, size_t(std::min(rowLength, PieceBytes))); }

    bool Ended() const { return ended; }

    // The file row at `at` into picture memory row dst, w pixels at the
    // file columns cols gives (null: every one); the bytes it read.
    int64_t Row(int64_t at, uint8_t *dst, int32_t w, const int32_t *cols)
    {
        if (at >= fileLength) {
            ended = true;
            return 0;
        }
        int64_t read = 0;
        int64_t pieceAt = -1, got = 0; // the piece holds row bytes [pieceAt, pieceAt + got)
        for (int32_t x = 0; x < w; ++x, dst += 3) {
            const int64_t p = int64_t(cols ? cols[x] : x) * bpp;
            if (pieceAt < 0 || p + bpp > pieceAt + got) {
                pieceAt = p / PieceBytes * PieceBytes;
                const int64_t want = std::min(PieceBytes, rowLength - pieceAt);
                if (at + pieceAt != filePos && !Seek(f, at + pieceAt)) {
                    ended = true;
                    break;
                }
                got = int64_t(fread(piece.data(), 1, size_t(want), f));
                read += got;
                filePos = at + pieceAt + got;
                if (got < want)
                    ended = true;
                if (p + bpp > pieceAt + got)
                    break;
            }
            const uint8_t *src = &piece[size_t(p - pieceAt)];
            if (bpp == 1)
                memcpy(dst, pal.entries[src[0] < pal.count ? src[0] : 0], 3);
            else
                memcpy(dst, src, 3);
        }
        // The row's padding after its last pixel tells whether the file
        // holds the whole row, as one read of the row would.
        if (!ended && pieceAt + got < rowLength)
            ended = at + rowLength > fileLength;
        return read;
    }

private:
    FILE *f;
    const Palette &pal;
    int64_t fileLength;
    int bpp;
    int64_t rowLength;
    std::vector<uint8_t> piece;
    int64_t filePos = -1;
    bool ended = false;
};

// The sampled rows in file order into the picture, bottom-up or top-down
// as the file stores them. Each row read counts against the read's
// budget; false when that ends the read or there is no memory.
bool ReadRows(FILE *f, TImgUt &ctx, const Header &h, const Palette &pal, const TReduction &red, int64_t fileLength)
{
    TDib &dib = *ctx.readTarget;
    // The sampled columns of a reduced read; bounded by the record.
    std::vector<int32_t> cols;
    try {
        if (red.reduced)
            cols = TReduction::Sample(h.width, red.width, red.stepX);
    } catch (const std::bad_alloc &) {
        return false;
    }
    RowReader reader(f, h, pal, fileLength);
    if (!reader.Start())
        return false;
    const int64_t rowLength = RowLength(h);
    TReduction::Walk rows(h.height, red.stepY);
    for (int32_t k = 0; k < red.height && !reader.Ended(); ++k) {
        const int64_t at = h.dataOffset + int64_t(rows.Next()) * rowLength;
        const int32_t memRow = h.topDown ? red.height - 1 - k : k;
        uint8_t *dst = dib.bits + int64_t(memRow) * dib.stride;
        if (!ctx.budget.Spend(reader.Row(at, dst, red.width, red.reduced ? cols.data() : nullptr)))
            return false;
    }
    return true;
}

} // namespace

bool ReadBmp(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    TDib *dib = ctx.readTarget;
    const TFilePtr file = OpenForRead(ctx, path); // a folder, FIFO or device is no bitmap
    if (!file)
        return false;
    FILE *const f = file.get();
    const int64_t fileLength = std::max<int64_t>(BytesLeft(f), 0);
    Header h;
    Palette pal;
    if (!ReadHeaders(f, h) || !ReadPalette(f, h, pal) || !HoldsEnough(h, fileLength))
        return false;

    // The record made must fit the size cap; the picture in the file need not.
    const TReduction red = TReduction::For(h.width, h.height, maxWidth, maxHeight);
    if (!WithinRecordCap(red.width, red.height) || ctx.budget.Stopped())
        return false;
    ctx.budget.SetPicture(h.width, h.height, red.width, red.height);
    if (!dib->Create(red.width, red.height, Dpi(h.ppmX), Dpi(h.ppmY)))
        return false;
    dib->srcWidth = int32_t(h.width);
    dib->srcHeight = int32_t(h.height);
    return ReadRows(f, ctx, h, pal, red, fileLength);
}

} // namespace VlmImgUt
