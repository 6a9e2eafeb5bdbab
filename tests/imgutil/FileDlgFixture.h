// Shared by the file-dialog tests: a library context over a settings store
// in a temporary folder, and pictures written by Qt's own BMP writer.
#pragma once

#include "FileDialogs.h"
#include "TImgUt.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

// An all-white 1-bit PNG of width x height, by libpng; false on failure.
bool WriteBilevelPng(const QString &path, int width, int height);

// Holds up the preview reads of files whose path ends in `name` while it
// is closed, so that a test sees a slow preview however fast the reader.
// It starts closed; its end opens it and waits for every read.
class PreviewGate {
public:
    explicit PreviewGate(const QString &name) : name(name)
    {
        VlmImgUt::TOpImgDlg::previewReadStarts = [this](const QString &path) {
            if (!path.endsWith(this->name))
                return;
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [this] { return open; });
        };
    }
    ~PreviewGate()
    {
        Open();
        EXPECT_TRUE(QTest::qWaitFor([] { return VlmImgUt::TOpImgDlg::PreviewReadsRunning() == 0; }, 60000));
        VlmImgUt::TOpImgDlg::previewReadStarts = nullptr;
    }
    PreviewGate(const PreviewGate &) = delete;
    PreviewGate &operator=(const PreviewGate &) = delete;

    void Open()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            open = true;
        }
        changed.notify_all();
    }
    void Close()
    {
        std::lock_guard<std::mutex> hold(lock);
        open = false;
    }

private:
    const QString name;
    std::mutex lock;
    std::condition_variable changed;
    bool open = false;
};

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
