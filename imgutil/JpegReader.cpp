// JPEG files through libjpeg: the decoder scales by a power of two toward
// the box, markers give the ICC profile and, when asked for, EXIF, XMP,
// Photoshop resources and the comment.
#include "TImgUt.h"
#include "TDib.h"
#include "JpegError.h"
#include "MetaBlock.h"
#include "ReaderKit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <unistd.h>

namespace VlmImgUt {

void JpegSilent(j_common_ptr) {}

void JpegErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

namespace {

// Work of the decoder, as blocks visited: a scan visits every block of its
// components, and a scan costs at least as much as this many blocks. A real
// picture never needs more than a scan for each of a block's 64
// coefficients, so the work is bounded by 64 full passes over its blocks.
constexpr int64_t ScanCost = 1024;
constexpr int64_t MaxPasses = 64;

struct JpegWork {
    jpeg_progress_mgr pub; // first: libjpeg sees only this
    int scan;              // the last scan counted
    int64_t work, budget;
};

int64_t Blocks(const jpeg_component_info *c)
{
    return int64_t(c->width_in_blocks) * int64_t(c->height_in_blocks);
}

int64_t Budget(j_decompress_ptr cinfo)
{
    int64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i)
        blocks += Blocks(&cinfo->comp_info[i]);
    return MaxPasses * (blocks + ScanCost);
}

// Counts each scan as libjpeg starts it; past the budget the read fails.
void JpegProgress(j_common_ptr common)
{
    if (!common->is_decompressor)
        return;
    auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto *w = reinterpret_cast<JpegWork *>(cinfo->progress);
    if (cinfo->input_scan_number == w->scan)
        return;
    w->scan = cinfo->input_scan_number;
    w->work += ScanCost;
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
        if (cinfo->cur_comp_info[i])
            w->work += Blocks(cinfo->cur_comp_info[i]);
    if (w->work > w->budget)
        (*common->err->error_exit)(common);
}

// The work the scans of a file ask for, from its markers, before the
// decoder takes the memory for them: each start-of-scan names its
// components, whose block counts the header gave. The entropy-coded data
// after a scan's header is passed over up to the next marker.
int64_t ScanWork(FILE *file, j_decompress_ptr cinfo)
{
    const int fd = fileno(file);
    uint8_t buf[1 << 16];
    int64_t at = 0, have = 0, base = 0; // buf holds bytes [base, base + have)
    auto byte = [&](int64_t pos) -> int {
        if (pos < base || pos >= base + have) {
            base = pos;
            const ssize_t n = pread(fd, buf, sizeof buf, off_t(pos));
            have = n > 0 ? n : 0;
            if (have == 0)
                return -1;
        }
        return buf[pos - base];
    };
    int64_t work = 0;
    for (;;) {
        // The next marker: garbage before it is passed over, as libjpeg does.
        int c = byte(at++);
        while (c >= 0 && c != 0xFF)
            c = byte(at++);
        while (c == 0xFF)
            c = byte(at++);
        if (c < 0 || c == JPEG_EOI)
            return work;
        if (c == 0x00 || c == 0x01 || c == 0xD8 || (c >= 0xD0 && c <= 0xD7))
            continue; // no length
        const int hi = byte(at), lo = byte(at + 1);
        if (hi < 0 || lo < 0)
            return work;
        const int64_t length = hi << 8 | lo;
        if (c == 0xDA) { // start of scan: its components, then entropy-coded data
            const int n = byte(at + 2);
            work += ScanCost;
            for (int k = 0; k < n && k < 4; ++k) {
                const int id = byte(at + 3 + 2 * k);
                for (int i = 0; i < cinfo->num_components; ++i)
                    if (cinfo->comp_info[i].component_id == id) {
                        work += Blocks(&cinfo->comp_info[i]);
                        break;
                    }
            }
            at += std::max<int64_t>(length, 2);
            for (;;) {
                c = byte(at++);
                if (c < 0)
                    return work;
                if (c != 0xFF)
                    continue;
                int d = byte(at);
                while (d == 0xFF)
                    d = byte(++at);
                if (d < 0)
                    return work;
                if (d != 0x00 && (d < 0xD0 || d > 0xD7)) {
                    --at; // at the marker's 0xFF
                    break;
                }
                ++at;
            }
            continue;
        }
        at += std::max<int64_t>(length, 2);
    }
}

// Decoder memory (a progressive file keeps every coefficient) is bounded
// by twice the largest picture record; past it the read fails before the
// memory is taken.
constexpr long MaxDecoderMemory = long(Gdi::MaxBitmapPixels) * 3 * 2;

const char XmpId[] = "http://ns.adobe.com/xap/1.0/"; // 29 bytes with its NUL
constexpr size_t XmpIdSize = sizeof XmpId;
static_assert(XmpIdSize == 29, "XMP identifier of a JPEG segment");

bool IsIccChunk(const jpeg_marker_struct *m, size_t len)
{
    return m->marker == JPEG_APP0 + 2 && len > 14 && memcmp(m->data, "ICC_PROFILE", 11) == 0;
}

// Fills the metadata blocks of ctx.readTarget from the saved markers, in
// file order; the first block of a kind wins.
void ReadJpegMarkers(TImgUt &ctx, j_decompress_ptr cinfo)
{
    TDib *dib = ctx.readTarget;
    uint32_t chunkSize[256] = {}; // by sequence number 1..255
    int expected = -1;             // chunk count of the first chunk seen
    bool valid = true;

    for (const jpeg_marker_struct *m = cinfo->marker_list; m; m = m->next) {
        const size_t len = m->data_length < 65533 ? m->data_length : 65533;
        const JOCTET *d = m->data;
        if (m->marker == JPEG_COM) {
            KeepBlock(dib->comment, dib->commentSize, d, len);
        } else if (m->marker == JPEG_APP0 + 13) {
            // "Photoshop 3.0" and its terminating zero take 14 bytes.
            if (len > 14 && memcmp(d, "Photoshop ", 10) == 0)
                KeepBlock(dib->photoshop, dib->photoshopSize, d + 14, len - 14);
        } else if ((m->marker == JPEG_APP0 + 1 || m->marker == JPEG_APP0 + 2) && len > 4) {
            if (ctx.keepExif && memcmp(d, "Exif", 4) == 0) {
                // "Exif" and two zero bytes, then the TIFF structure.
                if (len > 6)
                    KeepBlock(dib->exif, dib->exifSize, d + 6, len - 6);
            } else if (len > 14) {
                if (IsIccChunk(m, len)) {
                    const int seq = d[12], count = d[13];
                    if (expected < 0)
                        expected = count;
                    if (count == expected && seq >= 1 && seq <= count)
                        chunkSize[seq] = uint32_t(len - 14);
                    else
                        valid = false;
                } else if (ctx.keepXmp && len > XmpIdSize && memcmp(d, XmpId, XmpIdSize) == 0) {
                    KeepBlock(dib->xmp, dib->xmpSize, d + XmpIdSize, len - XmpIdSize);
                }
            }
        }
    }

    if (!valid || expected < 1 || dib->icc)
        return;
    // Missing sequence numbers count as 0 bytes: the chunks present are
    // joined without gaps.
    uint32_t offset[256] = {};
    uint32_t total = 0;
    for (int s = 1; s <= expected; ++s) {
        offset[s] = total;
        total += chunkSize[s];
    }
    if (total == 0)
        return;
    auto *icc = static_cast<uint8_t *>(std::malloc(total));
    if (!icc)
        return;
    for (const jpeg_marker_struct *m = cinfo->marker_list; m; m = m->next) {
        const size_t len = m->data_length < 65533 ? m->data_length : 65533;
        if (!IsIccChunk(m, len))
            continue;
        const int seq = m->data[12];
        if (seq < 1 || seq > expected)
            continue;
        // A chunk fills only its own place: a repeated sequence number of
        // another length is not copied over its neighbour.
        const size_t n = len - 14;
        if (n <= chunkSize[seq] && offset[seq] + n <= total)
            memcpy(icc + offset[seq], m->data + 14, n);
    }
    dib->icc = icc;
    dib->iccSize = total;
}

// Numerator over 8 of the coarsest scale whose output still covers the box.
int ScaleNum(int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight)
{
    if (maxWidth <= 0 || maxHeight <= 0 || width <= 0 || height <= 0)
        return 8;
    const bool byWidth = float(width) / float(height) >= float(maxWidth) / float(maxHeight);
    const int64_t d = byWidth ? width : height;
    const int64_t b = byWidth ? maxWidth : maxHeight;
    if (d / 4 < b)
        return d / 2 < b ? 8 : 4;
    return d / 8 < b ? 2 : 1;
}

struct JpegJob {
    TImgUt *ctx;
    FILE *file;
    int32_t maxWidth, maxHeight;
};

// The decoding proper. A library error jumps back into this frame, which
// holds nothing with a destructor.
bool Decode(JpegJob &job)
{
    TImgUt &ctx = *job.ctx;
    TDib *dib = ctx.readTarget;
    jpeg_decompress_struct cinfo;
    JpegError err;
    JpegWork progress = {};

    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.output_message = JpegSilent;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = MaxDecoderMemory;
    progress.pub.progress_monitor = JpegProgress;
    progress.budget = INT64_MAX; // until the header gives the picture's blocks
    cinfo.progress = &progress.pub;
    jpeg_stdio_src(&cinfo, job.file);

    if (!ctx.previewMode) {
        jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
        if (ctx.keepComment)
            jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
        if (ctx.keepXmp || ctx.keepExif)
            jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
        if (ctx.keepPhotoshop)
            jpeg_save_markers(&cinfo, JPEG_APP0 + 13, 0xFFFF);
    }
    jpeg_read_header(&cinfo, TRUE);
    if (!ctx.previewMode)
        ReadJpegMarkers(ctx, &cinfo);

    if (ctx.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    // A file of many scans is refused before the decoder's coefficient
    // memory is taken, when its scans ask for more work than the picture
    // warrants; the scans libjpeg finds are counted too.
    progress.budget = Budget(&cinfo);
    if ((cinfo.progressive_mode || cinfo.comps_in_scan < cinfo.num_components)
        && ScanWork(job.file, &cinfo) > progress.budget) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    cinfo.scale_num = ScaleNum(cinfo.image_width, cinfo.image_height, job.maxWidth, job.maxHeight);
    cinfo.scale_denom = 8; // libjpeg-turbo's default is 1/1
    cinfo.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    const int64_t outW = cinfo.output_width, outH = cinfo.output_height;

    int32_t dpiX = cinfo.X_density, dpiY = cinfo.Y_density;
    if (cinfo.density_unit == 2) { // dots per centimetre
        dpiX = RoundDpi(float(cinfo.X_density) * 2.54f);
        dpiY = RoundDpi(float(cinfo.Y_density) * 2.54f);
    }

    if (!WithinRecordCap(outW, outH)
        || !dib->Create(int32_t(outW), int32_t(outH), dpiX, dpiY)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    dib->srcWidth = int32_t(cinfo.image_width);
    dib->srcHeight = int32_t(cinfo.image_height);

    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(outW * 3), 1);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int64_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1)
            break;
        uint8_t *dst = dib->bits + (outH - 1 - y) * dib->stride;
        const uint8_t *src = row[0];
        for (int64_t x = 0; x < outW; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

bool ReadJpeg(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    JpegJob job{&ctx, file.get(), maxWidth, maxHeight};
    return Decode(job);
}

} // namespace VlmImgUt
