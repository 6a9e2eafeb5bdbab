// Shared by the file-dialog tests: a library context over a settings store
// in a temporary folder, and pictures written by Qt's own BMP writer.
#pragma once

#include "FileDialogs.h"
#include "TImgUt.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
        VlmImgUt::TOpImgDlg::previewReadStarts = [this](const QString &path, VlmImgUt::TImgUt &) {
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

// Holds up the preview reads of files whose names start with `prefix` as a
// slow reader that counts its budget would: each read goes on counting
// until it is stopped. With keepStopped set, a stopped read then stays, as a
// stopped read still ending, until LetGo. Its end lets every read go and
// waits for them.
class PreviewHold {
public:
    explicit PreviewHold(const QString &prefix) : prefix(prefix)
    {
        VlmImgUt::TOpImgDlg::previewReadStarts = [this](const QString &path, VlmImgUt::TImgUt &ctx) {
            if (!QFileInfo(path).fileName().startsWith(this->prefix))
                return;
            std::unique_lock<std::mutex> hold(lock);
            most = std::max(most, ++held);
            while (!letGo && ctx.budget.Spend(1))
                changed.wait_for(hold, std::chrono::milliseconds(1));
            if (!ctx.budget.Stopped()) {
                ++unstopped;
            } else {
                ++stoppedNow;
                changed.wait(hold, [this] { return letGo || !keepStopped; });
                --stoppedNow;
            }
            --held;
        };
    }
    ~PreviewHold()
    {
        LetGo();
        EXPECT_TRUE(QTest::qWaitFor([] { return VlmImgUt::TOpImgDlg::PreviewReadsRunning() == 0; }, 60000));
        VlmImgUt::TOpImgDlg::previewReadStarts = nullptr;
    }
    PreviewHold(const PreviewHold &) = delete;
    PreviewHold &operator=(const PreviewHold &) = delete;

    void KeepStopped(bool keep)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            keepStopped = keep;
        }
        changed.notify_all();
    }
    // Every read held ends now, stopped or not.
    void LetGo()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            letGo = true;
        }
        changed.notify_all();
    }

    // Reads held now, and of them those stopped.
    int Held() { return Get(held); }
    int Stopped() { return Get(stoppedNow); }
    // The most reads held at once.
    int Most() { return Get(most); }
    // Reads that ended without being stopped: let go, or read to the end.
    int Unstopped() { return Get(unstopped); }

private:
    int Get(const int &n)
    {
        std::lock_guard<std::mutex> hold(lock);
        return n;
    }

    const QString prefix;
    std::mutex lock;
    std::condition_variable changed;
    bool keepStopped = false, letGo = false;
    int held = 0, stoppedNow = 0, most = 0, unstopped = 0;
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
