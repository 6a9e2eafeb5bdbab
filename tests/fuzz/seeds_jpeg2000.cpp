// Seeds: JP2 files and code streams made by OpenJPEG, each behind the byte
// that picks the reader code, and a PGX file for the choice by content.
#include "picture_writers.h"
#include "seed_util.h"

#include <QFile>
#include <openjpeg.h>

#include <string>

namespace {

struct SeedSpec {
    const char *name;
    OPJ_CODEC_FORMAT format;
    char first; // the target's first byte: even JP2 decoder, odd by content
    int comps, prec, subsample;
    bool lossy;
};

bool Encode(const std::string &path, const SeedSpec &s)
{
    pictures::Jpeg2000Spec j;
    j.format = s.format;
    j.width = 19;
    j.height = 13;
    j.comps = s.comps;
    j.prec = s.prec;
    j.subsample = s.subsample;
    j.rate = s.lossy ? 10 : 0;
    j.resolutions = 3;
    j.colourTransform = 0;
    j.sample = [&](int c, int x, int y) {
        const int w = c == 0 ? j.width : (j.width + s.subsample - 1) / s.subsample;
        return ((y * w + x) * 37 + c * 91) % (1 << s.prec);
    };
    return pictures::WriteJpeg2000(path, j);
}

// A 19 x 13 RGB code stream in tiles of 8 x 8 with precincts of 4 x 4, in
// two quality layers.
bool EncodeTiled(const std::string &path)
{
    pictures::Jpeg2000Spec j;
    j.format = OPJ_CODEC_J2K;
    j.width = 19;
    j.height = 13;
    j.resolutions = 2;
    j.colourTransform = 0;
    j.sample = [](int c, int x, int y) { return ((y * 19 + x) * 29 + c * 80) % 256; };
    j.tune = [](opj_cparameters_t &params) {
        params.tcp_numlayers = 2;
        params.tcp_rates[0] = 4;
        params.tcp_rates[1] = 1;
        params.tile_size_on = OPJ_TRUE;
        params.cp_tdx = params.cp_tdy = 8;
        params.csty |= 0x01;
        params.res_spec = 1;
        params.prcw_init[0] = params.prch_init[0] = 4;
    };
    return pictures::WriteJpeg2000(path, j);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::string made = std::string(argv[1]) + "/made.tmp";
    bool ok = true;
    const SeedSpec specs[] = {
        {"rgb.jp2", OPJ_CODEC_JP2, 0, 3, 8, 1, false},
        {"lossy.jp2", OPJ_CODEC_JP2, 2, 3, 8, 1, true},
        {"grey.j2k", OPJ_CODEC_J2K, 1, 1, 8, 1, false},
        {"12bit.j2k", OPJ_CODEC_J2K, 3, 3, 12, 1, false},
        {"subsampled.jp2", OPJ_CODEC_JP2, 1, 3, 8, 2, false},
        {"rgba.jp2", OPJ_CODEC_JP2, 0, 4, 8, 1, false},
    };
    for (const SeedSpec &s : specs) {
        QFile file(QString::fromStdString(made));
        ok = Encode(made, s) && file.open(QIODevice::ReadOnly) &&
             fuzz::WriteSeed(argv[1], s.name, s.first + file.readAll()) && ok;
        file.remove();
    }
    {
        QFile file(QString::fromStdString(made));
        ok = EncodeTiled(made) && file.open(QIODevice::ReadOnly) &&
             fuzz::WriteSeed(argv[1], "tiled.j2k", '\x01' + file.readAll()) && ok;
        file.remove();
    }
    QByteArray pgx = QByteArray("\x01PG ML + 16 5 3\n");
    for (int i = 0; i < 30; ++i)
        pgx.append(char(i * 37));
    ok = fuzz::WriteSeed(argv[1], "pgx16.jpc", pgx) && ok;
    return ok ? 0 : 1;
}
