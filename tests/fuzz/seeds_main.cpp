// Runs one seed writer of the ordinary build: seeds_all <name> <folder>.
#include "fuzz_table.h"

#include <cstdio>

int main(int argc, char **argv)
{
    const SeedWriter *w = argc >= 2 ? FindEntry(seedWriters, argv[1]) : nullptr;
    if (!w) {
        std::fprintf(stderr, "usage: seeds_all <target> <folder>\n");
        return 2;
    }
    // The writer sees its folder as its first argument, as on its own.
    argv[1] = argv[0];
    return w->write(argc - 1, argv + 1);
}
