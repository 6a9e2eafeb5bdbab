// Seeds: small Windows bitmaps of every layout the reader's test reads,
// at a width whose rows are padded.
#include "layouts_bmp.h"
#include "seed_util.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    using namespace layouts::bmp;
    return fuzz::WriteRows(argv[1], Layouts, ".bmp", [](const Layout &l) { return Build(Spec(l, 7)); }) ? 0 : 1;
}
