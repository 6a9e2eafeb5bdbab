// JPEG 2000 through OpenJPEG: the first byte picks the reader code (even:
// 7, the JP2 decoder; odd: 8, chosen by content) and whether a reduction
// box applies (bit 1); the rest is the file.
#include "reader_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int code = data[0] & 1 ? 8 : 7;
    const int32_t box = data[0] & 2 ? 37 : 0;
    const QString path = FuzzReader::WriteInput(data + 1, size - 1, ".jp2");
    FuzzReader::ReadInto([&](VlmImgUt::TImgUt &ctx) { VlmImgUt::ReadJasper(ctx, path, code, box, box * 2 / 3); });
    return 0;
}
