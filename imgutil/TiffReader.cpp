// TIFF and DNG files through libtiff's RGBA interface, reduced after the
// read; the alpha channel, the resolution, the ICC profile and, when asked
// for, the IPTC or Photoshop block and the XMP packet are kept.
#include "TImgUt.h"
#include "TDib.h"
#include "MetaBlock.h"
#include "ReaderKit.h"
#include "RegularFile.h"

#include <cerrno>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <tiffio.h>

namespace VlmImgUt {

namespace {

// libtiff reads through a descriptor that the reader owns and closes.
tsize_t FdRead(thandle_t h, tdata_t buf, tsize_t size)
{
    const int fd = int(reinterpret_cast<intptr_t>(h));
    tsize_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, static_cast<char *>(buf) + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

tsize_t FdWrite(thandle_t, tdata_t, tsize_t)
{
    return -1;
}

toff_t FdSeek(thandle_t h, toff_t off, int whence)
{
    const off_t r = ::lseek(int(reinterpret_cast<intptr_t>(h)), off_t(off), whence);
    return r < 0 ? toff_t(-1) : toff_t(r);
}

int FdClose(thandle_t)
{
    return 0;
}

toff_t FdSize(thandle_t h)
{
    struct stat st;
    return fstat(int(reinterpret_cast<intptr_t>(h)), &st) == 0 ? toff_t(st.st_size) : 0;
}

// Mapped reading, as libtiff's own opener does: some layouts (tiles of
// two samples) only read through it.
int FdMap(thandle_t h, tdata_t *base, toff_t *size)
{
    const toff_t n = FdSize(h);
    if (n == 0 || n > toff_t(SIZE_MAX))
        return 0;
    void *p = mmap(nullptr, size_t(n), PROT_READ, MAP_PRIVATE, int(reinterpret_cast<intptr_t>(h)), 0);
    if (p == MAP_FAILED)
        return 0;
    *base = p;
    *size = n;
    return 1;
}

void FdUnmap(thandle_t, tdata_t base, toff_t size)
{
    munmap(base, size_t(size));
}

// Copies a counted field (count, then data) into a block.
void KeepField(TIFF *tif, ttag_t tag, uint8_t *&block, uint32_t &size)
{
    uint32_t count = 0;
    void *data = nullptr;
    if (TIFFGetField(tif, tag, &count, &data) && data)
        KeepBlock(block, size, data, count);
}

struct TiffFile {
    int fd = -1;
    TIFF *tif = nullptr;
    uint32_t *raster = nullptr;
    ~TiffFile()
    {
        if (raster)
            _TIFFfree(raster);
        if (tif)
            TIFFClose(tif);
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool ReadTiff(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    TDib *dib = ctx.readTarget;
    if (!dib)
        return false;
    TiffFile f;
    f.fd = RegularFile::OpenFd(path);
    if (f.fd < 0)
        return false;
    const QByteArray name = path.toUtf8();
    f.tif = TIFFClientOpen(name.constData(), "r", reinterpret_cast<thandle_t>(intptr_t(f.fd)), FdRead, FdWrite,
                           FdSeek, FdClose, FdSize, FdMap, FdUnmap);
    if (!f.tif)
        return false;
    TIFF *tif = f.tif;

    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    uint16_t unit = 2;
    float resX = 0.0f, resY = 0.0f; // a missing resolution stays 0: 72 dpi
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_XRESOLUTION, &resX);
    TIFFGetFieldDefaulted(tif, TIFFTAG_YRESOLUTION, &resY);
    int32_t dpiX = 0, dpiY = 0;
    if (unit == RESUNIT_INCH) {
        dpiX = RoundDpi(resX);
        dpiY = RoundDpi(resY);
    } else if (unit == RESUNIT_CENTIMETER) {
        dpiX = RoundDpi(resX * 2.54f);
        dpiY = RoundDpi(resY * 2.54f);
    }

    if (!ctx.previewMode) {
        KeepField(tif, TIFFTAG_ICCPROFILE, dib->icc, dib->iccSize);
        if (ctx.keepExif)
            ReadTiffExif(ctx, path);
        if (ctx.keepPhotoshop) {
            // libtiff hands the IPTC block over as bytes.
            KeepField(tif, TIFFTAG_RICHTIFFIPTC, dib->photoshop, dib->photoshopSize);
            KeepField(tif, TIFFTAG_PHOTOSHOP, dib->photoshop, dib->photoshopSize);
        }
        if (ctx.keepXmp)
            KeepField(tif, TIFFTAG_XMLPACKET, dib->xmp, dib->xmpSize);
    }

    // The whole picture is read first: it must fit the record's cap.
    if (!WithinRecordCap(width, height))
        return false;
    const int64_t pixels = int64_t(width) * int64_t(height);
    f.raster = static_cast<uint32_t *>(_TIFFmalloc(tmsize_t(pixels * 4)));
    if (!f.raster || !TIFFReadRGBAImage(tif, width, height, f.raster, 1))
        return false;

    const TReduction red = TReduction::For(width, height, maxWidth, maxHeight);
    if (!dib->Create(red.width, red.height, dpiX, dpiY))
        return false;
    dib->srcWidth = int32_t(width);
    dib->srcHeight = int32_t(height);
    const int64_t planeSize = int64_t(red.width) * red.height;
    std::vector<int32_t> cols, rows;
    try {
        cols = TReduction::Sample(width, red.width, red.stepX);
        rows = TReduction::Sample(height, red.height, red.stepY);
    } catch (const std::bad_alloc &) {
        return false;
    }
    dib->alpha = static_cast<uint8_t *>(std::malloc(size_t(planeSize)));
    if (!dib->alpha)
        return false;

    // Raster and bitmap both hold the bottom row first.
    bool opaque = true;
    for (int32_t k = 0; k < red.height; ++k) {
        const uint32_t *src = f.raster + int64_t(rows[size_t(k)]) * width;
        uint8_t *dst = dib->bits + int64_t(k) * dib->stride;
        uint8_t *a = dib->alpha + int64_t(k) * red.width;
        for (int32_t x = 0; x < red.width; ++x) {
            const uint32_t p = src[cols[size_t(x)]];
            dst[3 * x] = uint8_t(TIFFGetB(p));
            dst[3 * x + 1] = uint8_t(TIFFGetG(p));
            dst[3 * x + 2] = uint8_t(TIFFGetR(p));
            a[x] = uint8_t(TIFFGetA(p));
            opaque = opaque && a[x] == 255;
        }
    }
    if (opaque) {
        std::free(dib->alpha);
        dib->alpha = nullptr;
    }
    return true;
}

} // namespace VlmImgUt
