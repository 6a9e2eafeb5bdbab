// Photoshop documents: the composite image after the layers, in grey,
// indexed, RGB, CMYK or duotone mode, 8 or 16 bits a sample, raw or
// PackBits; resolution, ICC profile and (when kept) IPTC, EXIF and XMP from
// the image resources.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace VlmImgUt {

namespace {

bool ReadBE32(FILE *f, uint32_t &v)
{
    uint8_t b[4];
    if (fread(b, 1, 4, f) != 4)
        return false;
    v = Get32BE(b);
    return true;
}

enum Mode { Grey = 1, Indexed = 2, Rgb = 3, Cmyk = 4, Duotone = 8 };

// The resources the reader takes, walked in the file; false when the
// section cannot be read. Every resource lies with its padded data inside
// the section, or the walk ends there.
struct Resources {
    bool haveResolution = false;
    int32_t dpiX = 0, dpiY = 0;

    bool Walk(FILE *f, const TImgUt &ctx, TDib &dib, int64_t start, int64_t length)
    {
        int64_t pos = 0;
        while (length >= 2 && pos < length - 1) {
            uint8_t head[7];
            if (pos + 7 > length)
                break;
            if (!ReadAt(f, start + pos, head, 7))
                return false;
            if (memcmp(head, "8BIM", 4) != 0)
                break;
            const int id = Get16BE(head + 4);
            const int nameField = 1 + head[6] + ((1 + head[6]) & 1);
            const int64_t sizeAt = pos + 6 + nameField;
            uint8_t sz[4];
            if (sizeAt + 4 > length)
                break;
            if (!ReadAt(f, start + sizeAt, sz, 4))
                return false;
            const int64_t size = Get32BE(sz);
            const int64_t padded = size + (size & 1);
            const int64_t dataAt = sizeAt + 4;
            if (dataAt + padded > length)
                break;
            if (!Take(f, ctx, dib, id, start + dataAt, size, padded))
                return false;
            pos = dataAt + padded;
        }
        return true;
    }

    bool Take(FILE *f, const TImgUt &ctx, TDib &dib, int id, int64_t at, int64_t size, int64_t padded)
    {
        uint8_t **block = nullptr;
        uint32_t *blockSize = nullptr;
        switch (id) {
        case 1005: {
            // Horizontal and vertical resolution, 16.16 fixed point at 0 and
            // 8; a shorter resource is not taken.
            uint8_t res[12];
            if (size < 12)
                return true;
            if (!ReadAt(f, at, res, 12))
                return false;
            haveResolution = true;
            dpiX = Get16BE(res);
            dpiY = Get16BE(res + 8);
            return true;
        }
        case 1028:
            if (ctx.keepPhotoshop)
                block = &dib.photoshop, blockSize = &dib.photoshopSize;
            break;
        case 1039:
            block = &dib.icc, blockSize = &dib.iccSize;
            break;
        case 1058:
            if (ctx.keepExif)
                block = &dib.exif, blockSize = &dib.exifSize;
            break;
        case 1060:
            if (ctx.keepXmp)
                block = &dib.xmp, blockSize = &dib.xmpSize;
            break;
        default:
            break;
        }
        if (!block || ctx.previewMode || *block || padded == 0 || padded > int64_t(UINT32_MAX))
            return true;
        // The data with its pad byte; no memory leaves the block out.
        auto *copy = static_cast<uint8_t *>(malloc(size_t(padded)));
        if (!copy)
            return true;
        if (!ReadAt(f, at, copy, size_t(padded))) {
            free(copy);
            return false;
        }
        *block = copy;
        *blockSize = uint32_t(padded);
        return true;
    }
};

// The PackBits byte count of every row, read through a small window.
class RowCounts {
public:
    RowCounts(FILE *f, int64_t start, int64_t count) : f(f), start(start), count(count) {}

    bool Get(int64_t i, uint32_t &v)
    {
        if (i < first || i >= first + have) {
            const int64_t n = count - i < Window ? count - i : Window;
            if (n <= 0 || !ReadAt(f, start + 2 * i, buf, size_t(2 * n)))
                return false;
            first = i;
            have = n;
        }
        v = Get16BE(buf + 2 * (i - first));
        return true;
    }

private:
    static constexpr int64_t Window = 4096;
    FILE *f;
    int64_t start, count;
    int64_t first = 0, have = 0;
    uint8_t buf[2 * Window];
};

// One PackBits row decoded as far as it is asked for: a header byte n
// gives n + 1 literal bytes (0..127) or 1 - n repeats of the next byte
// (-127..-1); -128 is nothing.
struct TPackBits {
    const uint8_t *src = nullptr;
    size_t srcSize = 0, in = 0;
    int64_t rowBytes = 0, pos = 0; // the row's length; decoded so far
    int64_t left = 0;              // left of the current run
    bool literal = false;
    uint8_t value = 0;

    void Start(const uint8_t *packed, size_t size, int64_t bytes)
    {
        *this = TPackBits();
        src = packed;
        srcSize = size;
        rowBytes = bytes;
    }

    // The next n bytes into out (null: dropped); false when a run passes
    // the row's end or the packed bytes run out.
    bool Produce(uint8_t *out, int64_t n)
    {
        while (n > 0) {
            if (left == 0) {
                if (in >= srcSize)
                    return false;
                const int head = int8_t(src[in++]);
                if (head == -128)
                    continue;
                literal = head >= 0;
                left = literal ? head + 1 : 1 - head;
                if (literal ? int64_t(srcSize - in) < left : in >= srcSize)
                    return false;
                if (!literal)
                    value = src[in++];
                if (pos + left > rowBytes)
                    return false;
            }
            const int64_t k = std::min(n, left);
            if (out) {
                if (literal)
                    memcpy(out, src + in, size_t(k));
                else
                    memset(out, value, size_t(k));
                out += k;
            }
            if (literal)
                in += size_t(k);
            left -= k;
            n -= k;
            pos += k;
        }
        return true;
    }
};

// The bytes of one channel row, made available a window at a time so that
// no row is held whole: raw rows straight from the file, PackBits rows
// decoded from their packed bytes as far as they are needed.
class RowBytes {
public:
    static constexpr int64_t Window = 1 << 16;

    explicit RowBytes(FILE *f) : f(f) {}

    void StartRaw(int64_t at, int64_t rowBytes, int64_t needed)
    {
        Reset(rowBytes, needed);
        rawAt = at;
        packed = false;
    }
    void StartPacked(const uint8_t *bytes, size_t size, int64_t rowBytes, int64_t needed)
    {
        Reset(rowBytes, needed);
        unpack.Start(bytes, size, rowBytes);
        packed = true;
    }

    // The n bytes from offset off of the row (n divides the window; off
    // never moves back); null when they cannot be read or decoded.
    const uint8_t *At(int64_t off, int n)
    {
        if (off < windowAt || off + n > windowEnd) {
            const int64_t len = std::min(Window, end - off);
            if (len < n)
                return nullptr;
            if (packed) {
                if (!unpack.Produce(nullptr, off - unpack.pos) || !unpack.Produce(window, len))
                    return nullptr;
            } else if (!ReadAt(f, rawAt + off, window, size_t(len))) {
                return nullptr;
            }
            windowAt = off;
            windowEnd = off + len;
        }
        return window + (off - windowAt);
    }

    // PackBits: the rest of the row decodes within the row and its bytes.
    bool Finish() { return !packed || unpack.Produce(nullptr, rowBytes - unpack.pos); }

private:
    void Reset(int64_t bytes, int64_t needed)
    {
        rowBytes = bytes;
        end = needed;
        windowAt = windowEnd = 0;
    }

    FILE *f;
    int64_t rowBytes = 0, end = 0;
    int64_t rawAt = 0;
    bool packed = false;
    TPackBits unpack;
    int64_t windowAt = 0, windowEnd = 0;
    uint8_t window[Window];
};

} // namespace

bool UnpackBits(const uint8_t *src, size_t srcSize, uint8_t *dst, int32_t count)
{
    TPackBits unpack;
    unpack.Start(src, srcSize, count);
    return unpack.Produce(dst, count);
}

bool ReadPsd(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    TDib *const dib = ctx.readTarget;
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();
    const int64_t fileSize = BytesLeft(f);

    // Header. Version 2 is the large document format, whose lengths are
    // wider: refused.
    uint8_t hd[26];
    bool valid = fileSize >= 26 && fread(hd, 1, 26, f) == 26 && memcmp(hd, "8BPS", 4) == 0;
    const int version = valid ? Get16BE(hd + 4) : 0;
    const int channels = valid ? Get16BE(hd + 12) : 0;
    const int64_t height = valid ? Get32BE(hd + 14) : 0;
    const int64_t width = valid ? Get32BE(hd + 18) : 0;
    const int depth = valid ? Get16BE(hd + 22) : 0;
    const int mode = valid ? Get16BE(hd + 24) : 0;
    valid = valid && version != 2 && channels >= 1 && channels <= 24 && height != 0 && width != 0 &&
            (depth == 8 || depth == 16) &&
            (mode == Grey || mode == Indexed || mode == Rgb || mode == Cmyk || mode == Duotone) &&
            !(mode == Rgb && channels < 3) && !(mode == Cmyk && channels < 4);

    // Colour mode data: the palette of an indexed document as three planes.
    uint8_t palette[768];
    int entries = 0;
    uint32_t length = 0;
    if (valid) {
        valid = ReadBE32(f, length) && length <= BytesLeft(f);
        if (valid && mode == Indexed && length != 0) {
            valid = length <= 768 && length % 3 == 0 && fread(palette, 1, length, f) == length;
            entries = int(length / 3);
        } else if (valid) {
            valid = fseeko(f, off_t(length), SEEK_CUR) == 0;
        }
        if (mode == Grey || mode == Duotone) {
            for (int i = 0; i < 256; ++i)
                palette[i] = palette[256 + i] = palette[512 + i] = uint8_t(i);
            entries = 256;
        }
    }

    Resources res;
    if (valid) {
        valid = ReadBE32(f, length) && length <= BytesLeft(f);
        const int64_t start = ftello(f);
        valid = valid && start >= 0 && res.Walk(f, ctx, *dib, start, length) &&
                fseeko(f, off_t(start + length), SEEK_SET) == 0;
    }
    if (ctx.headerOnly)
        return valid;
    if (!valid)
        return false;

    // Layer and mask information, skipped; then the image data.
    uint8_t comp[2];
    if (!ReadBE32(f, length) || length > BytesLeft(f) || fseeko(f, off_t(length), SEEK_CUR) != 0 ||
        fread(comp, 1, 2, f) != 2)
        return false;
    const bool packBits = Get16BE(comp) == 1;
    if (Get16BE(comp) > 1 || (mode == Indexed && entries == 0))
        return false;

    // The channels read: colour, then alpha where the mode has one.
    const int colourChannels = mode == Rgb ? 3 : mode == Cmyk ? 4 : 1;
    int alphaChannel = -1;
    if ((mode == Grey && channels > 1) || (mode == Rgb && channels > 3) || (mode == Cmyk && channels > 4))
        alphaChannel = colourChannels;
    const int lastChannel = alphaChannel >= 0 ? alphaChannel : colourChannels - 1;
    const int bytes = depth / 8;
    if (!WithinSourceCap(width, height))
        return false;
    const int64_t rowBytes = width * bytes;

    // The file must hold the rows of the channels read before anything is
    // sized from the header: raw byte for byte; PackBits after the table of
    // row counts, at 2 bytes or more for every 128 a row gives.
    const int64_t tableAt = ftello(f);
    const int64_t left = BytesLeft(f);
    if (tableAt < 0 || left < 0)
        return false;
    const int64_t need = packBits ? 2 * channels * height + (lastChannel + 1) * height * ((rowBytes + 127) / 128 * 2)
                                  : (lastChannel + 1) * height * rowBytes;
    if (need > left)
        return false;
    // A PackBits row has at most 65535 bytes, two of them for every 128 it
    // gives: a longer row can never be decoded.
    if (packBits && rowBytes > 65535 / 2 * 128)
        return false;

    TReaderRows rows;
    if (!rows.Start(ctx, width, height, maxWidth, maxHeight, res.dpiX, res.dpiY))
        return false;
    const int32_t outW = rows.Width(), outH = rows.Height();
    const TSampled &cols = rows.Columns();
    if (alphaChannel >= 0) {
        dib->alpha = static_cast<uint8_t *>(malloc(size_t(outW) * size_t(outH)));
        if (!dib->alpha)
            return false;
    }

    // Rows are read only as far as their last sampled column.
    const int64_t needed = (int64_t(cols.back()) + 1) * bytes;
    std::vector<uint8_t> packed;
    const auto source = std::make_unique<RowBytes>(f);
    RowCounts counts(f, tableAt, int64_t(channels) * height);
    int64_t dataAt = tableAt + (packBits ? 2 * channels * height : 0);
    for (int c = 0; c <= lastChannel; ++c) {
        for (int64_t y = 0; y < height; ++y) {
            int64_t at = dataAt, stored = rowBytes;
            if (packBits) {
                uint32_t n;
                if (!counts.Get(c * height + y, n))
                    return false;
                stored = n;
            }
            dataAt += stored;
            const auto [top, end] = rows.Targets(y);
            if (top == end)
                continue;
            if (!packBits) {
                source->StartRaw(at, rowBytes, needed);
            } else {
                if (at + stored > fileSize)
                    return false;
                if (!Resize(packed, size_t(stored)) || !ReadAt(f, at, packed.data(), packed.size()))
                    return false;
                source->StartPacked(packed.data(), packed.size(), rowBytes, needed);
            }
            uint8_t *alpha = c == alphaChannel ? dib->alpha : nullptr;
            for (int32_t x = 0; x < outW; ++x) {
                const uint8_t *p = source->At(int64_t(cols[size_t(x)]) * bytes, bytes);
                if (!p)
                    return false;
                // 16 bits: (v + 127) / 256, which the black channel
                // keeps at 256 and every other caps at 255.
                const int wide = bytes == 1 ? p[0] : (Get16BE(p) + 127) / 256;
                const uint8_t s = uint8_t(wide > 255 ? 255 : wide);
                for (int32_t k = top; k < end; ++k) {
                    uint8_t *dst = rows.Row(k) + 3 * int64_t(x);
                    if (alpha) {
                        alpha[int64_t(outH - 1 - k) * outW + x] = s;
                    } else if (mode == Rgb || mode == Cmyk) {
                        if (c < 3) {
                            dst[2 - c] = s;
                        } else {
                            const int ink = bytes == 1 ? p[0] : wide;
                            for (int i = 0; i < 3; ++i)
                                dst[i] = uint8_t(dst[i] * ink / 256);
                        }
                    } else if (s < entries) {
                        dst[0] = palette[2 * entries + s];
                        dst[1] = palette[entries + s];
                        dst[2] = palette[s];
                    } else {
                        dst[0] = dst[1] = dst[2] = 0;
                    }
                }
            }
            if (!source->Finish())
                return false;
        }
    }

    // An alpha plane that is opaque everywhere is dropped.
    if (dib->alpha) {
        const size_t n = size_t(outW) * size_t(outH);
        size_t i = 0;
        while (i < n && dib->alpha[i] == 255)
            ++i;
        if (i == n) {
            free(dib->alpha);
            dib->alpha = nullptr;
        }
    }
    return true;
}

} // namespace VlmImgUt
