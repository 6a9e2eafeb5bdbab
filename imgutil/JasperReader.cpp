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
#include <malloc.h>
#include <mutex>
#include <new>
#include <numeric>
#include <vector>

namespace VlmImgUt {

namespace {

constexpr int64_t MiB = int64_t(1) << 20;

int64_t CeilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

int64_t CeilShift(int64_t a, int shift)
{
    return (a + (int64_t(1) << shift) - 1) >> shift;
}

int64_t Lcm(int64_t a, int64_t b)
{
    return a / std::gcd(a, b) * b;
}

// ---- OpenJPEG over a C stream ----

// The file as the library reads it: where the reader moved the image on
// the reference grid, the size marker's sizes and offsets as moved.
struct Source {
    FILE *f = nullptr;
    const TReadBudget *budget = nullptr; // a stopped read reads nothing more
    int64_t pos = 0;
    int64_t patchAt = -1;   // file position of Xsiz; -1: nothing replaced
    uint8_t patch[32] = {}; // Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz, XTOsiz, YTOsiz
};

OPJ_SIZE_T StreamRead(void *buffer, OPJ_SIZE_T n, void *user)
{
    Source &s = *static_cast<Source *>(user);
    if (s.budget && s.budget->Stopped())
        return OPJ_SIZE_T(-1);
    const size_t got = fread(buffer, 1, n, s.f);
    if (!got)
        return OPJ_SIZE_T(-1);
    if (s.patchAt >= 0) {
        const int64_t from = std::max(s.pos, s.patchAt);
        const int64_t to = std::min(s.pos + int64_t(got), s.patchAt + int64_t(sizeof s.patch));
        if (from < to)
            memcpy(static_cast<uint8_t *>(buffer) + (from - s.pos), s.patch + (from - s.patchAt), size_t(to - from));
    }
    s.pos += int64_t(got);
    return got;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void *user)
{
    Source &s = *static_cast<Source *>(user);
    if (fseeko(s.f, off_t(n), SEEK_CUR) != 0)
        return -1;
    s.pos += n;
    return n;
}

OPJ_BOOL StreamSeek(OPJ_OFF_T at, void *user)
{
    Source &s = *static_cast<Source *>(user);
    if (fseeko(s.f, off_t(at), SEEK_SET) != 0)
        return OPJ_FALSE;
    s.pos = at;
    return OPJ_TRUE;
}

void Quiet(const char *, void *) {}

// The library decodes on one thread for each core.
int Threads()
{
    static const int n = opj_has_thread_support() ? std::clamp(opj_get_num_cpus(), 1, 64) : 1;
    return n;
}

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

    // A new codec over the whole file, its header read, decoding at
    // 1 / 2^reduce of the full resolution; with firstThree only
    // components 0 to 2 are decoded.
    bool Open(Source &src, OPJ_CODEC_FORMAT format, int64_t size, bool firstThree, int reduce)
    {
        Close();
        if (fseeko(src.f, 0, SEEK_SET) != 0)
            return false;
        src.pos = 0;
        stream = opj_stream_create(1 << 16, OPJ_TRUE);
        codec = opj_create_decompress(format);
        if (!stream || !codec)
            return false;
        opj_stream_set_user_data(stream, &src, nullptr);
        opj_stream_set_user_data_length(stream, OPJ_UINT64(size));
        opj_stream_set_read_function(stream, StreamRead);
        opj_stream_set_skip_function(stream, StreamSkip);
        opj_stream_set_seek_function(stream, StreamSeek);
        opj_set_info_handler(codec, Quiet, nullptr);
        opj_set_warning_handler(codec, Quiet, nullptr);
        opj_set_error_handler(codec, Quiet, nullptr);
        opj_dparameters_t params;
        opj_set_default_decoder_parameters(&params);
        params.cp_reduce = OPJ_UINT32(reduce);
        if (!opj_setup_decoder(codec, &params))
            return false;
        // Without threads (none left to the process) it decodes on this one.
        opj_codec_set_threads(codec, Threads());
        if (!opj_read_header(stream, codec, &image) || !image)
            return false;
        static const OPJ_UINT32 first[3] = {0, 1, 2};
        return !firstThree || opj_set_decoded_components(codec, 3, first, OPJ_FALSE);
    }
};

// ---- the code stream's header, read here before the library sizes anything ----

struct StreamHeader {
    struct Comp {
        int64_t dx = 1, dy = 1;
    };
    int64_t sizAt = 0;                                    // file position of Xsiz
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;               // the image on the reference grid
    int64_t tileX0 = 0, tileY0 = 0, tileW = 0, tileH = 0; // the tile grid
    int64_t tilesX = 0, tilesY = 0;                       // at most 65,535 tiles in all
    std::vector<Comp> comps;
    int64_t minDx = 1, minDy = 1;
    // Of every COD and COC: the most levels and layers, the fewest levels,
    // any colour transform, the tallest code-block (exponent) of any
    // level; the largest grid step a precinct or code-block of any level
    // is aligned to (exponent, without the sub-sampling).
    int levels = 0, minLevels = 32, layers = 1, blockH = 0, alignX = 0, alignY = 0;
    bool transform = false;
    // The costliest coding style in one component of the largest tile:
    // code-blocks and precincts, each level costed at its own precinct
    // size, and the most precincts of one level.
    int64_t blocks = 0, precincts = 0, mostPrecincts = 0;
    std::vector<int64_t> tileBytes; // the bytes of each tile's tile parts
    bool partsInOrder = true;       // each tile's parts one after the other

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
// explicit precinct sizes when asked (else 2^15 at every level).
bool TakeStyle(StreamHeader &h, const uint8_t *p, size_t n, bool explicitPrecincts)
{
    if (n < 5 || p[0] > 32 || p[1] > 8 || p[2] > 8 || p[1] + p[2] > 8)
        return false;
    const int levels = p[0], blockW = p[1] + 2, blockH = p[2] + 2;
    if (explicitPrecincts && n < size_t(5 + levels + 1))
        return false;
    h.levels = std::max(h.levels, levels);
    h.minLevels = std::min(h.minLevels, levels);

    // One component of the largest tile, one more sample each way for
    // where it lies on the grid.
    const int64_t cw = CeilDiv(std::min(h.tileW, h.x1 - h.x0), h.minDx) + 1;
    const int64_t ch = CeilDiv(std::min(h.tileH, h.y1 - h.y0), h.minDy) + 1;
    int64_t blocks = 0, precincts = 0;
    for (int r = 0; r <= levels; ++r) {
        const int precW = explicitPrecincts ? p[5 + r] & 15 : 15;
        const int precH = explicitPrecincts ? p[5 + r] >> 4 : 15;
        const int scale = levels - r;
        h.alignX = std::max(h.alignX, scale + precW);
        h.alignY = std::max(h.alignY, scale + precH);
        const int64_t rw = CeilShift(cw, scale), rh = CeilShift(ch, scale);
        const int64_t px = CeilShift(rw, precW) + 1, py = CeilShift(rh, precH) + 1;
        const int cbw = std::max(0, std::min(blockW, precW - (r > 0)));
        const int cbh = std::max(0, std::min(blockH, precH - (r > 0)));
        h.blockH = std::max(h.blockH, cbh);
        const int64_t bw = r ? CeilDiv(rw, 2) : rw, bh = r ? CeilDiv(rh, 2) : rh;
        blocks += (r ? 3 : 1) * (CeilShift(bw, cbw) + px) * (CeilShift(bh, cbh) + py);
        precincts += px * py;
        h.mostPrecincts = std::max(h.mostPrecincts, px * py);
    }
    h.blocks = std::max(h.blocks, blocks);
    h.precincts = std::max(h.precincts, precincts);
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
// [at, end). False when they are not as the standard has them, or claim a
// picture beyond the record's cap.
bool ReadStreamHeader(FILE *file, int64_t at, int64_t end, StreamHeader &h)
{
    HeaderBytes f(file);
    uint8_t b[42];
    if (end - at < int64_t(sizeof b) || !f.Read(at, b, sizeof b) || Get16BE(b) != 0xFF4F ||
        Get16BE(b + 2) != 0xFF51)
        return false;
    const int64_t length = Get16BE(b + 4);
    const int64_t count = Get16BE(b + 40);
    h.sizAt = at + 8;
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
    h.minDx = h.minDy = 255;
    for (int64_t i = 0; i < count; ++i) {
        StreamHeader::Comp &comp = h.comps[size_t(i)];
        comp.dx = c[size_t(3 * i + 1)];
        comp.dy = c[size_t(3 * i + 2)];
        if ((c[size_t(3 * i)] & 0x7F) > 37 || comp.dx < 1 || comp.dy < 1)
            return false;
        h.minDx = std::min(h.minDx, comp.dx);
        h.minDy = std::min(h.minDy, comp.dy);
    }
    // The picture within the record's cap, and the library's samples of
    // all components (4 bytes each) no larger than the largest record.
    const StreamHeader::Comp &first = h.comps[0];
    if (!WithinRecordCap(CeilDiv(h.x1, first.dx) - CeilDiv(h.x0, first.dx),
                         CeilDiv(h.y1, first.dy) - CeilDiv(h.y0, first.dy)))
        return false;
    int64_t sampleBytes = 0;
    for (const StreamHeader::Comp &comp : h.comps) {
        sampleBytes +=
            (CeilDiv(h.x1, comp.dx) - CeilDiv(h.x0, comp.dx)) * (CeilDiv(h.y1, comp.dy) - CeilDiv(h.y0, comp.dy)) * 4;
        if (sampleBytes > Gdi::MaxBitmapPixels * 3)
            return false;
    }
    // At most 65,535 tiles, as the tile parts number them, each with a
    // tile part of at least 14 bytes in the code stream.
    h.tilesX = CeilDiv(h.x1 - h.tileX0, h.tileW);
    h.tilesY = CeilDiv(h.y1 - h.tileY0, h.tileH);
    if (h.tilesX > 65535 || h.tilesY > 65535 || h.tilesX * h.tilesY > 65535 || h.Tiles() * 14 > end - at ||
        !Resize(h.tileBytes, size_t(h.Tiles())))
        return false;

    int64_t pos = at + 4 + length;
    if (!ReadMarkers(f, pos, end, 0xFF90, h))
        return false;
    // Tile parts, one after the other by their lengths, up to the end of
    // the code stream or anything else (the library judges the rest).
    int64_t lastTile = -1;
    for (;;) {
        uint8_t s[12];
        if (pos + 12 > end || !f.Read(pos, s, sizeof s) || Get16BE(s) != 0xFF90 || Get16BE(s + 2) != 10)
            return true;
        const int64_t tile = Get16BE(s + 4), partLength = Get32BE(s + 6);
        if (tile >= h.Tiles())
            return false;
        int64_t header = pos + 12;
        const int64_t partEnd = partLength ? std::min(end, pos + partLength) : end;
        if (!ReadMarkers(f, header, partEnd, 0xFF93, h))
            return false;
        if (tile != lastTile && h.tileBytes[size_t(tile)] > 0)
            h.partsInOrder = false;
        h.tileBytes[size_t(tile)] += partEnd - pos;
        lastTile = tile;
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

// Whether the code stream holds a byte for every packet its header claims
// (with room for the estimate's rounding); its tiles' parts were counted
// with the header.
bool HoldsWhatItClaims(const StreamHeader &h, int64_t streamBytes)
{
    const int64_t packets = h.Tiles() * h.layers * int64_t(h.comps.size()) * h.precincts;
    return packets <= 4 * streamBytes + 65536;
}

// What the library holds beside the samples, decoding `decoded`
// components: its parameters of every tile (sized from the main header),
// the code-blocks, precincts and packet iterator of the tile it decodes,
// and the code stream data it keeps (all of it for one tile, else a
// tile's), and a megabyte for the codec itself.
int64_t LibraryBytes(const StreamHeader &h, int64_t decoded, int64_t streamBytes)
{
    const int64_t comps = int64_t(h.comps.size());
    int64_t data = streamBytes;
    if (h.Tiles() > 1 && h.partsInOrder)
        data = std::min(data, 2 * *std::max_element(h.tileBytes.begin(), h.tileBytes.end()));
    return h.Tiles() * (11264 + 1152 * comps) + (h.blocks * 512 + h.precincts * 256) * decoded +
           int64_t(h.layers) * decoded * (h.levels + 1) * h.mostPrecincts * 2 + data + MiB;
}

// Moves one axis of the image toward the grid's origin by a multiple of
// grid (which keeps every precinct, code-block and transform step where it
// lies, so the samples stay the same) when its far end lies beyond what
// the library counts in 32-bit ints. The tile boundaries inside the image
// stay where they are and keep their numbers. False when the axis cannot
// be moved far enough.
bool MoveAxis(int64_t &x0, int64_t &x1, int64_t &tile0, int64_t &tile, int64_t tiles, int64_t grid, int64_t &moved)
{
    constexpr int64_t Far = int64_t(1) << 30;
    moved = 0;
    if (x1 <= Far)
        return true;
    if (grid > Far)
        return x1 <= INT32_MAX;
    const int64_t edge = tile0 + tile; // the first tile boundary
    const int64_t limit = tiles == 1 ? x0 : tiles == 2 ? std::min(x0, 2 * edge - x1) : tile0;
    moved = limit / grid * grid;
    if (moved <= 0 || x1 - moved > Far) {
        moved = 0;
        return x1 <= INT32_MAX;
    }
    if (tiles == 1) {
        tile0 = x0 - moved;
        tile = x1 - x0;
    } else if (tiles == 2) {
        tile = std::max(edge - x0, x1 - edge);
        tile0 = edge - moved - tile;
    } else {
        tile0 -= moved;
    }
    x0 -= moved;
    x1 -= moved;
    return true;
}

// The image moved on the grid where its coordinates pass what the library
// takes, and the size marker rewritten for the library to match.
bool MoveOnGrid(StreamHeader &h, Source &src)
{
    constexpr int64_t Far = int64_t(1) << 30;
    int64_t lx = 1, ly = 1;
    for (const StreamHeader::Comp &c : h.comps) {
        lx = std::min(Lcm(lx, c.dx), Far + 1);
        ly = std::min(Lcm(ly, c.dy), Far + 1);
    }
    const int64_t gx = h.alignX > 30 ? Far + 1 : std::min(lx << h.alignX, Far + 1);
    const int64_t gy = h.alignY > 30 ? Far + 1 : std::min(ly << h.alignY, Far + 1);
    int64_t movedX = 0, movedY = 0;
    if (!MoveAxis(h.x0, h.x1, h.tileX0, h.tileW, h.tilesX, gx, movedX) ||
        !MoveAxis(h.y0, h.y1, h.tileY0, h.tileH, h.tilesY, gy, movedY))
        return false;
    if (movedX || movedY) {
        src.patchAt = h.sizAt;
        const int64_t v[8] = {h.x1, h.y1, h.x0, h.y0, h.tileW, h.tileH, h.tileX0, h.tileY0};
        for (int i = 0; i < 8; ++i)
            Put32(uint32_t(v[i]), src.patch + 4 * i, true);
    }
    return true;
}

// ---- the decoded samples into the picture ----

// One component's decoded samples over a window of the image, in the
// component's own samples at the decoded resolution.
struct Plane {
    const uint8_t *data = nullptr;
    int bytes = 4; // 1, 2 or 4 a sample
    bool sgnd = false;
    int64_t x0 = 0, y0 = 0, w = 0, h = 0;

    int32_t At(int64_t i) const
    {
        switch (bytes) {
        case 1:
            return sgnd ? int32_t(int8_t(data[i])) : int32_t(data[i]);
        case 2: {
            uint16_t v;
            memcpy(&v, data + 2 * i, 2);
            return sgnd ? int32_t(int16_t(v)) : int32_t(v);
        }
        default: {
            int32_t v;
            memcpy(&v, data + 4 * i, 4);
            return v;
        }
        }
    }
};

// A component of the image as the picture reads it: where its samples lie
// at the decoded resolution, and their scaling to 8 bits.
struct Component {
    int64_t dx = 1, dy = 1;
    int64_t x0 = 0, y0 = 0, w = 1, h = 1; // the image's samples of it
    int64_t offset = 0, max = 255;

    void Init(const StreamHeader &hd, size_t c, int reduce, int prec, bool sgnd)
    {
        dx = hd.comps[c].dx;
        dy = hd.comps[c].dy;
        x0 = CeilShift(CeilDiv(hd.x0, dx), reduce);
        y0 = CeilShift(CeilDiv(hd.y0, dy), reduce);
        w = CeilShift(CeilDiv(hd.x1, dx), reduce) - x0;
        h = CeilShift(CeilDiv(hd.y1, dy), reduce) - y0;
        offset = sgnd ? int64_t(1) << (prec - 1) : 0;
        max = (int64_t(1) << prec) - 1;
    }

    // The sample of this component (from the grid's origin) that sample i
    // of the first component (from the image's first) takes.
    int64_t Of(int64_t i, bool rows, const Component &first) const
    {
        const int64_t at = rows ? (first.y0 + i) * first.dy / dy - y0 : (first.x0 + i) * first.dx / dx - x0;
        const int64_t count = rows ? h : w;
        return (at < 0 ? 0 : at >= count ? count - 1 : at) + (rows ? y0 : x0);
    }

    uint8_t Scale(int32_t sample) const
    {
        int64_t v = int64_t(sample) + offset;
        v = v < 0 ? 0 : v > max ? max : v;
        return max == 255 ? uint8_t(v) : uint8_t((v * 255 + max / 2) / max);
    }
};

// Where each picture column and row takes its pixel from: a column and
// row of the first component at the decoded resolution, from the image's
// first, by the shared reduction's nearest sampling.
struct Sampling {
    TSampled cols, rows;

    static TSampled Of(int64_t src, int32_t dst)
    {
        if (src == dst)
            return TSampled::Every(dst);
        return TSampled::Of(TReduction::Sample(src, dst, std::max(1.0f, float(src) / float(dst))));
    }
    bool Init(int64_t srcW, int64_t srcH, int32_t width, int32_t height)
    {
        try {
            cols = Of(srcW, width);
            rows = Of(srcH, height);
            return true;
        } catch (const std::bad_alloc &) {
            return false;
        }
    }
};

// Stores the picture's pixels that come from a window of the first
// component's samples, [fromX, toX) x [fromY, toY) from the image's first:
// components 0 to 2 give red, green and blue; with fewer than three the
// first gives grey. False when a plane lacks a sample the window needs.
bool PutWindow(const TReaderRows &out, const Sampling &s, const Component *comps, const Plane *planes, int used,
               int64_t fromX, int64_t toX, int64_t fromY, int64_t toY)
{
    const int32_t j0 = s.cols.From(fromX), j1 = s.cols.From(toX);
    const int32_t k0 = s.rows.From(fromY), k1 = s.rows.From(toY);
    if (j0 >= j1 || k0 >= k1)
        return true;
    std::vector<int64_t> cols[3];
    for (int c = 0; c < used; ++c) {
        if (!Resize(cols[c], size_t(j1 - j0)))
            return false;
        for (int32_t j = j0; j < j1; ++j) {
            const int64_t at = comps[c].Of(s.cols[size_t(j)], false, comps[0]) - planes[c].x0;
            if (at < 0 || at >= planes[c].w)
                return false;
            cols[c][size_t(j - j0)] = at;
        }
    }
    for (int32_t k = k0; k < k1; ++k) {
        int64_t row[3];
        for (int c = 0; c < used; ++c) {
            const int64_t at = comps[c].Of(s.rows[size_t(k)], true, comps[0]) - planes[c].y0;
            if (at < 0 || at >= planes[c].h)
                return false;
            row[c] = at * planes[c].w;
        }
        uint8_t *dst = out.Row(k) + 3 * int64_t(j0);
        for (int32_t j = 0; j < j1 - j0; ++j, dst += 3) {
            if (used == 1) {
                dst[0] = dst[1] = dst[2] = comps[0].Scale(planes[0].At(row[0] + cols[0][size_t(j)]));
            } else {
                dst[2] = comps[0].Scale(planes[0].At(row[0] + cols[0][size_t(j)]));
                dst[1] = comps[1].Scale(planes[1].At(row[1] + cols[1][size_t(j)]));
                dst[0] = comps[2].Scale(planes[2].At(row[2] + cols[2][size_t(j)]));
            }
        }
    }
    return true;
}

// The planes of a decoded image (the whole image or a band of it).
bool ImagePlanes(const opj_image_t &img, int used, int reduce, Plane *planes)
{
    if (img.numcomps < OPJ_UINT32(used))
        return false;
    for (int c = 0; c < used; ++c) {
        const opj_image_comp_t &comp = img.comps[c];
        if (!comp.data || comp.w < 1 || comp.h < 1)
            return false;
        planes[c].data = reinterpret_cast<const uint8_t *>(comp.data);
        planes[c].bytes = 4;
        // The library keeps the component's origin at full resolution.
        planes[c].x0 = CeilShift(comp.x0, reduce);
        planes[c].y0 = CeilShift(comp.y0, reduce);
        planes[c].w = comp.w;
        planes[c].h = comp.h;
    }
    return true;
}

// While reads decode in bands or tiles, the freed top of the heap stays
// with the process up to their working set: glibc would give it back at
// every band and take it again, faulting in every page once a band. The
// last of them gives the memory back. (glibc keeps its threshold for
// mapping large blocks fixed from the first change on.)
class KeptHeap {
public:
    explicit KeptHeap(int64_t bytes)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (users++ == 0 || bytes > kept) {
            kept = std::min<int64_t>(std::max<int64_t>(bytes, 128 << 10), INT32_MAX);
            mallopt(M_TRIM_THRESHOLD, int(kept));
        }
    }
    ~KeptHeap()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (--users == 0) {
            mallopt(M_TRIM_THRESHOLD, 128 << 10);
            malloc_trim(0);
            kept = 0;
        }
    }
    KeptHeap(const KeptHeap &) = delete;
    KeptHeap &operator=(const KeptHeap &) = delete;

private:
    static inline std::mutex mutex;
    static inline int users = 0;
    static inline int64_t kept = 0;
};

// Samples decoded at once, in a band or a tile: about 50 ms of decoding
// on all cores, so that a stopped read ends soon.
constexpr int64_t StepSamples = int64_t(1) << 22;
// Sources of more pixels than this are previewed from a reduced resolution
// of the library's own, where one covers the record.
constexpr int64_t LargeSource = int64_t(1) << 22;

// One read of a JPEG 2000 file or code stream: our reading of its header,
// then the library decoding the image whole, tile by tile or in bands of
// rows, each piece counted against the read's budget before it starts.
struct Jpeg2000Read {
    Jpeg2000Read(TImgUt &c, FILE *file, OPJ_CODEC_FORMAT fmt) : ctx(c), f(file), format(fmt) {}

    TImgUt &ctx;
    FILE *f;
    OPJ_CODEC_FORMAT format;
    int64_t size = 0;
    StreamHeader h;
    Jp2Boxes boxes;
    Source src;
    bool firstThree = false;
    int64_t decoded = 1; // components the library decodes
    int used = 1;        // components the picture takes
    int reduce = 0;
    Component comps[3];
    Sampling sampling;
    TReaderRows rows;

    // The sample at grid position a of a component sub-sampled by step,
    // at the decoded resolution.
    int64_t At(int64_t a, int64_t step) const { return CeilShift(CeilDiv(a, step), reduce); }

    // Samples decoded over refRows rows of the grid, of every component
    // decoded (palette columns too).
    int64_t Samples(int64_t refRows) const
    {
        int64_t n = 0;
        for (int64_t c = 0; c < decoded; ++c) {
            const StreamHeader::Comp &comp = h.comps[size_t(c)];
            n += (At(h.x1, comp.dx) - At(h.x0, comp.dx)) * CeilDiv(refRows, comp.dy << reduce);
        }
        return n + int64_t(boxes.paletteColumns) * comps[0].w * CeilDiv(refRows, h.comps[0].dy << reduce);
    }
    int64_t WholeSamples() const
    {
        int64_t n = 0;
        for (int64_t c = 0; c < decoded; ++c) {
            const StreamHeader::Comp &comp = h.comps[size_t(c)];
            n += (At(h.x1, comp.dx) - At(h.x0, comp.dx)) * (At(h.y1, comp.dy) - At(h.y0, comp.dy));
        }
        return n + int64_t(boxes.paletteColumns) * comps[0].w * comps[0].h;
    }

    bool Run(int32_t maxWidth, int32_t maxHeight);
    bool Whole(Decoder &d);
    bool Tiles(Decoder &d, TBudgetHold &held);
    bool Bands(Decoder &d, TBudgetHold &held);
};

// The whole image in one decode.
bool Jpeg2000Read::Whole(Decoder &d)
{
    const int64_t samples = WholeSamples();
    Plane planes[3];
    return ctx.budget.Spend(samples) && opj_decode(d.codec, d.stream, d.image) &&
           opj_end_decompress(d.codec, d.stream) && ImagePlanes(*d.image, used, reduce, planes) &&
           PutWindow(rows, sampling, comps, planes, used, 0, comps[0].w, 0, comps[0].h);
}

// Tile by tile from one codec, each tile whole.
bool Jpeg2000Read::Tiles(Decoder &d, TBudgetHold &held)
{
    const int64_t tiles = h.Tiles();
    std::vector<bool> done;
    std::vector<uint8_t> data;
    if (!Resize(done, size_t(tiles)))
        return false;
    for (int64_t count = 0;; ++count) {
        OPJ_UINT32 index = 0, n = 0;
        OPJ_UINT32 dataSize = 0;
        OPJ_INT32 tx0 = 0, ty0 = 0, tx1 = 0, ty1 = 0;
        OPJ_BOOL more = OPJ_FALSE;
        if (ctx.budget.Stopped() ||
            !opj_read_tile_header(d.codec, d.stream, &index, &dataSize, &tx0, &ty0, &tx1, &ty1, &n, &more))
            return false;
        if (!more)
            return count == tiles && opj_end_decompress(d.codec, d.stream);
        if (index >= OPJ_UINT32(tiles) || done[index] || tx0 < 0 || ty0 < 0 || tx1 <= tx0 || ty1 <= ty0)
            return false;
        done[index] = true;
        // The tile's samples of each component decoded, one component after
        // the other, in 1, 2 or 4 bytes as the precision needs.
        Plane planes[3];
        int64_t at[3] = {}, bytes = 0, samples = 0;
        for (int64_t c = 0; c < int64_t(d.image->numcomps) && c < decoded; ++c) {
            const opj_image_comp_t &comp = d.image->comps[c];
            const int64_t cx0 = At(tx0, comp.dx), cx1 = At(tx1, comp.dx);
            const int64_t cy0 = At(ty0, comp.dy), cy1 = At(ty1, comp.dy);
            const int width = comp.prec <= 8 ? 1 : comp.prec <= 16 ? 2 : 4;
            if (c < used) {
                planes[c].bytes = width;
                planes[c].sgnd = comp.sgnd != 0;
                planes[c].x0 = cx0;
                planes[c].y0 = cy0;
                planes[c].w = cx1 - cx0;
                planes[c].h = cy1 - cy0;
                at[c] = bytes;
            }
            bytes += (cx1 - cx0) * (cy1 - cy0) * width;
            samples += (cx1 - cx0) * (cy1 - cy0);
        }
        if (bytes != int64_t(dataSize) || !ctx.budget.Spend(samples))
            return false;
        if (int64_t(data.size()) < bytes && (!held.Take(bytes - int64_t(data.size())) || !Resize(data, size_t(bytes))))
            return false;
        if (!opj_decode_tile_data(d.codec, index, data.data(), dataSize, d.stream))
            return false;
        for (int c = 0; c < used; ++c)
            planes[c].data = data.data() + at[c];
        // The tile's samples of the first component, from the image's first.
        const int64_t fx0 = planes[0].x0 - comps[0].x0, fy0 = planes[0].y0 - comps[0].y0;
        if (!PutWindow(rows, sampling, comps, planes, used, fx0, fx0 + planes[0].w, fy0, fy0 + planes[0].h))
            return false;
    }
}

// Bands of whole rows of the grid, each decoded as an area of the image.
bool Jpeg2000Read::Bands(Decoder &d, TBudgetHold &held)
{
    // Rows of every component used start at a band's first row.
    int64_t step = 1;
    for (int c = 0; c < used; ++c)
        step = Lcm(step, h.comps[size_t(c)].dy);
    step <<= reduce;
    // The library holds about 16 bytes a sample of a band (its samples,
    // the tile's window and the wavelet transform's), beside the decoded
    // code-blocks around the band and their copies, up to a dozen
    // code-blocks high, or the whole image's. A codec that decodes its
    // tile again keeps some 16 bytes more of every code-block each time:
    // it is opened afresh after a quarter of the memory went that way.
    const int64_t perStep = Samples(step) * 16;
    const int64_t margin = std::min(Samples(h.comps[0].dy << reduce) * 48 << h.blockH, WholeSamples() * 4);
    const int64_t growth = std::max<int64_t>(h.blocks * decoded * 16, 1);
    const int64_t free = ctx.budget.MemoryLeft() - margin;
    const int64_t perCodec = std::max<int64_t>(free / 4 / growth, 1);
    const int64_t byMemory = (free - perCodec * growth) / perStep;
    int64_t band = std::min(StepSamples / std::max<int64_t>(Samples(step), 1), byMemory) * step;
    if (band < step || !held.Take(band / step * perStep + margin + perCodec * growth))
        return false;
    int64_t base = 0;
    if (h.tilesY > 1 && h.tileH <= band && h.tileH % step == 0 && h.tileY0 % step == 0) {
        band = band / h.tileH * h.tileH;
        base = h.tileY0;
    }
    // One tile can be decoded again and again from the same codec; a
    // palette or channel definitions are applied only once by a codec.
    const bool reuse = h.Tiles() == 1 && !(format == OPJ_CODEC_JP2 && boxes.channelBoxes && !firstThree);
    KeptHeap kept(band / step * perStep + margin);

    int64_t decodes = 0; // by the codec open; it came opened
    for (int64_t y0 = h.y0; y0 < h.y1;) {
        const int64_t y1 = std::min(h.y1, (y0 - base) / band * band + base + band);
        // The first component's rows in the band, at the decoded
        // resolution; a band without a row the picture takes is not
        // decoded, but for the last, which ends the code stream.
        const StreamHeader::Comp &c0 = h.comps[0];
        const int64_t from = At(y0, c0.dy) - comps[0].y0, to = At(y1, c0.dy) - comps[0].y0;
        const bool wanted = sampling.rows.From(from) < sampling.rows.From(to);
        const bool last = y1 == h.y1;
        if (wanted || last) {
            if (!ctx.budget.Spend(Samples(y1 - y0)))
                return false;
            if (decodes > 0 && (!reuse || decodes == perCodec)) {
                if (!d.Open(src, format, size, firstThree, reduce))
                    return false;
                decodes = 0;
            }
            ++decodes;
            // The grid was moved to where its coordinates fit the library's ints.
            if (!opj_set_decode_area(d.codec, d.image, OPJ_INT32(h.x0), OPJ_INT32(y0), OPJ_INT32(h.x1),
                                     OPJ_INT32(y1)) ||
                !opj_decode(d.codec, d.stream, d.image) || (last && !opj_end_decompress(d.codec, d.stream)))
                return false;
        }
        Plane planes[3];
        if (wanted && (!ImagePlanes(*d.image, used, reduce, planes) ||
                       !PutWindow(rows, sampling, comps, planes, used, 0, comps[0].w, from, to)))
            return false;
        y0 = y1;
    }
    return true;
}

bool Jpeg2000Read::Run(int32_t maxWidth, int32_t maxHeight)
{
    if (fseeko(f, 0, SEEK_SET) != 0)
        return false;
    size = BytesLeft(f);
    if (size <= 0)
        return false;

    // Our own reading of the header decides whether the library may start.
    if (format != OPJ_CODEC_JP2) {
        boxes.stream = 0;
        boxes.streamEnd = size;
    } else if (!FindJp2Boxes(f, size, boxes)) {
        return false;
    }
    const int64_t streamBytes = boxes.streamEnd - boxes.stream;
    src.f = f;
    src.budget = &ctx.budget;
    if (!ReadStreamHeader(f, boxes.stream, boxes.streamEnd, h) || !HoldsWhatItClaims(h, streamBytes) ||
        !MoveOnGrid(h, src))
        return false;
    const int64_t n = int64_t(h.comps.size());
    // Components after the third are left out where nothing mixes them
    // with the first three.
    firstThree = n > 3 && !h.transform && !boxes.channelBoxes;
    decoded = firstThree ? 3 : n;
    const StreamHeader::Comp &c0 = h.comps[0];
    const int64_t width = CeilDiv(h.x1, c0.dx) - CeilDiv(h.x0, c0.dx);
    const int64_t height = CeilDiv(h.y1, c0.dy) - CeilDiv(h.y0, c0.dy);
    if (!rows.Start(ctx, width, height, maxWidth, maxHeight))
        return false;

    // A large source previewed from the library's coarsest resolution that
    // still covers the record.
    auto covers = [&](int r) {
        return CeilShift(CeilDiv(h.x1, c0.dx), r) - CeilShift(CeilDiv(h.x0, c0.dx), r) >= rows.Width() &&
               CeilShift(CeilDiv(h.y1, c0.dy), r) - CeilShift(CeilDiv(h.y0, c0.dy), r) >= rows.Height();
    };
    if (width * height > LargeSource)
        while (reduce < h.minLevels && covers(reduce + 1))
            ++reduce;

    TBudgetHold held(ctx.budget);
    if (!held.Take(LibraryBytes(h, decoded, streamBytes)))
        return false;
    Decoder d;
    if (ctx.budget.Stopped() || !d.Open(src, format, size, firstThree, reduce))
        return false;
    const opj_image_t &head = *d.image;
    if (head.numcomps != OPJ_UINT32(n) || head.x0 != h.x0 || head.y0 != h.y0 || head.x1 != h.x1 || head.y1 != h.y1)
        return false;
    for (OPJ_UINT32 c = 0; c < head.numcomps; ++c) {
        const opj_image_comp_t &comp = head.comps[c];
        if (comp.dx < 1 || comp.dy < 1 || comp.prec < 1 || comp.prec > 31)
            return false;
    }
    used = n >= 3 ? 3 : 1;
    for (int c = 0; c < used; ++c)
        comps[c].Init(h, size_t(c), reduce, int(head.comps[c].prec), head.comps[c].sgnd != 0);
    if (!sampling.Init(comps[0].w, comps[0].h, rows.Width(), rows.Height()))
        return false;

    // Whole when the image is small enough; else tile by tile where the
    // tiles are, each within a step and the memory left, and their edges
    // fall on samples of every component; else in bands.
    const int64_t whole = WholeSamples();
    if (whole <= StepSamples && ctx.budget.Fits(whole * 6))
        return held.Take(whole * 6) && Whole(d);
    // The grid step every decoded component's samples fall on, at most
    // beyond any coordinate (2^33), so that it cannot overflow.
    constexpr int64_t Beyond = int64_t(1) << 33;
    int64_t lx = 1, ly = 1;
    for (int64_t c = 0; c < decoded; ++c) {
        lx = std::min(Lcm(lx, h.comps[size_t(c)].dx), Beyond);
        ly = std::min(Lcm(ly, h.comps[size_t(c)].dy), Beyond);
    }
    lx = lx > (Beyond >> reduce) ? Beyond : lx << reduce;
    ly = ly > (Beyond >> reduce) ? Beyond : ly << reduce;
    int64_t tileSamples = 0;
    for (int64_t c = 0; c < decoded; ++c) {
        const StreamHeader::Comp &comp = h.comps[size_t(c)];
        tileSamples +=
            (At(std::min(h.tileW, h.x1 - h.x0), comp.dx) + 1) * (At(std::min(h.tileH, h.y1 - h.y0), comp.dy) + 1);
    }
    const bool aligned = (h.tilesX == 1 || (h.tileX0 % lx == 0 && h.tileW % lx == 0)) &&
                         (h.tilesY == 1 || (h.tileY0 % ly == 0 && h.tileH % ly == 0));
    if (h.Tiles() > 1 && !boxes.channelBoxes && aligned && tileSamples <= StepSamples &&
        ctx.budget.Fits(tileSamples * 12)) {
        KeptHeap kept(tileSamples * 12);
        return held.Take(tileSamples * 8) && Tiles(d, held);
    }
    return Bands(d, held);
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
        return Jpeg2000Read(ctx, file.get(), OPJ_CODEC_JP2).Run(maxWidth, maxHeight);

    switch (Sniff(file.get())) {
    case Content::Pnm:
        return ReadPnm(ctx, path, maxWidth, maxHeight);
    case Content::Bmp:
        return ReadBmp(ctx, path, maxWidth, maxHeight);
    case Content::SunRaster:
        return ReadSunRaster(ctx, path, maxWidth, maxHeight);
    case Content::Jp2:
        return Jpeg2000Read(ctx, file.get(), OPJ_CODEC_JP2).Run(maxWidth, maxHeight);
    case Content::Codestream:
        return Jpeg2000Read(ctx, file.get(), OPJ_CODEC_J2K).Run(maxWidth, maxHeight);
    case Content::Jpeg:
        return ReadJpeg(ctx, path, maxWidth, maxHeight);
    case Content::Pgx:
        return ReadPgx(ctx, path, maxWidth, maxHeight);
    default:
        return false;
    }
}

} // namespace VlmImgUt
