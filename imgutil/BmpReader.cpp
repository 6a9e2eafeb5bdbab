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

int Dpi(int32_t pixelsPerMetre)
{
    return int(float(pixelsPerMetre) * 2.54f / 100.0f + 0.5f);
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
    auto read = [f](void *dst, size_t n) { return fread(dst, 1, n, f); };
    auto seek = [f](int64_t pos) { return pos >= 0 && fseeko(f, off_t(pos), SEEK_SET) == 0; };

    uint8_t fh[14];
    if (read(fh, 14) != 14 || Get16LE(fh) != 0x4D42)
        return false;
    const int64_t dataOffset = Get32LE(fh + 10);

    uint8_t hs[4];
    if (read(hs, 4) != 4 || !seek(14))
        return false;
    const uint32_t headerSize = Get32LE(hs);

    int64_t width, height;
    int bitCount;
    uint32_t compression = 0, coloursUsed = 0;
    int32_t ppmX = 0, ppmY = 0;
    int entrySize;
    if (headerSize == 12) {
        uint8_t h[12];
        if (read(h, 12) != 12)
            return false;
        width = Get16LE(h + 4);
        height = Get16LE(h + 6);
        bitCount = Get16LE(h + 10);
        entrySize = 3;
    } else if (headerSize >= 40) {
        uint8_t h[40];
        if (read(h, 40) != 40)
            return false;
        width = int32_t(Get32LE(h + 4));
        height = int32_t(Get32LE(h + 8));
        bitCount = Get16LE(h + 14);
        compression = Get32LE(h + 16);
        ppmX = int32_t(Get32LE(h + 24));
        ppmY = int32_t(Get32LE(h + 28));
        coloursUsed = Get32LE(h + 32);
        entrySize = 4;
    } else {
        return false;
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width < 1 || height < 1 || compression != 0 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return false;

    const int dpiX = Dpi(ppmX), dpiY = Dpi(ppmY);

    // The palette follows the header; entries the file does not hold stay black.
    uint8_t palette[256][3] = {};
    int colourCount = 0;
    if (bitCount == 8) {
        colourCount = coloursUsed >= 1 && coloursUsed <= 256 ? int(coloursUsed) : 256;
        if (!seek(14 + int64_t(headerSize)))
            return false;
        uint8_t raw[256 * 4] = {};
        read(raw, size_t(colourCount * entrySize));
        for (int i = 0; i < colourCount; ++i)
            memcpy(palette[i], &raw[i * entrySize], 3);
    }

    // The pixel data claimed against what the file holds: a file cut short
    // is read with its missing rows black, but one that claims more than
    // twice what it holds (and more than a little) makes no picture, so no
    // record is made for data that is not there.
    const int bpp = bitCount / 8;
    const int64_t rowLength = (int64_t(bpp) * width + 3) / 4 * 4;
    const int64_t claimed = height > INT64_MAX / rowLength ? INT64_MAX : rowLength * height;
    const int64_t present = std::clamp<int64_t>(fileLength - dataOffset, 0, claimed);
    if (claimed - present > std::max<int64_t>(present, AllowedShortfall))
        return false;

    // The record made must fit the size cap; the picture in the file need not.
    const TReduction red = TReduction::For(width, height, maxWidth, maxHeight);
    if (!WithinRecordCap(red.width, red.height))
        return false;
    if (!dib->Create(red.width, red.height, dpiX, dpiY))
        return false;
    dib->srcWidth = int32_t(width);
    dib->srcHeight = int32_t(height);

    // A piece of a file row at a time (whole pixels of any depth), and the
    // sampled columns of a reduced read; both are bounded by the record. No
    // memory for them fails the read.
    constexpr int64_t PieceBytes = int64_t(12) << 16;
    std::vector<uint8_t> piece;
    std::vector<int32_t> cols;
    try {
        piece.resize(size_t(std::min(rowLength, PieceBytes)));
        if (red.reduced)
            cols = TReduction::Sample(width, red.width, red.stepX);
    } catch (const std::bad_alloc &) {
        return false;
    }
    // Rows are read in file order, each piece of a row only when a sampled
    // column lies in it; consecutive pieces need no seek. The first byte
    // the file does not hold ends the read: that pixel and every later one
    // stay black, as Create left them.
    TReduction::Walk rows(height, red.stepY);
    int64_t filePos = -1;
    uint8_t *const bits = dib->bits;
    bool ended = false;
    for (int32_t k = 0; k < red.height && !ended; ++k) {
        const int64_t at = dataOffset + int64_t(rows.Next()) * rowLength;
        if (at >= fileLength)
            break;
        const int32_t memRow = topDown ? red.height - 1 - k : k;
        uint8_t *dst = bits + int64_t(memRow) * dib->stride;
        int64_t pieceAt = -1, got = 0; // the piece holds row bytes [pieceAt, pieceAt + got)
        for (int32_t x = 0; x < red.width; ++x, dst += 3) {
            const int64_t p = int64_t(red.reduced ? cols[size_t(x)] : x) * bpp;
            if (pieceAt < 0 || p + bpp > pieceAt + got) {
                pieceAt = p / PieceBytes * PieceBytes;
                const int64_t want = std::min(PieceBytes, rowLength - pieceAt);
                if (at + pieceAt != filePos && !seek(at + pieceAt)) {
                    ended = true;
                    break;
                }
                got = int64_t(read(piece.data(), size_t(want)));
                filePos = at + pieceAt + got;
                if (got < want)
                    ended = true;
                if (p + bpp > pieceAt + got)
                    break;
            }
            const uint8_t *src = &piece[size_t(p - pieceAt)];
            if (bpp == 1)
                memcpy(dst, palette[src[0] < colourCount ? src[0] : 0], 3);
            else
                memcpy(dst, src, 3);
        }
        // The row's padding after its last pixel tells whether the file
        // holds the whole row, as one read of the row would.
        if (!ended && pieceAt + got < rowLength) {
            const int64_t tail = at + rowLength;
            ended = tail > fileLength;
        }
    }
    return true;
}

} // namespace VlmImgUt
