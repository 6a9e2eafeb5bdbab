// Seeds of the video-frame fuzzer: short clips in each container of the
// video extensions, written with libavformat and libavcodec, and an MJPEG
// clip whose index sends the seek back to its first frame.
#include "hostile_writers.h"
#include "video_clip.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    struct Seed {
        const char *file, *muxer, *encoder, *audio;
        AVPixelFormat pixFmt;
        int fps, gop, bFrames;
    } seeds[] = {
        {"audio-first.avi", "avi", "mpeg4", "mp2", AV_PIX_FMT_YUV420P, 10, 5, 0},
        {"lossless.avi", "avi", "ffv1", nullptr, AV_PIX_FMT_BGR0, 10, 10, 0},
        {"b-frames.mp4", "mp4", "mpeg4", nullptr, AV_PIX_FMT_YUV420P, 10, 8, 2},
        {"h264.mov", "mov", "libx264", nullptr, AV_PIX_FMT_YUV420P, 10, 8, 2},
        {"small.3gp", "3gp", "h263", nullptr, AV_PIX_FMT_YUV420P, 10, 8, 0},
        {"clip.wmv", "asf", "wmv2", nullptr, AV_PIX_FMT_YUV420P, 10, 8, 0},
        {"clip.flv", "flv", "flv", nullptr, AV_PIX_FMT_YUV420P, 10, 8, 0},
        {"clip.mpg", "mpeg", "mpeg1video", "mp2", AV_PIX_FMT_YUV420P, 25, 12, 2},
        {"clip.m2ts", "mpegts", "mpeg2video", nullptr, AV_PIX_FMT_YUV420P, 25, 12, 2},
        {"clip.m1v", "mpeg1video", "mpeg1video", nullptr, AV_PIX_FMT_YUV420P, 25, 12, 2},
        {"clip.mkv", "matroska", "libx264", "mp2", AV_PIX_FMT_YUV420P, 10, 8, 2},
        {"clip.webm", "webm", "libvpx", "libvorbis", AV_PIX_FMT_YUV420P, 10, 8, 0},
        {"clip.ogv", "ogg", "libtheora", "libvorbis", AV_PIX_FMT_YUV420P, 10, 8, 0},
    };
    av_log_set_level(AV_LOG_ERROR);
    int failed = 0;
    for (const Seed &s : seeds) {
        VideoClip::Spec spec;
        spec.muxer = s.muxer;
        spec.encoder = s.encoder;
        spec.audio = s.audio;
        spec.audioRate = 16000;
        spec.pixFmt = s.pixFmt;
        spec.width = s.muxer == std::string("3gp") ? 128 : 32;
        spec.height = s.muxer == std::string("3gp") ? 96 : 24;
        spec.fps = s.fps;
        spec.frames = 2 * s.fps;
        spec.gop = s.gop;
        spec.bFrames = s.bFrames;
        spec.pixel = [](int f, int x, int y) {
            return VideoClip::Rgb{uint8_t(8 * x + f), uint8_t(8 * y), uint8_t(f < 15 ? 40 : 200)};
        };
        const std::string path = std::string(argv[1]) + "/" + s.file;
        if (!VideoClip::Write(path, spec)) {
            std::fprintf(stderr, "seeds_video: could not write %s\n", path.c_str());
            ++failed;
        }
    }
    const std::string firstKey = std::string(argv[1]) + "/first-key-only.avi";
    if (!hostile::WriteMjpegFirstKey(QString::fromStdString(firstKey), 64, 48, 30, 1000, true)) {
        std::fprintf(stderr, "seeds_video: could not write %s\n", firstKey.c_str());
        ++failed;
    }
    return failed ? 1 : 0;
}
