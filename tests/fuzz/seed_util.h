// Writing seed files into the folder a seed writer is given.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdio>
#include <string>

namespace fuzz {

inline bool WriteSeed(const char *dir, const std::string &name, const QByteArray &bytes)
{
    const std::string path = std::string(dir) + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = bytes.isEmpty() || std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) == size_t(bytes.size());
    return std::fclose(f) == 0 && ok && !bytes.isEmpty();
}

// A file name made of a table row's name: letters and digits kept, the
// rest turned into single dashes, and the extension.
inline std::string FileName(const std::string &name, const char *extension)
{
    std::string out;
    for (char c : name) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (keep)
            out += c;
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out + extension;
}

// One seed for each row of a table of layouts, named after the row, its
// bytes build(row).
template <typename Row, size_t N, typename Build>
bool WriteRows(const char *dir, const Row (&rows)[N], const char *extension, Build build)
{
    bool ok = true;
    for (const Row &r : rows)
        ok = WriteSeed(dir, FileName(r.name, extension), build(r)) && ok;
    return ok;
}

// n bytes of i * step (modulo 256), i from 0: filler for hand-written seeds.
inline QByteArray Ramp(int n, int step)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(i * step));
    return b;
}

} // namespace fuzz
