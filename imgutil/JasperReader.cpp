// The reader of ".ppm", ".j2k", ".jp2", ".jpc" and ".ras": JPEG 2000 through
// OpenJPEG, and for every code but the JP2 one a choice by the file's
// content among the portable anymap, BMP, Sun raster, JPEG 2000, JPEG and
// PGX readers.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

namespace VlmImgUt {

namespace {

// ---- OpenJPEG over a C stream ----

OPJ_SIZE_T StreamRead(void *buffer, OPJ_SIZE_T n, void *user)
{
    const size_t got = fread(buffer, 1, n, static_cast<FILE *>(user));
    return got ? got : OPJ_SIZE_T(-1);
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void *user)
{
    return fseeko(static_cast<FILE *>(user), off_t(n), SEEK_CUR) == 0 ? n : -1;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T at, void *user)
{
    return fseeko(static_cast<FILE *>(user), off_t(at), SEEK_SET) == 0 ? OPJ_TRUE : OPJ_FALSE;
}

void Quiet(const char *, void *) {}

struct Decoder {
    opj_stream_t *stream = nullptr;
    opj_codec_t *codec = nullptr;
    opj_image_t *image = nullptr;
    Decoder() = default;
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;
    ~Decoder() { Close(); }
    void Close()
    {
        if (image)
            opj_image_destroy(image);
        if (codec)
            opj_destroy_codec(codec);
        if (stream)
            opj_stream_destroy(stream);
        image = nullptr;
        codec = nullptr;
        stream = nullptr;
    }

    // A new codec over the whole file, its header read; with firstThree
    // only components 0 to 2 are decoded.
    bool Open(FILE *f, OPJ_CODEC_FORMAT format, int64_t size, bool firstThree)
    {
        Close();
        if (fseeko(f, 0, SEEK_SET) != 0)
            return false;
        stream = opj_stream_create(1 << 16, OPJ_TRUE);
        codec = opj_create_decompress(format);
        if (!stream || !codec)
            return false;
        opj_stream_set_user_data(stream, f, nullptr);
        opj_stream_set_user_data_length(stream, OPJ_UINT64(size));
        opj_stream_set_read_function(stream, StreamRead);
        opj_stream_set_skip_function(stream, StreamSkip);
        opj_stream_set_seek_function(stream, StreamSeek);
        opj_set_info_handler(codec, Quiet, nullptr);
        opj_set_warning_handler(codec, Quiet, nullptr);
        opj_set_error_handler(codec, Quiet, nullptr);
        opj_dparameters_t params;
        opj_set_default_decoder_parameters(&params);
        if (!opj_setup_decoder(codec, &params) || !opj_read_header(stream, codec, &image) || !image)
            return false;
        static const OPJ_UINT32 first[3] = {0, 1, 2};
        return !firstThree || opj_set_decoded_components(codec, 3, first, OPJ_FALSE);
    }
};

int64_t CeilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

// ---- the code stream's header, read here before the library sizes anything ----

struct StreamHeader {
    struct Comp {
        int64_t dx = 1, dy = 1;
    };
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;             // the image on the reference grid
    int64_t tileX0 = 0, tileY0 = 0, tileW = 0, tileH = 0; // the tile grid
    int64_t tilesX = 0, tilesY = 0;
    std::vector<Comp> comps;
    // The costliest coding style of any COD or COC: most levels and layers,
    // smallest code-blocks and precincts (as exponents); any colour transform.
    int levels = 0, layers = 1, blockW = 10, blockH = 10, precW = 15, precH = 15;
    bool transform = false;
    int64_t tileParts = 0;

    int64_t Tiles() const { return tilesX * tilesY; }
};

// Positioned reads of the code stream's headers through a small window of
// the file, so that a header of many short markers costs no seek each.
class HeaderBytes {
public:
    explicit HeaderBytes(FILE *file) : f(file) {}
    bool Read(int64_t at, void *dst, size_t n)
    {
        if (n > sizeof window)
            return ReadAt(f, at, dst, n);
        if (at < start || at + int64_t(n) > start + length) {
            if (at < 0 || fseeko(f, off_t(at), SEEK_SET) != 0)
                return false;
            start = at;
            length = int64_t(fread(window, 1, sizeof window, f));
            if (int64_t(n) > length)
                return false;
        }
        memcpy(dst, window + (at - start), n);
        return true;
    }

private:
    FILE *f;
    uint8_t window[4096];
    int64_t start = 0, length = 0;
};

// Takes the coding style parameters (SPcod / SPcoc) at p, n bytes, with
// explicit precinct sizes when asked.
bool TakeStyle(StreamHeader &h, const uint8_t *p, size_t n, bool precincts)
{
    if (n < 5 || p[0] > 32 || p[1] > 8 || p[2] > 8 || p[1] + p[2] > 8)
        return false;
    h.levels = std::max(h.levels, int(p[0]));
    h.blockW = std::min(h.blockW, p[1] + 2);
    h.blockH = std::min(h.blockH, p[2] + 2);
    if (precincts) {
        if (n < size_t(5 + p[0] + 1))
            return false;
        for (int r = 0; r <= p[0]; ++r) {
            h.precW = std::min(h.precW, p[5 + r] & 15);
            h.precH = std::min(h.precH, p[5 + r] >> 4);
        }
    }
    return true;
}

// The markers of a header (main or tile part) from at up to the first
// marker that ends it (SOT for the main header, SOD for a tile part), whose
// position comes back in at. COD and COC are taken; every segment must lie
// within end.
bool ReadMarkers(HeaderBytes &f, int64_t &at, int64_t end, uint16_t stop, StreamHeader &h)
{
    for (;;) {
        uint8_t m[4];
        if (at + 2 > end || !f.Read(at, m, 2) || m[0] != 0xFF)
            return false;
        const uint16_t marker = Get16BE(m);
        if (marker == stop)
            return true;
        if (at + 4 > end || !f.Read(at, m, 4))
            return false;
        const int64_t length = Get16BE(m + 2);
        if (length < 2 || at + 2 + length > end)
            return false;
        if (marker == 0xFF52 || marker == 0xFF53) {
            // COD: Scod, progression, layers, colour transform, SPcod.
            // COC: component (one byte or two), Scoc, SPcoc.
            uint8_t s[64] = {};
            const size_t n = size_t(std::min<int64_t>(length - 2, sizeof s));
            if (!f.Read(at + 4, s, n))
                return false;
            if (marker == 0xFF52) {
                if (n < 5)
                    return false;
                h.layers = std::max(h.layers, int(Get16BE(s + 2)));
                h.transform = h.transform || s[4] != 0;
                if (Get16BE(s + 2) == 0 || !TakeStyle(h, s + 5, n - 5, s[0] & 1))
                    return false;
            } else {
                const size_t c = h.comps.size() < 257 ? 1 : 2;
                if (n < c + 1 || !TakeStyle(h, s + c + 1, n - c - 1, s[c] & 1))
                    return false;
            }
        }
        at += 2 + length;
    }
}

// SIZ, the main header and every tile part's header of the code stream at
// [at, end). False when they are not as the standard has them.
bool ReadStreamHeader(FILE *file, int64_t at, int64_t end, StreamHeader &h)
{
    HeaderBytes f(file);
    uint8_t b[42];
    if (end - at < int64_t(sizeof b) || !f.Read(at, b, sizeof b) || Get16BE(b) != 0xFF4F ||
        Get16BE(b + 2) != 0xFF51)
        return false;
    const int64_t length = Get16BE(b + 4);
    const int64_t count = Get16BE(b + 40);
    h.x1 = Get32BE(b + 8);
    h.y1 = Get32BE(b + 12);
    h.x0 = Get32BE(b + 16);
    h.y0 = Get32BE(b + 20);
    h.tileW = Get32BE(b + 24);
    h.tileH = Get32BE(b + 28);
    h.tileX0 = Get32BE(b + 32);
    h.tileY0 = Get32BE(b + 36);
    if (count < 1 || count > 16384 || length != 38 + 3 * count || at + 2 + 2 + length > end || h.x1 <= h.x0 ||
        h.y1 <= h.y0 || h.tileW < 1 || h.tileH < 1 || h.tileX0 > h.x0 || h.tileY0 > h.y0 ||
        h.tileX0 + h.tileW <= h.x0 || h.tileY0 + h.tileH <= h.y0)
        return false;
    std::vector<uint8_t> c;
    if (!Resize(c, size_t(3 * count)) || !f.Read(at + 42, c.data(), c.size()) ||
        !Resize(h.comps, size_t(count)))
        return false;
    for (int64_t i = 0; i < count; ++i) {
        h.comps[size_t(i)].dx = c[size_t(3 * i + 1)];
        h.comps[size_t(i)].dy = c[size_t(3 * i + 2)];
        if ((c[size_t(3 * i)] & 0x7F) > 37 || h.comps[size_t(i)].dx < 1 || h.comps[size_t(i)].dy < 1)
            return false;
    }
    h.tilesX = CeilDiv(h.x1 - h.tileX0, h.tileW);
    h.tilesY = CeilDiv(h.y1 - h.tileY0, h.tileH);

    int64_t pos = at + 4 + length;
    if (!ReadMarkers(f, pos, end, 0xFF90, h))
        return false;
    // Tile parts, one after the other by their lengths, up to the end of
    // the code stream or anything else (the library judges the rest).
    for (;;) {
        uint8_t s[12];
        if (pos + 12 > end || !f.Read(pos, s, sizeof s) || Get16BE(s) != 0xFF90 || Get16BE(s + 2) != 10)
            return true;
        const int64_t tile = Get16BE(s + 4), partLength = Get32BE(s + 6);
        if (tile >= h.Tiles())
            return false;
        ++h.tileParts;
        int64_t header = pos + 12;
        const int64_t partEnd = partLength ? std::min(end, pos + partLength) : end;
        if (!ReadMarkers(f, header, partEnd, 0xFF93, h))
            return false;
        if (partLength < 14)
            return true;
        pos += partLength;
    }
}

// The code stream of a JP2 file, and whether the header box holds a palette,
// a component mapping or channel definitions, with the palette's columns.
struct Jp2Boxes {
    int64_t stream = -1, streamEnd = -1;
    bool channelBoxes = false;
    int paletteColumns = 0;
};

bool FindJp2Boxes(FILE *f, int64_t size, Jp2Boxes &j)
{
    // Boxes in [at, end); with inside, the boxes of the header box.
    auto walk = [&](int64_t at, int64_t end, bool inside, auto &self) -> bool {
        while (at + 8 <= end) {
            uint8_t b[16];
            if (!ReadAt(f, at, b, 8))
                return false;
            int64_t length = Get32BE(b), head = 8;
            const uint32_t type = Get32BE(b + 4);
            if (length == 1) {
                if (at + 16 > end || !ReadAt(f, at + 8, b + 8, 8))
                    return false;
                const uint64_t l = (uint64_t(Get32BE(b + 8)) << 32) | Get32BE(b + 12);
                if (l > uint64_t(end - at))
                    return false;
                length = int64_t(l);
                head = 16;
            } else if (length == 0) {
                length = end - at;
            }
            if (length < head || length > end - at)
                return false;
            if (inside) {
                if (type == 0x70636C72) { // pclr: entries, columns
                    uint8_t p[3];
                    if (length < head + 3 || !ReadAt(f, at + head, p, 3))
                        return false;
                    j.paletteColumns = std::max(j.paletteColumns, int(p[2]));
                }
                if (type == 0x70636C72 || type == 0x636D6170 || type == 0x63646566) // pclr, cmap, cdef
                    j.channelBoxes = true;
            } else if (type == 0x6A703268) { // jp2h
                if (!self(at + head, at + length, true, self))
                    return false;
            } else if (type == 0x6A703263) { // jp2c
                j.stream = at + head;
                j.streamEnd = at + length;
                return true;
            }
            at += length;
        }
        return true;
    };
    return walk(0, size, false, walk) && j.stream >= 0;
}

// Whether the library may take the header's image: tiles no more than the
// picture's pixels warrant, the tiles' parameters, code-blocks, precincts
// and packets within a fixed working set whatever the header claims, since
// the library sizes all of them before it decodes a sample.
bool Affordable(const StreamHeader &h)
{
    const StreamHeader::Comp &first = h.comps[0];
    const int64_t w = CeilDiv(h.x1, first.dx) - CeilDiv(h.x0, first.dx);
    const int64_t ht = CeilDiv(h.y1, first.dy) - CeilDiv(h.y0, first.dy);
    if (!WithinRecordCap(w, ht))
        return false;
    const int64_t pixels = w * ht;
    // The library's samples of all components (4 bytes each) no larger
    // than the largest record.
    int64_t sampleBytes = 0;
    for (const StreamHeader::Comp &c : h.comps) {
        sampleBytes += (CeilDiv(h.x1, c.dx) - CeilDiv(h.x0, c.dx)) * (CeilDiv(h.y1, c.dy) - CeilDiv(h.y0, c.dy)) * 4;
        if (sampleBytes > Gdi::MaxBitmapPixels * 3)
            return false;
    }
    const int64_t tiles = h.Tiles();
    const int64_t comps = int64_t(h.comps.size());
    constexpr int64_t MiB = int64_t(1) << 20;
    if (tiles > 65535 || tiles > 16 + pixels / 4096 || tiles * (6144 + 1152 * comps) > 64 * MiB ||
        h.tileParts > 65535)
        return false;

    // Code-blocks and precincts of the largest tile, in every component.
    const int64_t tileW = std::min(h.tileW, h.x1 - h.x0), tileH = std::min(h.tileH, h.y1 - h.y0);
    int64_t blocks = 0, precincts = 0, mostPrecincts = 0;
    for (const StreamHeader::Comp &c : h.comps) {
        const int64_t cw = CeilDiv(tileW, c.dx) + 1, ch = CeilDiv(tileH, c.dy) + 1;
        for (int r = 0; r <= h.levels; ++r) {
            const int scale = h.levels - r;
            const int64_t rw = CeilDiv(cw, int64_t(1) << scale), rh = CeilDiv(ch, int64_t(1) << scale);
            const int64_t px = CeilDiv(rw, int64_t(1) << h.precW) + 1, py = CeilDiv(rh, int64_t(1) << h.precH) + 1;
            const int cbw = std::max(0, std::min(h.blockW, h.precW - (r > 0))), cbh = std::max(0, std::min(h.blockH, h.precH - (r > 0)));
            const int64_t bw = r ? CeilDiv(rw, 2) : rw, bh = r ? CeilDiv(rh, 2) : rh;
            blocks += (r ? 3 : 1) * (CeilDiv(bw, int64_t(1) << cbw) + px) * (CeilDiv(bh, int64_t(1) << cbh) + py);
            precincts += px * py;
            mostPrecincts = std::max(mostPrecincts, px * py);
        }
        if ((blocks + precincts) * 256 > 96 * MiB)
            return false;
    }
    // The library's packet iterator holds two bytes for every layer,
    // component, level and precinct; every packet is visited.
    return int64_t(h.layers) * comps * (h.levels + 1) * mostPrecincts * 2 <= 64 * MiB &&
           tiles * h.layers * precincts <= 4 * MiB + pixels / 16;
}

// One component as the picture reads it: its samples scaled to 8 bits,
// sub-sampled ones repeated over the pixels they cover.
struct Component {
    const opj_image_comp_t *comp = nullptr;
    std::vector<int32_t> cols; // component column of each picture column
    int64_t offset = 0, max = 255;
    int64_t top = 0, rows = 1; // the component's rows in the whole image

    bool Init(const opj_image_comp_t &c, const opj_image_comp_t &first, const TSampled &pictureCols,
              const StreamHeader &h)
    {
        comp = &c;
        if (!Resize(cols, pictureCols.size()))
            return false;
        for (size_t k = 0; k < cols.size(); ++k)
            cols[k] = Index(pictureCols[k], first.x0, first.dx, c.x0, c.dx, c.w);
        offset = c.sgnd ? int64_t(1) << (c.prec - 1) : 0;
        max = (int64_t(1) << c.prec) - 1;
        top = CeilDiv(h.y0, c.dy);
        rows = CeilDiv(h.y1, c.dy) - top;
        return true;
    }

    // Index in this component of position i of the first component.
    static int32_t Index(int64_t i, int64_t firstOrigin, int64_t firstStep, int64_t origin, int64_t step,
                         int64_t count)
    {
        const int64_t at = (firstOrigin + i) * firstStep / step - origin;
        return int32_t(at < 0 ? 0 : at >= count ? count - 1 : at);
    }

    // The samples of picture row y (first component row firstTop + y of the
    // whole image) in the decoded band; null when the band lacks it.
    const OPJ_INT32 *Row(int64_t y, int64_t firstTop, int64_t firstStep) const
    {
        const int64_t at = top + Index(y, firstTop, firstStep, top, comp->dy, rows) - comp->y0;
        return at >= 0 && at < int64_t(comp->h) ? comp->data + at * comp->w : nullptr;
    }

    uint8_t Scale(OPJ_INT32 sample) const
    {
        int64_t v = int64_t(sample) + offset;
        v = v < 0 ? 0 : v > max ? max : v;
        return max == 255 ? uint8_t(v) : uint8_t((v * 255 + max / 2) / max);
    }
};

// Stores picture rows [from, to) from a decoded band: components 0 to 2
// give red, green and blue; with fewer than three the first gives grey.
// Later ones (alpha) are not read.
bool PutBand(const opj_image_t &img, const StreamHeader &h, const TReaderRows &rows, int64_t width, int64_t from,
             int64_t to, int64_t firstTop)
{
    if (img.numcomps < 1)
        return false;
    const opj_image_comp_t &first = img.comps[0];
    const int used = img.numcomps >= 3 ? 3 : 1;
    for (int c = 0; c < used; ++c) {
        const opj_image_comp_t &comp = img.comps[c];
        if (!comp.data || comp.w < 1 || comp.h < 1 || comp.dx < 1 || comp.dy < 1 || comp.prec < 1 ||
            comp.prec > 31)
            return false;
    }
    if (int64_t(first.w) != width)
        return false;
    Component comps[3];
    for (int c = 0; c < used; ++c)
        if (!comps[c].Init(img.comps[c], first, rows.Columns(), h))
            return false;
    const int32_t outW = rows.Width();
    for (int64_t y = from; y < to; ++y) {
        const auto [top, end] = rows.Targets(y);
        if (top == end)
            continue;
        const OPJ_INT32 *src[3];
        for (int c = 0; c < used; ++c)
            if (!(src[c] = comps[c].Row(y, firstTop, first.dy)))
                return false;
        uint8_t *dst = rows.Row(top);
        for (int32_t x = 0; x < outW; ++x, dst += 3) {
            if (used == 1) {
                dst[0] = dst[1] = dst[2] = comps[0].Scale(src[0][comps[0].cols[size_t(x)]]);
            } else {
                dst[2] = comps[0].Scale(src[0][comps[0].cols[size_t(x)]]);
                dst[1] = comps[1].Scale(src[1][comps[1].cols[size_t(x)]]);
                dst[0] = comps[2].Scale(src[2][comps[2].cols[size_t(x)]]);
            }
        }
        for (int32_t k = top + 1; k < end; ++k)
            memcpy(rows.Row(k), rows.Row(top), size_t(outW) * 3);
    }
    return true;
}

int64_t Lcm(int64_t a, int64_t b)
{
    return a / std::gcd(a, b) * b;
}

bool DecodeJpeg2000(TImgUt &ctx, FILE *f, OPJ_CODEC_FORMAT format, int32_t maxWidth, int32_t maxHeight)
{
    if (fseeko(f, 0, SEEK_SET) != 0)
        return false;
    const int64_t size = BytesLeft(f);
    if (size <= 0)
        return false;

    // Our own reading of the header decides whether the library may start.
    Jp2Boxes boxes;
    if (format != OPJ_CODEC_JP2) {
        boxes.stream = 0;
        boxes.streamEnd = size;
    } else if (!FindJp2Boxes(f, size, boxes)) {
        return false;
    }
    StreamHeader h;
    if (!ReadStreamHeader(f, boxes.stream, boxes.streamEnd, h) || !Affordable(h))
        return false;
    const int64_t n = int64_t(h.comps.size());
    // Components after the third are left out where nothing mixes them
    // with the first three.
    const bool firstThree = n > 3 && !h.transform && !boxes.channelBoxes;

    Decoder d;
    if (!d.Open(f, format, size, firstThree))
        return false;
    const opj_image_t &head = *d.image;
    if (head.numcomps != OPJ_UINT32(n) || head.x0 != h.x0 || head.y0 != h.y0 || head.x1 != h.x1 || head.y1 != h.y1)
        return false;
    for (OPJ_UINT32 c = 0; c < head.numcomps; ++c) {
        const opj_image_comp_t &comp = head.comps[c];
        if (comp.dx < 1 || comp.dy < 1 || comp.prec < 1 || comp.prec > 31)
            return false;
    }
    const StreamHeader::Comp &c0 = h.comps[0];
    const int64_t firstTop = CeilDiv(h.y0, c0.dy);
    const int64_t width = CeilDiv(h.x1, c0.dx) - CeilDiv(h.x0, c0.dx);
    const int64_t height = CeilDiv(h.y1, c0.dy) - firstTop;

    TReaderRows rows;
    if (!rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;
    const int32_t outW = rows.Width();

    // The image is decoded in bands of whole rows of every component used,
    // each within a working set of a fixed size plus half the
    // record, at about 32 bytes a sample of each component decoded (the
    // band's samples, its tiles' own and the wavelet transform's) and 8 of
    // each palette column.
    const int64_t decoded = firstThree ? 3 : n;
    int64_t step = 1, rowBytes = 1;
    for (int64_t c = 0; c < std::min<int64_t>(n, 3); ++c)
        step = Lcm(step, h.comps[size_t(c)].dy);
    const int64_t canvasW = h.x1 - h.x0;
    for (int64_t c = 0; c < decoded; ++c)
        rowBytes += CeilDiv(canvasW, h.comps[size_t(c)].dx) * 32 / h.comps[size_t(c)].dy + 32;
    rowBytes += int64_t(boxes.paletteColumns) * canvasW * 8;
    const int64_t budget = (int64_t(128) << 20) + int64_t(outW) * rows.Height() * 3 / 2;
    if (step > 65536 || step * rowBytes > 4 * budget)
        return false;
    // Decoded whole, the library holds about 6 bytes a sample and no
    // transform's buffers beyond the tiles'.
    int64_t wholeBytes = int64_t(16) << 20;
    for (int64_t c = 0; c < decoded; ++c) {
        const StreamHeader::Comp &comp = h.comps[size_t(c)];
        wholeBytes += (CeilDiv(h.x1, comp.dx) - CeilDiv(h.x0, comp.dx)) *
                      (CeilDiv(h.y1, comp.dy) - CeilDiv(h.y0, comp.dy)) * 6;
    }
    wholeBytes += int64_t(boxes.paletteColumns) * canvasW * (h.y1 - h.y0) * 4;
    const bool whole = wholeBytes <= budget;
    int64_t band = whole ? h.y1 - h.y0 : std::max(step, budget / rowBytes / step * step), base = 0;
    if (!whole && h.tilesY > 1 && h.tileH <= band && h.tileH % step == 0 && h.tileY0 % step == 0) {
        band = band / h.tileH * h.tileH;
        base = h.tileY0;
    }
    // One tile can be decoded again and again from the same codec; a
    // palette or channel definitions are applied only once by a codec.
    const bool reuse = h.Tiles() == 1 && !(format == OPJ_CODEC_JP2 && boxes.channelBoxes && !firstThree);

    bool opened = true;
    for (int64_t y0 = h.y0; y0 < h.y1;) {
        const int64_t y1 = std::min(h.y1, (y0 - base) / band * band + base + band);
        // Picture rows of the first component in the band; a band without a
        // row the reduction takes is not decoded.
        const int64_t from = CeilDiv(y0, c0.dy) - firstTop, to = CeilDiv(y1, c0.dy) - firstTop;
        bool wanted = false;
        for (int64_t y = from; y < to && !wanted; ++y)
            wanted = rows.Wanted(y);
        const bool last = y1 == h.y1;
        if (wanted || last) {
            if (!opened && !d.Open(f, format, size, firstThree))
                return false;
            opened = reuse;
            if (!(y0 == h.y0 && last) && !opj_set_decode_area(d.codec, d.image, OPJ_INT32(h.x0), OPJ_INT32(y0), OPJ_INT32(h.x1),
                                               OPJ_INT32(y1)))
                return false;
            if (!opj_decode(d.codec, d.stream, d.image) || (last && !opj_end_decompress(d.codec, d.stream)))
                return false;
        }
        if (wanted && !PutBand(*d.image, h, rows, width, from, to, firstTop))
            return false;
        y0 = y1;
    }
    return true;
}

// ---- choosing by content ----

enum class Content { Unknown, Mif, Pnm, Bmp, SunRaster, Jp2, Codestream, Jpeg, Pgx };

Content Sniff(FILE *f)
{
    uint8_t b[12] = {};
    const size_t n = fread(b, 1, sizeof b, f);
    static const uint8_t jp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    if (n >= 4 && memcmp(b, "MIF\n", 4) == 0)
        return Content::Mif;
    if (n >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6')
        return Content::Pnm;
    if (n >= 2 && b[0] == 'B' && b[1] == 'M')
        return Content::Bmp;
    if (n >= 4 && b[0] == 0x59 && b[1] == 0xA6 && b[2] == 0x6A && b[3] == 0x95)
        return Content::SunRaster;
    if (n >= 12 && memcmp(b, jp2, 12) == 0)
        return Content::Jp2;
    if (n >= 4 && b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51)
        return Content::Codestream;
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xD8)
        return Content::Jpeg;
    if (n >= 2 && b[0] == 'P' && b[1] == 'G')
        return Content::Pgx;
    return Content::Unknown;
}

} // namespace

bool ReadJasper(TImgUt &ctx, const QString &path, int code, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    if (code == 7)
        return DecodeJpeg2000(ctx, file.get(), OPJ_CODEC_JP2, maxWidth, maxHeight);

    switch (Sniff(file.get())) {
    case Content::Pnm:
        return ReadPnm(ctx, path, maxWidth, maxHeight);
    case Content::Bmp:
        return ReadBmp(ctx, path, maxWidth, maxHeight);
    case Content::SunRaster:
        return ReadSunRaster(ctx, path, maxWidth, maxHeight);
    case Content::Jp2:
        return DecodeJpeg2000(ctx, file.get(), OPJ_CODEC_JP2, maxWidth, maxHeight);
    case Content::Codestream:
        return DecodeJpeg2000(ctx, file.get(), OPJ_CODEC_J2K, maxWidth, maxHeight);
    case Content::Jpeg:
        return ReadJpeg(ctx, path, maxWidth, maxHeight);
    case Content::Pgx:
        return ReadPgx(ctx, path, maxWidth, maxHeight);
    default:
        return false;
    }
}

} // namespace VlmImgUt
