// Seeds: small JPEG files written by libjpeg: the colour spaces and scan
// orders of the reader's test, and one with a density and the markers the
// reader keeps; files of many scans, of a scan a component, and with
// segments between the scans.
#include "hostile_writers.h"
#include "layouts_jpeg.h"
#include "picture_writers.h"
#include "seed_util.h"

#include <jpeglib.h>

using namespace pictures;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = fuzz::WriteRows(argv[1], layouts::jpeg::Layouts, ".jpg",
                              [](const layouts::jpeg::Layout &l) { return WriteJpeg(layouts::jpeg::Spec(l)); });
    JpegSpec s;
    s.width = 24;
    s.height = 16;
    s.densityUnit = 2;
    s.densityX = s.densityY = 28;
    s.markers = IccChunks(Bytes(IccProfile(400)), 3);
    s.markers.push_back({JPEG_COM, "a comment"});
    s.markers.push_back({JPEG_APP0 + 1, QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\0", 16)});
    s.markers.push_back({JPEG_APP0 + 1, QByteArray("http://ns.adobe.com/xap/1.0/", 29) + "<x:xmpmeta/>"});
    s.markers.push_back({JPEG_APP0 + 13, QByteArray("Photoshop 3.0", 14) + "8BIM\x04\x04"});
    ok = fuzz::WriteSeed(argv[1], "markers.jpg", WriteJpeg(s)) && ok;
    // A progressive grey file of 80 scans without data: past what the
    // reader lets so many scans do for so small a picture.
    QByteArray scans = Bytes({0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00});
    scans.append(64, char(1));
    scans += Bytes({0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x00, 0x20, 0x00, 0x20, 0x01, 0x01, 0x11, 0x00});
    for (int table : {0x00, 0x10}) {
        scans += Bytes({0xFF, 0xC4, 0x00, 0x14, uint8_t(table), 0x01});
        scans.append(16, '\0');
    }
    for (int i = 0; i < 80; ++i)
        scans += Bytes({0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, uint8_t(i ? 1 : 0), uint8_t(i ? 63 : 0), 0x00});
    scans += Bytes({0xFF, 0xD9});
    ok = fuzz::WriteSeed(argv[1], "scans.jpg", scans) && ok;
    // Files whose decoder keeps the coefficients of every block: an empty
    // progressive 4:2:0 file and a baseline one of a scan a component.
    const QString dir = QString::fromLocal8Bit(argv[1]);
    ok = hostile::WriteJpegEmpty(dir + "/empty-progressive.jpg", 48, 40, 3, hostile::JpegScans::ProgressiveDc) && ok;
    ok = hostile::WriteJpegEmpty(dir + "/scan-a-component.jpg", 48, 40, 3, hostile::JpegScans::BaselineEach) && ok;
    // A progressive file with an ICC chunk and a comment before its
    // second scan.
    JpegSpec p;
    p.width = 24;
    p.height = 16;
    p.progressive = true;
    QByteArray between = WriteJpeg(p);
    const int second = between.indexOf("\xFF\xDA", between.indexOf("\xFF\xDA") + 2);
    if (second > 0)
        between.insert(second, QByteArray("\xFF\xE2\x00\x12ICC_PROFILE\x00\x01\x01" "ab", 20)
                                   + QByteArray("\xFF\xFE\x00\x04hi", 6));
    ok = second > 0 && fuzz::WriteSeed(argv[1], "segments-between-scans.jpg", between) && ok;
    return ok ? 0 : 1;
}
