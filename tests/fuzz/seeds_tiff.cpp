// Seeds: small TIFF files written by libtiff (the kinds and the small
// strip, tile and plane layouts of the reader's tests, metadata blocks),
// and one first directory with EXIF and interoperability directories laid
// out by hand, the structure the EXIF block is built from; grey tiles the
// picture's edges cut, a small picture in a large tile and pixels of many
// samples.
#include "hostile_writers.h"
#include "layouts_tiff.h"
#include "picture_writers.h"
#include "seed_util.h"

#include <tiffio.h>

using namespace pictures;

namespace {

struct Out {
    QByteArray b;
    Out &u16(uint32_t v) { b.append(char(v)).append(char(v >> 8)); return *this; }
    Out &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Out &entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) { return u16(tag).u16(type).u32(count).u32(value); }
};

// 2 x 1 grey, with Make, DateTime and an EXIF directory pointing to an
// interoperability directory.
QByteArray ExifStructure()
{
    Out o;
    o.b = "II";
    o.u16(42).u32(8);
    o.u16(11); // 8 .. 8 + 2 + 132 + 4 = 146
    o.entry(256, 3, 1, 2).entry(257, 3, 1, 1).entry(258, 3, 1, 8).entry(259, 3, 1, 1).entry(262, 3, 1, 1);
    o.entry(271, 2, 6, 146).entry(273, 4, 1, 152).entry(277, 3, 1, 1).entry(278, 3, 1, 1).entry(279, 4, 1, 2);
    o.entry(34665, 4, 1, 154);
    o.u32(0);
    o.b.append("Maker\0", 6); // 146
    o.b.append("\x10\xF0", 2); // 152: the pixels
    o.u16(3);                  // 154 .. 154 + 2 + 36 + 4 = 196
    o.entry(33434, 5, 1, 196).entry(36864, 7, 4, 0x30333230).entry(40965, 4, 1, 204);
    o.u32(0);
    o.u32(1).u32(250);         // 196
    o.u16(1).entry(1, 2, 4, 0x00383952).u32(0); // 204
    return o.b;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = fuzz::WriteRows(argv[1], layouts::tiff::Kinds, ".tif",
                              [](const layouts::tiff::Kind &k) { return WriteTiff(layouts::tiff::Spec(k)); });
    TiffSpec m;
    m.resUnit = RESUNIT_CENTIMETER;
    m.resX = m.resY = 118.11f;
    m.icc = IccProfile(160);
    m.iptc = {0x1c, 0x02, 0x00, 0x00, 0x02, 0x00, 0x04};
    m.photoshop = {'8', 'B', 'I', 'M', 4, 4, 0, 0};
    m.xmp = {'<', 'x', '/', '>'};
    ok = fuzz::WriteSeed(argv[1], "metadata.tif", WriteTiff(m)) && ok;
    ok = fuzz::WriteSeed(argv[1], "exif.tif", ExifStructure()) && ok;
    // The strip, tile and plane layouts of up to 64 KiB of samples.
    for (const layouts::tiff::Layout &l : layouts::tiff::PieceLayouts) {
        if (int64_t(l.width) * l.height * l.samples * l.bits > int64_t(8) << 16)
            continue;
        const std::string path = std::string(argv[1]) + "/" + fuzz::FileName(l.name, ".tif");
        ok = layouts::tiff::WriteLayout(path.c_str(), l) && ok;
    }
    for (const bool big : {false, true}) {
        layouts::tiff::Layout grey{big ? "grey 16 tiles big-endian" : "grey 16 tiles", 37, 21, 1, 16,
                                   PHOTOMETRIC_MINISBLACK, 0, false, 0, 16, 16, ORIENTATION_TOPLEFT,
                                   COMPRESSION_ADOBE_DEFLATE};
        grey.bigEndian = big;
        const std::string path = std::string(argv[1]) + "/" + fuzz::FileName(grey.name, ".tif");
        ok = layouts::tiff::WriteLayout(path.c_str(), grey) && ok;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    ok = hostile::WriteZeroDeflateTiff(dir + "/large-tile.tif", 16, 16, 1024, 1024, 1) && ok;
    ok = hostile::WriteZeroDeflateTiff(dir + "/many-samples.tif", 16, 16, 0, 0, 64) && ok;
    return ok ? 0 : 1;
}
