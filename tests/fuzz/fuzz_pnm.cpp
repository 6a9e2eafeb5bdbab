// Portable anymaps through the reader of code 5, which chooses by content; an
// odd-sized input is read into a reduction box as well.
#include "reader_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzReader::WriteInput(data, size, ".ppm");
    const int32_t box = size % 2 ? 37 : 0;
    FuzzReader::ReadInto([&](VlmImgUt::TImgUt &ctx) { VlmImgUt::ReadJasper(ctx, path, 5, box, box * 2 / 3); });
    return 0;
}
