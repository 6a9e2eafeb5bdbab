#include "hostile_files.h"

namespace hostile {

std::vector<TCase> AllCases()
{
    std::vector<TCase> all;
    for (auto cases : {PngCases, JpegCases, BmpCases, Jpeg2000Cases, TiffCases, TgaCases,
                       SunRasterCases, PsdCases, VideoCases})
        for (TCase &c : cases())
            all.push_back(std::move(c));
    return all;
}

} // namespace hostile
