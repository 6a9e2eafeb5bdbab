// The writers behind the video and Photoshop hostile files, at sizes of the
// caller's choice, so that the tests can show a fault on a smaller file.
#pragma once

#include "hostile_files.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace hostile {

// A grey JPEG of width x height, all 128 (3 MB at 16000 x 16000), as MJPEG
// frames, 4 a second, through the libavformat muxer ("avi", "mov").
bool WriteGreyMjpeg(const QString &path, const char *muxer, int width, int height, int frames);

// The video cases with frames of side x side pixels.
std::vector<TCase> VideoCasesOfSide(int side);

// A grey PackBits document of width x 1 at depth 8 or 16 whose one row is
// a run of zeros, coded as the longest repeats.
bool WritePackBitsRow(const QString &path, int64_t width, int depth);

} // namespace hostile
