// Start-up time: from constructing the main window (settings record,
// panel, menus, intro scene) to its first painted frame, on the offscreen
// platform. Several runs in one process, each over fresh temporary
// folders; the median is the figure, beside the same number of starts of
// a plain QMainWindow of the same size with a menu bar and a central
// widget. The first run is also timed from the
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
#include <QMainWindow>
#include <QMenuBar>
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

// What the peer copies from the game window: its size and menu titles.
struct Shape {
    QSize size;
    QStringList menus;
};

// One start: construction, show, first paint. Milliseconds.
double OneStart(Shape *shape = nullptr)
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
        if (shape) {
            shape->size = window.size();
            for (QAction *menu : window.menuBar.actions())
                shape->menus.append(menu->text());
        }
    }
    QCoreApplication::processEvents();
    return ms;
}

// Qt's own start for a window of the same size: a plain QMainWindow with
// a menu bar of the same titles and a plain central widget, from
// construction to the central widget's first paint, timed the same way.
double OnePeerStart(const Shape &shape)
{
    QElapsedTimer t;
    t.start();
    double ms = 0;
    {
        QMainWindow window;
        for (const QString &title : shape.menus)
            window.menuBar()->addMenu(title);
        auto *central = new QWidget;
        window.setCentralWidget(central);
        window.resize(shape.size);
        PaintWatch watch;
        central->installEventFilter(&watch);
        window.show();
        while (!watch.seen)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ms = double(t.nsecsElapsed()) / 1e6;
        central->removeEventFilter(&watch);
    }
    QCoreApplication::processEvents();
    return ms;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    Shape shape;
    const double first = OneStart(&shape);
    const double firstFrameSinceBoot = NowSinceBoot();
    runs.push_back(first);
    for (int i = 0; i < 10; ++i)
        runs.push_back(OneStart());
    std::vector<double> peerRuns;
    while (peerRuns.size() < runs.size())
        peerRuns.push_back(OnePeerStart(shape));

    std::printf("startup: window construction to first painted frame (offscreen), %zu runs\n", runs.size());
    std::printf("  median %.2f ms, min %.2f ms, max %.2f ms, first run %.2f ms\n", Median(runs),
                *std::min_element(runs.begin(), runs.end()), *std::max_element(runs.begin(), runs.end()), first);
    std::printf("  Qt peer: plain QMainWindow %dx%d, menu bar of %lld menus, central QWidget: median %.2f ms, "
                "min %.2f ms, max %.2f ms, first run %.2f ms\n",
                shape.size.width(), shape.size.height(), qlonglong(shape.menus.size()), Median(peerRuns),
                *std::min_element(peerRuns.begin(), peerRuns.end()), *std::max_element(peerRuns.begin(), peerRuns.end()),
                peerRuns.front());
    if (started >= 0)
        std::printf("  process start to first frame of the first run: %.0f ms (clock resolution %.0f ms)\n",
                    (firstFrameSinceBoot - started) * 1000.0, 1000.0 / double(sysconf(_SC_CLK_TCK)));
    return 0;
}
