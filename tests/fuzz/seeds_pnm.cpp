// Seeds of fuzz_pnm: small anymaps of every kind, written by hand.
#include "seed_files.h"

#include <string>

using SeedFiles::Put;

int main(int argc, char **argv)
{
    if (argc < 2)
        return 1;
    const std::string dir = argv[1];
    Put(dir, "p1.ppm", "P1\n# bits\n5 3\n1 0 1 0 1\n0 1 0 1 0\n11100\n");
    Put(dir, "p2.ppm", "P2\n3 2\n1000\n0 500 1000\n999 1 77\n");
    Put(dir, "p3.ppm", "P3 2 2 255\n255 0 0  0 255 0\n0 0 255  12 34 56\n");
    Put(dir, "p4.ppm", std::string("P4\n9 2\n\xAA\x80\x55\x00", 11));
    std::string p5 = "P5\n4 2\n65535\n";
    for (int i = 0; i < 8; ++i)
        p5 += char(i * 31), p5 += char(255 - i);
    Put(dir, "p5.ppm", p5);
    std::string p6 = "P6\n5 4\n255\n";
    for (int i = 0; i < 60; ++i)
        p6 += char(i * 17);
    Put(dir, "p6.ppm", p6);
    return 0;
}
