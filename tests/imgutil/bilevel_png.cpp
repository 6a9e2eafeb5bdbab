// A large all-white 1-bit PNG written by libpng row by row: a small file
// whose every row a reader must inflate, so its preview takes long.
#include "FileDlgFixture.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>

namespace {

// No C++ object lives in this frame: libpng's errors jump out of it.
bool WriteRows(FILE *file, int width, int height, const unsigned char *row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WriteBilevelPng(const QString &path, int width, int height)
{
    const std::vector<unsigned char> row((size_t(width) + 7) / 8, 0xFF);
    FILE *file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file)
        return false;
    const bool written = WriteRows(file, width, height, row.data());
    return std::fclose(file) == 0 && written;
}
