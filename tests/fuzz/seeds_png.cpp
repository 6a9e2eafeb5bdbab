// Seeds: small PNG files written by libpng: every colour type, Adam7,
// transparency, a profile, text chunks and an eXIf chunk.
#include "picture_writers.h"
#include "seed_util.h"

#include <png.h>

using namespace pictures;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    struct { const char *name; int type, depth; bool trns, interlace; } kinds[] = {
        {"grey1", PNG_COLOR_TYPE_GRAY, 1, false, false},
        {"grey16", PNG_COLOR_TYPE_GRAY, 16, true, false},
        {"greyalpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true},
        {"rgb", PNG_COLOR_TYPE_RGB, 8, false, false},
        {"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, true},
        {"palette4", PNG_COLOR_TYPE_PALETTE, 4, true, false},
    };
    bool ok = true;
    for (const auto &k : kinds) {
        PngSpec s;
        s.width = 11;
        s.height = 9;
        s.colorType = k.type;
        s.depth = k.depth;
        s.trns = k.trns;
        s.interlace = k.interlace;
        ok = fuzz::WriteSeed(argv[1], std::string(k.name) + ".png", WritePng(s)) && ok;
    }
    PngSpec m;
    m.icc = IccProfile(200);
    m.texts = {{"Title", "Cat"}, {"Raw profile type exif", "\nexif\n10\n45786966000049492a0008000000\n"}};
    m.endTexts = {{"Author", "Me"}};
    m.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    ok = fuzz::WriteSeed(argv[1], "metadata.png", WritePng(m)) && ok;
    return ok ? 0 : 1;
}
