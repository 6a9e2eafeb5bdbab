// Shared by the reader tests: a context in a temporary folder, files
// written there, pixel access by picture row from the top, and a read run in
// a child process under an address-space cap.
#pragma once

#include "TDib.h"
#include "TImgUt.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ReaderTests {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};

inline std::ostream &operator<<(std::ostream &os, const Rgb &c)
{
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

// Picture pixel (x, y), y from the top.
inline Rgb PixelAt(const VlmImgUt::TDib &d, int x, int y)
{
    const uint8_t *p = d.bits + int64_t(d.height - 1 - y) * d.stride + 3 * x;
    return {p[2], p[1], p[0]};
}

// Alpha of picture pixel (x, y); the plane is bottom-up like the bitmap.
inline uint8_t AlphaAt(const VlmImgUt::TDib &d, int x, int y)
{
    return d.alpha[int64_t(d.height - 1 - y) * d.width + x];
}

// The bytes of a string literal, embedded NULs included, without the
// terminator.
template <size_t N>
QByteArray Bytes(const char (&s)[N])
{
    return QByteArray(s, int(N - 1));
}

inline void PutBE16(QByteArray &b, uint32_t v)
{
    b.append(char(v >> 8));
    b.append(char(v));
}
inline void PutBE32(QByteArray &b, uint32_t v)
{
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}
inline void PutLE16(QByteArray &b, uint32_t v)
{
    b.append(char(v));
    b.append(char(v >> 8));
}

// Runs a read in a child process whose address space is capped at what it
// already uses plus 64 MB, so a large allocation fails there instead of
// succeeding quietly. 0: the read failed cleanly, 1: it succeeded.
inline int ReadUnderMemoryCap(VlmImgUt::TImgUt &ctx, const QString &path, int32_t maxW = 0, int32_t maxH = 0)
{
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        long pages = 0, resident = 0;
        FILE *f = fopen("/proc/self/statm", "r");
        if (!f || fscanf(f, "%ld %ld", &pages, &resident) != 2)
            _exit(3);
        fclose(f);
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (64u << 20);
        rlimit lim{cap, cap};
        setrlimit(RLIMIT_AS, &lim);
        VlmImgUt::TDib *p = nullptr;
        bool ok = false;
        try {
            ok = ctx.ReadImageFile(path, &p, maxW, maxH, false);
        } catch (...) {
            _exit(4);
        }
        _exit(ok ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ctx = std::make_unique<VlmImgUt::TImgUt>("Vellamor\\quibo",
                                                 TRegStore::InFolder(tmp.path() + "/reg"));
        ctx->optsDirty = false;
    }
    void TearDown() override
    {
        delete pic;
        if (ctx)
            ctx->optsDirty = false;
    }

    QString Write(const QByteArray &bytes, const QString &name)
    {
        const QString path = tmp.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }

    // A hostile file must fail before the picture is made: the record is
    // left 1 x 1, and under a memory cap the read fails cleanly too.
    void ExpectRefusedBeforeAllocation(const QByteArray &bytes, const QString &name, const char *what)
    {
        const QString path = Write(bytes, name);
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path), 0) << what;
        EXPECT_EQ(ReadUnderMemoryCap(*ctx, path, 100, 100), 0) << what << " with a box";
        EXPECT_FALSE(ctx->ReadImageFile(path, &pic, 0, 0, false)) << what;
        ASSERT_NE(pic, nullptr) << what;
        EXPECT_EQ(pic->width, 1) << what;
        EXPECT_EQ(pic->height, 1) << what;
    }

    // A srcW x srcH file read into the box must give a wantW x wantH
    // picture that keeps the file's size, each pixel the file's pixel at the
    // sampled column and row (source gives those, x and y from the top).
    void ExpectReducedRead(const QByteArray &bytes, const QString &name, int srcW, int srcH, int boxW, int boxH,
                           int wantW, int wantH, const std::function<Rgb(int, int)> &source,
                           const std::function<int(int, int)> &alphaSource = {})
    {
        ASSERT_TRUE(Read(bytes, name, boxW, boxH));
        ASSERT_EQ(pic->width, wantW);
        ASSERT_EQ(pic->height, wantH);
        EXPECT_EQ(pic->srcWidth, srcW);
        EXPECT_EQ(pic->srcHeight, srcH);
        const VlmImgUt::TReduction r = VlmImgUt::TReduction::For(srcW, srcH, boxW, boxH);
        const auto cols = VlmImgUt::TReduction::Sample(srcW, r.width, r.stepX);
        const auto rows = VlmImgUt::TReduction::Sample(srcH, r.height, r.stepY);
        ASSERT_EQ(pic->alpha != nullptr, bool(alphaSource));
        for (int y = 0; y < wantH; ++y)
            for (int x = 0; x < wantW; ++x) {
                ASSERT_EQ(PixelAt(*pic, x, y), source(cols[size_t(x)], rows[size_t(y)])) << x << "," << y;
                if (alphaSource) {
                    ASSERT_EQ(AlphaAt(*pic, x, y), alphaSource(cols[size_t(x)], rows[size_t(y)])) << x << "," << y;
                }
            }
    }

    bool Read(const QByteArray &bytes, const QString &name, int32_t maxW = 0, int32_t maxH = 0,
              bool headerOnly = false)
    {
        return ctx->ReadImageFile(Write(bytes, name), &pic, maxW, maxH, headerOnly);
    }

    QTemporaryDir tmp;
    std::unique_ptr<VlmImgUt::TImgUt> ctx;
    VlmImgUt::TDib *pic = nullptr;
};

} // namespace ReaderTests
