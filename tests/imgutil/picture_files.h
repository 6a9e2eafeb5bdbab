// Reading fixtures through the image library's context, for the readers'
// tests.
#pragma once

#include "picture_writers.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace pictures {

// ---- reading through the library's context ----
class PictureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to a file of that name in the temporary folder.
    QString Put(const QByteArray &bytes, const QString &name);
    // ReadImageFile of bytes stored under name.
    bool Read(const QByteArray &bytes, const QString &name, int maxW = 0, int maxH = 0, bool headerOnly = false);

    QTemporaryDir tmp;
    std::unique_ptr<VlmImgUt::TImgUt> ctx;
    VlmImgUt::TDib *pic = nullptr;
};

// Picture pixel (x, y), y from the top, as B, G, R.
const uint8_t *PixelAt(const VlmImgUt::TDib &d, int x, int y);
// Alpha of picture pixel (x, y), y from the top.
uint8_t AlphaAt(const VlmImgUt::TDib &d, int x, int y);

// Counts the pixels of the record that differ from the reference picture
// sampled at cols x rows (file positions from the top) by more than tol in
// some channel; also compares the alpha plane when withAlpha.
int Mismatches(const VlmImgUt::TDib &d, const Rgba &ref, const std::vector<int32_t> &cols,
               const std::vector<int32_t> &rows, bool withAlpha, int tol = 0);
// The same at full size.
int Mismatches(const VlmImgUt::TDib &d, const Rgba &ref, bool withAlpha, int tol = 0);

// Runs a ReadImageFile in a child process whose memory may grow by
// only 64 MiB and its processor time is cpuSeconds; 0 when the read
// failed there, 1 when it succeeded, other values for a crash, an
// exception or a read that ran past its time.
int ReadUnderMemoryCap(VlmImgUt::TImgUt &ctx, const QString &path, int maxW = 0, int maxH = 0, int cpuSeconds = 60);


} // namespace pictures
