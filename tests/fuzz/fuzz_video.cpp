// The video-frame reader on any bytes, in every reading mode (a video is
// never reduced; the modes still reach it).
#include "fuzz_util.h"

// A frame may be as large as a picture may be, 768 MB of B-G-R in the
// scratch buffer beside the decoder's own frames: keep ASan's quarantine of
// freed blocks small so that many such reads do not add up.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=64";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzz::ReadPicture(data, size, "input.avi");
}
