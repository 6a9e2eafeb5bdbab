#include "picture_writers.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>

namespace pictures {

uint32_t Sample(int x, int y, int c, int depth)
{
    const uint32_t h = uint32_t(x * 9973 + y * 7919 + c * 4049 + (x * y % 17) * 3917 + c * x * 211) & 0xFFFF;
    return depth >= 16 ? h : h >> (16 - depth);
}

QByteArray Bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

std::vector<uint8_t> IccProfile(int size)
{
    std::vector<uint8_t> p(size_t(size), 0);
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[size_t(at + i)] = uint8_t(v >> (24 - 8 * i));
    };
    put32(0, uint32_t(size));
    put32(8, 0x02100000);
    memcpy(&p[12], "mntrRGB XYZ ", 12);
    memcpy(&p[36], "acsp", 4);
    put32(68, 0x0000F6D6); // D50
    put32(72, 0x00010000);
    put32(76, 0x0000D32D);
    for (int i = 132; i < size; ++i)
        p[size_t(i)] = uint8_t(i * 13);
    return p;
}

// ---- PNG ----

namespace {

struct PngOut {
    QByteArray *bytes;
};

void PngWriteData(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<PngOut *>(png_get_io_ptr(png))->bytes->append(reinterpret_cast<const char *>(data), int(n));
}

void PngFlush(png_structp) {}

void PngQuiet(png_structp, png_const_charp) {}

struct PngWriteJob {
    const PngSpec *spec;
    png_bytepp rows;
    png_colorp palette;
    int paletteSize;
    png_bytep trnsAlpha;
    int trnsCount;
    png_color_16 trnsColor;
    png_textp texts;
    int textCount;
    png_textp endTexts;
    int endTextCount;
    QByteArray *out;
};

// Plain frame: libpng's errors jump back here.
bool PngWriteFrame(PngWriteJob &job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngQuiet);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    PngOut out{job.out};
    png_set_write_fn(png, &out, PngWriteData, PngFlush);
    const PngSpec &s = *job.spec;
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colorType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job.paletteSize)
        png_set_PLTE(png, info, job.palette, job.paletteSize);
    if (s.trns)
        png_set_tRNS(png, info, job.trnsAlpha, job.trnsCount, &job.trnsColor);
    if (!s.icc.empty())
        png_set_iCCP(png, info, "test", 0, s.icc.data(), png_uint_32(s.icc.size()));
    if (job.textCount)
        png_set_text(png, info, job.texts, job.textCount);
    if (!s.exif.empty())
        png_set_eXIf_1(png, info, png_uint_32(s.exif.size()), const_cast<png_bytep>(s.exif.data()));
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int p = 0; p < passes; ++p)
        for (int y = 0; y < s.height; ++y)
            png_write_row(png, job.rows[y]);
    if (job.endTextCount)
        png_set_text(png, info, job.endTexts, job.endTextCount);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

void PutBits(std::vector<uint8_t> &row, int index, int depth, uint32_t v)
{
    if (depth == 16) {
        row[size_t(index) * 2] = uint8_t(v >> 8);
        row[size_t(index) * 2 + 1] = uint8_t(v);
    } else if (depth == 8) {
        row[size_t(index)] = uint8_t(v);
    } else {
        const int bit = index * depth;
        row[size_t(bit / 8)] |= uint8_t(v << (8 - depth - bit % 8));
    }
}

std::vector<png_text> TextEntries(const std::vector<std::pair<std::string, std::string>> &list)
{
    std::vector<png_text> t(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        t[i].compression = PNG_TEXT_COMPRESSION_NONE;
        t[i].key = const_cast<char *>(list[i].first.c_str());
        t[i].text = const_cast<char *>(list[i].second.c_str());
        t[i].text_length = list[i].second.size();
    }
    return t;
}

} // namespace

QByteArray WritePng(const PngSpec &s)
{
    int channels = 1;
    switch (s.colorType) {
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: break;
    }
    const size_t rowBytes = (size_t(s.width) * size_t(channels) * size_t(s.depth) + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(size_t(s.height), std::vector<uint8_t>(rowBytes, 0));
    std::vector<png_bytep> rowPtr(size_t(s.height));
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < channels; ++c)
                PutBits(rows[size_t(y)], x * channels + c, s.depth, Sample(x, y, c, s.depth));
        rowPtr[size_t(y)] = rows[size_t(y)].data();
    }

    PngWriteJob job{};
    job.spec = &s;
    job.rows = rowPtr.data();
    std::vector<png_color> palette;
    std::vector<png_byte> trnsAlpha;
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
        palette.resize(size_t(1) << s.depth);
        for (size_t i = 0; i < palette.size(); ++i)
            palette[i] = {png_byte(i * 37 + 11), png_byte(255 - i * 5), png_byte(i * 91)};
        job.palette = palette.data();
        job.paletteSize = int(palette.size());
        if (s.trns) {
            trnsAlpha.resize((palette.size() + 1) / 2);
            for (size_t i = 0; i < trnsAlpha.size(); ++i)
                trnsAlpha[i] = png_byte(i * 67);
            job.trnsAlpha = trnsAlpha.data();
            job.trnsCount = int(trnsAlpha.size());
        }
    } else if (s.trns) {
        // The colour of pixel (1, 1) is transparent.
        job.trnsColor.gray = png_uint_16(Sample(1, 1, 0, s.depth));
        job.trnsColor.red = png_uint_16(Sample(1, 1, 0, s.depth));
        job.trnsColor.green = png_uint_16(Sample(1, 1, 1, s.depth));
        job.trnsColor.blue = png_uint_16(Sample(1, 1, 2, s.depth));
    }
    std::vector<png_text> texts = TextEntries(s.texts), endTexts = TextEntries(s.endTexts);
    job.texts = texts.data();
    job.textCount = int(texts.size());
    job.endTexts = endTexts.data();
    job.endTextCount = int(endTexts.size());
    QByteArray out;
    job.out = &out;
    return PngWriteFrame(job) ? out : QByteArray();
}

namespace {

struct PngIn {
    const QByteArray *bytes;
    int at;
};

void PngReadData(png_structp png, png_bytep data, png_size_t n)
{
    auto *in = static_cast<PngIn *>(png_get_io_ptr(png));
    if (in->at + int(n) > in->bytes->size())
        png_error(png, "end of data");
    memcpy(data, in->bytes->constData() + in->at, n);
    in->at += int(n);
}

struct PngDecodeJob {
    const QByteArray *file;
    Rgba *out;
    bool hasAlpha;
};

bool PngDecodeFrame(PngDecodeJob &job)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, PngQuiet);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    PngIn in{job.file, 0};
    png_set_read_fn(png, &in, PngReadData);
    png_read_png(png, info,
                 PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING | PNG_TRANSFORM_GRAY_TO_RGB,
                 nullptr);
    const int w = int(png_get_image_width(png, info)), h = int(png_get_image_height(png, info));
    const int channels = int(png_get_rowbytes(png, info) / size_t(w));
    png_bytepp rows = png_get_rows(png, info);
    Rgba &o = *job.out;
    o.width = w;
    o.height = h;
    o.px.assign(size_t(w) * size_t(h) * 4, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            memcpy(o.At(x, y), rows[y] + x * channels, size_t(channels));
    job.hasAlpha = channels == 4;
    png_destroy_read_struct(&png, &info, nullptr);
    return channels == 3 || channels == 4;
}

} // namespace

bool DecodePng(const QByteArray &file, Rgba &out, bool &hasAlpha)
{
    PngDecodeJob job{&file, &out, false};
    const bool ok = PngDecodeFrame(job);
    hasAlpha = job.hasAlpha;
    return ok;
}

// ---- JPEG ----

namespace {

struct JpegErr {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegQuiet(j_common_ptr) {}

[[noreturn]] void JpegJump(j_common_ptr c)
{
    longjmp(reinterpret_cast<JpegErr *>(c->err)->jump, 1);
}

struct JpegWriteJob {
    const JpegSpec *spec;
    const uint8_t *pixels; // components bytes a pixel, rows from the top
    unsigned char *mem;
    unsigned long size;
};

bool JpegWriteFrame(JpegWriteJob &job)
{
    jpeg_compress_struct c;
    JpegErr err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegJump;
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &job.mem, &job.size);
    const JpegSpec &s = *job.spec;
    c.image_width = JDIMENSION(s.width);
    c.image_height = JDIMENSION(s.height);
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    if (s.progressive)
        jpeg_simple_progression(&c);
    c.density_unit = UINT8(s.densityUnit);
    c.X_density = UINT16(s.densityX);
    c.Y_density = UINT16(s.densityY);
    jpeg_start_compress(&c, TRUE);
    for (const JpegMarker &m : s.markers)
        jpeg_write_marker(&c, m.code, reinterpret_cast<const JOCTET *>(m.data.constData()),
                          unsigned(m.data.size()));
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job.pixels + size_t(c.next_scanline) * size_t(s.width) * size_t(s.components));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

struct JpegDecodeJob {
    const QByteArray *file;
    int scaleNum;
    Rgba *out;
    std::vector<uint8_t> *row;
};

bool JpegDecodeFrame(JpegDecodeJob &job)
{
    jpeg_decompress_struct d;
    JpegErr err;
    d.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegJump;
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(job.file->constData()), static_cast<unsigned long>(job.file->size()));
    jpeg_read_header(&d, TRUE);
    d.scale_num = unsigned(job.scaleNum);
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    Rgba &o = *job.out;
    o.width = int(d.output_width);
    o.height = int(d.output_height);
    o.px.assign(size_t(o.width) * size_t(o.height) * 4, 255);
    while (d.output_scanline < d.output_height) {
        const int y = int(d.output_scanline);
        JSAMPROW row = job.row->data();
        if (jpeg_read_scanlines(&d, &row, 1) != 1)
            break;
        for (int x = 0; x < o.width; ++x)
            memcpy(o.At(x, y), row + 3 * x, 3);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

} // namespace

QByteArray WriteJpeg(const JpegSpec &s)
{
    std::vector<uint8_t> pixels(size_t(s.width) * size_t(s.height) * size_t(s.components));
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < s.components; ++c)
                pixels[(size_t(y) * size_t(s.width) + size_t(x)) * size_t(s.components) + size_t(c)] =
                    uint8_t(Sample(x, y, c, 8));
    JpegWriteJob job{&s, pixels.data(), nullptr, 0};
    const bool ok = JpegWriteFrame(job);
    QByteArray out;
    if (ok && job.mem)
        out = QByteArray(reinterpret_cast<const char *>(job.mem), int(job.size));
    std::free(job.mem);
    return out;
}

bool DecodeJpeg(const QByteArray &file, int scaleNum, Rgba &out)
{
    std::vector<uint8_t> row(65536 * 3);
    JpegDecodeJob job{&file, scaleNum, &out, &row};
    return JpegDecodeFrame(job);
}

std::vector<JpegMarker> IccChunks(const QByteArray &profile, int pieces)
{
    std::vector<JpegMarker> out;
    const int step = (profile.size() + pieces - 1) / pieces;
    for (int i = 0; i < pieces; ++i) {
        QByteArray d("ICC_PROFILE", 12); // with its NUL
        d.append(char(i + 1));
        d.append(char(pieces));
        d.append(profile.mid(i * step, step));
        out.push_back({JPEG_APP0 + 2, d});
    }
    return out;
}

// ---- TIFF ----

namespace {

QString TempPath()
{
    static QTemporaryDir dir;
    static int n = 0;
    return dir.path() + QStringLiteral("/t%1.tif").arg(++n);
}

QByteArray Slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

QByteArray WriteTiff(const TiffSpec &s)
{
    const QString path = TempPath();
    TIFF *tif = TIFFOpen(path.toUtf8().constData(), s.bigEndian ? "wb" : "wl");
    if (!tif)
        return QByteArray();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(s.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(s.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(s.samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(s.bits));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(s.photometric));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(s.compression));
    if (s.extraAlpha) {
        const uint16_t kind = uint16_t(s.extraAlpha);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), &kind);
    }
    const int colours = 1 << s.bits;
    std::vector<uint16_t> map[3];
    if (s.photometric == PHOTOMETRIC_PALETTE) {
        for (int c = 0; c < 3; ++c) {
            map[c].resize(size_t(colours));
            for (int i = 0; i < colours; ++i)
                map[c][size_t(i)] = uint16_t(((i * (37 + 50 * c) + 11 * c) & 0xFF) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    if (s.resUnit)
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(s.resUnit));
    if (s.resX > 0)
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, double(s.resX));
    if (s.resY > 0)
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, double(s.resY));
    if (!s.icc.empty())
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, uint32_t(s.icc.size()), s.icc.data());
    if (!s.iptc.empty())
        TIFFSetField(tif, TIFFTAG_RICHTIFFIPTC, uint32_t(s.iptc.size()), s.iptc.data());
    if (!s.photoshop.empty())
        TIFFSetField(tif, TIFFTAG_PHOTOSHOP, uint32_t(s.photoshop.size()), s.photoshop.data());
    if (!s.xmp.empty())
        TIFFSetField(tif, TIFFTAG_XMLPACKET, uint32_t(s.xmp.size()), s.xmp.data());

    // Pixels: the samples of Sample(), the alpha sample last.
    const int maxv = (1 << s.bits) - 1;
    auto value = [&](int x, int y, int c) -> uint32_t {
        if (s.extraAlpha && c == s.samples - 1) {
            if (s.opaqueAlpha)
                return uint32_t(maxv);
            return (x + y) % 3 == 0 ? uint32_t(maxv) : Sample(x, y, 3, s.bits);
        }
        return Sample(x, y, c, s.bits);
    };
    const size_t rowBytes = (size_t(s.width) * size_t(s.samples) * size_t(s.bits) + 7) / 8;
    auto fillRow = [&](std::vector<uint8_t> &row, int y, int x0, int count) {
        std::fill(row.begin(), row.end(), 0);
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            if (x >= s.width || y >= s.height)
                continue;
            for (int c = 0; c < s.samples; ++c)
                PutBits(row, i * s.samples + c, s.bits, value(x, y, c));
        }
    };
    bool ok = true;
    if (s.tiled) {
        const int tw = 16, th = 16;
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(tw));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(th));
        const size_t tileRow = (size_t(tw) * size_t(s.samples) * size_t(s.bits) + 7) / 8;
        std::vector<uint8_t> tile(tileRow * th), row(tileRow);
        for (int ty = 0; ty < s.height && ok; ty += th)
            for (int tx = 0; tx < s.width && ok; tx += tw) {
                for (int r = 0; r < th; ++r) {
                    fillRow(row, ty + r, tx, tw);
                    memcpy(tile.data() + size_t(r) * tileRow, row.data(), tileRow);
                }
                ok = TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(8));
        std::vector<uint8_t> row(rowBytes);
        for (int y = 0; y < s.height && ok; ++y) {
            fillRow(row, y, 0, s.width);
            ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) >= 0;
        }
    }
    TIFFClose(tif);
    return ok ? Slurp(path) : QByteArray();
}

bool DecodeTiff(const QByteArray &file, Rgba &out)
{
    const QString path = TempPath();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
        return false;
    f.close();
    TIFF *tif = TIFFOpen(path.toUtf8().constData(), "r");
    if (!tif)
        return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> raster(size_t(w) * h);
    const bool ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1) != 0;
    TIFFClose(tif);
    out.width = int(w);
    out.height = int(h);
    out.px.resize(raster.size() * 4);
    for (size_t i = 0; i < raster.size(); ++i) {
        out.px[i * 4] = uint8_t(TIFFGetR(raster[i]));
        out.px[i * 4 + 1] = uint8_t(TIFFGetG(raster[i]));
        out.px[i * 4 + 2] = uint8_t(TIFFGetB(raster[i]));
        out.px[i * 4 + 3] = uint8_t(TIFFGetA(raster[i]));
    }
    return ok;
}

// ---- JPEG 2000 ----

bool WriteJpeg2000(const std::string &path, const Jpeg2000Spec &s)
{
    std::vector<opj_image_cmptparm_t> parms(size_t(s.comps));
    for (int c = 0; c < s.comps; ++c) {
        opj_image_cmptparm_t &p = parms[size_t(c)];
        p = {};
        p.dx = p.dy = OPJ_UINT32(c == 0 ? 1 : s.subsample);
        // The component's samples on the grid: from ceil(x0 / dx) to
        // ceil(x1 / dx), as the decoder counts them.
        const uint64_t x0 = s.offsetX, y0 = s.offsetY, x1 = x0 + uint64_t(s.width), y1 = y0 + uint64_t(s.height);
        p.x0 = OPJ_UINT32((x0 + p.dx - 1) / p.dx);
        p.y0 = OPJ_UINT32((y0 + p.dy - 1) / p.dy);
        p.w = OPJ_UINT32((x1 + p.dx - 1) / p.dx - p.x0);
        p.h = OPJ_UINT32((y1 + p.dy - 1) / p.dy - p.y0);
        p.prec = OPJ_UINT32(s.prec);
        p.sgnd = s.sgnd;
    }
    const OPJ_COLOR_SPACE space = s.comps >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
    opj_image_t *image = opj_image_create(OPJ_UINT32(s.comps), parms.data(), space);
    if (!image)
        return false;
    image->x0 = s.offsetX;
    image->y0 = s.offsetY;
    image->x1 = OPJ_UINT32(s.offsetX + uint32_t(s.width));
    image->y1 = OPJ_UINT32(s.offsetY + uint32_t(s.height));
    for (int c = 0; c < s.comps; ++c) {
        const opj_image_comp_t &comp = image->comps[c];
        for (OPJ_UINT32 y = 0; y < comp.h; ++y)
            for (OPJ_UINT32 x = 0; x < comp.w; ++x)
                comp.data[y * comp.w + x] = s.sample(c, int(x), int(y));
    }
    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.tcp_rates[0] = s.rate;
    params.irreversible = s.rate > 0;
    params.cp_disto_alloc = 1;
    params.tcp_mct = char(s.colourTransform >= 0 ? s.colourTransform : s.comps >= 3 && s.subsample == 1);
    int levels = s.resolutions;
    if (levels <= 0) {
        const int smallest = std::min(s.width, s.height);
        levels = 1;
        while (levels < 6 && (smallest >> levels) > 0)
            ++levels;
    }
    params.numresolution = levels;
    if (s.tune)
        s.tune(params);
    opj_codec_t *codec = opj_create_compress(OPJ_CODEC_FORMAT(s.format));
    opj_stream_t *stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
    if (codec && s.threads > 0)
        opj_codec_set_threads(codec, s.threads);
    const bool ok = codec && stream && opj_setup_encoder(codec, &params, image) &&
                    opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return ok;
}

namespace {

// The library's own decode of the file at 1 / 2^reduce of its resolution,
// on threads threads (0: the library's default); take, when given, is
// shown the image decoded.
bool OpenJpegDecode(const std::string &path, int format, int reduce, int threads,
                    const std::function<void(const opj_image_t &)> &take)
{
    opj_codec_t *codec = opj_create_decompress(OPJ_CODEC_FORMAT(format));
    opj_stream_t *stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    params.cp_reduce = OPJ_UINT32(reduce);
    opj_image_t *image = nullptr;
    const bool ok = codec && stream && opj_setup_decoder(codec, &params) &&
                    (threads == 0 || opj_codec_set_threads(codec, threads)) &&
                    opj_read_header(stream, codec, &image) && opj_decode(codec, stream, image) &&
                    opj_end_decompress(codec, stream);
    if (ok && take)
        take(*image);
    if (image)
        opj_image_destroy(image);
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    return ok;
}

} // namespace

Jpeg2000Samples DecodeJpeg2000(const std::string &path, int format, int reduce)
{
    Jpeg2000Samples out;
    out.ok = OpenJpegDecode(path, format, reduce, 0, [&](const opj_image_t &image) {
        for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
            const opj_image_comp_t &comp = image.comps[c];
            // The library keeps the component's origin at full resolution.
            const int64_t scale = int64_t(1) << reduce;
            out.comps.push_back({int(comp.w), int(comp.h), int(comp.dx), int(comp.dy), int(comp.prec),
                                 (int64_t(comp.x0) + scale - 1) / scale, (int64_t(comp.y0) + scale - 1) / scale,
                                 comp.sgnd != 0, std::vector<int>(comp.data, comp.data + comp.w * comp.h)});
        }
    });
    return out;
}

bool DecodeJpeg2000Threaded(const std::string &path, int format)
{
    return OpenJpegDecode(path, format, 0, opj_get_num_cpus(), nullptr);
}

} // namespace pictures
