// JPEG 2000 through OpenJPEG in every reading mode: the first byte picks
// the name, even ".jp2" (code 7, the JP2 decoder), odd ".jpc" (code 8,
// chosen by content); the rest is the file.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    return fuzz::ReadPicture(data + 1, size - 1, data[0] & 1 ? "input.jpc" : "input.jp2");
}
