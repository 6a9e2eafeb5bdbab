// The benchmarks' game window on a screen of 1920 x 1080: the offscreen
// platform's screen of that size, and the wait until a shown window is
// on it.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>
#include <QWindow>

namespace benchscreen {

// Writes the offscreen platform's configuration of one 1920 x 1080 screen
// at 96 dpi into dir; its path, for "offscreen:configfile=<path>".
inline QString ScreenConfig(const QString &dir)
{
    const QString path = dir + "/screen.json";
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    return path;
}

// Runs events until the shown window is exposed, for 5 s at most.
inline void AwaitExposed(QWidget &window)
{
    QElapsedTimer wait;
    wait.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace benchscreen
