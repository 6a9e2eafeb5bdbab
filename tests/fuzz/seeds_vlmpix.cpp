// Seeds: the image list's own compiled blocks, each with its image count
// and inflated size in front.
#include "VlmPixData.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    for (int i = 0; i < VlmPixTable::BlockCount; ++i) {
        const VlmPixBlock &b = VlmPixBlocks[i];
        const unsigned char head[5] = {uint8_t(b.count), uint8_t(b.rawSize), uint8_t(b.rawSize >> 8),
                                       uint8_t(b.rawSize >> 16), uint8_t(b.rawSize >> 24)};
        const std::string path = std::string(argv[1]) + "/block" + std::to_string(i);
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(head, 1, 5, f) != 5 || std::fwrite(b.data, 1, b.size, f) != b.size)
            return 1;
        std::fclose(f);
    }
    return 0;
}
