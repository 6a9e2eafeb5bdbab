// Targa files: colour-mapped (24-bit map of up to 256 entries) and 15, 16,
// 24 and 32-bit true colour, raw or run-length encoded, stored top row or
// bottom row first, left to right or right to left. Greyscale is refused.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace VlmImgUt {

namespace {

// The bytes of the stream from its position on, through a buffer of our
// own: packets of one or two bytes cost no call each. Counts the bytes it
// hands out.
class Source {
public:
    explicit Source(FILE *f) : f(f), buf(size_t(1) << 16) {}

    int Get()
    {
        if (pos == end && !Fill())
            return -1;
        ++taken;
        return buf[pos++];
    }

    bool Read(uint8_t *dst, size_t n)
    {
        taken += int64_t(n);
        while (n > 0) {
            if (pos == end && !Fill())
                return false;
            const size_t k = std::min(n, end - pos);
            memcpy(dst, buf.data() + pos, k);
            pos += k;
            dst += k;
            n -= k;
        }
        return true;
    }

    // Passes over n bytes that the file is known to hold.
    bool Skip(size_t n)
    {
        const size_t k = std::min(n, end - pos);
        pos += k;
        return k == n || fseeko(f, off_t(n - k), SEEK_CUR) == 0;
    }

    int64_t Taken() const { return taken; }

private:
    bool Fill()
    {
        end = fread(buf.data(), 1, buf.size(), f);
        pos = 0;
        return end > 0;
    }

    FILE *f;
    std::vector<uint8_t> buf;
    size_t pos = 0, end = 0;
    int64_t taken = 0;
};

// The file's pixels, raw or in run-length packets: a header byte with bit 7
// set repeats the next pixel (header & 0x7F) + 1 times, one without gives
// (header & 0x7F) + 1 pixels as they are. Packets run on across rows. With
// a colour map every entry number read is checked against its length, in
// the rows a reduced read skips too.
class Pixels {
public:
    Pixels(FILE *f, int bytesPerPixel, bool encoded, int mapLength)
        : in(f), bpp(size_t(bytesPerPixel)), encoded(encoded), mapLength(mapLength)
    {
    }

    // count pixels into dst; false at the end of the file or at an entry
    // number past the map.
    bool Read(uint8_t *dst, size_t count) { return Take(dst, count, true); }
    // Passes over count pixels, a packet at a time; scratch holds count.
    bool Skip(size_t count, uint8_t *scratch) { return Take(scratch, count, false); }

    // The work so far: bytes read from the file and bytes of repeats
    // written out.
    int64_t Work() const { return in.Taken() + repeated; }

private:
    // Read (keep) or Skip: a skipped run copies nothing, and the pixels of
    // a skipped literal packet pass through dst only for their entry
    // numbers.
    bool Take(uint8_t *dst, size_t count, bool keep)
    {
        if (!encoded) {
            if (!keep && mapLength == 0) // the file holds them: its length was checked
                return in.Skip(count * bpp);
            return in.Read(dst, count * bpp) && Known(dst, count);
        }
        while (count > 0) {
            if (repeats == 0 && literals == 0 && !NextPacket())
                return false;
            if (repeats > 0) {
                const size_t k = repeats < count ? repeats : count;
                if (keep) {
                    for (size_t i = 0; i < k; ++i, dst += bpp)
                        memcpy(dst, last, bpp);
                    repeated += int64_t(k * bpp);
                }
                repeats -= k;
                count -= k;
            } else {
                const size_t k = literals < count ? literals : count;
                if (!in.Read(dst, k * bpp) || !Known(dst, k))
                    return false;
                if (keep)
                    dst += k * bpp;
                literals -= k;
                count -= k;
            }
        }
        return true;
    }

    bool NextPacket()
    {
        const int h = in.Get();
        if (h < 0)
            return false;
        if (h & 0x80) {
            repeats = size_t(h & 0x7F) + 1;
            for (size_t i = 0; i < bpp; ++i) {
                const int c = in.Get();
                if (c < 0)
                    return false;
                last[i] = uint8_t(c);
            }
            return Known(last, 1);
        }
        literals = size_t(h & 0x7F) + 1;
        return true;
    }

    bool Known(const uint8_t *px, size_t count) const
    {
        if (mapLength > 0)
            for (size_t i = 0; i < count; ++i)
                if (px[i] >= mapLength)
                    return false;
        return true;
    }

    Source in;
    size_t bpp;
    bool encoded;
    int mapLength; // 0: no entry numbers to check
    uint8_t last[4] = {};
    size_t repeats = 0, literals = 0;
    int64_t repeated = 0;
};

// A 5-bit channel to 8 bits, rounded: 31 gives 255, 1 gives 8.
uint8_t Five(unsigned v)
{
    return uint8_t((v * 255 + 15) / 31);
}

} // namespace

bool ReadTga(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();

    uint8_t h[18];
    if (fread(h, 1, 18, f) != 18)
        return false;
    const int idLength = h[0];
    const int mapType = h[1];
    int type = h[2];
    const int mapFirst = Get16LE(h + 3);
    const int mapLength = Get16LE(h + 5);
    const int mapEntryBits = h[7];
    const int64_t width = Get16LE(h + 12);
    const int64_t height = Get16LE(h + 14);
    const int bits = h[16] == 15 ? 16 : h[16];
    const int descriptor = h[17];
    const int bpp = bits / 8;

    // Bits 0-3 of the descriptor count alpha bits (not kept), bit 4 stores
    // rows right to left, bit 5 top row first; bits 6 and 7 (interleaving)
    // are refused.
    if (mapType > 1 || width == 0 || height == 0 || bits % 8 != 0 || bpp < 1 || bpp > 4 || descriptor > 63)
        return false;
    const bool encoded = type >= 9;
    if (encoded)
        type -= 8;
    const bool mapped = type == 1 && bpp == 1 && mapType == 1;
    const bool trueColour = type == 2 && bpp >= 2;
    if (!mapped && !trueColour)
        return false; // greyscale (3), and every other combination
    const bool rightToLeft = descriptor & 0x10;
    const bool topDown = descriptor & 0x20;

    if (fseeko(f, idLength, SEEK_CUR) != 0)
        return false;
    uint8_t map[256][3] = {}; // B, G, R
    if (mapLength != 0) {
        if (mapLength > 256 || mapFirst != 0 || mapEntryBits != 24)
            return false;
        if (fread(map, 3, size_t(mapLength), f) != size_t(mapLength))
            return false;
    } else if (mapType == 1) {
        return false;
    }

    // The pixels must fit in the rest of the file: raw byte for byte, run
    // length encoded at most 128 pixels for a header and one pixel.
    const int64_t left = BytesLeft(f);
    if (!WithinSourceCap(width, height) || left < 0)
        return false;
    const int64_t pixels = width * height;
    if (encoded ? pixels > left / (1 + bpp) * 128 : pixels * bpp > left)
        return false;

    std::vector<uint8_t> raw, bgr;
    TReaderRows rows;
    if (!Resize(raw, size_t(width * bpp)) || !Resize(bgr, size_t(width * 3)) ||
        !rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;

    Pixels in(f, bpp, encoded, mapped ? mapLength : 0);
    // File row r is picture row r (top first) or height - 1 - r; each lands
    // straight in the picture rows that take it. Each row's work counts
    // against the read's budget.
    int64_t counted = 0;
    for (int64_t r = 0; r < height; ++r) {
        const int64_t y = topDown ? r : height - 1 - r;
        const bool wanted = rows.Wanted(y);
        if (!(wanted ? in.Read(raw.data(), size_t(width)) : in.Skip(size_t(width), raw.data())))
            return false;
        const int64_t work = in.Work();
        if (!ctx.budget.Spend(work - counted))
            return false;
        counted = work;
        if (!wanted)
            continue;
        const uint8_t *src = raw.data();
        for (int64_t i = 0; i < width; ++i, src += bpp) {
            uint8_t *dst = &bgr[size_t(rightToLeft ? width - 1 - i : i) * 3];
            if (mapped) {
                memcpy(dst, map[src[0]], 3); // checked when read
            } else if (bpp == 2) {
                const unsigned w = Get16LE(src);
                dst[0] = Five(w & 31);
                dst[1] = Five((w >> 5) & 31);
                dst[2] = Five((w >> 10) & 31);
            } else {
                memcpy(dst, src, 3); // B, G, R; a fourth byte is not kept
            }
        }
        rows.PutBgr(y, bgr.data());
    }
    return true;
}

} // namespace VlmImgUt
