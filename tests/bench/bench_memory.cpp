// Peak resident memory of the game with big pictures: the window at
// 1920 x 1080 (offscreen) with an 8-level Jumbled Cube, six 12-megapixel
// JPEG face pictures and a 12-megapixel JPEG pattern, after the first
// render, and the time to that render and to the render of a new game of
// another number of levels. Beside it in the same run: the same games with
// colours only, the same with the pictures read one after the other, and
// the pictures' own size as the library holds them (three bytes a pixel).
// Each game runs in a child process of its own, so its peak is its own.
#include "BoxPainter.h"
#include "GameFlow.h"
#include "TSettings.h"
#include "TboxScr.h"
#include "bench/offscreen_screen.h"
#include "environment_util.h"
#include "memory_cap.h"

#include "Prompts.h"
#include "Sound.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr int PictureWidth = 4000, PictureHeight = 3000;

// A photo-like picture: gradients, shapes and grain, each face its own.
bool WritePicture(const QString &path, int seed)
{
    QImage img(PictureWidth, PictureHeight, QImage::Format_RGB32);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, PictureWidth, PictureHeight);
        g.setColorAt(0, QColor::fromHsv((seed * 50) % 360, 160, 230));
        g.setColorAt(1, QColor::fromHsv((seed * 50 + 120) % 360, 200, 90));
        p.fillRect(img.rect(), g);
        std::mt19937 rng{uint32_t(seed)};
        for (int k = 0; k < 40; ++k) {
            QRadialGradient r(rng() % PictureWidth, rng() % PictureHeight, 100 + rng() % 600);
            r.setColorAt(0, QColor::fromHsv(int(rng() % 360), 200, 250, 200));
            r.setColorAt(1, QColor(0, 0, 0, 0));
            p.setBrush(r);
            p.setPen(Qt::NoPen);
            p.drawEllipse(r.center(), r.radius(), r.radius());
        }
    }
    std::mt19937 grain{uint32_t(seed) + 99};
    for (int y = 0; y < PictureHeight; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < PictureWidth; ++x) {
            const int n = int(grain() % 17) - 8;
            const QRgb c = row[x];
            row[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                          std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return img.save(path, "JPEG", 90);
}

// The child: the game with or without the pictures in `dir`, read side by
// side or one after the other; prints the peak and the current resident
// memory in kB and the milliseconds of the two new games.
int Child(int argc, char **argv, const QString &dir, const char *mode)
{
    const bool pictures = std::strcmp(mode, "colours") != 0;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + benchscreen::ScreenConfig(dir).toUtf8());
    QApplication app(argc, argv);
    Snd::SetRecorder([](const QString &) {});
    SetPromptAnswerer([](const QString &) { return true; });
    const TSettings::Environment env = EnvironmentBelow(dir);
    QDir().mkpath(env.programFolder);
    auto *settings = new TSettings(env);
    settings->gameType = settings->gameTypeAtLoad = 2;
    settings->levels = settings->levelsAtLoad = 8;
    settings->bonusBoxes = settings->bonusBoxesAtLoad = false;
    settings->badBoxes = settings->badBoxesAtLoad = false;
    if (pictures) {
        for (int f = 0; f < 6; ++f)
            settings->faceImageFile[f] = dir + QStringLiteral("/face%1.jpg").arg(f);
        settings->useBoxImages = true;
        settings->patternFile = dir + QStringLiteral("/pattern.jpg");
        settings->usePattern = true;
        settings->painter->pictures.sideBySide = std::strcmp(mode, "one-by-one") != 0;
    }
    QElapsedTimer t;
    t.start();
    TboxScr window(settings);
    window.show();
    benchscreen::AwaitExposed(window);
    const double shown = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    window.flow.NewGame();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    QApplication::processEvents();
    const long peak = long(testutil::StatusBytes("VmHWM:") / 1024), now = long(testutil::StatusBytes("VmRSS:") / 1024);
    // A new layout: a game of 7 levels fits the pictures anew.
    settings->levels = 7;
    t.restart();
    window.flow.NewGame();
    const double relayout = double(t.nsecsElapsed()) / 1e6;
    QApplication::processEvents();
    std::printf("%ld %ld %.1f %.1f %.1f\n", peak, now, ms, relayout, shown);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0)
        return Child(argc, argv, QString::fromLocal8Bit(argv[2]), argv[3]);

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (int f = 0; f < 6; ++f)
        if (!WritePicture(dir.path() + QStringLiteral("/face%1.jpg").arg(f), f + 1)) {
            std::fprintf(stderr, "cannot write the JPEG pictures\n");
            return 1;
        }
    if (!WritePicture(dir.path() + QStringLiteral("/pattern.jpg"), 11))
        return 1;

    struct Figures {
        long peak = 0, now = 0;
        double ms = 0, relayout = 0, shown = 0;
    } colours, sideBySide, oneByOne;
    auto run = [&](const char *mode, Figures &f) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), dir.path(), QString::fromLatin1(mode)});
        if (!child.waitForFinished(300000) || child.exitCode() != 0)
            return false;
        return std::sscanf(child.readAllStandardOutput().constData(), "%ld %ld %lf %lf %lf", &f.peak, &f.now, &f.ms,
                           &f.relayout, &f.shown)
               == 5;
    };
    if (!run("colours", colours) || !run("side-by-side", sideBySide) || !run("one-by-one", oneByOne)) {
        std::fprintf(stderr, "a game did not run\n");
        return 1;
    }
    const double mb = 1024.0, pictureMb = 7.0 * PictureWidth * PictureHeight * 3 / (1024.0 * 1024.0);
    std::printf("8-level Jumbled Cube at 1920x1080; six 12-megapixel JPEG faces and a 12-megapixel JPEG pattern\n");
    std::printf("  %-36s %13s %11s %11s %20s\n", "", "window shown", "new game", "7 levels", "peak / now resident");
    auto line = [&](const char *what, const Figures &f) {
        std::printf("  %-36s %10.0f ms %8.0f ms %8.0f ms %9.1f / %6.1f MB\n", what, f.shown, f.ms, f.relayout,
                    f.peak / mb, f.now / mb);
    };
    line("colours only", colours);
    line("pictures read side by side", sideBySide);
    line("pictures read one after the other", oneByOne);
    std::printf("  the seven pictures at three bytes a pixel: %.1f MB\n", pictureMb);
    const bool within = sideBySide.peak / mb < 300 && oneByOne.peak / mb < 300;
    std::printf("  goal: new game and 7 levels under 250 ms with the pictures: %s; peak under 300 MB: %s\n",
                sideBySide.ms < 250 && sideBySide.relayout < 250 ? "within" : "EXCEEDED",
                within ? "within" : "EXCEEDED");
    return within ? 0 : 1;
}
