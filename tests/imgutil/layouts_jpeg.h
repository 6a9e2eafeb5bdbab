// The JPEG colour spaces and scan orders, as libjpeg writes them: the
// reader's test compares each it takes with libjpeg's decode, the fuzz
// seeds start from each.
#pragma once

#include "picture_writers.h"

namespace layouts::jpeg {

struct Layout {
    const char *name;
    int components;
    bool progressive;
    bool ok; // read; CMYK has no conversion to RGB
};

inline const Layout Layouts[] = {
    {"rgb", 3, false, true},
    {"grey", 1, false, true},
    {"progressive", 3, true, true},
    {"progressive grey", 1, true, true},
    {"cmyk", 4, false, false},
};

// A 37 x 21 picture of the layout.
inline pictures::JpegSpec Spec(const Layout &l)
{
    pictures::JpegSpec s;
    s.width = 37;
    s.height = 21;
    s.components = l.components;
    s.progressive = l.progressive;
    return s;
}

} // namespace layouts::jpeg
