// The PNG colour types and depths the reader takes, as libpng writes them:
// the reader's test compares each with libpng's decode, the fuzz seeds
// start from each.
#pragma once

#include "picture_writers.h"

#include <png.h>

namespace layouts::png {

struct Layout {
    const char *name;
    int type, depth;
    bool trns;
    bool alpha; // an alpha plane is made
};

inline const Layout Layouts[] = {
    {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false, false},
    {"grey 2", PNG_COLOR_TYPE_GRAY, 2, false, false},
    {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false, false},
    {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false, false},
    {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false, false},
    {"grey 8 tRNS", PNG_COLOR_TYPE_GRAY, 8, true, true},
    {"grey 2 tRNS", PNG_COLOR_TYPE_GRAY, 2, true, true},
    {"grey 16 tRNS", PNG_COLOR_TYPE_GRAY, 16, true, true},
    {"grey alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true},
    {"grey alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, true},
    {"rgb 8", PNG_COLOR_TYPE_RGB, 8, false, false},
    {"rgb 16", PNG_COLOR_TYPE_RGB, 16, false, false},
    {"rgb 8 tRNS", PNG_COLOR_TYPE_RGB, 8, true, true},
    {"rgb 16 tRNS", PNG_COLOR_TYPE_RGB, 16, true, true},
    {"rgba 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, true},
    {"rgba 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, true},
    {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
    {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
    {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
    {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
    {"palette 4 tRNS", PNG_COLOR_TYPE_PALETTE, 4, true, true},
    {"palette 8 tRNS", PNG_COLOR_TYPE_PALETTE, 8, true, true},
};

// A 13 x 11 picture of the layout, Adam7-interlaced or not.
inline pictures::PngSpec Spec(const Layout &l, bool interlace)
{
    pictures::PngSpec s;
    s.width = 13;
    s.height = 11;
    s.colorType = l.type;
    s.depth = l.depth;
    s.trns = l.trns;
    s.interlace = interlace;
    return s;
}

} // namespace layouts::png
