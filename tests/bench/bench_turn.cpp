// Player actions on the board, each from its input event to the finished
// screen copy, in a 1920 x 1080 window (offscreen, or the platform in
// QT_QPA_PLATFORM): the last input event of the action (a left release,
// on the board or on a level arrow) runs the move, the render into the
// bitmap, its conversion and the copy to the window's backing store with
// its flush. Each action is timed the same way in the same run: a box
// turn with colours and with six face pictures, a rotation of the whole
// shape and of one level on the cube and on the pyramid, a slice of the
// Rebukes Cube and a Jigsaw drop at 2 and 8 levels with its pictures; the
// pictured rotations and drops also with no face kept from earlier renders
// (every face of the shape made anew). Median, quartiles and worst after
// unmeasured warm-up actions. Beside them, Qt's floor for the same path,
// timed the same way: a plain widget of the board's size that repaints a
// prepared frame of the board on the release. The first argument, when
// given, picks the actions whose names hold it.
#include "Gdi.h"
#include "LevelArrows.h"
#include "Prompts.h"
#include "Sound.h"
#include "TDib.h"
#include "ShapeRecord.h"
#include "TGame.h"
#include "TSettings.h"
#include "BoxPainter.h"
#include "TboxScr.h"
#include "bench/face_pictures.h"
#include "bench/offscreen_screen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

void SendMouse(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5));
    return v[i];
}

// A game window of one game type and size, shown and with a new game.
struct Window {
    TSettings *settings;
    TboxScr window;
    QWidget *view;

    Window(int gameType, int levels, bool pictures) : settings(MakeSettings(gameType, levels, pictures)), window(settings)
    {
        window.show();
        benchscreen::AwaitExposed(window);
        window.flow.NewGame();
        QApplication::processEvents();
        view = window.View();
    }

    static TSettings *MakeSettings(int gameType, int levels, bool pictures)
    {
        auto *s = new TSettings();
        s->MakeDefaultColorSet();
        s->gameType = s->gameTypeAtLoad = gameType;
        s->levels = s->levelsAtLoad = levels;
        s->bonusBoxes = s->bonusBoxesAtLoad = false;
        s->badBoxes = s->badBoxesAtLoad = false;
        // The Jigsaw Cube always shows its pictures.
        if (pictures || gameType == 1) {
            for (int f = 0; f < 6; ++f) {
                s->faceImage[f] = benchpictures::MakeFacePicture(f, 512, 512);
                s->faceImageFile[f] = QStringLiteral("face%1.bmp").arg(f);
            }
            s->useBoxImages = pictures;
        }
        return s;
    }

    TGame &Game() { return *window.flow.game; }
    QPoint FrontCentre(int L, int r, int c)
    {
        const TBoxRec &b = Game().box[L][r][c];
        const int s = settings->boxSize;
        return QPoint(b.x + s / 2, b.y + s / 2);
    }
    // The faces of every box, as one number.
    uint64_t Faces()
    {
        uint64_t h = 0;
        for (auto &level : Game().box)
            for (auto &row : level)
                for (const TBoxRec &b : row)
                    h = h * 1000003u + uint64_t(b.front * 36 + b.left * 6 + b.top);
        return h;
    }
    bool Shown(qint64 frameBefore) const
    {
        return window.board->screenFrame.cacheKey() != frameBefore && !window.board->reRender;
    }
};

struct Figures {
    double median, p25, p75, worst;
};

// Runs an action warmup + runs times; prepare(i) sends what leads up to
// the last input event, finish(i) sends that event and is timed; done(i)
// tells whether the action did its move and showed it.
Figures Measure(int warmup, int runs, const std::function<void(int)> &prepare, const std::function<void(int)> &finish,
                const std::function<bool(int)> &done, const char *name)
{
    std::vector<double> ms;
    for (int i = 0; i < warmup + runs; ++i) {
        prepare(i);
        QElapsedTimer t;
        t.start();
        finish(i);
        const qint64 ns = t.nsecsElapsed();
        if (!done(i)) {
            std::fprintf(stderr, "%s %d: not moved, rendered and shown\n", name, i);
            std::exit(1);
        }
        if (i >= warmup)
            ms.push_back(double(ns) / 1e6);
        QApplication::processEvents();
    }
    return Figures{Percentile(ms, 0.5), Percentile(ms, 0.25), Percentile(ms, 0.75), Percentile(ms, 1.0)};
}

// Measure for the game window: the action must also render a new frame
// and show it.
Figures Time(Window &w, int warmup, int runs, const std::function<void(int)> &prepare,
             const std::function<void(int)> &finish, const std::function<bool(int)> &moved, const char *name)
{
    qint64 frame = 0;
    return Measure(
        warmup, runs,
        [&](int i) {
            prepare(i);
            frame = w.window.board->screenFrame.cacheKey();
        },
        finish, [&](int i) { return moved(i) && w.Shown(frame); }, name);
}

// Qt's own floor for the same path: a plain widget of the board's size
// and place in a plain window of the game window's size, which on a left
// release repaints at once, drawing a prepared frame of the board's size.
class PlainBoard : public QWidget {
public:
    QImage frame;
    int paints = 0;

    PlainBoard(QWidget *parent, const QImage &frame) : QWidget(parent), frame(frame)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            repaint();
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter draw(this);
        draw.drawImage(0, 0, frame);
        ++paints;
    }
};

Figures TimeQtFloor(Window &w)
{
    QWidget window;
    window.resize(w.window.size());
    PlainBoard board(&window, w.window.board->screenFrame.copy());
    board.setGeometry(w.view->geometry());
    window.show();
    benchscreen::AwaitExposed(window);
    QApplication::processEvents();
    const QPoint centre(board.width() / 2, board.height() / 2);
    int paints = 0;
    return Measure(
        5, 40,
        [&](int) {
            SendMouse(&board, QEvent::MouseButtonPress, centre, Qt::LeftButton);
            paints = board.paints;
        },
        [&](int) { SendMouse(&board, QEvent::MouseButtonRelease, centre, Qt::NoButton); },
        [&](int) { return board.paints == paints + 1; }, "Qt floor");
}

// Actions whose names hold the program's first argument run (all without one).
QString filter;

bool Wanted(const char *name)
{
    return filter.isEmpty() || QString::fromLatin1(name).contains(filter, Qt::CaseInsensitive);
}

void Print(const char *name, const Figures &f)
{
    std::printf("  %-57s median %6.2f ms (p25 %6.2f, p75 %6.2f, max %6.2f)%s\n", name, f.median, f.p25, f.p75,
                f.worst, f.median < 16.7 ? "" : "  over 16.7");
}

// A box turn: the box in the middle of the front selected by a click, then
// a 15-pixel drag across it, to and fro.
Figures TimeTurn(Window &w, const char *name)
{
    const int n = w.settings->levels;
    const QPoint centre = w.FrontCentre(n / 2, n / 2, n - 1);
    SendMouse(w.view, QEvent::MouseButtonPress, centre, Qt::LeftButton);
    SendMouse(w.view, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    int moves = 0;
    auto to = [&](int i) { return centre + QPoint(i % 2 ? -15 : 15, 0); };
    return Time(
        w, 5, 40,
        [&](int i) {
            SendMouse(w.view, QEvent::MouseButtonPress, centre, Qt::LeftButton);
            SendMouse(w.view, QEvent::MouseMove, to(i), Qt::LeftButton);
            moves = w.Game().moves;
        },
        [&](int i) { SendMouse(w.view, QEvent::MouseButtonRelease, to(i), Qt::NoButton); },
        [&](int) { return w.Game().moves == moves + 1; }, name);
}

// Forgets the resampled faces kept from earlier renders: the next render
// makes every face anew.
void ForgetFaces(Window &w)
{
    TFaceStore *&store = w.settings->painter->pictures.store;
    delete store;
    store = nullptr;
}

// A rotation of the whole shape: a 40-pixel drag on a front box, no box
// selected, left and right by turns; with `forget`, no face is kept from
// the renders before.
Figures TimeShapeRotation(Window &w, const char *name, bool forget = false)
{
    const int n = w.settings->levels;
    w.Game().selectedId = 0;
    uint64_t faces = 0;
    QPoint from;
    auto to = [&](int i) { return from + QPoint(i % 2 ? -40 : 40, 0); };
    return Time(
        w, 5, 40,
        [&](int i) {
            from = w.FrontCentre(n - 1, n / 2, n - 1) + QPoint(i % 2 ? 20 : -20, 0);
            SendMouse(w.view, QEvent::MouseButtonPress, from, Qt::LeftButton);
            SendMouse(w.view, QEvent::MouseMove, to(i), Qt::LeftButton);
            faces = w.Faces();
            if (forget)
                ForgetFaces(w);
        },
        [&](int i) { SendMouse(w.view, QEvent::MouseButtonRelease, to(i), Qt::NoButton); },
        [&](int) { return w.Faces() != faces; }, name);
}

// A click on the first level's left arrow.
Figures TimeLevelRotation(Window &w, const char *name)
{
    VlButton &arrow = w.window.arrows.levelLeft[0];
    const QPoint centre(arrow.width() / 2, arrow.height() / 2);
    int moves = 0;
    return Time(
        w, 5, 40,
        [&](int) {
            SendMouse(&arrow, QEvent::MouseButtonPress, centre, Qt::LeftButton);
            moves = w.Game().moves;
        },
        [&](int) { SendMouse(&arrow, QEvent::MouseButtonRelease, centre, Qt::NoButton); },
        [&](int) { return w.Game().moves == moves + 1; }, name);
}

// A grab and drop: a front cell taken and dropped one box along the same
// level, to and fro (a slice of the Rebukes Cube, a piece of the Jigsaw);
// with `forget`, no face is kept from the renders before.
Figures TimeDrop(Window &w, const char *name, bool forget = false)
{
    const int n = w.settings->levels;
    int moves = 0;
    uint64_t faces = 0;
    QPoint from, to;
    return Time(
        w, 5, 40,
        [&](int i) {
            const QPoint a = w.FrontCentre(0, n - 2, n - 1), b = w.FrontCentre(0, n - 1, n - 1);
            from = i % 2 ? a : b;
            to = i % 2 ? b : a;
            SendMouse(w.view, QEvent::MouseMove, from, Qt::NoButton);
            SendMouse(w.view, QEvent::MouseButtonPress, from, Qt::LeftButton);
            SendMouse(w.view, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
            SendMouse(w.view, QEvent::MouseMove, to, Qt::LeftButton);
            w.Game().Evaluate(false);
            moves = w.Game().moves;
            faces = w.Faces();
            if (forget)
                ForgetFaces(w);
        },
        [&](int) { SendMouse(w.view, QEvent::MouseButtonRelease, to, Qt::NoButton); },
        // A Jigsaw face whose pieces are all in place goes as a whole: the
        // drop then turns the shape.
        [&](int) {
            w.Game().Evaluate(false);
            return w.Game().moves == moves + 1 || w.Faces() != faces;
        },
        name);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + benchscreen::ScreenConfig(dir.path()).toUtf8());
    QApplication app(argc, argv);
    if (argc > 1)
        filter = QString::fromLocal8Bit(argv[1]);
    Snd::SetRecorder([](const QString &) {});
    SetPromptAnswerer([](const QString &) { return true; });

    std::printf("player actions at 1920x1080 (%s), input event to screen copy; goal: median < 16.7 ms\n",
                qPrintable(QGuiApplication::platformName()));
    enum class Kind { Turn, Shape, Level, Drop };
    struct Action {
        const char *what;
        Kind kind;
        bool forget;   // no face kept from the renders before
    };
    struct Game {
        const char *name;
        int type, levels;
        bool pictures;
        std::vector<Action> actions;
    };
    const Game games[] = {
        {"Jumbled Cube 8", 2, 8, false,
         {{"box turn, colours", Kind::Turn, false},
          {"shape rotation, colours", Kind::Shape, false},
          {"level rotation, colours", Kind::Level, false}}},
        {"Jumbled Cube 8", 2, 8, true,
         {{"box turn, pictures", Kind::Turn, false},
          {"shape rotation, pictures", Kind::Shape, false},
          {"shape rotation, pictures, no face kept", Kind::Shape, true},
          {"level rotation, pictures", Kind::Level, false}}},
        {"Jumbled Pyramid 8", 3, 8, false,
         {{"shape rotation, colours", Kind::Shape, false}, {"level rotation, colours", Kind::Level, false}}},
        {"Jumbled Pyramid 8", 3, 8, true,
         {{"shape rotation, pictures", Kind::Shape, false},
          {"shape rotation, pictures, no face kept", Kind::Shape, true},
          {"level rotation, pictures", Kind::Level, false}}},
        {"Rebukes Cube 8", 4, 8, false, {{"slice, colours", Kind::Drop, false}}},
        {"Jigsaw Cube 2", 1, 2, true,
         {{"drop, pictures", Kind::Drop, false}, {"drop, pictures, no face kept", Kind::Drop, true}}},
        {"Jigsaw Cube 8", 1, 8, true,
         {{"drop, pictures", Kind::Drop, false}, {"drop, pictures, no face kept", Kind::Drop, true}}},
    };
    bool first = true;
    for (const Game &g : games) {
        if (std::none_of(g.actions.begin(), g.actions.end(),
                         [&](const Action &a) { return Wanted((std::string(g.name) + ", " + a.what).c_str()); }))
            continue;
        Window w(g.type, g.levels, g.pictures);
        if (first) {
            std::printf("  board %dx%d, box %d\n", w.view->width(), w.view->height(), w.settings->boxSize);
            Print("Qt floor: plain widget, release to repaint of a frame", TimeQtFloor(w));
        }
        first = false;
        for (const Action &a : g.actions) {
            const std::string name = std::string(g.name) + ", " + a.what;
            if (!Wanted(name.c_str()))
                continue;
            switch (a.kind) {
            case Kind::Turn: Print(name.c_str(), TimeTurn(w, name.c_str())); break;
            case Kind::Shape: Print(name.c_str(), TimeShapeRotation(w, name.c_str(), a.forget)); break;
            case Kind::Level: Print(name.c_str(), TimeLevelRotation(w, name.c_str())); break;
            case Kind::Drop: Print(name.c_str(), TimeDrop(w, name.c_str(), a.forget)); break;
            }
        }
    }
    return 0;
}
