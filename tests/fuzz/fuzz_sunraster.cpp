// Sun raster files through the reader of code 9, which chooses by content, in every reading mode.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz::ReadPicture(data, size, "input.ras");
}
