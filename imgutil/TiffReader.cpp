// TIFF and DNG files through libtiff's RGBA interface, a band of rows or a
// scanline at a time straight into the (reduced) picture; the alpha
// channel, the resolution, the ICC profile and, when asked for, the IPTC or
// Photoshop block and the XMP packet are kept.
#include "TImgUt.h"
#include "TDib.h"
#include "MetaBlock.h"
#include "ReaderKit.h"
#include "RegularFile.h"

#include <algorithm>
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
    ~TiffFile()
    {
        if (tif)
            TIFFClose(tif);
        if (fd >= 0)
            ::close(fd);
    }
};

// libtiff's RGBA state, ended with the read.
struct RgbaImage {
    TIFFRGBAImage img{};
    bool begun = false;
    ~RgbaImage()
    {
        if (begun)
            TIFFRGBAImageEnd(&img);
    }
};

// Places RGBA rows, bottom row first as libtiff's RGBA interface gives them,
// into the picture: all of them, or the sampled rows and columns of a
// reduced read (sampled from the bottom row up).
class RowSink {
public:
    bool Start(TImgUt &ctx, int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight, int32_t dpiX,
               int32_t dpiY, bool withAlpha)
    {
        dib = ctx.readTarget;
        if (!sampled.Start(ctx, width, height, maxWidth, maxHeight, dpiX, dpiY))
            return false;
        if (withAlpha) {
            dib->alpha = static_cast<uint8_t *>(std::malloc(size_t(int64_t(dib->width) * dib->height)));
            if (!dib->alpha)
                return false;
        }
        return true;
    }

    // Picture rows (bottom row first) that take raster row j, as [first, last).
    std::pair<int64_t, int64_t> Targets(int64_t j) const { return sampled.Targets(j); }

    // Pixels of raster columns x0 .. x0 + n - 1 into picture row k.
    void Put(int64_t k, int64_t x0, int64_t n, const uint32_t *px)
    {
        uint8_t *dst = dib->bits + k * dib->stride;
        uint8_t *a = dib->alpha ? dib->alpha + k * dib->width : nullptr;
        const TSampled &cols = sampled.Columns();
        const int32_t last = cols.From(x0 + n);
        for (int32_t x = cols.From(x0); x < last; ++x) {
            const uint32_t p = px[cols[size_t(x)] - x0];
            dst[3 * x] = uint8_t(TIFFGetB(p));
            dst[3 * x + 1] = uint8_t(TIFFGetG(p));
            dst[3 * x + 2] = uint8_t(TIFFGetR(p));
            if (a) {
                a[x] = uint8_t(TIFFGetA(p));
                opaque = opaque && a[x] == 255;
            }
        }
    }

    // An alpha plane that stayed opaque is dropped.
    void Finish()
    {
        if (dib->alpha && opaque) {
            std::free(dib->alpha);
            dib->alpha = nullptr;
        }
    }

private:
    TDib *dib = nullptr;
    // The raster row and column of each picture one; the picture's rows
    // are counted from the bottom, as the raster's are.
    TReaderRows sampled;
    bool opaque = true;
};

// What a band of converted rows may always take (and half the record
// where that is more).
constexpr int64_t BandBytes = int64_t(16) << 20;
// Pixels converted at a time from a scanline: a whole number of bytes at
// every bit depth.
constexpr int64_t Piece = 4096;

// The orientations that libtiff turns over for a raster of the bottom row
// first, as its RGBA reader does.
bool FlipsVertically(uint16_t o)
{
    return o == ORIENTATION_TOPLEFT || o == ORIENTATION_LEFTTOP || o == ORIENTATION_TOPRIGHT ||
           o == ORIENTATION_RIGHTTOP;
}
bool FlipsHorizontally(uint16_t o)
{
    return o == ORIENTATION_TOPRIGHT || o == ORIENTATION_RIGHTTOP || o == ORIENTATION_BOTRIGHT ||
           o == ORIENTATION_RIGHTBOT;
}

// An uncompressed picture longer than its file is refused before it is made.
bool FileHoldsThePixels(TIFF *tif, uint32_t height, toff_t fileSize)
{
    uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_NONE)
        return true;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const uint64_t need = TIFFIsTiled(tif) ? uint64_t(TIFFTileSize64(tif)) * TIFFNumberOfTiles(tif)
                                           : uint64_t(TIFFVStripSize64(tif, height)) *
                                                 (planar == PLANARCONFIG_SEPARATE ? samples : 1);
    return need <= fileSize;
}

// No sub-sampled chroma and none of the codecs that change the sample
// layout, and samples of whole bytes or a single one a pixel.
bool KeepsSampleLayout(TIFF *tif, const TIFFRGBAImage &img)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_OJPEG || compression == COMPRESSION_SGILOG ||
        compression == COMPRESSION_SGILOG24)
        return false;
    if (img.photometric == PHOTOMETRIC_YCBCR) {
        uint16_t h = 1, v = 1;
        TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &h, &v);
        if (h != 1 || v != 1)
            return false;
    }
    return img.bitspersample >= 8 || img.samplesperpixel == 1;
}

// Strips of contiguous samples that decode a row at a time to what the RGBA
// interface converts pixel by pixel: no tiles, no separate planes, and the
// sample layout kept.
bool ByScanline(TIFF *tif, const TIFFRGBAImage &img)
{
    if (TIFFIsTiled(tif) || !img.isContig)
        return false;
    return KeepsSampleLayout(tif, img);
}

// n converted pixels of a source row from x0, mirrored when the picture
// flips horizontally, into the picture rows first..last - 1 that take it.
void PutPiece(RowSink &sink, int64_t first, int64_t last, std::vector<uint32_t> &px, int64_t x0, int64_t n,
              int64_t width, bool hflip)
{
    int64_t at = x0;
    if (hflip) {
        std::reverse(px.begin(), px.begin() + n);
        at = width - x0 - n;
    }
    for (int64_t k = first; k < last; ++k)
        sink.Put(k, at, n, px.data());
}

// Every row decoded in turn, each converted a piece at a time when the
// picture takes it.
bool ReadScanlines(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height)
{
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    std::vector<uint8_t> line;
    std::vector<uint32_t> px;
    if (lineSize <= 0 || !Resize(line, size_t(lineSize)) || !Resize(px, size_t(std::min(Piece, width))))
        return false;
    const bool vflip = FlipsVertically(img.orientation), hflip = FlipsHorizontally(img.orientation);
    const int64_t bitsPerPixel = int64_t(img.bitspersample) * img.samplesperpixel;
    for (int64_t r = 0; r < height; ++r) {
        if (TIFFReadScanline(tif, line.data(), uint32_t(r), 0) < 0)
            return false;
        const auto [first, last] = sink.Targets(vflip ? height - 1 - r : r);
        if (first == last)
            continue;
        for (int64_t x0 = 0; x0 < width; x0 += Piece) {
            const int64_t n = std::min(Piece, width - x0);
            img.put.contig(&img, px.data(), uint32_t(x0), 0, uint32_t(n), 1, 0, 0,
                           line.data() + x0 * bitsPerPixel / 8);
            PutPiece(sink, first, last, px, x0, n, width, hflip);
        }
    }
    return true;
}

// Tiles, and strips of separate planes, on the conditions of scanlines; the
// tiles that the picture's right edge cuts are converted whole, as libtiff
// converts them, and must fit the budget.
bool ByUnit(TIFF *tif, const TIFFRGBAImage &img, int64_t width, int64_t budget)
{
    if (!TIFFIsTiled(tif) && img.isContig)
        return false;
    if (TIFFIsTiled(tif)) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        if (tw == 0 || th == 0 || (width % tw) * th * 4 > budget)
            return false;
    }
    return KeepsSampleLayout(tif, img);
}

// Each tile (or strip) of every plane the conversion takes decoded once, in
// file order, and converted a row at a time into the picture rows that take
// it; a cut tile is converted whole (libtiff skips its cut part in a way of
// each conversion's own).
bool ReadUnits(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height)
{
    const bool tiled = TIFFIsTiled(tif);
    uint32_t unitW = uint32_t(width), unitH = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &unitW);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unitH);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unitH);
        unitH = uint32_t(std::clamp<int64_t>(unitH, 1, height));
    }
    const tmsize_t unitSize = tiled ? TIFFTileSize(tif) : TIFFStripSize(tif); // a plane's
    const tmsize_t rowSize = tiled ? TIFFTileRowSize(tif) : TIFFScanlineSize(tif);
    if (unitW == 0 || unitH == 0 || unitSize <= 0 || rowSize <= 0)
        return false;
    // Separate planes: the colour planes (one for grey and palette), then alpha.
    const bool grey = img.photometric == PHOTOMETRIC_MINISWHITE || img.photometric == PHOTOMETRIC_MINISBLACK ||
                      img.photometric == PHOTOMETRIC_PALETTE;
    const int colours = img.isContig ? 1 : grey ? 1 : 3;
    const int planes = img.isContig ? 1 : colours + (img.alpha ? 1 : 0);
    std::vector<uint8_t> buf;
    std::vector<uint32_t> px, cut; // a row; a cut tile
    if (!Resize(buf, size_t(unitSize) * size_t(planes)) || !Resize(px, size_t(std::min<int64_t>(unitW, width))) ||
        !Resize(cut, size_t(width % unitW) * unitH))
        return false;
    const bool vflip = FlipsVertically(img.orientation), hflip = FlipsHorizontally(img.orientation);
    for (int64_t y0 = 0; y0 < height; y0 += unitH) {
        for (int64_t x0 = 0; x0 < width; x0 += unitW) {
            for (int s = 0; s < planes; ++s) {
                uint8_t *const plane = buf.data() + size_t(unitSize) * size_t(s);
                const bool ok = tiled ? TIFFReadTile(tif, plane, uint32_t(x0), uint32_t(y0), 0, uint16_t(s)) >= 0
                                      : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, uint32_t(y0), uint16_t(s)),
                                                             plane, tmsize_t(-1)) >= 0;
                if (!ok)
                    return false;
            }
            const int64_t n = std::min<int64_t>(unitW, width - x0);
            const int64_t rows = std::min<int64_t>(unitH, height - y0);
            // Rows of planes from row i of the unit on, converted into to:
            // h rows, the part of the unit past n skipped.
            auto convert = [&](int64_t i, int64_t h, uint32_t *to) {
                uint8_t *const p0 = buf.data() + i * rowSize;
                const int32_t skip = int32_t(unitW - n);
                if (img.isContig) {
                    img.put.contig(&img, to, uint32_t(x0), 0, uint32_t(n), uint32_t(h), skip, 0, p0);
                } else {
                    uint8_t *const p1 = colours > 1 ? p0 + unitSize : p0;
                    uint8_t *const p2 = colours > 1 ? p0 + 2 * unitSize : p0;
                    uint8_t *const pa = img.alpha ? p0 + colours * unitSize : nullptr;
                    img.put.separate(&img, to, uint32_t(x0), 0, uint32_t(n), uint32_t(h), skip, 0, p0, p1, p2, pa);
                }
            };
            if (n < unitW)
                convert(0, rows, cut.data());
            for (int64_t i = 0; i < rows; ++i) {
                const int64_t r = y0 + i;
                const auto [first, last] = sink.Targets(vflip ? height - 1 - r : r);
                if (first == last)
                    continue;
                if (n < unitW)
                    std::copy_n(cut.data() + i * n, n, px.data());
                else
                    convert(i, 1, px.data());
                PutPiece(sink, first, last, px, x0, n, width, hflip);
            }
        }
    }
    return true;
}

// Bands of whole strips or tiles where they fit the budget (fewer rows
// otherwise), each read by libtiff's RGBA interface, which turns it over.
bool ReadBands(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height, int64_t budget)
{
    uint32_t unit = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    const int64_t units = std::clamp<int64_t>(unit, 1, height);
    const int64_t fit = budget / (width * 4);
    // Fewer rows than a strip stay a whole number of chroma blocks.
    int64_t band = units <= fit ? fit / units * units : std::max<int64_t>(16, fit / 16 * 16);
    band = std::min(band, height);
    std::vector<uint32_t> raster;
    if (!Resize(raster, size_t(width * band)))
        return false;
    const bool vflip = FlipsVertically(img.orientation);
    for (int64_t r0 = 0; r0 < height; r0 += band) {
        const int64_t rows = std::min(band, height - r0);
        img.row_offset = int(r0);
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), uint32_t(width), uint32_t(rows)))
            return false;
        for (int64_t b = 0; b < rows; ++b) {
            const auto [first, last] = sink.Targets(vflip ? height - r0 - rows + b : r0 + b);
            for (int64_t k = first; k < last; ++k)
                sink.Put(k, 0, width, raster.data() + b * width);
        }
    }
    return true;
}

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

    // The picture must fit the record's cap, as it did when it was read
    // whole; it is now read a band at a time.
    if (!WithinRecordCap(width, height))
        return false;
    char message[1024] = "";
    RgbaImage rgba;
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&rgba.img, tif, 1, message))
        return false;
    rgba.begun = true;
    TIFFRGBAImage &img = rgba.img;
    img.req_orientation = ORIENTATION_BOTLEFT;
    if (img.width != width || img.height != height)
        return false;

    if (!FileHoldsThePixels(tif, height, FdSize(reinterpret_cast<thandle_t>(intptr_t(f.fd)))))
        return false;
    RowSink sink;
    if (!sink.Start(ctx, width, height, maxWidth, maxHeight, dpiX, dpiY, img.alpha != 0))
        return false;
    // A band may cost as much as half the record, or the fixed budget.
    const int64_t budget = std::max(BandBytes, int64_t(dib->stride) * dib->height / 2);
    const bool ok = ByScanline(tif, img) ? ReadScanlines(tif, img, sink, width, height)
                    : ByUnit(tif, img, width, budget) ? ReadUnits(tif, img, sink, width, height)
                                         : ReadBands(tif, img, sink, width, height, budget);
    if (!ok)
        return false;
    sink.Finish();
    return true;
}

} // namespace VlmImgUt
