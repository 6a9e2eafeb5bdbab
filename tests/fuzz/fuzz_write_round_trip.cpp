// Round trip through the writers. The input's first byte chooses a mode:
// below 0x80 it picks the extension (of the image table) under which the
// rest is read by the readers; a picture that reads (up to 256 x 256) is
// written in every format and read back. From 0x80 up, the rest is the
// ICC profile and the EXIF block (split at the next two bytes) of a small
// picture written in every format and read back.
#include "fuzz_util.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace VlmImgUt;

namespace {

bool Lossless(const QString &ext)
{
    // JPEG, and DNG which is always JPEG-compressed, lose detail.
    return ext != ".jpg" && ext != ".jpeg" && ext != ".dng";
}

// Files are committed with a sync to disk; a memory file system, where
// there is one, keeps that from dominating the run.
QString OutputFolder()
{
    static QTemporaryDir dir = [] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return QTemporaryDir(shm.isDir() && shm.isWritable() ? shm.filePath() + "/quibo-fuzz-writers-XXXXXX"
                                                             : fuzz::WorkFolder() + "/writers-XXXXXX");
    }();
    return dir.path();
}

// The context with every metadata block kept and written.
TImgUt &Context()
{
    TImgUt &ctx = fuzz::Context();
    ctx.previewMode = false;
    ctx.keepExif = ctx.keepPhotoshop = ctx.keepXmp = ctx.keepComment = true;
    ctx.imgOpts.writeMetadata = 1;
    return ctx;
}

bool SamePixels(const TDib &a, const TDib &b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    for (int y = 0; y < a.height; ++y)
        if (std::memcmp(a.bits + int64_t(y) * a.stride, b.bits + int64_t(y) * b.stride, size_t(a.width) * 3) != 0)
            return false;
    return true;
}

// Writes picture in every format, with metadata, and reads each back.
void WriteEvery(const TDib &picture, const TDib *metadata)
{
    TImgUt &ctx = Context();
    for (const QString &ext : ctx.imageExts) {
        const QString path = OutputFolder() + "/out" + ext;
        if (!ctx.WriteImageFile(path, &picture, metadata, 0, 0, 0, 0, ext == ".png", 0x00FFFFFF))
            __builtin_trap();
        TDib *back = nullptr;
        if (!ctx.ReadImageFile(path, &back, 0, 0, false))
            __builtin_trap();
        if (back->width != picture.width || back->height != picture.height)
            __builtin_trap();
        if (Lossless(ext) && !SamePixels(picture, *back))
            __builtin_trap();
        delete back;
    }
}

void SmallPictureWithMetadata(const uint8_t *data, size_t size)
{
    TDib picture;
    if (!picture.Create(9, 7))
        return;
    for (int i = 0; i < picture.stride * picture.height; ++i)
        picture.bits[i] = uint8_t(i * 37);
    TDib metadata;
    const size_t split = size >= 2 ? std::min<size_t>((size_t(data[0]) << 8) | data[1], size - 2) : 0;
    const uint8_t *rest = size >= 2 ? data + 2 : data;
    const size_t restSize = size >= 2 ? size - 2 : 0;
    auto block = [](const uint8_t *from, size_t n, uint8_t *&to, uint32_t &toSize) {
        to = static_cast<uint8_t *>(std::malloc(n ? n : 1));
        if (n)
            std::memcpy(to, from, n);
        toSize = uint32_t(n);
    };
    block(rest, split, metadata.icc, metadata.iccSize);
    block(rest + split, restSize - split, metadata.exif, metadata.exifSize);
    WriteEvery(picture, &metadata);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] >= 0x80) {
        SmallPictureWithMetadata(data + 1, size - 1);
        return 0;
    }
    TImgUt &ctx = Context();
    const QByteArray name = "in" + ctx.imageExts[data[0] % ctx.imageExts.size()].toLatin1();
    const QString path = fuzz::InputFile(data + 1, size - 1, name.constData());
    TDib *picture = nullptr;
    if (ctx.ReadImageFile(path, &picture, 0, 0, false) && picture->bits
        && int64_t(picture->width) * picture->height <= 256 * 256)
        WriteEvery(*picture, picture);
    delete picture;
    return 0;
}
