// TIFF and DNG files through libtiff's RGBA interface, a band of rows or a
// scanline at a time straight into the (reduced) picture; the alpha
// channel, the resolution, the ICC profile and, when asked for, the IPTC or
// Photoshop block and the XMP packet are kept. Each scanline, strip, tile
// and band decoded counts against the read's budget, libtiff's own blocks
// are held to its memory, and a file whose strips, tiles or samples are
// out of proportion to its picture is refused before anything is decoded.
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

// The file and libtiff's handle on it; libtiff may allocate no single block
// beyond the limit it was opened with.
struct TiffFile {
    int fd = -1;
    TIFF *tif = nullptr;
    int64_t limit = 0;
    ~TiffFile()
    {
        if (tif)
            TIFFClose(tif);
        if (fd >= 0)
            ::close(fd);
    }

    bool Open(const char *name, int64_t maxAlloc)
    {
        if (tif)
            TIFFClose(tif);
        tif = nullptr;
        TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
        if (!opts || ::lseek(fd, 0, SEEK_SET) != 0) {
            TIFFOpenOptionsFree(opts);
            return false;
        }
        limit = std::max<int64_t>(maxAlloc, 1);
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(limit));
        tif = TIFFClientOpenExt(name, "r", reinterpret_cast<thandle_t>(intptr_t(fd)), FdRead, FdWrite, FdSeek,
                                FdClose, FdSize, FdMap, FdUnmap, opts);
        TIFFOpenOptionsFree(opts);
        return tif != nullptr;
    }
};

// libtiff's RGBA state, ended with the read.
struct RgbaImage {
    TIFFRGBAImage img{};
    bool begun = false;
    ~RgbaImage() { End(); }

    bool Begin(TIFF *tif)
    {
        char message[1024] = "";
        begun = TIFFRGBAImageOK(tif, message) && TIFFRGBAImageBegin(&img, tif, 1, message);
        img.req_orientation = ORIENTATION_BOTLEFT;
        return begun;
    }
    void End()
    {
        if (begun)
            TIFFRGBAImageEnd(&img);
        begun = false;
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
// Samples a pixel may carry beyond those of its colours: alpha and a few
// masks or spot colours. Each is decoded, none shown.
constexpr int MaxExtraSamples = 8;
// A strip or tile (or the part of it over the picture) may decode to four
// times the picture's own bytes, and to this much whatever the picture.
constexpr int64_t UnitProportion = 4;
constexpr int64_t UnitFloor = int64_t(16) << 20;

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

// The samples of the colours of a photometric kind.
int ColourSamples(uint16_t photometric)
{
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_PALETTE:
    case PHOTOMETRIC_MASK:
    case PHOTOMETRIC_LOGL:
        return 1;
    case PHOTOMETRIC_SEPARATED:
        return 4;
    default:
        return 3;
    }
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

// How the picture is decoded: strips of contiguous samples a row at a time,
// converted pixel by pixel as the RGBA interface does; tiles and strips of
// separate planes a unit at a time on the same conditions; everything else
// in bands by the RGBA interface.
enum class Way { Scanlines, Units, Bands };

Way WayOf(TIFF *tif, const TIFFRGBAImage &img)
{
    if (!KeepsSampleLayout(tif, img))
        return Way::Bands;
    return TIFFIsTiled(tif) || !img.isContig ? Way::Units : Way::Scanlines;
}

// The planes the conversion takes of a picture of separate planes: the
// colour planes (one for grey and palette), then alpha.
int ColourPlanes(const TIFFRGBAImage &img)
{
    const bool grey = img.photometric == PHOTOMETRIC_MINISWHITE || img.photometric == PHOTOMETRIC_MINISBLACK ||
                      img.photometric == PHOTOMETRIC_PALETTE;
    return img.isContig || grey ? 1 : 3;
}
int Planes(const TIFFRGBAImage &img)
{
    return img.isContig ? 1 : ColourPlanes(img) + (img.alpha ? 1 : 0);
}

// What a way of reading costs: the largest strip or tile it decodes at
// once (one plane), the bytes it holds while it decodes, and the bytes it
// decodes in all. Zero sizes where libtiff gives none.
struct Cost {
    int64_t unit = 0, held = 0, work = 0;
};

Cost CostOf(TIFF *tif, const TIFFRGBAImage &img, Way way, int64_t width, int64_t height)
{
    Cost c;
    const int64_t planes = Planes(img);
    const int64_t line = int64_t(TIFFScanlineSize64(tif));
    if (TIFFIsTiled(tif)) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const int64_t rowBytes = int64_t(TIFFTileRowSize64(tif)), tileBytes = int64_t(TIFFTileSize64(tif));
        if (tw == 0 || th == 0 || rowBytes <= 0 || tileBytes <= 0)
            return {};
        const int64_t across = (width + tw - 1) / tw, down = (height + th - 1) / th;
        if (way == Way::Units) {
            // Only the rows of a tile over the picture are decoded.
            c.unit = std::min<int64_t>(th, height) * rowBytes;
            c.held = c.unit * planes;
            c.work = across * height * rowBytes * planes;
        } else {
            const int64_t buffers = img.isContig ? 1 : img.alpha ? 4 : 3;
            c.unit = tileBytes;
            c.held = tileBytes * buffers;
            c.work = across * down * tileBytes * planes;
        }
    } else {
        const int64_t stripBytes = int64_t(TIFFStripSize64(tif));
        if (line <= 0 || stripBytes <= 0)
            return {};
        c.unit = stripBytes;
        c.work = line * height * planes;
        if (way == Way::Scanlines)
            c.held = line;
        else if (way == Way::Units)
            c.held = stripBytes * planes;
        else
            c.held = stripBytes * (img.isContig ? 1 : img.alpha ? 4 : 3);
    }
    // The converted pixels of a row, or of a piece of one.
    c.held += std::min(width, way == Way::Scanlines ? Piece : width) * 4;
    return c;
}

// A picture whose strips or tiles decode out of proportion to it, or whose
// decoding would pass the read's work, is refused before anything is
// decoded.
bool InProportion(TIFF *tif, const Cost &c, int64_t height, const TReadBudget &budget)
{
    const int64_t picture = int64_t(TIFFScanlineSize64(tif)) * height; // one plane
    return c.unit > 0 && c.unit <= std::max(UnitFloor, UnitProportion * picture) &&
           c.work <= budget.WorkAllowance() && budget.Fits(c.held);
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
bool ReadScanlines(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height,
                   TReadBudget &budget)
{
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    std::vector<uint8_t> line;
    std::vector<uint32_t> px;
    if (lineSize <= 0 || !Resize(line, size_t(lineSize)) || !Resize(px, size_t(std::min(Piece, width))))
        return false;
    const bool vflip = FlipsVertically(img.orientation), hflip = FlipsHorizontally(img.orientation);
    const int64_t bitsPerPixel = int64_t(img.bitspersample) * img.samplesperpixel;
    for (int64_t r = 0; r < height; ++r) {
        if (TIFFReadScanline(tif, line.data(), uint32_t(r), 0) < 0 || !budget.Spend(lineSize))
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

// Each tile (or strip) of every plane the conversion takes decoded once, in
// file order, as far as it lies over the picture, and converted a row at a
// time into the picture rows that take it. Rows are converted one by one
// also where the picture's right edge cuts a tile: libtiff's conversions
// of grey samples skip the cut part by too few bytes.
bool ReadUnits(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height, TReadBudget &budget)
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
    const tmsize_t rowSize = tiled ? TIFFTileRowSize(tif) : TIFFScanlineSize(tif);
    if (unitW == 0 || unitH == 0 || rowSize <= 0)
        return false;
    // A plane of a strip, or of the rows of a tile over the picture.
    const tmsize_t unitSize = tiled ? tmsize_t(std::min<int64_t>(unitH, height)) * rowSize : TIFFStripSize(tif);
    if (unitSize <= 0)
        return false;
    const int colours = ColourPlanes(img);
    const int planes = Planes(img);
    std::vector<uint8_t> buf;
    std::vector<uint32_t> px; // a row
    if (!Resize(buf, size_t(unitSize) * size_t(planes)) || !Resize(px, size_t(std::min<int64_t>(unitW, width))))
        return false;
    const bool vflip = FlipsVertically(img.orientation), hflip = FlipsHorizontally(img.orientation);
    for (int64_t y0 = 0; y0 < height; y0 += unitH) {
        const int64_t rows = std::min<int64_t>(unitH, height - y0);
        for (int64_t x0 = 0; x0 < width; x0 += unitW) {
            for (int s = 0; s < planes; ++s) {
                uint8_t *const plane = buf.data() + size_t(unitSize) * size_t(s);
                const tmsize_t got =
                    tiled ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, uint32_t(x0), uint32_t(y0), 0, uint16_t(s)),
                                                plane, tmsize_t(rows) * rowSize)
                          : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, uint32_t(y0), uint16_t(s)), plane,
                                                 tmsize_t(-1));
                if (got < 0 || !budget.Spend(got))
                    return false;
            }
            const int64_t n = std::min<int64_t>(unitW, width - x0);
            const int32_t skip = int32_t(unitW - n);
            for (int64_t i = 0; i < rows; ++i) {
                const int64_t r = y0 + i;
                const auto [first, last] = sink.Targets(vflip ? height - 1 - r : r);
                if (first == last)
                    continue;
                uint8_t *const p0 = buf.data() + i * rowSize;
                if (img.isContig) {
                    img.put.contig(&img, px.data(), uint32_t(x0), 0, uint32_t(n), 1, skip, 0, p0);
                } else {
                    uint8_t *const p1 = colours > 1 ? p0 + unitSize : p0;
                    uint8_t *const p2 = colours > 1 ? p0 + 2 * unitSize : p0;
                    uint8_t *const pa = img.alpha ? p0 + colours * unitSize : nullptr;
                    img.put.separate(&img, px.data(), uint32_t(x0), 0, uint32_t(n), 1, skip, 0, p0, p1, p2, pa);
                }
                PutPiece(sink, first, last, px, x0, n, width, hflip);
            }
        }
    }
    return true;
}

// Bands of whole strips or tiles where they fit the budget (fewer rows
// otherwise), each read by libtiff's RGBA interface, which turns it over;
// each band counts its share of the decoding.
bool ReadBands(TIFF *tif, TIFFRGBAImage &img, RowSink &sink, int64_t width, int64_t height, int64_t bandBytes,
               int64_t work, TReadBudget &budget, TBudgetHold &held)
{
    uint32_t unit = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    const int64_t units = std::clamp<int64_t>(unit, 1, height);
    const int64_t fit = bandBytes / (width * 4);
    // Fewer rows than a strip stay a whole number of chroma blocks.
    int64_t band = units <= fit ? fit / units * units : std::max<int64_t>(16, fit / 16 * 16);
    band = std::min(band, height);
    std::vector<uint32_t> raster;
    if (!held.Take(width * band * 4) || !Resize(raster, size_t(width * band)))
        return false;
    const bool vflip = FlipsVertically(img.orientation);
    for (int64_t r0 = 0; r0 < height; r0 += band) {
        const int64_t rows = std::min(band, height - r0);
        img.row_offset = int(r0);
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), uint32_t(width), uint32_t(rows)) ||
            !budget.Spend(work / height * rows))
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
    TReadBudget &budget = ctx.budget;
    TiffFile f;
    f.fd = RegularFile::OpenFd(path);
    if (f.fd < 0)
        return false;
    const QByteArray name = path.toUtf8();
    // Until the header gives the picture, libtiff may hold what the budget
    // allows a read of no picture yet.
    if (!f.Open(name.constData(), budget.MemoryAllowance()))
        return false;

    uint32_t width = 0, height = 0;
    TIFFGetField(f.tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(f.tif, TIFFTAG_IMAGELENGTH, &height);
    uint16_t unit = 2;
    float resX = 0.0f, resY = 0.0f; // a missing resolution stays 0: 72 dpi
    TIFFGetFieldDefaulted(f.tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetFieldDefaulted(f.tif, TIFFTAG_XRESOLUTION, &resX);
    TIFFGetFieldDefaulted(f.tif, TIFFTAG_YRESOLUTION, &resY);
    int32_t dpiX = 0, dpiY = 0;
    if (unit == RESUNIT_INCH) {
        dpiX = RoundDpi(resX);
        dpiY = RoundDpi(resY);
    } else if (unit == RESUNIT_CENTIMETER) {
        dpiX = RoundDpi(resX * 2.54f);
        dpiY = RoundDpi(resY * 2.54f);
    }

    if (!ctx.previewMode) {
        KeepField(f.tif, TIFFTAG_ICCPROFILE, dib->icc, dib->iccSize);
        if (ctx.keepExif)
            ReadTiffExif(ctx, path);
        if (ctx.keepPhotoshop) {
            // libtiff hands the IPTC block over as bytes.
            KeepField(f.tif, TIFFTAG_RICHTIFFIPTC, dib->photoshop, dib->photoshopSize);
            KeepField(f.tif, TIFFTAG_PHOTOSHOP, dib->photoshop, dib->photoshopSize);
        }
        if (ctx.keepXmp)
            KeepField(f.tif, TIFFTAG_XMLPACKET, dib->xmp, dib->xmpSize);
    }

    // The picture must fit the record's cap, as it did when it was read
    // whole; it is now read a band at a time.
    if (!WithinRecordCap(width, height))
        return false;
    RgbaImage rgba;
    if (!rgba.Begin(f.tif))
        return false;
    TIFFRGBAImage &img = rgba.img;
    if (img.width != width || img.height != height)
        return false;
    if (!FileHoldsThePixels(f.tif, height, FdSize(reinterpret_cast<thandle_t>(intptr_t(f.fd)))))
        return false;
    uint16_t samples = 1;
    TIFFGetFieldDefaulted(f.tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (samples > ColourSamples(img.photometric) + MaxExtraSamples)
        return false;

    // What the decoding costs, against what the read may spend.
    const TReduction red = TReduction::For(width, height, maxWidth, maxHeight);
    budget.SetPicture(width, height, red.width, red.height);
    const Way way = WayOf(f.tif, img);
    const Cost cost = CostOf(f.tif, img, way, width, height);
    TBudgetHold held(budget);
    if (!InProportion(f.tif, cost, height, budget) || !held.Take(cost.held))
        return false;
    // libtiff allocates the bands' strips and tiles itself: it may now take
    // what the read's allowance gives, the file opened again for that.
    if (way == Way::Bands && cost.held > f.limit) {
        rgba.End();
        if (!f.Open(name.constData(), budget.MemoryAllowance()) || !rgba.Begin(f.tif))
            return false;
    }

    RowSink sink;
    if (!sink.Start(ctx, width, height, maxWidth, maxHeight, dpiX, dpiY, img.alpha != 0))
        return false;
    bool ok = false;
    if (way == Way::Scanlines) {
        ok = ReadScanlines(f.tif, img, sink, width, height, budget);
    } else if (way == Way::Units) {
        ok = ReadUnits(f.tif, img, sink, width, height, budget);
    } else {
        // A band may cost as much as half the record, or the fixed budget,
        // within what the read may still hold.
        const int64_t band =
            std::min(std::max(BandBytes, int64_t(dib->stride) * dib->height / 2), budget.MemoryLeft());
        ok = ReadBands(f.tif, img, sink, width, height, band, cost.work, budget, held);
    }
    if (!ok)
        return false;
    sink.Finish();
    return true;
}

} // namespace VlmImgUt
