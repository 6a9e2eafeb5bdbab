// Shared by the file-dialog tests: a library context over a settings store
// in a temporary folder, and pictures written by Qt's own BMP writer.
#pragma once

#include "TImgUt.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// An all-white 1-bit PNG of width x height, by libpng; false on failure.
bool WriteBilevelPng(const QString &path, int width, int height);

class FileDlgFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        store = TRegStore::InFolder(tmp.path() + "/reg");
        store.SetPicturesDir(tmp.path());
        ctx = std::make_unique<VlmImgUt::TImgUt>("Vellamor\\quibo", store);
        pictures = tmp.path();
    }

    // A picture of one colour in the pictures folder.
    QString WriteBmp(const QString &name, int w, int h, QColor colour) const
    {
        QImage img(w, h, QImage::Format_RGB888);
        img.fill(colour);
        const QString path = pictures + "/" + name;
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    }

    QTemporaryDir tmp;
    TRegStore store;
    std::unique_ptr<VlmImgUt::TImgUt> ctx;
    QString pictures;
};
