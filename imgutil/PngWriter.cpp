// PNG through libpng: 8-bit RGB with an optional transparent colour, the
// resolution, the ICC profile and the EXIF block.
#include "ImageWriters.h"
#include "SaveFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <png.h>

namespace VlmImgUt {

namespace {

// Everything the encoder needs, in plain data: the encoder's frame is
// left by a long jump and holds no objects with destructors.
struct PngJob {
    FILE *file;
    Writer::Part part;
    bool transparent;
    COLORREF colour;
    uint32_t ppmX, ppmY;
    const uint8_t *icc; // null: none
    uint32_t iccSize;
    const uint8_t *exif; // null: none
    uint32_t exifSize;
    uint8_t *row;
};

void Error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

bool Encode(const PngJob *job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_benign_errors(png, 1);
    png_init_io(png, job->file);
    png_set_IHDR(png, info, png_uint_32(job->part.width), png_uint_32(job->part.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->transparent) {
        png_color_16 colour = {};
        colour.red = png_uint_16(job->colour & 0xFF);
        colour.green = png_uint_16((job->colour >> 8) & 0xFF);
        colour.blue = png_uint_16((job->colour >> 16) & 0xFF);
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_set_pHYs(png, info, job->ppmX, job->ppmY, PNG_RESOLUTION_METER);
    if (job->icc)
        png_set_iCCP(png, info, "ICC", PNG_COMPRESSION_TYPE_BASE, job->icc, job->iccSize);
    if (job->exif)
        png_set_eXIf_1(png, info, job->exifSize, const_cast<png_bytep>(job->exif));
    png_write_info(png, info);
    for (int32_t r = 0; r < job->part.height; ++r) {
        Writer::BgrToRgb(job->part.Row(r), job->row, job->part.width);
        png_write_row(png, job->row);
    }
    // Every chunk went out before the image data: given the info again,
    // libpng would write its eXIf a second time.
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata, bool transparent,
              COLORREF transparentColour)
{
    PngJob job = {};
    if (!Writer::PartOf(ctx, picture, job.part))
        return false;
    job.transparent = transparent;
    job.colour = transparentColour;
    job.ppmX = Writer::PixelsPerMetre(picture->dpiX);
    job.ppmY = Writer::PixelsPerMetre(picture->dpiY);
    if (metadata) {
        // A chunk holds at most 2^31 - 1 bytes.
        if (metadata->icc && metadata->iccSize > 0 && metadata->iccSize <= PNG_UINT_31_MAX) {
            job.icc = metadata->icc;
            job.iccSize = metadata->iccSize;
        }
        if (Writer::WritesExif(ctx) && metadata->exif && metadata->exifSize > 1
            && metadata->exifSize <= PNG_UINT_31_MAX) {
            job.exif = metadata->exif;
            job.exifSize = metadata->exifSize;
        }
    }
    job.row = static_cast<uint8_t *>(std::malloc(size_t(job.part.width) * 3));
    if (!job.row)
        return false;

    const bool done = SaveFile::WriteStream(path, [&](FILE *file) {
        job.file = file;
        return Encode(&job);
    });
    std::free(job.row);
    return done;
}

} // namespace VlmImgUt
