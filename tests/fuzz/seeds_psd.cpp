// Seeds: small Photoshop documents of every layout the reader's test
// reads, at 8 and 16 bits, raw and PackBits, each with resolution, profile
// and XMP resources; PackBits repeat packets; many small resources.
#include "layouts_psd.h"
#include "seed_util.h"

using namespace layouts::psd;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const std::vector<Resource> resources = {
        {1005, Resolution(300, 300), {}}, {1039, "icc", {}}, {1060, "<x/>", {}}};
    bool ok = true;
    for (const Layout &l : Layouts)
        for (int depth : {8, 16})
            for (int compression : {0, 1}) {
                Psd s = Spec(l, depth, compression, 4);
                s.resources = resources;
                const std::string name = std::string(l.name) + " " + std::to_string(depth) + (compression ? " packbits" : "");
                ok = fuzz::WriteSeed(argv[1], fuzz::FileName(name, ".psd"), Build(s)) && ok;
            }
    // PackBits rows of one repeat packet each.
    Psd flat = Spec(Layouts[1], 8, 1, 7);
    flat.sample = [](int c, int, int y) { return uint32_t(c * 60 + y * 30); };
    ok = fuzz::WriteSeed(argv[1], "rgba-packbits-repeats.psd", Build(flat)) && ok;
    // A thousand empty resources, some named, before the resolution.
    Psd many = Spec(Layouts[2], 8, 0, 3);
    for (int i = 0; i < 1000; ++i)
        many.resources.push_back({1000 + i % 7, {}, i % 3 ? QByteArray() : QByteArray("n")});
    many.resources.push_back({1005, Resolution(96, 96), {}});
    ok = fuzz::WriteSeed(argv[1], "many-resources.psd", Build(many)) && ok;
    return ok ? 0 : 1;
}
