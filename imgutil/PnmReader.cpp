// Portable anymaps: P1 to P6, plain (text) and raw, maxval 1 to 65535,
// comments in the header; and PGX, the one-component raw format of the
// JPEG 2000 test files, shown as a grey anymap of its depth. Raw rows are
// read a piece at a time, and only the pieces that hold sampled columns.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace VlmImgUt {

namespace {

bool IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The characters of a header or of a plain raster, counted: every 64 KB
// of them, and at each Spend, the count is spent from the read's budget;
// once it says no, the characters end as at the end of the file.
class Text {
public:
    Text(FILE *f, TReadBudget &budget) : f(f), budget(budget) {}

    int Get()
    {
        if (ended || (++unspent >= Chunk && !Spend()))
            return EOF;
        return getc_unlocked(f);
    }
    void Unget(int c)
    {
        ungetc(c, f);
        --unspent;
    }
    bool Spend()
    {
        ended = ended || !budget.Spend(unspent);
        unspent = 0;
        return !ended;
    }

private:
    static constexpr int64_t Chunk = 1 << 16;
    FILE *f;
    TReadBudget &budget;
    int64_t unspent = 0;
    bool ended = false;
};

// Skips white space and "#" comments; returns the first other character.
int SkipSpace(Text &f)
{
    for (;;) {
        int c = f.Get();
        if (c == '#') {
            do
                c = f.Get();
            while (c != '\n' && c != '\r' && c != EOF);
        }
        if (c == EOF || !IsSpace(c))
            return c;
    }
}

// A decimal number after optional white space and comments, ended by white
// space, a comment (skipped to its line end) or the end of the file.
// Values above limit are held at limit + 1. False for anything else.
bool ReadNumber(Text &f, int64_t limit, int64_t &value)
{
    int c = SkipSpace(f);
    if (c < '0' || c > '9')
        return false;
    value = 0;
    for (; c >= '0' && c <= '9'; c = f.Get())
        if (value <= limit)
            value = value * 10 + (c - '0');
    if (value > limit)
        value = limit + 1;
    if (c == '#') {
        do
            c = f.Get();
        while (c != '\n' && c != '\r' && c != EOF);
        return true;
    }
    return c == EOF || IsSpace(c);
}

// Pixels of a raw row taken a piece at a time, a whole number of bytes at
// every depth.
constexpr int64_t Piece = 8192;

// A raw row of width pixels of `bits` bits: the pieces that hold sampled
// columns are read, the others passed over, each spent from the budget;
// put(k, piece, i) places picture column k from pixel i of the piece.
template <class Put>
bool RawRow(FILE *f, TReadBudget &budget, const TSampled &cols, int64_t width, int64_t bits,
            std::vector<uint8_t> &piece, Put put)
{
    size_t next = 0;
    for (int64_t x0 = 0; x0 < width; x0 += Piece) {
        const int64_t n = std::min(Piece, width - x0);
        const size_t bytes = size_t((n * bits + 7) / 8);
        if (next == cols.size() || cols[next] >= x0 + n) {
            if (fseeko(f, off_t(bytes), SEEK_CUR) != 0 || !budget.Spend(0))
                return false;
            continue;
        }
        if (fread(piece.data(), 1, bytes, f) != bytes || !budget.Spend(int64_t(bytes)))
            return false;
        for (; next < cols.size() && cols[next] < x0 + n; ++next)
            put(next, piece.data(), cols[next] - x0);
    }
    return true;
}

} // namespace

bool ReadPnm(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();
    Text text(f, ctx.budget);

    if (text.Get() != 'P')
        return false;
    const int kind = text.Get() - '0';
    if (kind < 1 || kind > 6)
        return false;
    const bool plain = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const int comps = kind == 3 || kind == 6 ? 3 : 1;

    int64_t width, height, maxval = 1;
    constexpr int64_t Big = int64_t(1) << 32;
    if (!ReadNumber(text, Big, width) || !ReadNumber(text, Big, height))
        return false;
    if (!bitmap && !ReadNumber(text, 65535, maxval))
        return false;
    if (maxval < 1 || maxval > 65535 || !WithinSourceCap(width, height))
        return false;

    // The raster must fit in what is left of the file before anything is
    // sized from the header: raw rows byte for byte, plain samples at one
    // character each for bits and two (digit and separator) for numbers.
    const int sampleBytes = maxval < 256 ? 1 : 2;
    const int64_t rowBytes = bitmap ? (width + 7) / 8 : width * comps * sampleBytes;
    const int64_t sampleCount = width * height * comps;
    const int64_t left = BytesLeft(f);
    int64_t need;
    if (!plain)
        need = rowBytes * height;
    else if (bitmap)
        need = sampleCount;
    else
        need = 2 * sampleCount - 1;
    if (left < 0 || need > left)
        return false;

    // 8-bit value of every sample (samples above maxval count as maxval;
    // a set bit is black), and a piece of a raw row.
    std::vector<uint8_t> scale, piece;
    TReaderRows rows;
    if (!Resize(scale, 65536) || !Resize(piece, size_t(Piece * comps * sampleBytes)) ||
        !rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;
    for (int64_t v = 0; v < 65536; ++v)
        scale[size_t(v)] = bitmap ? (v == 1 ? 0 : 255) : v > maxval ? 255 : uint8_t((v * 255 + maxval / 2) / maxval);
    auto put = [&](uint8_t *dst, const uint16_t *v) {
        if (comps == 1) {
            dst[0] = dst[1] = dst[2] = scale[v[0]];
        } else {
            dst[0] = scale[v[2]];
            dst[1] = scale[v[1]];
            dst[2] = scale[v[0]];
        }
    };

    // Each row's characters or bytes count against the read's budget.
    const TSampled &cols = rows.Columns();
    const int64_t pixelBits = bitmap ? 1 : 8 * comps * sampleBytes;
    for (int64_t y = 0; y < height; ++y) {
        const auto [top, end] = rows.Targets(y);
        uint8_t *const dst = top < end ? rows.Row(top) : nullptr;
        if (plain) {
            // Every sample is parsed; those of sampled columns are placed.
            size_t next = 0;
            for (int64_t x = 0; x < width; ++x) {
                uint16_t v[3];
                for (int c = 0; c < comps; ++c) {
                    int64_t n;
                    if (bitmap) {
                        const int ch = SkipSpace(text);
                        if (ch != '0' && ch != '1')
                            return false;
                        n = ch - '0';
                    } else if (!ReadNumber(text, 65535, n)) {
                        return false;
                    }
                    v[c] = uint16_t(n > 65535 ? 65535 : n);
                }
                for (; dst && next < cols.size() && cols[next] == x; ++next)
                    put(dst + 3 * next, v);
            }
            if (!text.Spend())
                return false;
        } else if (!dst) {
            if (fseeko(f, off_t(rowBytes), SEEK_CUR) != 0 || !ctx.budget.Spend(0))
                return false;
            continue;
        } else {
            const bool ok = RawRow(f, ctx.budget, cols, width, pixelBits, piece,
                                   [&](size_t k, const uint8_t *p, int64_t i) {
                                       uint16_t v[3];
                                       for (int c = 0; c < comps; ++c) {
                                           const int64_t at = i * comps + c;
                                           v[c] = bitmap ? (p[at / 8] >> (7 - at % 8)) & 1
                                                  : sampleBytes == 1 ? p[at]
                                                                     : uint16_t(Get16BE(p + 2 * at));
                                       }
                                       put(dst + 3 * k, v);
                                   });
            if (!ok)
                return false;
        }
        if (dst)
            rows.Repeat(top, end);
    }
    return true;
}

bool ReadPgx(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();
    Text text(f, ctx.budget);

    // "PG", the byte order ("ML" big-endian, "LM" little-endian), an
    // optional sign, then depth, width and height, each number ended by one
    // white space character.
    if (text.Get() != 'P' || text.Get() != 'G' || !IsSpace(text.Get()))
        return false;
    int c = SkipSpace(text);
    const int c2 = text.Get();
    if (!((c == 'M' && c2 == 'L') || (c == 'L' && c2 == 'M')))
        return false;
    const bool bigEndian = c == 'M';
    c = SkipSpace(text);
    const bool sgnd = c == '-';
    if (c != '+' && c != '-')
        text.Unget(c);
    int64_t depth, width, height;
    constexpr int64_t Big = int64_t(1) << 32;
    if (!ReadNumber(text, 16, depth) || !ReadNumber(text, Big, width) || !ReadNumber(text, Big, height) || depth < 1 ||
        depth > 16 || !WithinSourceCap(width, height))
        return false;

    const int sampleBytes = depth <= 8 ? 1 : 2;
    const int64_t rowBytes = width * sampleBytes;
    const int64_t left = BytesLeft(f);
    if (left < 0 || rowBytes * height > left)
        return false;

    // Samples as the anymap of maxval 2^depth - 1 shows them; signed ones
    // offset by half the range first.
    const int64_t maxval = (int64_t(1) << depth) - 1, offset = sgnd ? int64_t(1) << (depth - 1) : 0;
    std::vector<uint8_t> scale, piece;
    TReaderRows rows;
    if (!Resize(scale, size_t(maxval + 1)) || !Resize(piece, size_t(Piece * sampleBytes)) ||
        !rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;
    for (int64_t v = 0; v <= maxval; ++v) {
        const int64_t u = sgnd ? (v > maxval / 2 ? v - maxval - 1 : v) + offset : v;
        scale[size_t(v)] = uint8_t((u * 255 + maxval / 2) / maxval);
    }
    // Each row's bytes count against the read's budget.
    for (int64_t y = 0; y < height; ++y) {
        const auto [top, end] = rows.Targets(y);
        if (top == end) {
            if (fseeko(f, off_t(rowBytes), SEEK_CUR) != 0 || !ctx.budget.Spend(0))
                return false;
            continue;
        }
        uint8_t *const dst = rows.Row(top);
        const bool ok = RawRow(f, ctx.budget, rows.Columns(), width, 8 * sampleBytes, piece,
                               [&](size_t k, const uint8_t *p, int64_t i) {
                                   const uint8_t *s = p + i * sampleBytes;
                                   const uint32_t v = sampleBytes == 1 ? s[0] : Get16(s, bigEndian);
                                   uint8_t *d = dst + 3 * k;
                                   d[0] = d[1] = d[2] = scale[v & uint32_t(maxval)];
                               });
        if (!ok)
            return false;
        rows.Repeat(top, end);
    }
    return true;
}

} // namespace VlmImgUt
