// WriteJasper: JPEG 2000 through OpenJPEG (JP2 boxes, or a bare code
// stream), and the PNM and Sun raster formats of the same writer code.
#include "ImageWriters.h"
#include "SaveFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QIODevice>
#include <algorithm>

#include <openjpeg.h>

namespace VlmImgUt {

namespace {

QIODevice *Device(void *user)
{
    return static_cast<QIODevice *>(user);
}

OPJ_SIZE_T WriteFn(void *buffer, OPJ_SIZE_T size, void *user)
{
    const qint64 n = Device(user)->write(static_cast<const char *>(buffer), qint64(size));
    return n == qint64(size) ? size : OPJ_SIZE_T(-1);
}

OPJ_OFF_T SkipFn(OPJ_OFF_T size, void *user)
{
    QIODevice *d = Device(user);
    const qint64 to = d->pos() + size;
    return to >= 0 && d->seek(to) ? size : -1;
}

OPJ_BOOL SeekFn(OPJ_OFF_T position, void *user)
{
    return position >= 0 && Device(user)->seek(position) ? OPJ_TRUE : OPJ_FALSE;
}

// Three 8-bit components of the part, sRGB.
opj_image_t *MakeImage(const Writer::Part &part)
{
    opj_image_cmptparm_t params[3] = {};
    for (opj_image_cmptparm_t &p : params) {
        p.dx = 1;
        p.dy = 1;
        p.w = OPJ_UINT32(part.width);
        p.h = OPJ_UINT32(part.height);
        p.prec = 8;
        p.sgnd = 0;
    }
    opj_image_t *image = opj_image_create(3, params, OPJ_CLRSPC_SRGB);
    if (!image)
        return nullptr;
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = OPJ_UINT32(part.width);
    image->y1 = OPJ_UINT32(part.height);
    for (int32_t r = 0; r < part.height; ++r) {
        const uint8_t *p = part.Row(r);
        const int64_t at = int64_t(r) * part.width;
        for (int32_t c = 0; c < part.width; ++c, p += 3) {
            image->comps[0].data[at + c] = p[2];
            image->comps[1].data[at + c] = p[1];
            image->comps[2].data[at + c] = p[0];
        }
    }
    return image;
}

bool Encode(QIODevice &file, const Writer::Part &part, bool jp2, float rate)
{
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.cp_disto_alloc = 1;
    // OpenJPEG takes a compression ratio; 0 is lossless.
    params.tcp_rates[0] = rate > 0.0f ? 1.0f / rate : 0.0f;
    params.tcp_mct = 1;
    // Every resolution level needs at least one pixel of the smaller side.
    const int32_t side = std::min(part.width, part.height);
    while (params.numresolution > 1 && (int64_t(1) << (params.numresolution - 1)) > side)
        --params.numresolution;

    opj_image_t *image = MakeImage(part);
    if (!image)
        return false;
    opj_codec_t *codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_stream_t *stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    bool ok = codec && stream;
    if (ok) {
        opj_stream_set_user_data(stream, &file, nullptr);
        opj_stream_set_write_function(stream, WriteFn);
        opj_stream_set_skip_function(stream, SkipFn);
        opj_stream_set_seek_function(stream, SeekFn);
        ok = opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, stream)
            && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    }
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok;
}

} // namespace

bool WriteJasper(TImgUt &ctx, const QString &path, const TDib *picture, int code)
{
    if (code == 5)
        return WritePnm(ctx, path, picture);
    if (code == 9)
        return WriteSun(ctx, path, picture);
    if (code != 7 && code != 8)
        return false;
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;
    // Lossless unless the options ask for a rate: a fraction of the raw
    // size, quality 92 giving 0.92.
    const int quality = ctx.imgOpts.JpegQuality();
    const float rate = ctx.imgOpts.j2kLossless || quality > 99 ? 0.0f : float(quality) / 100.0f;

    return SaveFile::Write(path, [&](QIODevice &file) { return Encode(file, part, code == 7, rate); });
}

} // namespace VlmImgUt
