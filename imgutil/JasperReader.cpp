// The reader of ".ppm", ".j2k", ".jp2", ".jpc" and ".ras": JPEG 2000 through
// OpenJPEG, and for every code but the JP2 one a choice by the file's
// content among the portable anymap, BMP, Sun raster, JPEG 2000 and JPEG
// readers.
#include "ReaderKit.h"
#include "TDib.h"
#include "TImgUt.h"

#include <openjpeg.h>

#include <cstdio>
#include <cstring>
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
    ~Decoder()
    {
        if (image)
            opj_image_destroy(image);
        if (codec)
            opj_destroy_codec(codec);
        if (stream)
            opj_stream_destroy(stream);
    }
};

int64_t CeilDiv(int64_t a, int64_t b)
{
    return (a + b - 1) / b;
}

// One component as the picture reads it: its samples scaled to 8 bits,
// sub-sampled ones repeated over the pixels they cover.
struct Component {
    const opj_image_comp_t *comp = nullptr;
    std::vector<int32_t> cols; // component column of each picture column
    int64_t offset = 0, max = 255;

    bool Init(const opj_image_comp_t &c, const opj_image_comp_t &first, const std::vector<int32_t> &pictureCols)
    {
        comp = &c;
        if (!Resize(cols, pictureCols.size()))
            return false;
        for (size_t k = 0; k < cols.size(); ++k)
            cols[k] = Index(pictureCols[k], first.x0, first.dx, c.x0, c.dx, c.w);
        offset = c.sgnd ? int64_t(1) << (c.prec - 1) : 0;
        max = (int64_t(1) << c.prec) - 1;
        return true;
    }

    // Index in this component of position i of the first component.
    static int32_t Index(int64_t i, int64_t firstOrigin, int64_t firstStep, int64_t origin, int64_t step,
                         int64_t count)
    {
        const int64_t at = (firstOrigin + i) * firstStep / step - origin;
        return int32_t(at < 0 ? 0 : at >= count ? count - 1 : at);
    }

    const OPJ_INT32 *Row(int64_t y, const opj_image_comp_t &first) const
    {
        return comp->data + int64_t(Index(y, first.y0, first.dy, comp->y0, comp->dy, comp->h)) * comp->w;
    }

    uint8_t Scale(OPJ_INT32 sample) const
    {
        int64_t v = int64_t(sample) + offset;
        v = v < 0 ? 0 : v > max ? max : v;
        return max == 255 ? uint8_t(v) : uint8_t((v * 255 + max / 2) / max);
    }
};

bool DecodeJpeg2000(TImgUt &ctx, FILE *f, OPJ_CODEC_FORMAT format, int32_t maxWidth, int32_t maxHeight)
{
    if (fseeko(f, 0, SEEK_SET) != 0)
        return false;
    const int64_t size = BytesLeft(f);
    if (size <= 0)
        return false;

    Decoder d;
    d.stream = opj_stream_create(1 << 16, OPJ_TRUE);
    d.codec = opj_create_decompress(format);
    if (!d.stream || !d.codec)
        return false;
    opj_stream_set_user_data(d.stream, f, nullptr);
    opj_stream_set_user_data_length(d.stream, OPJ_UINT64(size));
    opj_stream_set_read_function(d.stream, StreamRead);
    opj_stream_set_skip_function(d.stream, StreamSkip);
    opj_stream_set_seek_function(d.stream, StreamSeek);
    opj_set_info_handler(d.codec, Quiet, nullptr);
    opj_set_warning_handler(d.codec, Quiet, nullptr);
    opj_set_error_handler(d.codec, Quiet, nullptr);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(d.codec, &params) || !opj_read_header(d.stream, d.codec, &d.image) || !d.image)
        return false;

    // The header's sizes before any sample is decoded: the first component
    // within the record's cap, and the library's samples of all components
    // (4 bytes each) no larger than the largest record.
    const opj_image_t &head = *d.image;
    if (head.numcomps < 1 || head.x1 <= head.x0 || head.y1 <= head.y0)
        return false;
    int64_t sampleBytes = 0;
    for (OPJ_UINT32 c = 0; c < head.numcomps; ++c) {
        const opj_image_comp_t &comp = head.comps[c];
        if (comp.dx < 1 || comp.dy < 1 || comp.prec < 1 || comp.prec > 31)
            return false;
        const int64_t w = CeilDiv(head.x1, comp.dx) - CeilDiv(head.x0, comp.dx);
        const int64_t h = CeilDiv(head.y1, comp.dy) - CeilDiv(head.y0, comp.dy);
        if (c == 0 && !WithinRecordCap(w, h))
            return false;
        sampleBytes += w * h * 4;
        if (sampleBytes > Gdi::MaxBitmapPixels * 3)
            return false;
    }

    if (!opj_decode(d.codec, d.stream, d.image) || !opj_end_decompress(d.codec, d.stream))
        return false;

    // Components 0 to 2 give red, green and blue; with fewer than three the
    // first gives grey. Later ones (alpha) are not read.
    const opj_image_t &img = *d.image;
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

    TReaderRows rows;
    if (!rows.Start(ctx.readTarget, first.w, first.h, maxWidth, maxHeight))
        return false;
    Component comps[3];
    for (int c = 0; c < used; ++c)
        if (!comps[c].Init(img.comps[c], first, rows.Columns()))
            return false;
    const int32_t outW = rows.Width();
    for (int64_t y = 0; y < int64_t(first.h); ++y) {
        const auto [top, end] = rows.Targets(y);
        if (top == end)
            continue;
        const OPJ_INT32 *src[3];
        for (int c = 0; c < used; ++c)
            src[c] = comps[c].Row(y, first);
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

// ---- choosing by content ----

enum class Content { Unknown, Mif, Pnm, Bmp, SunRaster, Jp2, Codestream, Jpeg };

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
    default:
        return false;
    }
}

} // namespace VlmImgUt
