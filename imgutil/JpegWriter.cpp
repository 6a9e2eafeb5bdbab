// JPEG through libjpeg: baseline at the options' quality, JFIF density in
// dots per inch, EXIF in APP1 and the ICC profile in APP2 chunks.
#include "ImageWriters.h"
#include "JpegError.h"
#include "SaveFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <cstring>

namespace VlmImgUt {

namespace {

constexpr uint32_t MaxMarkerData = 65533;                    // a marker's length field less itself
constexpr uint32_t MaxExif = MaxMarkerData - 6;              // after "Exif\0\0"
constexpr uint32_t IccChunk = MaxMarkerData - 14;            // after "ICC_PROFILE\0", number, count
constexpr uint32_t MaxIccChunks = 255;

// Everything the encoder needs, in plain data: the encoder's frame is
// left by a long jump and holds no objects with destructors.
struct JpegJob {
    FILE *file;
    Writer::Part part;
    int quality;
    uint16_t densityX, densityY;
    const uint8_t *exif; // null: none
    uint32_t exifSize;
    const uint8_t *icc;  // null: none
    uint32_t iccSize;
};

void WriteBytes(j_compress_ptr cinfo, const uint8_t *data, uint32_t size)
{
    for (uint32_t i = 0; i < size; ++i)
        jpeg_write_m_byte(cinfo, data[i]);
}

bool Encode(const JpegJob *job)
{
    jpeg_compress_struct cinfo;
    JpegError error;
    cinfo.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = JpegErrorExit;
    error.mgr.output_message = JpegSilent;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, job->file);
    cinfo.image_width = JDIMENSION(job->part.width);
    cinfo.image_height = JDIMENSION(job->part.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job->quality, TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = job->densityX;
    cinfo.Y_density = job->densityY;
    jpeg_start_compress(&cinfo, TRUE);

    if (job->exif) {
        jpeg_write_m_header(&cinfo, JPEG_APP0 + 1, job->exifSize + 6);
        WriteBytes(&cinfo, reinterpret_cast<const uint8_t *>("Exif\0\0"), 6);
        WriteBytes(&cinfo, job->exif, job->exifSize);
    }
    if (job->icc) {
        const uint32_t count = (job->iccSize + IccChunk - 1) / IccChunk;
        for (uint32_t n = 0; n < count; ++n) {
            const uint32_t offset = n * IccChunk;
            const uint32_t size = n + 1 < count ? IccChunk : job->iccSize - offset;
            jpeg_write_m_header(&cinfo, JPEG_APP0 + 2, size + 14);
            WriteBytes(&cinfo, reinterpret_cast<const uint8_t *>("ICC_PROFILE"), 12);
            jpeg_write_m_byte(&cinfo, int(n + 1));
            jpeg_write_m_byte(&cinfo, int(count));
            WriteBytes(&cinfo, job->icc + offset, size);
        }
    }

    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(job->part.width) * 3, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        Writer::BgrToRgb(job->part.Row(int32_t(cinfo.next_scanline)), row[0], job->part.width);
        jpeg_write_scanlines(&cinfo, row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

bool WriteJpeg(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata)
{
    JpegJob job = {};
    if (!Writer::PartOf(ctx, picture, job.part))
        return false;
    job.quality = ctx.imgOpts.JpegQuality();
    job.densityX = uint16_t(Writer::Dpi(picture->dpiX));
    job.densityY = uint16_t(Writer::Dpi(picture->dpiY));
    if (metadata) {
        // A block that one marker, or 255 chunks, cannot carry is left out.
        if (Writer::WritesExif(ctx) && metadata->exif && metadata->exifSize <= MaxExif) {
            job.exif = metadata->exif;
            job.exifSize = metadata->exifSize;
        }
        if (metadata->icc && metadata->iccSize > 0 && metadata->iccSize <= uint64_t(IccChunk) * MaxIccChunks) {
            job.icc = metadata->icc;
            job.iccSize = metadata->iccSize;
        }
    }

    return SaveFile::WriteStream(path, [&](FILE *file) {
        job.file = file;
        return Encode(&job);
    });
}

} // namespace VlmImgUt
