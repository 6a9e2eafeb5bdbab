// Photoshop documents with every metadata block kept; an odd-sized input
// is read into a reduction box as well.
#include "reader_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzReader::WriteInput(data, size, ".psd");
    const int32_t box = size % 2 ? 37 : 0;
    FuzzReader::ReadInto([&](VlmImgUt::TImgUt &ctx) {
        ctx.keepPhotoshop = ctx.keepExif = ctx.keepXmp = true;
        VlmImgUt::ReadPsd(ctx, path, box, box * 2 / 3);
    });
    return 0;
}
