// PNG files through libpng's row interface: every colour type to B-G-R
// plus an alpha plane where the file has transparency, Adam7 passes placed
// pixel by pixel, large pictures reduced while they are read (one file row
// in memory, only the sampled pixels of the sampled rows converted), and
// the ICC profile and text chunks kept. libpng sees only the chunks the
// read uses, and no more image data than the rows need; every read of the
// file and every row counts against the read's budget.
#include "TImgUt.h"
#include "TDib.h"
#include "MetaBlock.h"
#include "ReaderKit.h"

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>
#include <vector>

#include <png.h>

namespace VlmImgUt {

namespace {

// The game shows no message for a failed read, and prints none either.
void PngSilentWarning(png_structp, png_const_charp) {}

[[noreturn]] void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// Deflate turns at most 1032 bytes into one: a file shorter than its
// pixel rows divided by that cannot hold the picture.
constexpr int64_t MaxDeflateRatio = 1032;

bool StartsWith(const char *key, const char *prefix)
{
    return strncasecmp(key, prefix, strlen(prefix)) == 0;
}

// Adam7: first column and row of each pass and their steps.
const int PassX0[7] = {0, 4, 0, 2, 0, 1, 0};
const int PassDX[7] = {8, 8, 4, 4, 2, 2, 1};
const int PassY0[7] = {0, 0, 4, 0, 2, 0, 1};
const int PassDY[7] = {8, 8, 8, 4, 4, 2, 2};

// Text the reader keeps from one file, inflated, beyond what the file holds
// itself: a compressed text chunk may inflate a thousandfold.
constexpr png_alloc_size_t MaxInflatedText = png_alloc_size_t(4) << 20;
// Text, unknown and suggested-palette chunks libpng keeps from one file.
constexpr png_uint_32 MaxKeptChunks = 256;

// Image data libpng may read outside the rows: past the last row, enough
// for the stream's end (its last codes and checksum), not a stream that
// goes on. Each byte inflates a thousandfold at most.
constexpr int64_t TrailingImageData = 4 << 10;

// The file is read through a buffer of this many bytes.
constexpr int64_t SourceBuffer = 16 << 10;

// Text chunks, eXIf and iCCP are kept only when their contents are used;
// libpng treats every other chunk it knows, but the few the pixels need, as
// unknown and drops it.
const png_byte TextChunks[] = {'t', 'E', 'X', 't', '\0', 'z', 'T', 'X', 't', '\0', 'i', 'T', 'X', 't', '\0'};
const png_byte ExifChunk[5] = {'e', 'X', 'I', 'f', '\0'};
// The profile, and the colour chunks libpng weighs it against.
const png_byte ProfileChunks[] = {'i', 'C', 'C', 'P', '\0', 's', 'R', 'G', 'B', '\0',
                                  'g', 'A', 'M', 'A', '\0', 'c', 'H', 'R', 'M', '\0'};

// The file as libpng reads it, through a buffer, every read counted
// against the read's budget. Each chunk's length is checked against the
// file as soon as its header is reached: libpng takes the memory some
// chunks claim before it reads them, even beyond its own chunk limit.
// libpng never sees the ancillary chunks the read does not use: they are
// passed over unread, as are repeats of those it takes one of and text
// past what may be kept. Image data outside the rows is bounded.
// While text is kept, each compressed text chunk may inflate to what is
// left of the text allowance, or to its own length when that is more.
struct PngSource {
    FILE *file;
    int64_t size;
    TReadBudget *budget;
    // The buffer holds file bytes [bufAt, bufAt + bufLen); the stream is
    // at filePos.
    uint8_t buf[SourceBuffer];
    int64_t bufAt, bufLen, filePos;
    int64_t pos;              // the next byte libpng gets
    int64_t chunk;            // where the next chunk header starts
    int64_t dataAt, dataEnd;  // the data of the chunk libpng reads
    bool imageData;           // that chunk is an IDAT
    // What libpng is shown.
    bool profile, exif;       // the profile (and its colour chunks), eXIf
    char seen[8][4];          // chunks shown of those it takes one of
    int seenCount;
    // The rows: while rowsOf is set, image data is for rows until libpng's
    // row counter passes the last one. Image data given outside them, and
    // whether it was cut off there.
    int64_t rowsOf;
    int64_t trailing;
    bool cut;
    // A read of the header only: libpng is not given the image data, and
    // its chunks are passed over on the way to the text after them.
    bool imageSkipped;
    bool boundText;     // text chunks are read
    png_infop info;     // where libpng puts the texts being read
    png_alloc_size_t textSpent; // text handed over already, or inflated and dropped
    png_alloc_size_t chunkMax; // libpng's limit for other chunks
    png_alloc_size_t pendingLimit; // the limit of the compressed text chunk just read
    int textsBefore;    // texts in info before that chunk
};

// Text bytes libpng holds in info, and how many texts.
png_alloc_size_t TextBytes(png_structp png, png_infop info, int &count)
{
    png_textp texts = nullptr;
    png_alloc_size_t n = 0;
    count = 0;
    if (info && png_get_text(png, info, &texts, &count) > 0 && texts)
        for (int i = 0; i < count; ++i)
            n += texts[i].compression >= PNG_ITXT_COMPRESSION_NONE ? texts[i].itxt_length : texts[i].text_length;
    return n;
}

bool IsText(const uint8_t *type)
{
    return memcmp(type, "tEXt", 4) == 0 || memcmp(type, "zTXt", 4) == 0 || memcmp(type, "iTXt", 4) == 0;
}

// At each chunk header: a compressed text chunk that libpng dropped (it
// inflated past its limit) counts with its whole limit, libpng inflated
// that much to find out.
void SettleText(png_structp png, PngSource &src)
{
    int count = 0;
    TextBytes(png, src.info, count);
    if (src.pendingLimit > 0 && count == src.textsBefore)
        src.textSpent += src.pendingLimit;
    src.pendingLimit = 0;
}

// Sets libpng's memory limit for the chunk whose header has just been read.
void LimitChunk(png_structp png, PngSource &src, const uint8_t *type, int64_t length)
{
    if (memcmp(type, "zTXt", 4) != 0 && memcmp(type, "iTXt", 4) != 0) {
        png_set_chunk_malloc_max(png, src.chunkMax);
        return;
    }
    int count = 0;
    const png_alloc_size_t used = src.textSpent + TextBytes(png, src.info, count);
    const png_alloc_size_t left = used < MaxInflatedText ? MaxInflatedText - used : 0;
    const png_alloc_size_t limit = std::min(src.chunkMax, std::max(left, png_alloc_size_t(length)) + 1);
    png_set_chunk_malloc_max(png, limit);
    src.pendingLimit = limit;
    src.textsBefore = count;
}

// True for a chunk libpng is not shown.
bool PassedOver(png_structp png, PngSource &src, const uint8_t *type, int64_t length)
{
    const auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    // Critical chunks, and what is no chunk at all, are libpng's to judge.
    if (!(type[0] & 0x20) || !letter(type[0]) || !letter(type[1]) || !letter(type[2]) || !letter(type[3]) ||
        length > int64_t(PNG_UINT_31_MAX))
        return false;
    if (IsText(type)) {
        // Text while some may still be kept.
        if (!src.boundText)
            return true;
        int count = 0;
        const png_alloc_size_t held = TextBytes(png, src.info, count);
        return count >= int(MaxKeptChunks) || src.textSpent + held >= MaxInflatedText;
    }
    const bool used = memcmp(type, "tRNS", 4) == 0 || (src.exif && memcmp(type, "eXIf", 4) == 0) ||
                      (src.profile && (memcmp(type, "iCCP", 4) == 0 || memcmp(type, "sRGB", 4) == 0 ||
                                       memcmp(type, "gAMA", 4) == 0 || memcmp(type, "cHRM", 4) == 0));
    if (!used)
        return true;
    // Each of these once: libpng drops a repeat, or keeps only the first.
    for (int i = 0; i < src.seenCount; ++i)
        if (memcmp(src.seen[i], type, 4) == 0)
            return true;
    if (src.seenCount < 8)
        memcpy(src.seen[src.seenCount++], type, 4);
    return false;
}

// n bytes of the file at offset at into out; false when the file ends.
bool Fetch(PngSource &src, uint8_t *out, int64_t at, int64_t n)
{
    while (n > 0) {
        if (at < src.bufAt || at >= src.bufAt + src.bufLen) {
            if (at != src.filePos && fseeko(src.file, off_t(at), SEEK_SET) != 0)
                return false;
            src.filePos = at;
            if (n >= SourceBuffer) { // a long read goes straight to its place
                const int64_t got = int64_t(fread(out, 1, size_t(n), src.file));
                src.filePos += got;
                return got == n;
            }
            src.bufLen = int64_t(fread(src.buf, 1, SourceBuffer, src.file));
            src.bufAt = at;
            src.filePos += src.bufLen;
            if (src.bufLen == 0)
                return false;
        }
        const int64_t k = std::min(n, src.bufAt + src.bufLen - at);
        memcpy(out, src.buf + (at - src.bufAt), size_t(k));
        out += k;
        at += k;
        n -= k;
    }
    return true;
}

// At a chunk header: passes over the chunks libpng is not shown, then
// checks the one it is and sets its limits.
void NextChunk(png_structp png, PngSource &src)
{
    for (;;) {
        uint8_t head[8];
        if (!Fetch(src, head, src.pos, 8))
            png_error(png, "Read Error");
        const int64_t length = Get32BE(head);
        if (src.pos + 12 + length > src.size)
            png_error(png, "chunk runs past the end of the file");
        src.chunk = src.pos + 12 + length;
        if (src.boundText)
            SettleText(png, src);
        const bool skipped = src.imageSkipped && memcmp(head + 4, "IDAT", 4) == 0;
        if (!skipped && !PassedOver(png, src, head + 4, length)) {
            src.dataAt = src.pos + 8;
            src.dataEnd = src.dataAt + length;
            src.imageData = memcmp(head + 4, "IDAT", 4) == 0;
            if (src.boundText)
                LimitChunk(png, src, head + 4, length);
            return;
        }
        if (!src.budget->Spend(12))
            png_error(png, "read stopped");
        src.pos = src.chunk;
    }
}

// True while libpng reads image data for the rows.
bool ForRows(png_structp png, const PngSource &src)
{
    return src.rowsOf > 0 && png_get_current_pass_number(png) < 7 &&
           int64_t(png_get_current_row_number(png)) < src.rowsOf;
}

void PngRead(png_structp png, png_bytep data, size_t n)
{
    auto &src = *static_cast<PngSource *>(png_get_io_ptr(png));
    if (!src.budget->Spend(int64_t(n)))
        png_error(png, "read stopped");
    while (n > 0) {
        if (src.pos == src.chunk)
            NextChunk(png, src);
        const int64_t part = src.pos < src.dataAt ? src.dataAt : src.pos < src.dataEnd ? src.dataEnd : src.chunk;
        const int64_t k = std::min(int64_t(n), part - src.pos);
        if (src.imageData && !src.imageSkipped && src.pos >= src.dataAt && src.pos < src.dataEnd &&
            !ForRows(png, src)) {
            src.trailing += k;
            if (src.trailing > TrailingImageData) {
                src.cut = true;
                png_error(png, "image data runs on past the picture");
            }
        }
        if (!Fetch(src, data, src.pos, k))
            png_error(png, "Read Error");
        data += k;
        n -= size_t(k);
        src.pos += k;
    }
}

// How the pixels of a file row become B, G, R and alpha: what libpng's
// expand, strip-16, packing and grey-to-RGB transformations would give,
// done here for the sampled pixels only.
struct PngPixels {
    int type, depth;
    bool trns;              // a tRNS chunk: alpha from it
    uint8_t palette[256][4]; // B, G, R, alpha; entries past the palette black
    png_uint_16 key[3];     // the transparent grey, or red, green, blue
};

struct PngJob {
    TImgUt *ctx;
    PngSource *source;
    TDib *dib;
    int64_t fileSize;
    png_structp png;
    png_infop info;
    png_infop endInfo;
    bool metadata;       // keep flags asked for blocks and no preview
    // From the header.
    png_uint_32 width, height;
    int interlace;
    int bpp;             // 3, or 4 with alpha
    PngPixels pixels;
    png_bytep row;       // one file row as the file holds it, png_malloc'd
    int64_t y, x0, dx;   // the row being read: its picture row and columns
};

void GiveTexts(PngJob &job, png_infop info)
{
    png_textp texts = nullptr;
    int count = 0;
    if (png_get_text(job.png, info, &texts, &count) <= 0 || count <= 0 || !texts)
        return;
    std::vector<TPngText> entries;
    try {
        entries.reserve(size_t(count));
    } catch (const std::bad_alloc &) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const png_text &t = texts[i];
        // iTXt chunks carry their length in itxt_length.
        const size_t length = t.compression >= PNG_ITXT_COMPRESSION_NONE ? t.itxt_length : t.text_length;
        entries.push_back({t.key ? t.key : "", t.text ? t.text : "", t.text ? length : 0});
        job.source->textSpent += t.text ? length : 0;
    }
    ReadPngProfiles(*job.ctx, uint32_t(count), entries.data());
}

// libpng's own eXIf handler takes the memory a chunk's length claims before
// it reads the chunk; as an unknown chunk it is held to the library's
// chunk memory limit. The reader asks for it only when it keeps EXIF.
void GiveExif(PngJob &job, png_infop info)
{
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(job.png, info, &chunks);
    for (int i = 0; job.ctx->keepExif && i < count; ++i)
        if (memcmp(chunks[i].name, ExifChunk, 4) == 0 && chunks[i].data)
            KeepBlock(job.dib->exif, job.dib->exifSize, chunks[i].data, chunks[i].size);
}

// Signature, chunks up to the image data, the pixel format. False when the
// picture cannot be read. A libpng error jumps back here; the frame holds
// nothing with a destructor.
bool ReadHead(PngJob &job)
{
    if (setjmp(png_jmpbuf(job.png)))
        return false;
    TImgUt &ctx = *job.ctx;
    // Every chunk but those the pixels need is dropped, unknown ones too;
    // then those the read keeps are taken again.
    png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    if (!ctx.previewMode)
        png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_AS_DEFAULT, ProfileChunks, 4);
    if (job.metadata)
        png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_AS_DEFAULT, TextChunks, 3);
    if (job.metadata && ctx.keepExif)
        png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_ALWAYS, ExifChunk, 1);
    png_set_read_fn(job.png, job.source, PngRead);
    png_read_info(job.png, job.info);

    if (job.metadata) {
        GiveExif(job, job.info);
        GiveTexts(job, job.info);
        png_free_data(job.png, job.info, PNG_FREE_TEXT, -1);
    }
    if (ctx.headerOnly)
        return true;

    int depth = 0, type = 0;
    png_get_IHDR(job.png, job.info, &job.width, &job.height, &depth, &type, &job.interlace, nullptr,
                 nullptr);
    // The pixel rows, packed and each with its filter byte, must fit the
    // file at the best compression deflate has.
    const int64_t channels = png_get_channels(job.png, job.info);
    const int64_t rowBytes = (int64_t(job.width) * channels * depth + 7) / 8 + 1;
    if (rowBytes * int64_t(job.height) / MaxDeflateRatio > job.fileSize)
        return false;

    PngPixels &px = job.pixels;
    px.type = type;
    px.depth = depth;
    px.trns = png_get_valid(job.png, job.info, PNG_INFO_tRNS) != 0;
    memset(px.palette, 0, sizeof px.palette);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(job.png, job.info, &colours, &count);
        for (int i = 0; i < 256; ++i) {
            if (colours && i < count) {
                px.palette[i][0] = colours[i].blue;
                px.palette[i][1] = colours[i].green;
                px.palette[i][2] = colours[i].red;
            }
            px.palette[i][3] = 255;
        }
    }
    if (px.trns) {
        png_bytep alphas = nullptr;
        int count = 0;
        png_color_16p colour = nullptr;
        png_get_tRNS(job.png, job.info, &alphas, &count, &colour);
        if (type == PNG_COLOR_TYPE_PALETTE) {
            for (int i = 0; alphas && i < count && i < 256; ++i)
                px.palette[i][3] = alphas[i];
        } else if (colour) {
            px.key[0] = type == PNG_COLOR_TYPE_GRAY ? colour->gray : colour->red;
            px.key[1] = colour->green;
            px.key[2] = colour->blue;
        }
    }

    if (!ctx.previewMode && png_get_valid(job.png, job.info, PNG_INFO_iCCP)) {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(job.png, job.info, &name, &compression, &profile, &length) && profile)
            KeepBlock(job.dib->icc, job.dib->iccSize, profile, length);
    }

    png_read_update_info(job.png, job.info);
    job.bpp = (type & PNG_COLOR_MASK_ALPHA) || px.trns ? 4 : 3;
    job.row = static_cast<png_bytep>(png_malloc_warn(job.png, png_get_rowbytes(job.png, job.info)));
    return job.row != nullptr;
}

// Sample i of a row packed at depth 1, 2 or 4 bits.
inline unsigned Packed(const uint8_t *row, int64_t i, int depth)
{
    const int64_t bit = i * depth;
    return unsigned(row[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
}

// Pixel i of a file row as B, G, R into dst and its alpha into a (when a
// is not null).
inline void Convert(const PngPixels &px, const uint8_t *row, int64_t i, uint8_t *dst, uint8_t *a)
{
    const bool wide = px.depth == 16;
    switch (px.type) {
    case PNG_COLOR_TYPE_PALETTE: {
        const uint8_t *e = px.palette[px.depth == 8 ? row[i] : Packed(row, i, px.depth)];
        dst[0] = e[0];
        dst[1] = e[1];
        dst[2] = e[2];
        if (a)
            *a = e[3];
        return;
    }
    case PNG_COLOR_TYPE_GRAY: {
        unsigned v, key;
        uint8_t grey;
        if (px.depth < 8) {
            v = Packed(row, i, px.depth);
            key = px.key[0] & ((1u << px.depth) - 1);
            grey = uint8_t(v * (255 / ((1u << px.depth) - 1)));
        } else if (wide) {
            v = unsigned(row[2 * i]) << 8 | row[2 * i + 1];
            key = px.key[0];
            grey = row[2 * i];
        } else {
            v = row[i];
            key = px.key[0] & 0xFF;
            grey = row[i];
        }
        dst[0] = dst[1] = dst[2] = grey;
        if (a)
            *a = px.trns && v == key ? 0 : 255;
        return;
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA: {
        const uint8_t *p = row + (wide ? 4 : 2) * i;
        dst[0] = dst[1] = dst[2] = p[0];
        if (a)
            *a = p[wide ? 2 : 1];
        return;
    }
    case PNG_COLOR_TYPE_RGB: {
        const uint8_t *p = row + (wide ? 6 : 3) * i;
        const int s = wide ? 2 : 1;
        dst[0] = p[2 * s];
        dst[1] = p[s];
        dst[2] = p[0];
        if (a) {
            bool clear;
            if (wide)
                clear = Get16BE(p) == px.key[0] && Get16BE(p + 2) == px.key[1] && Get16BE(p + 4) == px.key[2];
            else
                clear = p[0] == (px.key[0] & 0xFF) && p[1] == (px.key[1] & 0xFF) && p[2] == (px.key[2] & 0xFF);
            *a = px.trns && clear ? 0 : 255;
        }
        return;
    }
    default: { // RGB with alpha
        const uint8_t *p = row + (wide ? 8 : 4) * i;
        const int s = wide ? 2 : 1;
        dst[0] = p[2 * s];
        dst[1] = p[s];
        dst[2] = p[0];
        if (a)
            *a = p[3 * s];
        return;
    }
    }
}

// Puts the pixels of one file row (pass row of an interlaced file) at
// picture row y into every picture row that takes it. cols and rows give
// the file column and row of each picture column and row; x0 and dx the
// file columns the row holds.
void PlaceRow(PngJob &job, const uint8_t *src, int64_t y, int64_t x0, int64_t dx, const int32_t *cols,
              const int32_t *rows)
{
    TDib &dib = *job.dib;
    const int32_t w = dib.width, h = dib.height;
    const int32_t *k = std::lower_bound(rows, rows + h, int32_t(y));
    for (; k != rows + h && *k == y; ++k) {
        const int64_t line = h - 1 - (k - rows); // bitmap rows are bottom-up
        uint8_t *dst = dib.bits + line * dib.stride;
        uint8_t *a = dib.alpha ? dib.alpha + line * w : nullptr;
        for (int32_t x = 0; x < w; ++x) {
            const int64_t c = cols[x] - x0;
            if (c < 0 || c % dx != 0)
                continue;
            Convert(job.pixels, src, c / dx, dst + 3 * x, a ? a + x : nullptr);
        }
    }
}

// Every row of the file, pass by pass for an interlaced one, each counted
// against the read's budget, which may end the read.
bool ReadRows(PngJob &job, const int32_t *cols, const int32_t *rows)
{
    if (setjmp(png_jmpbuf(job.png))) {
        // Image data that went on past the picture was cut off once libpng
        // had given the last row: the picture is whole.
        if (!job.source->cut)
            return false;
        PlaceRow(job, job.row, job.y, job.x0, job.dx, cols, rows);
        return true;
    }
    TReadBudget &budget = job.ctx->budget;
    const int64_t rowBytes = int64_t(png_get_rowbytes(job.png, job.info));
    job.source->rowsOf = job.height;
    const int64_t w = job.width, h = job.height;
    const int passes = job.interlace == PNG_INTERLACE_ADAM7 ? 7 : 1;
    for (int p = 0; p < passes; ++p) {
        const int64_t x0 = passes == 7 ? PassX0[p] : 0, dx = passes == 7 ? PassDX[p] : 1;
        const int64_t y0 = passes == 7 ? PassY0[p] : 0, dy = passes == 7 ? PassDY[p] : 1;
        // libpng skips the passes that hold no pixel.
        if (w <= x0 || h <= y0)
            continue;
        for (int64_t y = y0; y < h; y += dy) {
            if (!budget.Spend(rowBytes))
                return false;
            job.y = y;
            job.x0 = x0;
            job.dx = dx;
            png_read_row(job.png, job.row, nullptr);
            PlaceRow(job, job.row, y, x0, dx, cols, rows);
        }
    }
    return true;
}

// The chunks after the image data, for their metadata; their errors leave
// the result as it is.
void ReadTail(PngJob &job)
{
    if (setjmp(png_jmpbuf(job.png)))
        return;
    job.source->info = job.endInfo;
    png_read_end(job.png, job.endInfo);
    GiveExif(job, job.endInfo);
    GiveTexts(job, job.endInfo);
}

} // namespace

bool ReadPng(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    TDib *dib = ctx.readTarget;
    if (!dib)
        return false;
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    const int64_t fileSize = BytesLeft(file.get());
    if (fileSize < 0)
        return false;

    PngSource source{};
    source.file = file.get();
    source.size = fileSize;
    source.budget = &ctx.budget;
    source.chunk = 8; // after the signature
    source.profile = !ctx.previewMode;
    PngJob job{};
    job.ctx = &ctx;
    job.source = &source;
    job.dib = dib;
    job.fileSize = fileSize;
    job.metadata = !ctx.previewMode && (ctx.keepPhotoshop || ctx.keepXmp || ctx.keepExif || ctx.keepComment);
    source.exif = job.metadata && ctx.keepExif;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngSilentWarning);
    if (job.png)
        job.info = png_create_info_struct(job.png);
    if (job.png && job.metadata)
        job.endInfo = png_create_info_struct(job.png);
    auto finish = [&](bool result) {
        if (job.row)
            png_free(job.png, job.row);
        png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, job.endInfo ? &job.endInfo : nullptr);
        return result;
    };
    if (!job.png || !job.info || (job.metadata && !job.endInfo))
        return finish(false);
    if (job.metadata) {
        // Text chunks are read: at most this many are kept, and their
        // inflated text is bounded as they come.
        png_set_chunk_cache_max(job.png, MaxKeptChunks);
        source.boundText = true;
        source.info = job.info;
        source.chunkMax = png_get_chunk_malloc_max(job.png);
        if (source.chunkMax == 0)
            source.chunkMax = PNG_SIZE_MAX;
    }

    if (!ReadHead(job))
        return finish(false);
    if (ctx.headerOnly) {
        if (job.metadata) {
            // libpng leaves the image data unread when IDAT is a chunk it
            // does not handle, and reads the next chunk's header: the
            // rest of the IDAT whose header it read is passed over too.
            static const png_byte idat[5] = {'I', 'D', 'A', 'T', '\0'};
            png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, idat, 1);
            source.imageSkipped = true;
            source.pos = source.chunk;
            ReadTail(job);
        }
        return finish(true);
    }

    const TReduction red = TReduction::For(job.width, job.height, maxWidth, maxHeight);
    if (!WithinRecordCap(red.width, red.height) || ctx.budget.Stopped())
        return finish(false);
    ctx.budget.SetPicture(job.width, job.height, red.width, red.height);
    if (!dib->Create(red.width, red.height, 0, 0))
        return finish(false);
    dib->srcWidth = int32_t(job.width);
    dib->srcHeight = int32_t(job.height);
    std::vector<int32_t> cols, rows;
    try {
        cols = TReduction::Sample(job.width, red.width, red.stepX);
        rows = TReduction::Sample(job.height, red.height, red.stepY);
    } catch (const std::bad_alloc &) {
        return finish(false);
    }
    if (job.bpp == 4) {
        dib->alpha = static_cast<uint8_t *>(std::malloc(size_t(int64_t(red.width) * red.height)));
        if (!dib->alpha)
            return finish(false);
        std::memset(dib->alpha, 255, size_t(int64_t(red.width) * red.height));
    }

    if (!ReadRows(job, cols.data(), rows.data()))
        return finish(false);
    png_free(job.png, job.row);
    job.row = nullptr;
    if (job.metadata && !source.cut)
        ReadTail(job);
    return finish(true);
}

void ReadPngProfiles(TImgUt &ctx, uint32_t count, const TPngText *entries)
{
    TDib *dib = ctx.readTarget;
    if (!dib || !entries)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const char *key = entries[i].key ? entries[i].key : "";
        const char *text = entries[i].text ? entries[i].text : "";
        const size_t length = entries[i].text ? entries[i].length : 0;

        if (ctx.keepPhotoshop && !dib->photoshop && StartsWith(key, "Raw profile type iptc"))
            continue; // recognised; its data has no decoder
        if (ctx.keepExif && !dib->exif
            && (StartsWith(key, "Raw profile type exif") || StartsWith(key, "Raw profile type APP1"))) {
            if (length == 0)
                continue;
            // The hex digits of the dump, lower case; everything else dropped.
            auto *digits = static_cast<char *>(std::malloc(length));
            if (!digits)
                return;
            size_t n = 0;
            for (size_t j = 0; j < length; ++j) {
                const char c = char(std::tolower(static_cast<unsigned char>(text[j])));
                if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
                    digits[n++] = c;
            }
            // The TIFF header, big- or little-endian, starts the block.
            size_t start = n;
            for (size_t j = 0; j + 8 <= n; ++j) {
                if (memcmp(digits + j, "4d4d002a", 8) == 0 || memcmp(digits + j, "49492a00", 8) == 0) {
                    start = j;
                    break;
                }
            }
            const size_t bytes = (n - start) / 2;
            if (bytes == 0) {
                std::free(digits);
                continue;
            }
            auto *block = static_cast<uint8_t *>(std::malloc(bytes));
            if (!block) {
                std::free(digits);
                return;
            }
            auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
            for (size_t j = 0; j < bytes; ++j)
                block[j] = uint8_t(nibble(digits[start + 2 * j]) << 4 | nibble(digits[start + 2 * j + 1]));
            std::free(digits);
            if (bytes > UINT32_MAX) {
                std::free(block);
                continue;
            }
            dib->exif = block;
            dib->exifSize = uint32_t(bytes);
            continue;
        }
        if (ctx.keepXmp && !dib->xmp
            && (StartsWith(key, "Raw profile type xmp") || StartsWith(key, "XML:com.adobe.xmp")))
            continue; // recognised; its data has no decoder

        // A comment line: keyword, " = ", text, line feed.
        if (!ctx.keepComment)
            continue;
        const size_t keyLength = strlen(key);
        const uint64_t grown = uint64_t(dib->comment ? dib->commentSize : 0) + keyLength + length + 4;
        if (grown > UINT32_MAX)
            continue;
        auto *mem = static_cast<uint8_t *>(std::realloc(dib->comment, size_t(grown)));
        if (!mem) {
            if (dib->comment) { // the comment gathered so far is dropped
                std::free(dib->comment);
                dib->comment = nullptr;
                dib->commentSize = 0;
            }
            continue;
        }
        const uint32_t at = dib->comment ? dib->commentSize : 0;
        memcpy(mem + at, key, keyLength);
        memcpy(mem + at + keyLength, " = ", 3);
        memcpy(mem + at + keyLength + 3, text, length);
        mem[grown - 1] = '\n';
        dib->comment = mem;
        dib->commentSize = uint32_t(grown);
    }
}

} // namespace VlmImgUt
