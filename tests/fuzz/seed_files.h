// Shared by the seed programs: files written into the seed folder, and
// big-endian fields.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace SeedFiles {

inline void Put(const std::string &dir, const char *name, const std::string &bytes)
{
    if (FILE *f = fopen((dir + "/" + name).c_str(), "wb")) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

inline void PutBE16(std::string &b, uint32_t v)
{
    b += char(v >> 8);
    b += char(v);
}

inline void PutBE32(std::string &b, uint32_t v)
{
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}

} // namespace SeedFiles
