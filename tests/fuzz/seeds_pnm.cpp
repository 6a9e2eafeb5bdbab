// Seeds: small portable anymaps of every kind and PGX files (read by
// content from a ".ppm" too), written by hand.
#include "seed_util.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    QByteArray p5("P5\n4 2\n65535\n"), p6("P6\n5 4\n255\n");
    for (int i = 0; i < 8; ++i)
        p5.append(char(i * 31)).append(char(255 - i));
    for (int i = 0; i < 60; ++i)
        p6.append(char(i * 17));
    bool ok = true;
    ok = fuzz::WriteSeed(argv[1], "p1.ppm", "P1\n# bits\n5 3\n1 0 1 0 1\n0 1 0 1 0\n11100\n") && ok;
    ok = fuzz::WriteSeed(argv[1], "p2.ppm", "P2\n3 2\n1000\n0 500 1000\n999 1 77\n") && ok;
    ok = fuzz::WriteSeed(argv[1], "p3.ppm", "P3 2 2 255\n255 0 0  0 255 0\n0 0 255  12 34 56\n") && ok;
    ok = fuzz::WriteSeed(argv[1], "p4.ppm", QByteArray("P4\n9 2\n\xAA\x80\x55\x00", 11)) && ok;
    ok = fuzz::WriteSeed(argv[1], "p5.ppm", p5) && ok;
    ok = fuzz::WriteSeed(argv[1], "p6.ppm", p6) && ok;
    ok = fuzz::WriteSeed(argv[1], "pgx8.ppm", QByteArray("PG ML + 8 5 3\n") + fuzz::Ramp(15, 17)) && ok;
    ok = fuzz::WriteSeed(argv[1], "pgx16.ppm", QByteArray("PG LM -12 3 2\n") + fuzz::Ramp(12, 41)) && ok;
    return ok ? 0 : 1;
}
