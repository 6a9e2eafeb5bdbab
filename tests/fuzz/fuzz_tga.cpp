// The Targa reader on any bytes, in every reading mode.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz::ReadPicture(data, size, "input.tga");
}
