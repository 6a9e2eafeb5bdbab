// Portable anymaps: P1 to P6, plain (text) and raw, maxval 1 to 65535,
// comments in the header.
#include "ReaderRows.h"
#include "RegularFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <cstdio>
#include <new>
#include <vector>

namespace VlmImgUt {

namespace {

struct File {
    FILE *f = nullptr;
    ~File()
    {
        if (f)
            fclose(f);
    }
};

bool IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips white space and "#" comments; returns the first other character.
int SkipSpace(FILE *f)
{
    for (;;) {
        int c = getc_unlocked(f);
        if (c == '#') {
            do
                c = getc_unlocked(f);
            while (c != '\n' && c != '\r' && c != EOF);
        }
        if (c == EOF || !IsSpace(c))
            return c;
    }
}

// A decimal number after optional white space and comments, ended by white
// space, a comment (skipped to its line end) or the end of the file.
// Values above limit are held at limit + 1. False for anything else.
bool ReadNumber(FILE *f, int64_t limit, int64_t &value)
{
    int c = SkipSpace(f);
    if (c < '0' || c > '9')
        return false;
    value = 0;
    for (; c >= '0' && c <= '9'; c = getc_unlocked(f))
        if (value <= limit)
            value = value * 10 + (c - '0');
    if (value > limit)
        value = limit + 1;
    if (c == '#') {
        do
            c = getc_unlocked(f);
        while (c != '\n' && c != '\r' && c != EOF);
        return true;
    }
    return c == EOF || IsSpace(c);
}

} // namespace

bool ReadPnm(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    TDib *dib = ctx.readTarget;
    if (!dib)
        return false;
    File file;
    file.f = RegularFile::Open(path);
    if (!file.f)
        return false;
    FILE *const f = file.f;

    if (getc_unlocked(f) != 'P')
        return false;
    const int kind = getc_unlocked(f) - '0';
    if (kind < 1 || kind > 6)
        return false;
    const bool plain = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const int comps = kind == 3 || kind == 6 ? 3 : 1;

    int64_t width, height, maxval = 1;
    constexpr int64_t Big = int64_t(1) << 32;
    if (!ReadNumber(f, Big, width) || !ReadNumber(f, Big, height))
        return false;
    if (!bitmap && !ReadNumber(f, 65535, maxval))
        return false;
    if (maxval < 1 || maxval > 65535 || !WithinRecordCap(width, height))
        return false;

    // The raster must fit in what is left of the file before anything is
    // sized from the header: raw rows byte for byte, plain samples at one
    // character each for bits and two (digit and separator) for numbers.
    const int sampleBytes = maxval < 256 ? 1 : 2;
    const int64_t rowBytes = bitmap ? (width + 7) / 8 : width * comps * sampleBytes;
    const int64_t samples = width * height * comps;
    const int64_t left = BytesLeft(f);
    int64_t need;
    if (!plain)
        need = rowBytes * height;
    else if (bitmap)
        need = samples;
    else
        need = 2 * samples - 1;
    if (left < 0 || need > left)
        return false;

    // 8-bit value of every sample; samples above maxval count as maxval.
    std::vector<uint8_t> scale;
    std::vector<uint8_t> raw, bgr;
    TReaderRows rows;
    try {
        if (!bitmap) {
            scale.assign(65536, 255);
            for (int64_t v = 0; v <= maxval; ++v)
                scale[size_t(v)] = uint8_t((v * 255 + maxval / 2) / maxval);
        }
        raw.resize(plain ? 0 : size_t(rowBytes));
        bgr.resize(size_t(width) * 3);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (!rows.Start(dib, width, height, maxWidth, maxHeight))
        return false;

    for (int64_t y = 0; y < height; ++y) {
        const bool wanted = rows.Wanted(y);
        if (!plain && !wanted) {
            if (fseeko(f, off_t(rowBytes), SEEK_CUR) != 0)
                return false;
            continue;
        }
        if (!plain && fread(raw.data(), 1, raw.size(), f) != raw.size())
            return false;
        uint8_t *dst = bgr.data();
        for (int64_t x = 0; x < width; ++x, dst += 3) {
            if (bitmap) {
                bool set;
                if (plain) {
                    const int c = SkipSpace(f);
                    if (c != '0' && c != '1')
                        return false;
                    set = c == '1';
                } else {
                    set = (raw[size_t(x / 8)] >> (7 - x % 8)) & 1;
                }
                dst[0] = dst[1] = dst[2] = set ? 0 : 255; // 1 is black
                continue;
            }
            uint8_t v[3];
            for (int c = 0; c < comps; ++c) {
                int64_t s;
                if (plain) {
                    if (!ReadNumber(f, 65535, s))
                        return false;
                    if (s > 65535)
                        s = 65535;
                } else {
                    const uint8_t *p = &raw[size_t((x * comps + c) * sampleBytes)];
                    s = sampleBytes == 1 ? p[0] : (p[0] << 8) | p[1];
                }
                v[c] = scale[size_t(s)];
            }
            if (comps == 1)
                dst[0] = dst[1] = dst[2] = v[0];
            else {
                dst[0] = v[2];
                dst[1] = v[1];
                dst[2] = v[0];
            }
        }
        if (wanted)
            rows.PutBgr(y, bgr.data());
    }
    return true;
}

} // namespace VlmImgUt
