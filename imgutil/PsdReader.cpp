// Photoshop documents: the composite image after the layers, in grey,
// indexed, RGB, CMYK or duotone mode, 8 or 16 bits a sample, raw or
// PackBits; resolution, ICC profile and (when kept) IPTC, EXIF and XMP from
// the image resources. The resources are walked a window at a time; the
// walk and every row count against the read's budget.
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

// The fixed header of a document the reader takes.
struct Header {
    int channels = 0;
    int64_t width = 0, height = 0;
    int depth = 0, mode = 0;
};

// Signature, version, channels, size, depth and mode; false when the file
// is no document the reader takes. Version 2 is the large document format,
// whose lengths are wider: refused.
bool ReadHeader(FILE *f, int64_t fileSize, Header &h)
{
    uint8_t hd[26];
    if (fileSize < 26 || fread(hd, 1, 26, f) != 26 || memcmp(hd, "8BPS", 4) != 0)
        return false;
    const int version = Get16BE(hd + 4);
    h.channels = Get16BE(hd + 12);
    h.height = Get32BE(hd + 14);
    h.width = Get32BE(hd + 18);
    h.depth = Get16BE(hd + 22);
    h.mode = Get16BE(hd + 24);
    const int mode = h.mode;
    return version != 2 && h.channels >= 1 && h.channels <= 24 && h.height != 0 && h.width != 0 &&
           (h.depth == 8 || h.depth == 16) &&
           (mode == Grey || mode == Indexed || mode == Rgb || mode == Cmyk || mode == Duotone) &&
           !(mode == Rgb && h.channels < 3) && !(mode == Cmyk && h.channels < 4);
}

// The colours of a grey, indexed or duotone document as three planes (all
// reds, all greens, all blues) of `entries` each.
struct Palette {
    uint8_t planes[768];
    int entries = 0;
};

// Colour mode data: the palette of an indexed document, skipped for the
// others; grey and duotone documents get a grey ramp. False when the
// section cannot be read or holds no palette the reader takes.
bool ReadColourData(FILE *f, int mode, Palette &pal)
{
    uint32_t length = 0;
    if (!ReadBE32(f, length) || length > BytesLeft(f))
        return false;
    if (mode == Indexed && length != 0) {
        if (length > 768 || length % 3 != 0 || fread(pal.planes, 1, length, f) != length)
            return false;
        pal.entries = int(length / 3);
    } else if (fseeko(f, off_t(length), SEEK_CUR) != 0) {
        return false;
    }
    if (mode == Grey || mode == Duotone) {
        for (int i = 0; i < 256; ++i)
            pal.planes[i] = pal.planes[256 + i] = pal.planes[512 + i] = uint8_t(i);
        pal.entries = 256;
    }
    return true;
}

// The image resource section, read a window at a time: a walk of many
// small resources costs a read for each window, not for each resource.
// Every read counts against the read's budget.
class Section {
public:
    Section(FILE *f, int64_t start, int64_t length, TReadBudget &budget)
        : f(f), start(start), length(length), budget(budget)
    {
    }

    int64_t Length() const { return length; }

    // The n bytes (at most a window) at offset off; null when they pass
    // the section, cannot be read or the budget is spent. Valid until the
    // next call.
    const uint8_t *At(int64_t off, int64_t n)
    {
        if (off < 0 || n > Window || off + n > length)
            return nullptr;
        if (off < bufAt || off + n > bufAt + bufLen) {
            const int64_t len = std::min(Window, length - off);
            if (!budget.Spend(len) || !ReadAt(f, start + off, buf, size_t(len)))
                return nullptr;
            bufAt = off;
            bufLen = len;
        }
        return buf + (off - bufAt);
    }

    // n bytes at offset off into dst, through the window or, when longer,
    // straight from the file.
    bool Copy(int64_t off, uint8_t *dst, int64_t n)
    {
        if (n <= Window) {
            const uint8_t *p = At(off, n);
            if (p)
                memcpy(dst, p, size_t(n));
            return p != nullptr;
        }
        return off + n <= length && budget.Spend(n) && ReadAt(f, start + off, dst, size_t(n));
    }

private:
    static constexpr int64_t Window = 16 << 10;
    FILE *f;
    int64_t start, length;
    TReadBudget &budget;
    int64_t bufAt = 0, bufLen = 0;
    uint8_t buf[Window];
};

// The resources the reader takes, walked in the section; false when the
// section cannot be read. Every resource lies with its padded data inside
// the section, or the walk ends there.
struct Resources {
    int32_t dpiX = 0, dpiY = 0;

    bool Walk(Section &s, TImgUt &ctx, TDib &dib)
    {
        const int64_t length = s.Length();
        int64_t pos = 0;
        while (length >= 2 && pos < length - 1) {
            if (pos + 7 > length)
                break;
            const uint8_t *head = s.At(pos, 7);
            if (!head)
                return false;
            if (memcmp(head, "8BIM", 4) != 0)
                break;
            const int id = Get16BE(head + 4);
            const int nameField = 1 + head[6] + ((1 + head[6]) & 1);
            const int64_t sizeAt = pos + 6 + nameField;
            if (sizeAt + 4 > length)
                break;
            const uint8_t *sz = s.At(sizeAt, 4);
            if (!sz)
                return false;
            const int64_t size = Get32BE(sz);
            const int64_t padded = size + (size & 1);
            const int64_t dataAt = sizeAt + 4;
            if (dataAt + padded > length)
                break;
            if (!Take(s, ctx, dib, id, dataAt, size, padded))
                return false;
            pos = dataAt + padded;
        }
        return true;
    }

    bool Take(Section &s, TImgUt &ctx, TDib &dib, int id, int64_t at, int64_t size, int64_t padded)
    {
        uint8_t **block = nullptr;
        uint32_t *blockSize = nullptr;
        switch (id) {
        case 1005: {
            // Horizontal and vertical resolution, 16.16 fixed point at 0 and
            // 8; a shorter resource is not taken.
            if (size < 12)
                return true;
            const uint8_t *res = s.At(at, 12);
            if (!res)
                return false;
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
        // The data with its pad byte. A block held beside the picture must
        // fit the read's memory; one that does not, or no memory, leaves
        // the block out.
        if (!ctx.budget.Take(padded))
            return true;
        auto *copy = static_cast<uint8_t *>(malloc(size_t(padded)));
        if (!copy || !s.Copy(at, copy, padded)) {
            free(copy);
            ctx.budget.Give(padded);
            return !copy;
        }
        *block = copy;
        *blockSize = uint32_t(padded);
        return true;
    }
};

// Resource section: its length, then the walk; the file is left after it.
bool ReadResources(FILE *f, TImgUt &ctx, TDib &dib, Resources &res)
{
    uint32_t length = 0;
    if (!ReadBE32(f, length) || length > BytesLeft(f))
        return false;
    const int64_t start = ftello(f);
    if (start < 0)
        return false;
    const auto section = std::make_unique<Section>(f, start, int64_t(length), ctx.budget);
    return res.Walk(*section, ctx, dib) && fseeko(f, off_t(start + length), SEEK_SET) == 0;
}

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

// The channels a mode reads, in file order: colour, then alpha where the
// mode has one; later channels are never read.
struct Channels {
    int alpha = -1;       // the alpha channel, -1 for none
    int last = 0;         // the last channel read
    int bytes = 1;        // of a sample
    int64_t rowBytes = 0; // of a channel row
};

Channels ChannelsOf(const Header &h)
{
    Channels c;
    const int colour = h.mode == Rgb ? 3 : h.mode == Cmyk ? 4 : 1;
    if ((h.mode == Grey && h.channels > 1) || (h.mode == Rgb && h.channels > 3) || (h.mode == Cmyk && h.channels > 4))
        c.alpha = colour;
    c.last = c.alpha >= 0 ? c.alpha : colour - 1;
    c.bytes = h.depth / 8;
    c.rowBytes = h.width * c.bytes;
    return c;
}

// Layer and mask information, skipped; then the compression of the image
// data. False unless it is raw or PackBits.
bool ReadCompression(FILE *f, bool &packBits)
{
    uint32_t length = 0;
    uint8_t comp[2];
    if (!ReadBE32(f, length) || length > BytesLeft(f) || fseeko(f, off_t(length), SEEK_CUR) != 0 ||
        fread(comp, 1, 2, f) != 2 || Get16BE(comp) > 1)
        return false;
    packBits = Get16BE(comp) == 1;
    return true;
}

// The file must hold the rows of the channels read before anything is
// sized from the header: raw byte for byte; PackBits after the table of
// row counts, at 2 bytes or more for every 128 a row gives. A PackBits row
// has at most 65535 bytes, two of them for every 128 it gives: a longer
// row can never be decoded.
bool HoldsRows(int64_t left, const Header &h, const Channels &c, bool packBits)
{
    const int64_t need = packBits ? 2 * h.channels * h.height + (c.last + 1) * h.height * ((c.rowBytes + 127) / 128 * 2)
                                  : (c.last + 1) * h.height * c.rowBytes;
    return need <= left && !(packBits && c.rowBytes > 65535 / 2 * 128);
}

// One read of the composite image into the picture.
struct ImageData {
    FILE *f;
    TImgUt &ctx;
    TDib &dib;
    const Header &h;
    const Palette &pal;
    const Channels &ch;
    bool packBits;
    int64_t fileSize;
    int64_t tableAt; // the PackBits row counts, or the raw rows
    TReaderRows rows;
};

// Sample p of channel c into picture column x of rows [top, end): colour
// by mode (CMYK's black channel scaling the three before it), or alpha.
inline void Store(const ImageData &d, int c, int32_t x, const uint8_t *p, int32_t top, int32_t end)
{
    // 16 bits: (v + 127) / 256, which the black channel keeps at 256 and
    // every other caps at 255.
    const int wide = d.ch.bytes == 1 ? p[0] : (Get16BE(p) + 127) / 256;
    const uint8_t s = uint8_t(wide > 255 ? 255 : wide);
    const int mode = d.h.mode;
    const int entries = d.pal.entries;
    const int32_t outW = d.rows.Width(), outH = d.rows.Height();
    uint8_t *alpha = c == d.ch.alpha ? d.dib.alpha : nullptr;
    for (int32_t k = top; k < end; ++k) {
        uint8_t *dst = d.rows.Row(k) + 3 * int64_t(x);
        if (alpha) {
            alpha[int64_t(outH - 1 - k) * outW + x] = s;
        } else if (mode == Rgb || mode == Cmyk) {
            if (c < 3) {
                dst[2 - c] = s;
            } else {
                const int ink = d.ch.bytes == 1 ? p[0] : wide;
                for (int i = 0; i < 3; ++i)
                    dst[i] = uint8_t(dst[i] * ink / 256);
            }
        } else if (s < entries) {
            dst[0] = d.pal.planes[2 * entries + s];
            dst[1] = d.pal.planes[entries + s];
            dst[2] = d.pal.planes[s];
        } else {
            dst[0] = dst[1] = dst[2] = 0;
        }
    }
}

// The sampled columns of one row of channel c into picture rows
// [top, end); false when the row cannot be read or decoded.
bool StoreRow(const ImageData &d, RowBytes &src, int c, int32_t top, int32_t end)
{
    const TSampled &cols = d.rows.Columns();
    const int bytes = d.ch.bytes;
    for (int32_t x = 0; x < d.rows.Width(); ++x) {
        const uint8_t *p = src.At(int64_t(cols[size_t(x)]) * bytes, bytes);
        if (!p)
            return false;
        Store(d, c, x, p, top, end);
    }
    return src.Finish();
}

// The channels read, each row by row from the top. A row the reduction
// takes is read (PackBits: its packed bytes, decoded as far as needed),
// only as far as its last sampled column; the others are passed over by
// their lengths. Every row counts against the read's budget, which may end
// the read.
bool ReadChannels(ImageData &d)
{
    const int64_t height = d.h.height, rowBytes = d.ch.rowBytes;
    const int64_t needed = (int64_t(d.rows.Columns().back()) + 1) * d.ch.bytes;
    std::vector<uint8_t> packed;
    const auto source = std::make_unique<RowBytes>(d.f);
    RowCounts counts(d.f, d.tableAt, int64_t(d.h.channels) * height);
    int64_t dataAt = d.tableAt + (d.packBits ? 2 * d.h.channels * height : 0);
    for (int c = 0; c <= d.ch.last; ++c) {
        for (int64_t y = 0; y < height; ++y) {
            int64_t at = dataAt, stored = rowBytes;
            if (d.packBits) {
                uint32_t n;
                if (!counts.Get(c * height + y, n))
                    return false;
                stored = n;
            }
            dataAt += stored;
            const auto [top, end] = d.rows.Targets(y);
            if (!d.ctx.budget.Spend(top == end ? 0 : d.packBits ? stored + rowBytes : needed))
                return false;
            if (top == end)
                continue;
            if (!d.packBits) {
                source->StartRaw(at, rowBytes, needed);
            } else {
                if (at + stored > d.fileSize)
                    return false;
                if (!Resize(packed, size_t(stored)) || !ReadAt(d.f, at, packed.data(), packed.size()))
                    return false;
                source->StartPacked(packed.data(), packed.size(), rowBytes, needed);
            }
            if (!StoreRow(d, *source, c, top, end))
                return false;
        }
    }
    return true;
}

// An alpha plane that is opaque everywhere is dropped.
void DropOpaqueAlpha(TDib &dib, size_t n)
{
    if (!dib.alpha)
        return;
    size_t i = 0;
    while (i < n && dib.alpha[i] == 255)
        ++i;
    if (i == n) {
        free(dib.alpha);
        dib.alpha = nullptr;
    }
}

// Layer and mask information skipped, then the composite image into the
// picture at the resolution of the resources.
bool ReadImageData(FILE *f, TImgUt &ctx, const Header &h, const Palette &pal, const Resources &res, int64_t fileSize,
                   int32_t maxWidth, int32_t maxHeight)
{
    bool packBits = false;
    if (!ReadCompression(f, packBits) || (h.mode == Indexed && pal.entries == 0) || !WithinSourceCap(h.width, h.height))
        return false;
    const Channels ch = ChannelsOf(h);
    const int64_t tableAt = ftello(f);
    const int64_t left = BytesLeft(f);
    if (tableAt < 0 || left < 0 || !HoldsRows(left, h, ch, packBits))
        return false;

    ImageData d{f, ctx, *ctx.readTarget, h, pal, ch, packBits, fileSize, tableAt, {}};
    if (!d.rows.Start(ctx, h.width, h.height, maxWidth, maxHeight, res.dpiX, res.dpiY))
        return false;
    const size_t pixels = size_t(d.rows.Width()) * size_t(d.rows.Height());
    if (ch.alpha >= 0) {
        d.dib.alpha = static_cast<uint8_t *>(malloc(pixels));
        if (!d.dib.alpha)
            return false;
    }
    if (!ReadChannels(d))
        return false;
    DropOpaqueAlpha(d.dib, pixels);
    return true;
}

} // namespace

bool UnpackBits(const uint8_t *src, size_t srcSize, uint8_t *dst, int32_t count)
{
    TPackBits unpack;
    unpack.Start(src, srcSize, count);
    return unpack.Produce(dst, count);
}


bool ReadPsd(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    FILE *const f = file.get();
    const int64_t fileSize = BytesLeft(f);
    Header h;
    Palette pal;
    Resources res;
    const bool valid = ReadHeader(f, fileSize, h) && ReadColourData(f, h.mode, pal) &&
                       ReadResources(f, ctx, *ctx.readTarget, res);
    // Header only: the resources are taken, no pixels read.
    if (ctx.headerOnly || !valid)
        return valid;
    return ReadImageData(f, ctx, h, pal, res, fileSize, maxWidth, maxHeight);
}

} // namespace VlmImgUt
