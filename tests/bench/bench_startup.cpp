// Start-up time: from constructing the main window (settings record,
// panel, menus, intro scene) to its first painted frame, on the offscreen
// platform. Several runs in one process, each over fresh temporary
// folders; the median is the figure. The first run is also timed from the
// start of the process (including the application object), to the
// resolution of the system's process clock.
#include "Prompts.h"
#include "Sound.h"
#include "TSettings.h"
#include "environment_util.h"
#include "TboxScr.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

class PaintWatch : public QObject {
public:
    bool seen = false;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            seen = true;
        return false;
    }
};

// Seconds since boot at which this process started; -1 when unknown.
double ProcessStartSinceBoot()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // Field 22 of the whole line is the 20th after the command.
    if (fields.size() < 20)
        return -1;
    return fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
}

double NowSinceBoot()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// One start: construction, show, first paint. Milliseconds.
double OneStart()
{
    QTemporaryDir tmp;
    const TSettings::Environment env = EnvironmentBelow(tmp.path());
    QDir().mkpath(env.programFolder);
    QDir().mkpath(env.picturesFolder);

    QElapsedTimer t;
    t.start();
    auto *settings = new TSettings(env);
    double ms = 0;
    {
        TboxScr window(settings);
        PaintWatch watch;
        window.View()->installEventFilter(&watch);
        window.show();
        while (!watch.seen)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ms = double(t.nsecsElapsed()) / 1e6;
        window.View()->removeEventFilter(&watch);
    }
    QCoreApplication::processEvents();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Snd::SetRecorder([](const QString &) {});
    SetPromptAnswerer([](const QString &) { return true; });

    const double started = ProcessStartSinceBoot();
    std::vector<double> runs;
    const double first = OneStart();
    const double firstFrameSinceBoot = NowSinceBoot();
    runs.push_back(first);
    for (int i = 0; i < 10; ++i)
        runs.push_back(OneStart());

    std::vector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::printf("startup: window construction to first painted frame (offscreen), %zu runs\n", runs.size());
    std::printf("  median %.2f ms, min %.2f ms, max %.2f ms, first run %.2f ms\n", median, sorted.front(),
                sorted.back(), first);
    if (started >= 0)
        std::printf("  process start to first frame of the first run: %.0f ms (clock resolution %.0f ms)\n",
                    (firstFrameSinceBoot - started) * 1000.0, 1000.0 / double(sysconf(_SC_CLK_TCK)));
    return 0;
}
