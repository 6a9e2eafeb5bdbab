// Runs files through a fuzz target's entry point in the ordinary build,
// regress_all <target> <file or folder>...: every regular file named, or
// found in a folder named, in name order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_table.h"

int main(int argc, char **argv)
{
    const FuzzTarget *target = argc >= 2 ? FindEntry(fuzzTargets, argv[1]) : nullptr;
    if (!target) {
        std::fprintf(stderr, "usage: regress_all <target> <file or folder>...\n");
        return 2;
    }
    // The target sees the files as its arguments, as on its own.
    argv[1] = argv[0];
    --argc;
    ++argv;
    if (target->init)
        target->init(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        if (fs::is_directory(p)) {
            std::vector<fs::path> in;
            for (const fs::directory_entry &e : fs::directory_iterator(p))
                if (e.is_regular_file())
                    in.push_back(e.path());
            std::sort(in.begin(), in.end());
            files.insert(files.end(), in.begin(), in.end());
        } else {
            files.push_back(p);
        }
    }
    for (const fs::path &p : files) {
        std::ifstream f(p, std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "cannot read %s\n", p.c_str());
            return 2;
        }
        const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        std::printf("%s (%zu bytes)\n", p.c_str(), bytes.size());
        std::fflush(stdout);
        target->run(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs\n", files.size());
    return 0;
}
