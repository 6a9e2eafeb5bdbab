// The open-image dialog's preview while the selection runs across copies of
// a slow file, one every 20 ms, and then stops on a 40 x 30 BMP: how long
// the BMP's preview takes to show, how far the peak memory rises and how
// long the program's end, right after, waits for the preview reads; then
// the same with the dialog closed right after the slow files: the reads
// still running and the wait at the program's end. Beside it, in the same
// run: the BMP's preview alone. Each run is a child process with an
// application of its own.
//
// The slow files: a read held up for four seconds of CPU time in slices of
// a millisecond, its working memory growing to 64 MB, which polls its stop
// between slices as a reader that counts its budget does; and real
// 8192 x 8192 JPEG 2000 files, read by the JPEG 2000 reader.
#include "child_figure.h"
#include "imgutil/FakeFileDlg.h"
#include "imgutil/picture_writers.h"

#include "FileDialogs.h"
#include "TImgUt.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace VlmImgUt;

namespace {

constexpr int SelectionMs = 20;
constexpr double WaitCapMs = 120000;
constexpr double SlowReadMs = 4000;

struct Run {
    double bmpMs = -1;        // from the BMP's selection to its preview
    bool shown = false;       // the BMP's name and size were shown
    long peakKb = -1;         // peak resident memory rise
    int runningAtClose = -1;  // preview reads running when Execute returned
    double endMs = -1;        // the application's end right after, which waits for the reads
    int mostAtOnce = 0;       // slow reads running side by side, at most
};

// The held-up read; it ends early when its context was stopped. A read
// whose selection has already moved on when it starts is not made, as the
// dialog skips such a read.
std::atomic<int> slowNow{0}, slowMost{0};
std::atomic<int> selected{-1};   // the copy selected last; -1: none

int CopyIndex(const QString &path)
{
    const int at = path.lastIndexOf(QStringLiteral("/slow"));
    return at < 0 ? -1 : path.mid(at + 5, 2).toInt();
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

void SlowRead(const QString &path, const TImgUt &ctx)
{
    if (CopyIndex(path) < 0 || CopyIndex(path) != selected.load() || path.endsWith(QStringLiteral(".jp2")))
        return;
    const int now = ++slowNow;
    for (int most = slowMost.load(); now > most && !slowMost.compare_exchange_weak(most, now);) {
    }
    // Its working memory grows a megabyte a slice, up to 64 MB.
    std::vector<std::unique_ptr<char[]>> held;
    const double start = ThreadCpuMs();
    volatile uint64_t sink = 0;
    while (ThreadCpuMs() - start < SlowReadMs && !ctx.budget.Stopped()) {
        if (held.size() < 64) {
            held.emplace_back(new char[size_t(1) << 20]);
            std::memset(held.back().get(), 1, size_t(1) << 20);
        }
        const double slice = ThreadCpuMs();
        while (ThreadCpuMs() - slice < 1)
            sink = sink + 1;
    }
    --slowNow;
}

void Pump(double ms)
{
    QElapsedTimer t;
    t.start();
    while (double(t.nsecsElapsed()) / 1e6 < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// One dialog run in a child: the selection across slow, then on bmp (none:
// the dialog closes at once after the last slow file).
Run InChild(const QString &folder, const std::vector<QString> &slow, const QString &bmp)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(900);
        Run r;
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        {
            static int argc = 1;
            static char name[] = "bench_preview";
            static char *argv[] = {name, nullptr};
            auto app = std::make_unique<QApplication>(argc, argv);
            TOpImgDlg::previewReadStarts = [](const QString &path, TImgUt &c) { SlowRead(path, c); };
            {
                TImgUt ctx(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(folder + QStringLiteral("/reg")));
                ctx.optsDirty = false;
                TFakeFileDlg fake;
                TOpImgDlg d(nullptr, &ctx);
                fake.scripts.push_back([&](TFakeFileDlg &f) {
                    for (const QString &s : slow) {
                        QElapsedTimer t;
                        t.start();
                        selected = CopyIndex(s);
                        f.Select(s);
                        Pump(SelectionMs - double(t.nsecsElapsed()) / 1e6);
                    }
                    selected = -1;
                    if (bmp.isEmpty())
                        return;   // the dialog closes: every read is dropped
                    QElapsedTimer t;
                    t.start();
                    f.Select(bmp);
                    while (d.PreviewPending() && double(t.nsecsElapsed()) / 1e6 < WaitCapMs)
                        Pump(0.5);
                    r.bmpMs = double(t.nsecsElapsed()) / 1e6;
                    auto *label = qobject_cast<QLabel *>(f.Item(1));
                    r.shown = !d.PreviewPending() && label && label->text() == QStringLiteral("40 x 30");
                });
                QString path;
                d.Execute(path, QStringLiteral("t"), folder, 'i', false);
                r.runningAtClose = TOpImgDlg::PreviewReadsRunning();
            }
            QElapsedTimer t;
            t.start();
            app.reset();
            r.endMs = double(t.nsecsElapsed()) / 1e6;
        }
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        r.peakKb = after.ru_maxrss - before.ru_maxrss;
        r.mostAtOnce = slowMost.load();
        if (::write(fds[1], &r, sizeof r) != ssize_t(sizeof r))
            _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Run r;
    const bool got = ::read(fds[0], &r, sizeof r) == ssize_t(sizeof r);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return got ? r : Run{};
}

bool WriteGreyJpeg2000(const QString &path, int side)
{
    pictures::Jpeg2000Spec s;
    s.width = side;
    s.height = side;
    s.comps = 1;
    s.rate = 20;
    s.sample = [](int, int x, int y) { return (x * 7 + y * 3 + (x * y) % 13) % 256; };
    return pictures::WriteJpeg2000(QFile::encodeName(path).toStdString(), s);
}

// Hard links to one file, named slow00<ext>, slow01<ext>, ...
std::vector<QString> Copies(const QString &folder, const QString &file, int copies, const char *ext)
{
    std::vector<QString> out;
    for (int i = 0; i < copies; ++i) {
        const QString name = folder + QStringLiteral("/slow%1").arg(i, 2, 10, QLatin1Char('0')) + QLatin1String(ext);
        if (::link(QFile::encodeName(file).constData(), QFile::encodeName(name).constData()) != 0)
            return {};
        out.push_back(name);
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    // An argument keeps only the rows whose names hold it.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    const QString bmp = dir + QStringLiteral("/small.bmp");
    {
        QImage img(40, 30, QImage::Format_RGB888);
        img.fill(QColor(200, 30, 60));
        if (!img.save(bmp, "BMP"))
            return 1;
    }
    const double timeFactor = 3, slackMs = 100, endMs = 100;
    bool within = true;
    std::printf("preview: the selection across slow files at %d ms each, then on a 40 x 30 BMP\n", SelectionMs);
    std::printf("  %-46s %10s %9s %8s %9s %8s %9s %8s %8s %8s\n", "slow files", "BMP shown", "alone", "peak MB",
                "end", "alone", "closed:", "end", "at once", "verdict");
    std::printf("  %-46s %10s %9s %8s %9s %8s %9s %8s %8s %8s\n", "", "ms", "ms", "", "waits ms", "end ms",
                "reads on", "waits ms", "", "");

    struct Row {
        const char *name;
        std::function<std::vector<QString>()> make;
    } rows[] = {
        {"50 reads of 4 s CPU, 64 MB, polling the stop",
         [&] { return Copies(dir, bmp, 50, ".bmp"); }},
        {"10 JPEG 2000 8192 x 8192 grey (lossy 20:1)",
         [&] {
             const QString j2k = dir + QStringLiteral("/big.jp2");
             if (!bench::InChild([&] { return WriteGreyJpeg2000(j2k, 8192); }).ok)
                 return std::vector<QString>{};
             return Copies(dir, j2k, 10, ".jp2");
         }},
    };
    for (const Row &row : rows) {
        if (!only.isEmpty() && !QString::fromLatin1(row.name).contains(only))
            continue;
        const std::vector<QString> slow = row.make();
        if (slow.empty()) {
            std::printf("  %-46s could not be written\n", row.name);
            within = false;
            continue;
        }
        const Run alone = InChild(dir, {}, bmp);
        const Run r = InChild(dir, slow, bmp);
        const Run closed = InChild(dir, slow, QString());
        for (const QString &s : slow)
            QFile::remove(s);
        const bool ok = r.shown && alone.shown && r.bmpMs <= timeFactor * alone.bmpMs + slackMs &&
                        r.endMs >= 0 && r.endMs <= alone.endMs + endMs && closed.endMs >= 0 &&
                        closed.endMs <= alone.endMs + endMs;
        within = within && ok;
        char most[16] = "-";
        if (std::max(r.mostAtOnce, closed.mostAtOnce) > 0)
            std::snprintf(most, sizeof most, "%d", std::max(r.mostAtOnce, closed.mostAtOnce));
        std::printf("  %-46s %10.1f %9.1f %8.1f %9.1f %8.1f %9d %8.1f %8s %8s\n", row.name,
                    r.shown ? r.bmpMs : -1.0, alone.bmpMs, double(std::max(r.peakKb, closed.peakKb)) / 1024, r.endMs,
                    alone.endMs, closed.runningAtClose, closed.endMs, most, ok ? "ok" : "OVER");
    }
    std::printf("  rule: the BMP shown within %.0f x alone + %.0f ms; the program's end within its end alone + %.0f ms,\n"
                "  also when the dialog closes right after the last slow file (\"closed:\")\n",
                timeFactor, slackMs, endMs);
    return within ? 0 : 1;
}
