#include "FacePictures.h"

#include "BoxPainter.h"

#include "PixelKernels.h"
#include "RegularFile.h"
#include "ShapeRecord.h"
#include "TDib.h"
#include "TImgUt.h"
#include "TSettings.h"

#include <QImageReader>
#include <QRect>

#include <algorithm>

using VlmImgUt::TDib;
using VlmImgUt::TImgUt;

namespace {

// What a picture whose header tells no size is taken to hold: a
// 16-megapixel photo.
constexpr int64_t GuessedBytes = int64_t(48) << 20;

} // namespace

TFacePictures::TFacePictures() = default;

TFacePictures::~TFacePictures()
{
    delete store;
}

int64_t TFacePictures::Bytes(const TDib *picture)
{
    return picture ? int64_t(picture->stride) * std::max(picture->height, 0) : 0;
}

int64_t TFacePictures::KeptBytes(const TSettings &st, int except)
{
    int64_t bytes = 0;
    for (int f = 0; f < 6; ++f)
        if (f != except && !st.faceImageFile[f].isEmpty())
            bytes += Bytes(st.faceImage[f]);
    return bytes;
}

bool TFacePictures::Keeps(const TSettings &st, int f, const TDib *picture, int64_t others) const
{
    if (st.faceImageFile[f].isEmpty() || !picture)
        return true;
    return int64_t(picture->width) * picture->height <= keepPixels && others + Bytes(picture) <= pictureBytes;
}

int TFacePictures::FitSize(const TSettings &st, int n)
{
    return st.spanImages ? n * st.boxSize : st.boxSize;
}

bool TFacePictures::NeedsFitting(const TSettings &st, int f, int S) const
{
    const TDib *fit = st.faceImageFit[f];
    return !(fit && fit->bits && fit->width == S && fit->height == S);
}

bool TFacePictures::Read(TSettings &st, int f, TImgUt *ctx)
{
    // Read once per file name: a failed read is not tried again until the
    // name changes.
    if (!st.faceImage[f] && ctx && failed[f] != st.faceImageFile[f]) {
        TDib *picture = nullptr;
        if (!ctx->ReadImageFile(st.faceImageFile[f], &picture, 0, 0, false)) {
            VlmImgUt::ReleaseDib(picture);
            failed[f] = st.faceImageFile[f];
        }
        st.faceImage[f] = picture;
    }
    return SlantedFace::HasPixels(st.faceImage[f]);
}

bool TFacePictures::Refit(TSettings &st, int f, int S, COLORREF ground)
{
    if (!st.faceImageFit[f])
        st.faceImageFit[f] = new TDib;
    TDib *fit = st.faceImageFit[f];
    if (!fit->Create(S, S))
        return false;
    fit->SetBrush(ground);
    Gdi::PatBlt(fit->dc, 0, 0, S, S, Gdi::PATCOPY);
    QRect r(0, 0, S, S);
    st.PutImage(fit, st.faceImage[f], r, st.tileImages, st.borderImages);
    return true;
}

void TFacePictures::Drop(TSettings &st, int f)
{
    if (st.faceImage[f] && !Keeps(st, f, st.faceImage[f], KeptBytes(st, f))) {
        VlmImgUt::ReleaseDib(st.faceImage[f]);
        dropped[f] = st.faceImageFile[f];
    }
}

void TFacePictures::Prepare(TSettings &st, int S, TPictureJobs &jobs)
{
    // The ground of a fitted picture is the brush its box was filled with:
    // known ahead only with the box colours.
    if (!st.useBoxImages || !st.useBoxColors || S <= 0 || st.boxSize <= 0 || st.painter->shapeRecord)
        return;
    for (int f = 0; f < 6; ++f) {
        if (!NeedsFitting(st, f, S))
            continue;
        const bool read = !st.faceImage[f];
        if (read && (!st.imgUt || failed[f] == st.faceImageFile[f]))
            continue;
        if (store && st.faceImageFit[f])
            store->Forget(st.faceImageFit[f]);
        const COLORREF ground = PlainColor(st.faceColor[f]);
        const QString &file = st.faceImageFile[f];
        const bool alone = read && !TPictureJobs::ReadsSideBySide(file, *st.imgUt);
        jobs.Add(read ? TPictureJobs::PictureBytes(file) : 0, alone,
                 [this, &st, f, S, ground, read](TImgUt *ctx, TPictureJobs &jobs) {
                     if (!Read(st, f, ctx) || !Refit(st, f, S, ground) || st.faceImageFile[f].isEmpty())
                         return;
                     const TDib *picture = st.faceImage[f];
                     const bool small = int64_t(picture->width) * picture->height <= keepPixels;
                     if (jobs.Keep(Bytes(picture), small ? pictureBytes : -1, !read))
                         return;
                     VlmImgUt::ReleaseDib(st.faceImage[f]);
                     dropped[f] = st.faceImageFile[f];
                 });
    }
}

TImgUt *TFacePictures::Reader(const TSettings &st, size_t k)
{
    if (!st.imgUt)
        return nullptr;
    while (readers.size() <= k)
        readers.push_back(std::make_unique<TImgUt>(st.imgUt->subkey, st.imgUt->Store()));
    TImgUt &r = *readers[k];
    r.previewMode = st.imgUt->previewMode;
    r.keepPhotoshop = st.imgUt->keepPhotoshop;
    r.keepXmp = st.imgUt->keepXmp;
    r.keepExif = st.imgUt->keepExif;
    r.keepComment = st.imgUt->keepComment;
    return &r;
}

// ---- Reading side by side ------------------------------------------------------

void TPictureJobs::Add(int64_t bytes, bool alone, Work run)
{
    jobs.push_back(Job{std::max<int64_t>(bytes, 0), alone, std::move(run)});
}

int64_t TPictureJobs::PictureBytes(const QString &path)
{
    // Only the header is read, and only from a regular file.
    if (!RegularFile::IsRegular(path))
        return 0;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.width() <= 0 || size.height() <= 0)
        return GuessedBytes;
    const int64_t w = std::min<int64_t>(size.width(), Gdi::MaxBitmapPixels);
    const int64_t h = std::min<int64_t>(size.height(), Gdi::MaxBitmapPixels / w);
    return ((w * 3 + 3) & ~int64_t(3)) * h;
}

bool TPictureJobs::ReadsSideBySide(const QString &path, const TImgUt &ctx)
{
    // A video frame goes through a decoder that runs threads of its own.
    return ctx.ReaderCode(TImgUt::FileExtension(path)) != 0;
}

bool TPictureJobs::Keep(int64_t bytes, int64_t limit, bool already)
{
    {
        std::lock_guard<std::mutex> hold(lock);
        if (already) {
            keptBytes -= bytes;
            heldBytes -= bytes;
        }
        int64_t waiting = 0;
        for (const Job &job : jobs)
            waiting = std::max(waiting, job.bytes);
        if (keptBytes + bytes + waiting <= limit) {
            keptBytes += bytes;
            heldBytes += bytes;
            return true;
        }
    }
    if (already)
        freed.notify_all();
    return false;
}

bool TPictureJobs::Take(Job &job)
{
    TFacePictures &pictures = st.painter->pictures;
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        if (jobs.empty())
            return false;
        if (running == 0 || heldBytes + jobs.front().bytes <= pictures.pictureBytes) {
            job = std::move(jobs.front());
            jobs.pop_front();
            heldBytes += job.bytes;
            ++running;
            return true;
        }
        freed.wait(hold);
    }
}

void TPictureJobs::Done(const Job &job)
{
    {
        std::lock_guard<std::mutex> hold(lock);
        heldBytes -= job.bytes;
        --running;
    }
    freed.notify_all();
}

void TPictureJobs::Run()
{
    TFacePictures &pictures = st.painter->pictures;
    keptBytes = heldBytes = TFacePictures::KeptBytes(st);
    running = 0;
    std::stable_partition(jobs.begin(), jobs.end(), [](const Job &job) { return job.bytes == 0; });
    // Readers that must run alone go first, on this thread; all of them
    // when the pictures are read one after the other.
    const bool oneByOne = !pictures.sideBySide || PixelKernels::PoolThreads() <= 1;
    for (auto it = jobs.begin(); it != jobs.end();) {
        if (!oneByOne && !it->alone) {
            ++it;
            continue;
        }
        const Job job = std::move(*it);
        it = jobs.erase(it);
        try {
            job.run(st.imgUt, *this);
        } catch (...) {
            // What was read stays; the painter tries the rest itself.
        }
    }
    if (jobs.empty())
        return;
    const int workers = int(std::min<size_t>(jobs.size(), size_t(PixelKernels::PoolThreads())));
    std::vector<TImgUt *> contexts;
    for (int w = 0; w < workers; ++w)
        contexts.push_back(pictures.Reader(st, size_t(w)));
    PixelKernels::RunWorkers(workers, [&](int w) {
        Job job;
        while (Take(job)) {
            try {
                job.run(contexts[size_t(w)], *this);
            } catch (...) {
            }
            Done(job);
        }
    });
    jobs.clear();
}
