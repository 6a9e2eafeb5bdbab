// TIFF (and DNG) through libtiff: 8-bit RGB in strips of 8 rows, the
// resolution, the ICC profile, a few tags of the EXIF block's first
// directory and, appended after libtiff's own data, the EXIF directory.
#include "ByteOrder.h"
#include "ImageWriters.h"
#include "SaveFile.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QBuffer>
#include <memory>
#include <new>
#include <string>

#include <tiffio.h>

namespace VlmImgUt {

namespace {

// ---- libtiff's input and output over a device ----

QIODevice *Device(thandle_t h)
{
    return static_cast<QIODevice *>(h);
}

tmsize_t ReadProc(thandle_t h, void *buf, tmsize_t size)
{
    return tmsize_t(Device(h)->read(static_cast<char *>(buf), size));
}

tmsize_t WriteProc(thandle_t h, void *buf, tmsize_t size)
{
    return tmsize_t(Device(h)->write(static_cast<const char *>(buf), size));
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence)
{
    QIODevice *d = Device(h);
    int64_t to = int64_t(offset);
    if (whence == SEEK_CUR)
        to += d->pos();
    else if (whence == SEEK_END)
        to += d->size();
    if (to < 0 || !d->seek(to))
        return toff_t(-1);
    return toff_t(to);
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t h)
{
    return toff_t(Device(h)->size());
}

int MapProc(thandle_t, void **, toff_t *)
{
    return 0;
}

void UnmapProc(thandle_t, void *, toff_t) {}

// ---- the EXIF block ----

struct Exif {
    const uint8_t *data = nullptr;
    uint32_t size = 0;
    bool big = false;

    uint16_t U16(uint64_t at) const { return Get16(data + at, big); }
    uint32_t U32(uint64_t at) const { return Get32(data + at, big); }
};

int TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7:
        return 1;
    case 3: case 8:
        return 2;
    case 4: case 9: case 11: case 13:
        return 4;
    case 5: case 10: case 12:
        return 8;
    default:
        return 0;
    }
}

// Values of one type from block order into little-endian order.
void ToLittleEndian(const Exif &e, uint16_t type, const uint8_t *in, uint8_t *out, uint64_t bytes)
{
    const int unit = TypeSize(type);
    // A double swaps as one 64-bit value, rationals as two 32-bit ones.
    const int swap = type == 12 ? 8 : unit == 8 ? 4 : unit;
    for (uint64_t i = 0; i < bytes; ++i)
        out[i] = in[i];
    if (!e.big || swap == 1)
        return;
    for (uint64_t at = 0; at + uint64_t(swap) <= bytes; at += uint64_t(swap))
        for (int k = 0; k < swap; ++k)
            out[at + uint64_t(k)] = in[at + uint64_t(swap - 1 - k)];
}

void Append16(QByteArray &b, uint16_t v)
{
    Writer::Append16(b, v, false);
}

void Append32(QByteArray &b, uint32_t v)
{
    Writer::Append32(b, v, false);
}

// The directory of the block at dir, rewritten in little-endian order for
// the file offset at: entries, next-directory 0, then the values that do
// not fit an entry. Empty (false) when at leaves the 32-bit range.
bool ExifDirectory(const Exif &e, uint32_t dir, uint64_t at, QByteArray &out)
{
    out.clear();
    uint32_t count = 0;
    if (uint64_t(dir) + 2 <= e.size) {
        count = e.U16(dir);
        if (uint64_t(dir) + 2 + 12 * uint64_t(count) > e.size)
            count = 0;
    }
    const uint64_t valuesAt = at + 2 + 12 * uint64_t(count) + 4;
    QByteArray values;
    Append16(out, uint16_t(count));
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = uint64_t(dir) + 2 + 12 * uint64_t(i);
        const uint16_t tag = e.U16(entry);
        uint16_t type = e.U16(entry + 2);
        uint32_t n = e.U32(entry + 4);
        const uint8_t *value = e.data + entry + 8;
        uint8_t field[4];
        const uint64_t bytes = uint64_t(n) * uint64_t(TypeSize(type));
        if (TypeSize(type) == 0) {
            // An unknown type keeps its four bytes as one LONG.
            type = 4;
            n = 1;
            Put32(e.U32(entry + 8), field, false);
        } else if (bytes <= 4) {
            ToLittleEndian(e, type, value, field, 4);
        } else {
            const uint32_t offset = e.U32(entry + 8);
            // Values outside the block, or more of them than the block
            // holds, leave the entry as one LONG with its old value.
            if (uint64_t(offset) + bytes > e.size || values.size() + bytes > e.size) {
                type = 4;
                n = 1;
                Put32(offset, field, false);
            } else {
                if (values.size() & 1)
                    values.append('\0');
                const uint64_t where = valuesAt + uint64_t(values.size());
                if (where > UINT32_MAX)
                    return false;
                const qsizetype start = values.size();
                values.resize(start + qsizetype(bytes));
                ToLittleEndian(e, type, e.data + offset, reinterpret_cast<uint8_t *>(values.data()) + start, bytes);
                Put32(uint32_t(where), field, false);
            }
        }
        Append16(out, tag);
        Append16(out, type);
        Append32(out, n);
        out.append(reinterpret_cast<const char *>(field), 4);
    }
    Append32(out, 0);
    out.append(values);
    return valuesAt + uint64_t(values.size()) <= UINT32_MAX;
}

// Sets the tags taken from the first directory of the EXIF block; returns
// the offset of its EXIF directory, or 0 when it has none inside the block.
uint32_t SetExifTags(TIFF *tif, const Exif &e)
{
    if (e.size < 8 || e.U16(2) != 42)
        return 0;
    const uint32_t dir = e.U32(4);
    if (uint64_t(dir) + 2 > e.size)
        return 0;
    const uint32_t count = e.U16(dir);
    uint32_t exifDir = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = uint64_t(dir) + 2 + 12 * uint64_t(i);
        if (entry + 12 > e.size)
            break;
        const uint16_t tag = e.U16(entry);
        const uint16_t type = e.U16(entry + 2);
        const uint32_t n = e.U32(entry + 4);
        switch (tag) {
        case TIFFTAG_IMAGEDESCRIPTION:
        case TIFFTAG_MAKE:
        case TIFFTAG_MODEL:
        case TIFFTAG_SOFTWARE:
        case TIFFTAG_DATETIME:
        case TIFFTAG_ARTIST:
        case TIFFTAG_COPYRIGHT: {
            if (type != 2 && type != 7)
                break;
            const uint8_t *text = e.data + entry + 8;
            if (n > 4) {
                const uint32_t offset = e.U32(entry + 8);
                if (uint64_t(offset) + n > e.size)
                    break;
                text = e.data + offset;
            }
            std::string s(reinterpret_cast<const char *>(text), n);
            s.resize(s.find('\0') == std::string::npos ? s.size() : s.find('\0'));
            TIFFSetField(tif, tag, s.c_str());
            break;
        }
        case TIFFTAG_ORIENTATION:
            // Values outside 1..8 are refused by libtiff; the default stays.
            if (type == 3 || type == 8)
                TIFFSetField(tif, tag, e.U16(entry + 8));
            break;
        case TIFFTAG_EXIFIFD: {
            const uint32_t offset = e.U32(entry + 8);
            if (offset > 0 && uint64_t(offset) + 14 < e.size) {
                exifDir = offset;
                TIFFSetField(tif, TIFFTAG_EXIFIFD, uint64_t(0));
            }
            break;
        }
        default:
            break;
        }
    }
    return exifDir;
}

// Appends the EXIF directory at the end of the file (word-aligned) and
// points the first directory's EXIF entry at it.
bool AppendExif(QIODevice &file, const Exif &e, uint32_t exifDir)
{
    int64_t end = file.size();
    if (end & 1) {
        if (!file.seek(end) || file.write("\0", 1) != 1)
            return false;
        ++end;
    }
    QByteArray dir;
    if (!ExifDirectory(e, exifDir, uint64_t(end), dir))
        return false;
    if (!file.seek(end) || file.write(dir) != dir.size())
        return false;

    uint8_t header[8];
    uint8_t count[2];
    if (!file.seek(0) || file.read(reinterpret_cast<char *>(header), 8) != 8)
        return false;
    const int64_t first = Get32(header + 4, false);
    if (!file.seek(first) || file.read(reinterpret_cast<char *>(count), 2) != 2)
        return false;
    for (int i = 0; i < Get16(count, false); ++i) {
        uint8_t entry[12];
        const int64_t at = first + 2 + 12 * int64_t(i);
        if (!file.seek(at) || file.read(reinterpret_cast<char *>(entry), 12) != 12)
            return false;
        if (Get16(entry, false) == TIFFTAG_EXIFIFD) {
            uint8_t value[4];
            Put32(uint32_t(end), value, false);
            return file.seek(at + 8) && file.write(reinterpret_cast<const char *>(value), 4) == 4;
        }
    }
    return false;
}

bool SetTags(TIFF *tif, const Writer::Part &part, const TDib *picture, int compression, int quality)
{
    const bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(part.width))
        && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(part.height))
        && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3))
        && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8))
        && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB))
        && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG))
        && TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT))
        && TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH))
        && TIFFSetField(tif, TIFFTAG_XRESOLUTION, double(float(Writer::Dpi(picture->dpiX))))
        && TIFFSetField(tif, TIFFTAG_YRESOLUTION, double(float(Writer::Dpi(picture->dpiY))))
        && TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(compression))
        && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(8));
    // The quality is a setting of the JPEG codec only.
    return ok && (compression != COMPRESSION_JPEG || TIFFSetField(tif, TIFFTAG_JPEGQUALITY, quality));
}

} // namespace

bool WriteTiff(TImgUt &ctx, const QString &path, const TDib *picture, const TDib *metadata)
{
    Writer::Part part;
    if (!Writer::PartOf(ctx, picture, part))
        return false;
    const bool dng = TImgUt::FileExtension(path).toLower() == QLatin1String(".dng");
    const int compression = dng ? COMPRESSION_JPEG : ctx.imgOpts.TiffCompression();

    // libtiff writes into memory, where the EXIF directory is appended and
    // linked; the temporary file then receives the whole.
    QBuffer memory;
    memory.open(QIODevice::ReadWrite);
    TIFF *tif = TIFFClientOpen("tiff", "wl", &memory, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                               UnmapProc);
    if (!tif)
        return false;

    bool ok = SetTags(tif, part, picture, compression, ctx.imgOpts.JpegQuality());
    Exif exif;
    uint32_t exifDir = 0;
    if (ok && metadata) {
        if (metadata->icc && metadata->iccSize > 0)
            TIFFSetField(tif, TIFFTAG_ICCPROFILE, metadata->iccSize, metadata->icc);
        if (Writer::WritesExif(ctx) && metadata->exif) {
            exif.data = metadata->exif;
            exif.size = metadata->exifSize;
            exif.big = exif.size >= 2 && exif.data[0] == 'M' && exif.data[1] == 'M';
            exifDir = SetExifTags(tif, exif);
        }
    }
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    std::unique_ptr<uint8_t[]> line(ok && lineSize >= tmsize_t(part.width) * 3
                                        ? new (std::nothrow) uint8_t[size_t(lineSize)]()
                                        : nullptr);
    ok = ok && line;
    for (int32_t r = 0; ok && r < part.height; ++r) {
        Writer::BgrToRgb(part.Row(r), line.get(), part.width);
        ok = TIFFWriteScanline(tif, line.get(), uint32_t(r), 0) == 1;
    }
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    if (ok && exifDir)
        ok = AppendExif(memory, exif, exifDir);
    if (!ok)
        return false;

    return SaveFile::Write(path, [&](QIODevice &file) { return file.write(memory.data()) == memory.size(); });
}

} // namespace VlmImgUt
