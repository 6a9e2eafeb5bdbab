// The lifetime of the face pictures the settings record shows: which file
// failed to read, which picture is known only by its fitted copy, which
// full-size pictures are kept for the next layout, and the resampled faces
// kept between shapes. Pictures are read and fitted one at a time when a
// box needs them, or side by side on the pixel pool ahead of a render
// (TPictureJobs), with the same results.
#pragma once

#include "Gdi.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class TFaceStore;
class TSettings;

namespace VlmImgUt {
class TDib;
class TImgUt;
} // namespace VlmImgUt

class TPictureJobs;

class TFacePictures {
public:
    TFacePictures();
    ~TFacePictures();
    TFacePictures(const TFacePictures &) = delete;
    TFacePictures &operator=(const TFacePictures &) = delete;

    // File name of each face whose picture could not be read; it is not
    // read again until faceImageFile changes.
    QString failed[6];
    // File name of each face whose picture faceImageFit shows while the
    // full-size picture (faceImage) is not kept: it is read again when the
    // picture must be fitted anew.
    QString dropped[6];
    // Face pictures read from files are kept at full size, so that a new
    // layout fits them again without reading, while each has at most
    // keepPixels pixels and the full-size pictures held at once, kept or
    // being read, stay within pictureBytes; others only as their fitted
    // copies. With the rest of the game that stays within about 300 MB.
    int64_t keepPixels = int64_t(16) << 20;
    int64_t pictureBytes = int64_t(208) << 20;
    // Read pictures side by side on the pixel pool; off, one after the
    // other on the calling thread.
    bool sideBySide = true;
    // The resampled faces kept between shapes; owned, made on first use.
    TFaceStore *store = nullptr;

    // Is a picture of face f of this size kept at full size after fitting,
    // beside `others` bytes of other kept pictures.
    bool Keeps(const TSettings &st, int f, const VlmImgUt::TDib *picture, int64_t others) const;
    // Bytes of the full-size pictures read from files and kept, face
    // `except` not counted.
    static int64_t KeptBytes(const TSettings &st, int except = -1);
    static int64_t Bytes(const VlmImgUt::TDib *picture);

    // The edge of the fitted face pictures of a shape of n levels.
    static int FitSize(const TSettings &st, int n);
    // Is face f's fitted copy not ready at S x S.
    bool NeedsFitting(const TSettings &st, int f, int S) const;
    // Reads face f's picture when it is not read and may be, with ctx;
    // false when the face shows no picture.
    bool Read(TSettings &st, int f, VlmImgUt::TImgUt *ctx);
    // Makes faceImageFit of face f (made first when there is none) anew at
    // S x S on a ground of colour `ground`; false when it cannot be made.
    bool Refit(TSettings &st, int f, int S, COLORREF ground);
    // After fitting: a picture not kept goes, remembered as dropped.
    void Drop(TSettings &st, int f);

    // Adds a job to `jobs` for every face whose fitted copy is not ready
    // for a shape drawn with fitted pictures of S x S and whose picture is
    // there or may be read: read, fitted on a ground of its face colour as
    // the painter fits it, and kept or dropped.
    void Prepare(TSettings &st, int S, TPictureJobs &jobs);

    // Contexts of the image library for reads side by side, one each,
    // made like the record's.
    VlmImgUt::TImgUt *Reader(const TSettings &st, size_t k);

private:
    std::vector<std::unique_ptr<VlmImgUt::TImgUt>> readers;
};

// Picture reads of one render, side by side on the pixel pool: each job
// reads with an image-library context of its own, and a job starts only
// while the full-size pictures held (kept ones and those being read) stay
// within the budget, or when no other job runs. Jobs that only fit kept
// pictures anew run first: a picture they do not keep makes room.
class TPictureJobs {
public:
    explicit TPictureJobs(TSettings &st) : st(st) {}

    using Work = std::function<void(VlmImgUt::TImgUt *ctx, TPictureJobs &jobs)>;
    // run(ctx, jobs) reads with ctx; bytes is what it holds at most while
    // it runs (its full-size picture). A job whose reader is not safe
    // beside others runs alone, on the calling thread.
    void Add(int64_t bytes, bool alone, Work run);
    // Called by a job that would keep a full-size picture of `bytes`: true
    // (and counted as held from now on) while the kept pictures leave
    // room within `limit` for the largest read still waiting. `already`:
    // the picture was kept before the jobs ran and is decided again; not
    // kept, it no longer counts.
    bool Keep(int64_t bytes, int64_t limit, bool already);
    // The bytes a picture file will take at full size, from its header;
    // a guess for a file whose size the header does not tell.
    static int64_t PictureBytes(const QString &path);
    // Can this file's reader run beside others.
    static bool ReadsSideBySide(const QString &path, const VlmImgUt::TImgUt &ctx);
    // Runs every job and returns when all are done.
    void Run();

    size_t Count() const { return jobs.size(); }

private:
    struct Job {
        int64_t bytes;
        bool alone;
        Work run;
    };
    // The next job that fits the budget, waiting while none does and
    // others run; false when none is left.
    bool Take(Job &job);
    void Done(const Job &job);

    TSettings &st;
    std::deque<Job> jobs;
    std::mutex lock;
    std::condition_variable freed;
    int64_t heldBytes = 0;   // kept pictures and the jobs running
    int64_t keptBytes = 0;
    int running = 0;
};
