// Seeds: small Targa files of every layout the reader's test reads, each
// in every pixel order of its table, and repeat packets.
#include "layouts_tga.h"
#include "seed_util.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    for (const layouts::tga::Layout &l : layouts::tga::Layouts)
        for (int d : layouts::tga::Descriptors)
            ok = fuzz::WriteSeed(argv[1], fuzz::FileName(std::string(l.name) + " " + std::to_string(d), ".tga"),
                                 Build(layouts::tga::Spec(l, d, 6))) && ok;
    // Repeat packets: across the row end, and of one map entry.
    ok = fuzz::WriteSeed(argv[1], "repeat-across-row-end.tga", layouts::tga::RepeatAcrossRowEnd()) && ok;
    layouts::tga::Tga one = layouts::tga::Spec(layouts::tga::Layouts[1], 0x20, 6);
    one.indices = 1;
    ok = fuzz::WriteSeed(argv[1], "mapped-repeats.tga", Build(one)) && ok;
    return ok ? 0 : 1;
}
