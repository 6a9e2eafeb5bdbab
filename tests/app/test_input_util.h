// Shared pieces of the board tests: a main window on a bare settings
// record, with recorded sounds and prompts, scripted randomness, a
// stand-in for the Hall of Fame's modal run, and mouse helpers that drive
// the board through Qt's own events.
#pragma once

#include "DialogRun.h"
#include "Prompts.h"
#include "Random.h"
#include "ScriptedRandom.h"
#include "Sound.h"
#include "TGame.h"
#include "THighScrs.h"
#include "TSettings.h"
#include "TboxScr.h"
#include "VlScale.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget *w) : QObject(w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// What a Hall of Fame run saw.
struct THofRun {
    int score = -1;
    bool newScoreMode = false;
    bool inputEnabledDuring = true;
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Snd::SetRecorder([this](const QString &name) { sounds.push_back(name); });
        SetPromptAnswerer([this](const QString &text) {
            prompts.push_back(text);
            return true;
        });
        SetDialogRunner([this](QDialog &dialog) {
            THighScrs &d = static_cast<THighScrs &>(dialog);
            THofRun run;
            run.score = d.score;
            run.newScoreMode = d.newScoreMode;
            run.inputEnabledDuring = d.settings->inputEnabled;
            hofRuns.push_back(run);
            if (onHofRun)
                onHofRun(d);
            return 2;
        });
        scope = std::make_unique<TRandomScope>(random);

        settings = new TSettings();
        settings->MakeDefaultColorSet();
        settings->gameType = settings->gameTypeAtLoad = 2;
        settings->levels = settings->levelsAtLoad = 3;
        settings->bonusBoxes = settings->bonusBoxesAtLoad = false;
        settings->badBoxes = settings->badBoxesAtLoad = false;
        w = std::make_unique<TboxScr>(settings);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        w->View()->repaint();
        sounds.clear();
    }

    void TearDown() override
    {
        w.reset();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        SetDialogRunner(nullptr);
        SetPromptAnswerer(nullptr);
        Snd::SetRecorder(nullptr);
        scope.reset();
    }

    // A new game of that type and size through the window's own New Game,
    // set up with the given draws; by default a fixed scramble.
    void StartGame(int type, int levels, std::vector<int> draws = {})
    {
        settings->gameType = settings->gameTypeAtLoad = type;
        settings->levels = settings->levelsAtLoad = levels;
        if (draws.empty())
            for (int i = 0; i < 4000; ++i)
                draws.push_back((i * 7 + 3) % 11);
        random.values = std::move(draws);
        random.next = 0;
        w->flow.NewGame();
        w->View()->repaint();
        sounds.clear();
    }

    // All boxes of the game in one orientation: the puzzle is in order.
    void AllInOrder(int front = 0, int left = 1, int top = 2)
    {
        for (auto &level : w->flow.game->box)
            for (auto &row : level)
                for (TBoxRec &b : row) {
                    b.front = front;
                    b.left = left;
                    b.top = top;
                }
    }

    // Turns one box of the game as the game's turning step does.
    void TurnRecord(TBoxRec &b, int dir)
    {
        settings->scratchBox = b;
        settings->TurnScratchBox(dir);
        b.front = settings->scratchBox.front;
        b.left = settings->scratchBox.left;
        b.top = settings->scratchBox.top;
    }

    // The centre of a box's front square on the board.
    QPoint Centre(const TBoxRec &b) const
    {
        const int s = settings->boxSize;
        return QPoint(b.x + s / 2, b.y + s / 2);
    }
    // Front box (level L, row r) of the Jumbled Cube.
    TBoxRec &Front(int L, int r) { return w->flow.game->box[L][r][settings->levels - 1]; }

    QWidget *View() const { return w->View(); }

    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(View(), b, Qt::NoModifier, p); }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseRelease(View(), b, Qt::NoModifier, p);
    }
    void Move(QPoint p) { QTest::mouseMove(View(), p); }
    void Click(QPoint p)
    {
        Press(p);
        Release(p);
    }
    // A press, a move to the end point with the button held, the release.
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), View()->mapToGlobal(QPointF(to)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View(), &move);
        Release(to);
    }

    // Runs the queued work (the Hall of Fame after a paint).
    static void Drain()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    TScriptedRandom random;
    std::unique_ptr<TRandomScope> scope;
    TSettings *settings = nullptr;   // owned by the window
    std::unique_ptr<TboxScr> w;
    std::vector<QString> sounds;
    std::vector<QString> prompts;
    std::vector<THofRun> hofRuns;
    std::function<void(THighScrs &)> onHofRun;
};
