// Seeds: small JPEG files written by libjpeg: colour and grey, baseline and
// progressive, with the markers the reader keeps.
#include "picture_writers.h"
#include "seed_util.h"

#include <jpeglib.h>

using namespace pictures;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    JpegSpec s;
    s.width = 24;
    s.height = 16;
    ok = fuzz::WriteSeed(argv[1], "rgb.jpg", WriteJpeg(s)) && ok;
    s.components = 1;
    s.densityUnit = 2;
    s.densityX = s.densityY = 28;
    ok = fuzz::WriteSeed(argv[1], "grey.jpg", WriteJpeg(s)) && ok;
    s.components = 3;
    s.progressive = true;
    ok = fuzz::WriteSeed(argv[1], "progressive.jpg", WriteJpeg(s)) && ok;
    s.progressive = false;
    s.markers = IccChunks(Bytes(IccProfile(400)), 3);
    s.markers.push_back({JPEG_COM, "a comment"});
    s.markers.push_back({JPEG_APP0 + 1, QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\0", 16)});
    s.markers.push_back({JPEG_APP0 + 1, QByteArray("http://ns.adobe.com/xap/1.0/", 29) + "<x:xmpmeta/>"});
    s.markers.push_back({JPEG_APP0 + 13, QByteArray("Photoshop 3.0", 14) + "8BIM\x04\x04"});
    ok = fuzz::WriteSeed(argv[1], "markers.jpg", WriteJpeg(s)) && ok;
    return ok ? 0 : 1;
}
