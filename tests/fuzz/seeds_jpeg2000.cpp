// Seeds: JP2 files and code streams made by OpenJPEG, each behind the byte
// that picks the reader code.
#include "seed_util.h"

#include <QFile>
#include <openjpeg.h>

#include <string>
#include <vector>

namespace {

struct Spec {
    const char *name;
    OPJ_CODEC_FORMAT format;
    char first; // the target's first byte: even JP2 decoder, odd by content
    int comps, prec, subsample;
    bool lossy;
};

bool Encode(const std::string &path, const Spec &s)
{
    const int w = 19, h = 13;
    std::vector<opj_image_cmptparm_t> parms(size_t(s.comps));
    for (int c = 0; c < s.comps; ++c) {
        opj_image_cmptparm_t &p = parms[size_t(c)];
        p = {};
        p.dx = p.dy = OPJ_UINT32(c == 0 ? 1 : s.subsample);
        p.w = OPJ_UINT32((w + int(p.dx) - 1) / int(p.dx));
        p.h = OPJ_UINT32((h + int(p.dy) - 1) / int(p.dy));
        p.prec = OPJ_UINT32(s.prec);
    }
    opj_image_t *image = opj_image_create(OPJ_UINT32(s.comps), parms.data(),
                                          s.comps >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
    if (!image)
        return false;
    image->x1 = w;
    image->y1 = h;
    for (int c = 0; c < s.comps; ++c)
        for (OPJ_UINT32 i = 0; i < image->comps[c].w * image->comps[c].h; ++i)
            image->comps[c].data[i] = int(i * 37 + OPJ_UINT32(c) * 91) % (1 << s.prec);
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = s.lossy ? 10 : 0;
    params.irreversible = s.lossy;
    params.cp_disto_alloc = 1;
    params.numresolution = 3;
    opj_codec_t *codec = opj_create_compress(s.format);
    opj_stream_t *stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
    const bool ok = codec && stream && opj_setup_encoder(codec, &params, image) &&
                    opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string made = std::string(argv[1]) + "/made.tmp";
    bool ok = true;
    const Spec specs[] = {
        {"rgb.jp2", OPJ_CODEC_JP2, 0, 3, 8, 1, false},
        {"lossy.jp2", OPJ_CODEC_JP2, 2, 3, 8, 1, true},
        {"grey.j2k", OPJ_CODEC_J2K, 1, 1, 8, 1, false},
        {"12bit.j2k", OPJ_CODEC_J2K, 3, 3, 12, 1, false},
        {"subsampled.jp2", OPJ_CODEC_JP2, 1, 3, 8, 2, false},
        {"rgba.jp2", OPJ_CODEC_JP2, 0, 4, 8, 1, false},
    };
    for (const Spec &s : specs) {
        QFile file(QString::fromStdString(made));
        ok = Encode(made, s) && file.open(QIODevice::ReadOnly) &&
             fuzz::WriteSeed(argv[1], s.name, s.first + file.readAll()) && ok;
        file.remove();
    }
    return ok ? 0 : 1;
}
