// libjpeg's error handling for the JPEG reader and writer: an error jumps
// back to the frame that set the jump target; nothing is printed.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace VlmImgUt {

// The error manager with the jump target right behind it, where
// JpegErrorExit finds it from the common object.
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

// The game shows no message for a failed read or write, and prints none.
void JpegSilent(j_common_ptr cinfo);

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo);

} // namespace VlmImgUt
