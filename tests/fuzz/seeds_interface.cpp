// Seeds: interface blocks as the game stores them.
#include "TSettings.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    struct { char look, scale; uint8_t style; } blocks[] = {{'W', 'n', 0}, {'S', 'j', 1}, {'C', 's', 0}};
    int n = 0;
    for (const auto &v : blocks) {
        TInterfaceBlock b;
        b.look = v.look;
        b.scale = v.scale;
        b.buttonStyle = v.style;
        uint8_t bytes[TInterfaceBlock::Size];
        b.ToBytes(bytes);
        const std::string path = std::string(argv[1]) + "/block" + std::to_string(++n);
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes, 1, sizeof bytes, f) != sizeof bytes)
            return 1;
        std::fclose(f);
    }
    return 0;
}
