// A context in a temporary folder for the writer tests, and writing with it.
#pragma once

#include "TDib.h"
#include "TImgUt.h"
#include "picture_decoders.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

class WriterTest : public ::testing::Test {
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
        if (ctx)
            ctx->optsDirty = false;
    }

    QString Path(const QString &name) const { return tmp.path() + "/" + name; }

    // Writes the whole picture (or a part) to name in the temporary folder.
    bool Write(const QString &name, const VlmImgUt::TDib *picture, const VlmImgUt::TDib *metadata = nullptr,
               int x = 0, int y = 0, int w = 0, int h = 0, bool transparent = false, COLORREF colour = 0)
    {
        return ctx->WriteImageFile(Path(name), picture, metadata, x, y, w, h, transparent, colour);
    }

    QByteArray Bytes(const QString &name) const { return Decode::Contents(Path(name)); }

    static void PutBlock(uint8_t *&block, uint32_t &size, const QByteArray &bytes)
    {
        std::free(block);
        block = static_cast<uint8_t *>(std::malloc(size_t(bytes.size()) + 1));
        std::memcpy(block, bytes.constData(), size_t(bytes.size()));
        size = uint32_t(bytes.size());
    }

    QTemporaryDir tmp;
    std::unique_ptr<VlmImgUt::TImgUt> ctx;
};

// The writer of every extension of the table, with the error that its
// decoded pixels may show (0: exact).
struct FormatCase {
    const char *ext;
    int maxError;
};

inline const std::vector<FormatCase> &AllFormats()
{
    static const std::vector<FormatCase> formats = {
        {"jpg", 24}, {"jpeg", 24}, {"tif", 0}, {"tiff", 0}, {"bmp", 0}, {"png", 0}, {"ppm", 0},
        {"tga", 0}, {"j2k", 0}, {"jp2", 0}, {"jpc", 0}, {"ras", 0}, {"psd", 0}, {"dng", 24},
    };
    return formats;
}
