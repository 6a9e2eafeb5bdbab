// Seeds: small Windows bitmaps of every layout the reader's test reads,
// at a width whose rows are padded.
#include "layouts_bmp.h"
#include "seed_util.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    bool ok = true;
    for (const layouts::bmp::Layout &l : layouts::bmp::Layouts)
        ok = fuzz::WriteSeed(argv[1], fuzz::FileName(l.name, ".bmp"), Build(layouts::bmp::Spec(l, 7))) && ok;
    return ok ? 0 : 1;
}
