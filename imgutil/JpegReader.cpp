// JPEG files through libjpeg: the decoder scales by a power of two toward
// the box, markers give the ICC profile and, when asked for, EXIF, XMP,
// Photoshop resources and the comment.
#include "TImgUt.h"
#include "TDib.h"
#include "JpegError.h"
#include "MetaBlock.h"
#include "ReaderKit.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
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

// Work is counted in bytes of the read's budget. A scan visits every block
// of its components; a real picture never needs more than a scan for each
// of a block's 64 coefficients, so a visit may spend a 64th of what the
// block's 64 pixels get. Each scan also costs a part of the floor: 64 of
// them fit it, with a part left for the bytes of the file.
constexpr int64_t MaxPasses = 64;
constexpr int64_t BlockVisit = 64 * TReadBudget::WorkPerPixel / MaxPasses;
constexpr int64_t ScanCost = TReadBudget::WorkFloor / (MaxPasses + 1);

// A marker segment holds at most this much data (its length is 16 bits
// and counts itself).
constexpr size_t MaxSegment = 65533;

// One read: plain data only, as a library error jumps over the frames that
// use it. ReadJpeg frees what it holds.
struct JpegJob {
    TImgUt *ctx;
    TReadBudget *budget;
    FILE *file;
    int32_t maxWidth, maxHeight;
    jpeg_progress_mgr progress;
    boolean (*fill)(j_decompress_ptr); // the stdio source's own
    int scan;                          // the last scan counted
    int64_t coefficients;              // bytes taken from the budget for them
    // Markers are looked at only before the first scan; the segment being
    // read goes through one buffer.
    bool inHeader;
    uint8_t *segment;
    // The ICC profile's chunks, the last of each sequence number kept.
    uint8_t *chunk[256];
    uint32_t chunkSize[256];
    int expected; // chunk count of the first chunk seen; -1 before it
    bool valid;
};

JpegJob &Job(j_decompress_ptr cinfo)
{
    return *static_cast<JpegJob *>(cinfo->client_data);
}

void Fail(j_decompress_ptr cinfo)
{
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
}

int64_t Blocks(const jpeg_component_info *c)
{
    return int64_t(c->width_in_blocks) * int64_t(c->height_in_blocks);
}

// The file's bytes, as libjpeg reads them, count against the budget.
boolean CountedFill(j_decompress_ptr cinfo)
{
    JpegJob &job = Job(cinfo);
    const boolean more = job.fill(cinfo);
    if (!job.budget->Spend(int64_t(cinfo->src->bytes_in_buffer)))
        Fail(cinfo);
    return more;
}

// Counts each scan as libjpeg starts it, and polls the budget wherever
// libjpeg reports progress (each row of a scan, each output row); a stopped
// read, or one past its work, ends here.
void JpegProgress(j_common_ptr common)
{
    if (!common->is_decompressor)
        return;
    auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    JpegJob &job = Job(cinfo);
    int64_t work = 0;
    if (cinfo->input_scan_number != job.scan) {
        job.scan = cinfo->input_scan_number;
        work = ScanCost;
        for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
            if (cinfo->cur_comp_info[i])
                work += BlockVisit * Blocks(cinfo->cur_comp_info[i]);
    }
    if (!job.budget->Spend(work))
        Fail(cinfo);
}

// The work the scans of a file ask for, from its markers, before the
// decoder takes the memory for them: each start-of-scan names its
// components, whose block counts the header gave. The entropy-coded data
// after a scan's header is passed over up to the next marker. False when
// the scans would pass the work the read has left, or the read was stopped;
// the bytes looked at count as work too.
bool ScansFit(JpegJob &job, j_decompress_ptr cinfo)
{
    TReadBudget &budget = *job.budget;
    const int fd = fileno(job.file);
    uint8_t buf[1 << 16];
    int64_t at = 0, have = 0, base = 0; // buf holds bytes [base, base + have)
    bool stopped = false;
    auto byte = [&](int64_t pos) -> int {
        if (pos < base || pos >= base + have) {
            base = pos;
            const ssize_t n = pread(fd, buf, sizeof buf, off_t(pos));
            have = n > 0 ? n : 0;
            if (have > 0 && !budget.Spend(have))
                stopped = true;
            if (have == 0 || stopped)
                return -1;
        }
        return buf[pos - base];
    };
    auto fits = [&](int64_t work) { return !stopped && work <= budget.WorkAllowance() - budget.Spent(); };
    int64_t work = 0;
    for (;;) {
        // The next marker: garbage before it is passed over, as libjpeg does.
        int c = byte(at++);
        while (c >= 0 && c != 0xFF)
            c = byte(at++);
        while (c == 0xFF)
            c = byte(at++);
        if (c < 0 || c == JPEG_EOI)
            return fits(work);
        if (c == 0x00 || c == 0x01 || c == 0xD8 || (c >= 0xD0 && c <= 0xD7))
            continue; // no length
        const int hi = byte(at), lo = byte(at + 1);
        if (hi < 0 || lo < 0)
            return fits(work);
        const int64_t length = hi << 8 | lo;
        if (c == 0xDA) { // start of scan: its components, then entropy-coded data
            const int n = byte(at + 2);
            work += ScanCost;
            for (int k = 0; k < n && k < 4; ++k) {
                const int id = byte(at + 3 + 2 * k);
                for (int i = 0; i < cinfo->num_components; ++i)
                    if (cinfo->comp_info[i].component_id == id) {
                        work += BlockVisit * Blocks(&cinfo->comp_info[i]);
                        break;
                    }
            }
            if (!fits(work))
                return false;
            at += std::max<int64_t>(length, 2);
            for (;;) {
                c = byte(at++);
                if (c < 0)
                    return fits(work);
                if (c != 0xFF)
                    continue;
                int d = byte(at);
                while (d == 0xFF)
                    d = byte(++at);
                if (d < 0)
                    return fits(work);
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

// Bytes of the coefficient buffer libjpeg keeps for a file of more than one
// scan: a block of 64 coefficients for every block of every component of
// the picture in the file, whatever the scale of the output.
int64_t CoefficientBytes(j_decompress_ptr cinfo)
{
    if (!jpeg_has_multiple_scans(cinfo))
        return 0;
    auto roundUp = [](int64_t v, int64_t m) { return m > 0 ? (v + m - 1) / m * m : v; };
    int64_t bytes = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info &c = cinfo->comp_info[i];
        bytes += roundUp(c.width_in_blocks, c.h_samp_factor) * roundUp(c.height_in_blocks, c.v_samp_factor)
                 * int64_t(sizeof(JBLOCK));
    }
    return bytes;
}

const char XmpId[] = "http://ns.adobe.com/xap/1.0/"; // 29 bytes with its NUL
constexpr size_t XmpIdSize = sizeof XmpId;
static_assert(XmpIdSize == 29, "XMP identifier of a JPEG segment");

void DropChunks(JpegJob &job)
{
    for (int s = 0; s < 256; ++s) {
        std::free(job.chunk[s]);
        job.budget->Give(job.chunkSize[s]);
        job.chunk[s] = nullptr;
        job.chunkSize[s] = 0;
    }
}

// An ICC profile chunk of APP2 (data of len bytes: "ICC_PROFILE", its NUL,
// the sequence number, the chunk count, the payload). The count of the
// first chunk is the expected count; one chunk that disagrees, or lies
// outside it, invalidates the whole profile. A repeated sequence number
// takes the place of the one before.
void KeepChunk(JpegJob &job, const uint8_t *d, size_t len)
{
    const int seq = d[12], count = d[13];
    if (job.expected < 0)
        job.expected = count;
    if (!job.valid)
        return;
    const size_t n = len - 14;
    if (count != job.expected || seq < 1 || seq > count) {
        job.valid = false;
        DropChunks(job);
        return;
    }
    std::free(job.chunk[seq]);
    job.budget->Give(job.chunkSize[seq]);
    job.chunk[seq] = nullptr;
    job.chunkSize[seq] = 0;
    // No memory for a chunk keeps no profile.
    const bool taken = job.budget->Take(int64_t(n));
    uint8_t *mem = taken ? static_cast<uint8_t *>(std::malloc(n)) : nullptr;
    if (!mem) {
        if (taken)
            job.budget->Give(int64_t(n));
        job.valid = false;
        DropChunks(job);
        return;
    }
    std::memcpy(mem, d + 14, n);
    job.chunk[seq] = mem;
    job.chunkSize[seq] = uint32_t(n);
}

// Joins the chunks kept into the picture's profile, unless it has one:
// missing sequence numbers count as 0 bytes, so the chunks present are
// joined without gaps. The chunks are freed.
void JoinChunks(JpegJob &job)
{
    TDib *dib = job.ctx->readTarget;
    if (job.valid && job.expected >= 1 && !dib->icc) {
        size_t total = 0;
        for (int s = 1; s <= job.expected; ++s)
            total += job.chunkSize[s];
        auto *icc = total ? static_cast<uint8_t *>(std::malloc(total)) : nullptr;
        if (icc) {
            size_t at = 0;
            for (int s = 1; s <= job.expected; ++s) {
                if (job.chunkSize[s])
                    std::memcpy(icc + at, job.chunk[s], job.chunkSize[s]);
                at += job.chunkSize[s];
            }
            dib->icc = icc;
            dib->iccSize = uint32_t(total);
        }
    }
    DropChunks(job);
}

// One byte from the source, which never suspends (at the file's end it
// gives an end-of-image marker).
int NextByte(j_decompress_ptr cinfo)
{
    jpeg_source_mgr *src = cinfo->src;
    if (src->bytes_in_buffer == 0)
        (*src->fill_input_buffer)(cinfo);
    --src->bytes_in_buffer;
    return GETJOCTET(*src->next_input_byte++);
}

// A COM or APPn segment the picture may keep, read through one buffer. Of
// the segments before the first scan, the first of each kind wins and the
// ICC chunks are kept until the header is read; nothing else is held. Later
// segments are passed over.
boolean ReadSegment(j_decompress_ptr cinfo)
{
    JpegJob &job = Job(cinfo);
    const int marker = cinfo->unread_marker;
    const int hi = NextByte(cinfo);
    const long length = long(hi << 8 | NextByte(cinfo)) - 2;
    if (length <= 0)
        return TRUE;
    if (job.inHeader && !job.segment)
        job.segment = static_cast<uint8_t *>(std::malloc(MaxSegment));
    if (!job.inHeader || !job.segment) {
        (*cinfo->src->skip_input_data)(cinfo, length);
        return TRUE;
    }
    const size_t len = std::min<size_t>(size_t(length), MaxSegment);
    uint8_t *d = job.segment;
    for (size_t got = 0; got < len;) {
        jpeg_source_mgr *src = cinfo->src;
        if (src->bytes_in_buffer == 0)
            (*src->fill_input_buffer)(cinfo);
        const size_t n = std::min(len - got, src->bytes_in_buffer);
        std::memcpy(d + got, src->next_input_byte, n);
        src->next_input_byte += n;
        src->bytes_in_buffer -= n;
        got += n;
    }

    const TImgUt &ctx = *job.ctx;
    TDib *dib = ctx.readTarget;
    if (marker == JPEG_COM) {
        KeepBlock(dib->comment, dib->commentSize, d, len);
    } else if (marker == JPEG_APP0 + 13) {
        // "Photoshop 3.0" and its terminating zero take 14 bytes.
        if (len > 14 && memcmp(d, "Photoshop ", 10) == 0)
            KeepBlock(dib->photoshop, dib->photoshopSize, d + 14, len - 14);
    } else if ((marker == JPEG_APP0 + 1 || marker == JPEG_APP0 + 2) && len > 4) {
        if (ctx.keepExif && memcmp(d, "Exif", 4) == 0) {
            // "Exif" and two zero bytes, then the TIFF structure.
            if (len > 6)
                KeepBlock(dib->exif, dib->exifSize, d + 6, len - 6);
        } else if (len > 14) {
            if (marker == JPEG_APP0 + 2 && memcmp(d, "ICC_PROFILE", 11) == 0)
                KeepChunk(job, d, len);
            else if (ctx.keepXmp && len > XmpIdSize && memcmp(d, XmpId, XmpIdSize) == 0)
                KeepBlock(dib->xmp, dib->xmpSize, d + XmpIdSize, len - XmpIdSize);
        }
    }
    return TRUE;
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

// The decoding proper. A library error jumps back into this frame, which
// holds nothing with a destructor.
bool Decode(JpegJob &job)
{
    TImgUt &ctx = *job.ctx;
    TReadBudget &budget = *job.budget;
    TDib *dib = ctx.readTarget;
    jpeg_decompress_struct cinfo;
    JpegError err;

    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.output_message = JpegSilent;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.client_data = &job;
    job.progress.progress_monitor = JpegProgress;
    cinfo.progress = &job.progress;
    jpeg_stdio_src(&cinfo, job.file);
    job.fill = cinfo.src->fill_input_buffer;
    cinfo.src->fill_input_buffer = CountedFill;

    if (!ctx.previewMode) {
        jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 2, ReadSegment);
        if (ctx.keepComment)
            jpeg_set_marker_processor(&cinfo, JPEG_COM, ReadSegment);
        if (ctx.keepXmp || ctx.keepExif)
            jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 1, ReadSegment);
        if (ctx.keepPhotoshop)
            jpeg_set_marker_processor(&cinfo, JPEG_APP0 + 13, ReadSegment);
    }
    job.inHeader = true;
    jpeg_read_header(&cinfo, TRUE);
    job.inHeader = false;
    JoinChunks(job);

    if (ctx.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    cinfo.scale_num = ScaleNum(cinfo.image_width, cinfo.image_height, job.maxWidth, job.maxHeight);
    cinfo.scale_denom = 8; // libjpeg-turbo's default is 1/1
    cinfo.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&cinfo);
    const int64_t outW = cinfo.output_width, outH = cinfo.output_height;
    if (!WithinRecordCap(outW, outH)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    budget.SetPicture(cinfo.image_width, cinfo.image_height, outW, outH);

    // A file of more than one scan is refused before the decoder's
    // coefficient memory is taken, when the coefficients of the whole
    // picture in the file do not fit the read's memory, or its scans ask
    // for more work than the read has; the scans libjpeg finds are counted
    // too. Whatever else libjpeg takes is bounded by what the read has left.
    if (jpeg_has_multiple_scans(&cinfo)) {
        const int64_t coefficients = CoefficientBytes(&cinfo);
        if (!budget.Take(coefficients)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
        job.coefficients = coefficients;
        if (!ScansFit(job, &cinfo)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    cinfo.mem->max_memory_to_use =
        long(std::max<int64_t>(std::min<int64_t>(budget.MemoryLeft() + job.coefficients, LONG_MAX), 1));

    int32_t dpiX = cinfo.X_density, dpiY = cinfo.Y_density;
    if (cinfo.density_unit == 2) { // dots per centimetre
        dpiX = RoundDpi(float(cinfo.X_density) * 2.54f);
        dpiY = RoundDpi(float(cinfo.Y_density) * 2.54f);
    }

    if (!dib->Create(int32_t(outW), int32_t(outH), dpiX, dpiY)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    dib->srcWidth = int32_t(cinfo.image_width);
    dib->srcHeight = int32_t(cinfo.image_height);

    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(outW * 3), 1);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        if (!budget.Spend(0)) {
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
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
    // Every row is there; what the file holds after them is not read.
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

bool ReadJpeg(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight)
{
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return false;
    JpegJob job = {};
    job.ctx = &ctx;
    job.budget = &ctx.budget;
    job.file = file.get();
    job.maxWidth = maxWidth;
    job.maxHeight = maxHeight;
    job.expected = -1;
    job.valid = true;
    const bool ok = Decode(job);
    DropChunks(job);
    std::free(job.segment);
    ctx.budget.Give(job.coefficients);
    return ok;
}

} // namespace VlmImgUt
