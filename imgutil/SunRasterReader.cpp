// Sun raster files: depths 1, 8, 24 and 32; old, standard, run-length
// (byte-encoded) and RGB types; an optional RGB colour map.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace VlmImgUt {

namespace {

enum : uint32_t { TypeOld = 0, TypeStandard = 1, TypeEncoded = 2, TypeRgb = 3 };

// The pixel bytes of the file, raw or run-length encoded: 0x80 n v repeats
// v n + 1 times, 0x80 0 stands for one 0x80; runs cross row ends. Counts
// the bytes read from the file and the bytes written out.
class Bytes {
public:
    Bytes(FILE *f, bool encoded) : f(f), encoded(encoded) {}

    bool Read(uint8_t *dst, size_t n)
    {
        work += int64_t(n);
        if (!encoded)
            return fread(dst, 1, n, f) == n;
        while (n > 0) {
            if (repeats == 0 && !NextRun())
                return false;
            const size_t k = repeats < n ? repeats : n;
            memset(dst, value, k);
            dst += k;
            n -= k;
            repeats -= k;
        }
        return true;
    }

    // Passes over n bytes, a whole run at a time.
    bool Skip(size_t n)
    {
        if (!encoded)
            return fseeko(f, off_t(n), SEEK_CUR) == 0;
        while (n > 0) {
            if (repeats == 0 && !NextRun())
                return false;
            const size_t k = repeats < n ? repeats : n;
            n -= k;
            repeats -= k;
        }
        return true;
    }

    int64_t Work() const { return work; }

private:
    bool NextRun()
    {
        ++work;
        const int c = getc_unlocked(f);
        if (c == EOF)
            return false;
        value = uint8_t(c);
        repeats = 1;
        if (c != 0x80)
            return true;
        ++work;
        const int count = getc_unlocked(f);
        if (count == EOF)
            return false;
        if (count == 0)
            return true;
        ++work;
        const int v = getc_unlocked(f);
        if (v == EOF)
            return false;
        value = uint8_t(v);
        repeats = size_t(count) + 1;
        return true;
    }

    FILE *f;
    bool encoded;
    uint8_t value = 0;
    size_t repeats = 0;
    int64_t work = 0;
};

} // namespace

bool ReadSunRaster(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();

    uint8_t h[32];
    if (fread(h, 1, 32, f) != 32 || Get32BE(h) != 0x59A66A95)
        return false;
    const int64_t width = Get32BE(h + 4);
    const int64_t height = Get32BE(h + 8);
    const uint32_t depth = Get32BE(h + 12);
    const uint32_t type = Get32BE(h + 20);
    const uint32_t mapType = Get32BE(h + 24);
    const uint32_t mapLength = Get32BE(h + 28);
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32)
        return false;
    if (type > TypeRgb || mapType > 1 || !WithinSourceCap(width, height))
        return false;

    // Colour map: mapLength bytes, all reds, then greens, then blues.
    uint8_t map[3][256] = {};
    int entries = 0;
    int64_t left = BytesLeft(f);
    if (left < 0 || mapLength > left)
        return false;
    if (mapType == 1) {
        if (mapLength % 3 != 0 || mapLength > 768)
            return false;
        entries = int(mapLength / 3);
        for (int plane = 0; plane < 3; ++plane)
            if (fread(map[plane], 1, size_t(entries), f) != size_t(entries))
                return false;
    } else if (mapLength != 0 && fseeko(f, off_t(mapLength), SEEK_CUR) != 0) {
        return false;
    }

    // Rows are padded to 16 bits. The file must hold them: byte for byte,
    // or at 3 bytes for every 256 when run-length encoded.
    const int64_t rowBytes = (width * depth + 15) / 16 * 2;
    const bool encoded = type == TypeEncoded;
    left = BytesLeft(f);
    if (left < 0 || (encoded ? rowBytes * height / 256 * 3 : rowBytes * height) > left)
        return false;

    // The record's size is checked before anything is made.
    TReaderRows rows;
    if (!rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;
    const TSampled &cols = rows.Columns();

    // A file row is decoded a piece at a time, straight into the picture.
    constexpr int64_t Piece = 8192; // pixels, a whole number of bytes at 1 bit
    const int bytesPerPixel = int(depth / 8);
    const int64_t pixelBytes = depth == 1 ? (width + 7) / 8 : width * bytesPerPixel;
    uint8_t piece[Piece * 4];
    const bool rgbOrder = type == TypeRgb;
    auto put = [&](const uint8_t *src, int64_t i, uint8_t *dst) {
        if (depth == 1 || depth == 8) {
            const int v = depth == 8 ? src[i] : (src[i / 8] >> (7 - i % 8)) & 1;
            if (entries > 0) {
                const bool known = v < entries; // others are black
                dst[0] = known ? map[2][v] : 0;
                dst[1] = known ? map[1][v] : 0;
                dst[2] = known ? map[0][v] : 0;
            } else if (depth == 8) {
                dst[0] = dst[1] = dst[2] = uint8_t(v);
            } else {
                dst[0] = dst[1] = dst[2] = v ? 0 : 255; // 1 is black
            }
            return;
        }
        // 24 bits B, G, R; 32 bits a pad byte, then B, G, R; the RGB type
        // stores R, G, B.
        const uint8_t *p = src + i * bytesPerPixel + (depth == 32 ? 1 : 0);
        dst[0] = p[rgbOrder ? 2 : 0];
        dst[1] = p[1];
        dst[2] = p[rgbOrder ? 0 : 2];
    };

    // The work of each piece and row counts against the read's budget.
    Bytes in(f, encoded);
    int64_t counted = 0;
    auto spend = [&] {
        const int64_t work = in.Work();
        const bool ok = ctx.budget.Spend(work - counted);
        counted = work;
        return ok;
    };
    for (int64_t y = 0; y < height; ++y) {
        const auto [first, last] = rows.Targets(y);
        if (first == last) {
            if (!in.Skip(size_t(rowBytes)) || !spend())
                return false;
            continue;
        }
        uint8_t *const dst = rows.Row(first);
        size_t next = 0; // picture column
        for (int64_t x0 = 0; x0 < width; x0 += Piece) {
            const int64_t n = std::min(Piece, width - x0);
            if (!in.Read(piece, size_t(depth == 1 ? (n + 7) / 8 : n * bytesPerPixel)) || !spend())
                return false;
            for (; next < cols.size() && cols[next] < x0 + n; ++next)
                put(piece, cols[next] - x0, dst + 3 * int64_t(next));
        }
        if (!in.Skip(size_t(rowBytes - pixelBytes)) || !spend()) // the row's padding
            return false;
        rows.Repeat(first, last);
    }
    return true;
}

} // namespace VlmImgUt
