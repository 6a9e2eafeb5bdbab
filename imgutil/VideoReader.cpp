// One frame of a video file through FFmpeg: the frame that covers 1.5
// seconds past the start of the first video stream, at its full size.
//
// The file is read only through its own descriptor: FFmpeg gets an I/O
// context over it, may open nothing else (a playlist or a concat list
// reaches no other file and no network address), and only the container
// formats of video files are accepted.
#include "TImgUt.h"
#include "TDib.h"
#include "Gdi.h"
#include "ReaderKit.h"
#include "RegularFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace VlmImgUt {

namespace {

// AVI, ASF/WMV, QuickTime/MP4/3GP, MPEG program and transport streams,
// Flash video, raw MPEG video, Matroska/WebM and Ogg.
const char kFormats[] = "avi,asf,mov,mpeg,mpegts,mpegvideo,flv,matroska,webm,ogg";

constexpr int kIoBufferSize = 1 << 15;
// How many packets may be read before the best frame so far is taken.
constexpr int kMaxPackets = 4096;
// Each frame decoded costs this much work for each of its pixels: the
// read's share for its pixels pays for this many frames, its floor for
// some more small ones. Past it the best frame so far is taken.
constexpr int64_t kDecodedRecords = 8;
constexpr int64_t kFrameWorkPerPixel = TReadBudget::WorkPerPixel / kDecodedRecords;
// The frame taken covers this time past the stream's start.
constexpr int64_t kGrabMs = 1500;

// Counts work that fits what the read has left; false, counting nothing,
// when it would not fit or the read was stopped. The best frame so far is
// then taken, and converted, polling the budget as it goes.
bool Afford(TReadBudget &budget, int64_t work)
{
    return !budget.Stopped() && work <= budget.WorkAllowance() - budget.Spent() && budget.Spend(work);
}

// The file as FFmpeg reads it: its descriptor and the read's budget, which
// counts the bytes read; past it the file ends early, for a demuxer that
// scans a large damaged file for something it never finds, and a stopped
// read ends there.
struct Input {
    int fd = -1;
    TReadBudget *budget = nullptr;
};

int ReadFd(void *opaque, uint8_t *buf, int size)
{
    Input &in = *static_cast<Input *>(opaque);
    if (!Afford(*in.budget, size))
        return in.budget->Stopped() ? AVERROR_EXIT : AVERROR_EOF;
    ssize_t n;
    do {
        n = ::read(in.fd, buf, size_t(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : int(n);
}

// FFmpeg's own waits and long loops end when the read is stopped.
int Interrupted(void *opaque)
{
    return static_cast<const TReadBudget *>(opaque)->Stopped() ? 1 : 0;
}

int64_t SeekFd(void *opaque, int64_t offset, int whence)
{
    const int fd = static_cast<const Input *>(opaque)->fd;
    if (whence & AVSEEK_SIZE) {
        struct stat st;
        return fstat(fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(EIO);
    }
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return AVERROR(EINVAL);
    const off_t pos = lseek(fd, off_t(offset), whence);
    return pos < 0 ? AVERROR(EINVAL) : int64_t(pos);
}

// Demuxers that would open a second file (references, playlists) get none.
int RefuseOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

// Everything one read holds, released in reverse order.
struct Session {
    Input input;
    AVIOContext *io = nullptr;
    AVFormatContext *format = nullptr;
    AVCodecContext *decoder = nullptr;
    AVPacket *packet = nullptr;
    AVPacket *held = nullptr; // an intra-only stream's packet not yet decoded
    AVFrame *frame = nullptr;
    AVFrame *best = nullptr;
    AVFrame *first = nullptr; // the best frame of the first pass, while the second runs
    SwsContext *scaler = nullptr;
    uint8_t *scratch = nullptr;
    int codecWidth = 0, codecHeight = 0; // the stream's frame size
    int packets = 0; // read over all passes

    ~Session()
    {
        std::free(scratch);
        sws_freeContext(scaler);
        av_frame_free(&first);
        av_frame_free(&best);
        av_frame_free(&frame);
        av_packet_free(&held);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (input.fd >= 0)
            ::close(input.fd);
    }

    bool Open(const QString &path, TReadBudget &budget);
    int VideoStream() const;
    bool OpenDecoder(const AVStream *st);
    bool Rewind();
    bool DecodeTo(int index, int64_t target);
    bool Pass(int index, int64_t target, bool &late);
    void Receive(int64_t target, bool &done);
    bool Store(TDib &pic);
};

bool Session::Open(const QString &path, TReadBudget &budget)
{
    input.budget = &budget;
    input.fd = RegularFile::OpenFd(path);
    if (input.fd < 0)
        return false;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return false;
    io = avio_alloc_context(buffer, kIoBufferSize, 0, &input, ReadFd, nullptr, SeekFd);
    if (!io) {
        av_free(buffer);
        return false;
    }
    format = avformat_alloc_context();
    if (!format)
        return false;
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = RefuseOpen;
    format->interrupt_callback.callback = Interrupted;
    format->interrupt_callback.opaque = &budget;

    AVDictionary *opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    av_dict_set(&opts, "format_whitelist", kFormats, 0);
    const QByteArray name = path.toUtf8();
    // On failure the context is freed and the pointer cleared.
    const int r = avformat_open_input(&format, name.constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (r < 0)
        return false;
    // The frames decoded to learn the streams are held to the record's cap
    // too, and decoded on one thread.
    const unsigned streams = format->nb_streams;
    AVDictionary **probe = streams ? static_cast<AVDictionary **>(av_calloc(streams, sizeof *probe)) : nullptr;
    if (streams && !probe)
        return false;
    for (unsigned i = 0; i < streams; ++i) {
        av_dict_set_int(&probe[i], "max_pixels", Gdi::MaxBitmapPixels, 0);
        av_dict_set(&probe[i], "threads", "1", 0);
    }
    const bool found = avformat_find_stream_info(format, probe) >= 0;
    for (unsigned i = 0; i < streams; ++i)
        av_dict_free(&probe[i]);
    av_free(probe);
    return found;
}

// The first video stream that is not a cover picture, or -1.
int Session::VideoStream() const
{
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream *st = format->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return int(i);
    }
    return -1;
}

bool Session::OpenDecoder(const AVStream *st)
{
    const AVCodecParameters *par = st->codecpar;
    if (int64_t(par->width) * par->height > Gdi::MaxBitmapPixels)
        return false;
    const AVCodec *codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return false;
    decoder = avcodec_alloc_context3(codec);
    if (!decoder || avcodec_parameters_to_context(decoder, par) < 0)
        return false;
    codecWidth = std::max(par->width, 0);
    codecHeight = std::max(par->height, 0);
    decoder->thread_count = 1;
    decoder->max_pixels = Gdi::MaxBitmapPixels; // refused before the decoder allocates a frame
    decoder->pkt_timebase = st->time_base;
    return avcodec_open2(decoder, codec, nullptr) >= 0;
}

// Takes the decoded frames: each one at or before target becomes the best so
// far; the first one after it ends the search, and is taken itself when no
// frame came before it. A frame without a time counts as before target.
void Session::Receive(int64_t target, bool &done)
{
    while (avcodec_receive_frame(decoder, frame) == 0) {
        const int64_t t = frame->best_effort_timestamp;
        const bool after = t != AV_NOPTS_VALUE && t > target;
        if (!after || !best->buf[0]) {
            av_frame_unref(best);
            av_frame_move_ref(best, frame);
        }
        av_frame_unref(frame);
        if (after) {
            done = true;
            return;
        }
    }
}

// Decodes from the current position until the frame covering target, the
// end of the stream or the end of the budget; true when best holds a frame.
// late: the frame taken comes after target. Each packet of the stream costs
// the pixels of a frame, counted before it is decoded.
bool Session::Pass(int index, int64_t target, bool &late)
{
    TReadBudget &budget = *input.budget;
    bool done = false;
    // Every frame of an intra-only stream (MJPEG, say) decodes on its own:
    // a packet at or before target is held instead of decoded, and only the
    // last one held is decoded, once the next packet or the end of the
    // stream shows that it covers target.
    const AVCodecDescriptor *desc = avcodec_descriptor_get(decoder->codec_id);
    if (desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY) && !held)
        held = av_packet_alloc();
    if (held)
        av_packet_unref(held);
    bool spent = false;
    auto decode = [&](AVPacket *p) {
        const int64_t pixels = int64_t(std::max(decoder->width, codecWidth)) * std::max(decoder->height, codecHeight);
        if (!Afford(budget, pixels * kFrameWorkPerPixel)) {
            spent = true;
            return;
        }
        // A packet the decoder refuses is skipped; later ones may decode.
        if (avcodec_send_packet(decoder, p) == 0)
            Receive(target, done);
    };
    auto decodeHeld = [&] {
        if (!held || !held->buf)
            return;
        decode(held);
        av_packet_unref(held);
        if (best->buf[0])
            done = true;
    };
    while (!done && !spent && packets < kMaxPackets) {
        if (av_read_frame(format, packet) < 0)
            break;
        ++packets;
        if (packet->stream_index == index) {
            const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (held && t != AV_NOPTS_VALUE && t <= target) {
                av_packet_unref(held);
                av_packet_move_ref(held, packet);
                continue;
            }
            decodeHeld();
            if (!done && !spent)
                decode(packet);
        }
        av_packet_unref(packet);
    }
    av_packet_unref(packet);
    if (!done && !spent)
        decodeHeld();
    if (budget.Stopped())
        return false;
    if (!done && !spent && avcodec_send_packet(decoder, nullptr) == 0)
        Receive(target, done);
    const int64_t t = best->best_effort_timestamp;
    late = t != AV_NOPTS_VALUE && t > target;
    return best->buf[0] != nullptr;
}

// Back to the start of the file; a failed seek also drops the packets read
// ahead while the streams were probed.
bool Session::Rewind()
{
    const int64_t start = format->start_time == AV_NOPTS_VALUE ? 0 : format->start_time;
    return avformat_seek_file(format, -1, INT64_MIN, start, start, 0) >= 0 ||
           av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE) >= 0;
}

// Seeks back to the key frame at or before target and decodes forward. Where
// the seek lands on no key frame before target (MPEG transport streams land
// on any packet), or on nothing that decodes, the stream is decoded once
// more from the start of the file.
bool Session::DecodeTo(int index, int64_t target)
{
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    best = av_frame_alloc();
    first = av_frame_alloc();
    if (!packet || !frame || !best || !first)
        return false;
    bool late = false;
    const bool sought = av_seek_frame(format, index, target, AVSEEK_FLAG_BACKWARD) >= 0;
    if (!sought)
        Rewind();
    bool got = Pass(index, target, late);
    if (input.budget->Stopped())
        return false;
    if (sought && (!got || late)) {
        av_frame_move_ref(first, best);
        avcodec_flush_buffers(decoder);
        got = Rewind() && Pass(index, target, late);
        if (!got && first->buf[0]) {
            av_frame_unref(best);
            av_frame_move_ref(best, first);
            got = true;
        }
    }
    return got;
}

// Converts the best frame to B-G-R rows straight into pic, a band of rows
// at a time: each band goes through a scratch buffer whose rows have room to
// spare (libswscale's vector code leaves the last columns of a row unwritten
// when the row ends at width * 3), then into pic bottom-up. Only the
// decoder's frame, the picture and one band are held.
bool Session::Store(TDib &pic)
{
    const int w = best->width, h = best->height;
    if (!WithinRecordCap(w, h) || best->format < 0)
        return false;
    const AVPixelFormat fmt = AVPixelFormat(best->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(fmt);
    if (!desc || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
        return false;
    // The frame's YUV matrix and range (no effect on RGB sources). Both come
    // from the file and may be outside their enumerations: read as integers.
    int space = 0, range = 0;
    static_assert(sizeof best->colorspace == sizeof space && sizeof best->color_range == sizeof range, "");
    std::memcpy(&space, &best->colorspace, sizeof space);
    std::memcpy(&range, &best->color_range, sizeof range);
    switch (space) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_FCC:
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        break;
    default:
        space = SWS_CS_DEFAULT;
    }

    // Bands start on a chroma row. With vertically subsampled chroma each
    // band is converted with a few rows more on either side, so that its
    // edge rows interpolate their chroma from the frame's own neighbours.
    const int chromaShift = desc->log2_chroma_h;
    const int margin = chromaShift ? 4 << chromaShift : 0;
    constexpr int kBand = 64;
    const int64_t line = (3 * ((int64_t(w) + 31) & ~int64_t(31)) + 63) & ~int64_t(63);
    void *mem = nullptr;
    if (posix_memalign(&mem, 64, size_t(line * (kBand + 2 * margin))) != 0)
        return false;
    scratch = static_cast<uint8_t *>(mem);

    // The decoder's other frames go before the picture is made.
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    if (!pic.Create(w, h, 0, 0) || !pic.bits)
        return false;

    int scalerRows = 0;
    for (int y0 = 0; y0 < h; y0 += kBand) {
        if (!input.budget->Spend(0))
            return false;
        const int y1 = std::min(h, y0 + kBand);
        const int from = std::max(0, y0 - margin), to = std::min(h, y1 + margin);
        if (to - from != scalerRows) {
            sws_freeContext(scaler);
            scalerRows = to - from;
            scaler = sws_getContext(w, scalerRows, fmt, w, scalerRows, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr,
                                    nullptr, nullptr);
            if (!scaler)
                return false;
            sws_setColorspaceDetails(scaler, sws_getCoefficients(space), range == AVCOL_RANGE_JPEG,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        }
        // The window's rows in each plane; a palette stays whole.
        const uint8_t *src[4] = {};
        for (int i = 0; i < 4; ++i) {
            if (!best->data[i])
                continue;
            const bool palette = i == 1 && (desc->flags & AV_PIX_FMT_FLAG_PAL);
            const int shift = i == 1 || i == 2 ? chromaShift : 0;
            src[i] = palette ? best->data[i] : best->data[i] + int64_t(from >> shift) * best->linesize[i];
        }
        uint8_t *dst[4] = {scratch, nullptr, nullptr, nullptr};
        const int dstLine[4] = {int(line), 0, 0, 0};
        if (sws_scale(scaler, src, best->linesize, 0, scalerRows, dst, dstLine) != scalerRows)
            return false;
        for (int y = y0; y < y1; ++y)
            std::memcpy(pic.bits + int64_t(h - 1 - y) * pic.stride, scratch + int64_t(y - from) * line,
                        size_t(w) * 3);
    }
    return true;
}

} // namespace

bool ReadVideoFrame(TImgUt &ctx, const QString &path)
{
    TDib *pic = ctx.readTarget;
    if (!pic)
        return false;
    av_log_set_level(AV_LOG_QUIET);

    Session s;
    if (!s.Open(path, ctx.budget))
        return false;
    const int index = s.VideoStream();
    if (index < 0)
        return false;
    const AVStream *st = s.format->streams[index];
    for (unsigned i = 0; i < s.format->nb_streams; ++i)
        if (int(i) != index)
            s.format->streams[i]->discard = AVDISCARD_ALL;
    if (!s.OpenDecoder(st))
        return false;
    // The record is the frame at its full size.
    ctx.budget.SetPicture(s.codecWidth, s.codecHeight, s.codecWidth, s.codecHeight);

    if (st->time_base.num <= 0 || st->time_base.den <= 0)
        return false;
    int64_t start = st->start_time;
    if (start == AV_NOPTS_VALUE)
        start = s.format->start_time == AV_NOPTS_VALUE
                    ? 0
                    : av_rescale_q(s.format->start_time, AVRational{1, AV_TIME_BASE}, st->time_base);
    // Rounded down: a frame at or before 1.5 s in the stream's ticks is one
    // at or before 1.5 s in time.
    const int64_t delta = av_rescale_q_rnd(kGrabMs, AVRational{1, 1000}, st->time_base, AV_ROUND_DOWN);
    const int64_t target = start > INT64_MAX - delta ? INT64_MAX : start + delta;
    return s.DecodeTo(index, target) && s.Store(*pic);
}

} // namespace VlmImgUt
