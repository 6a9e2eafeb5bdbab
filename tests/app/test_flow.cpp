// Game flow: new games per type, the type and levels questions, the cheat,
// the switches, the move actions with their sounds and the arrow strips.
#include "test_window_util.h"

#include "BoardGeometry.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSplash.h"
#include "VlSkinImage.h"

#include <QTest>

namespace {

const QString typeQuestion = QStringLiteral("Changing Game Type will start a New Game - Okay to continue?");
const QString levelsQuestion = QStringLiteral("Changing Levels will start a New Game - Okay to continue?");

// The player picks an entry of a list: the selection, then its action.
void Pick(VlDrop &drop, int index)
{
    drop.SetIndex(index);
    emit drop.action();
}

} // namespace

TEST_F(WindowTest, EachGameTypeSetsItsPanelAndStrips)
{
    struct Case {
        int type;
        const char *hints[3];
        const char *disorder;
        bool side, bottom, drag, special, box;
        const char *shape;
    } cases[] = {
        {1, {"Click and Drag", "Boxes to their", "proper position."}, "Misplaced:", false, false, true, false, false, "Cube"},
        {2, {"Match all Box sides.", "Click to select box.", "(Can turn with mouse)"}, "Disorder:", true, true, false, true, true, "Cube"},
        {3, {"Match all Box sides.", "Click to select box.", "(Can turn with mouse)"}, "Disorder:", true, false, false, true, true, "Pyramid"},
        {4, {"Move Cube levels to", "match all Box sides.", "(Can move via mouse)"}, "Disorder:", true, true, true, false, false, "Cube"},
    };
    for (const Case &c : cases) {
        TboxScr &w = OpenGame(c.type, 4);
        SCOPED_TRACE(c.type);
        switch (c.type) {
        case 1: EXPECT_NE(dynamic_cast<TJigsaw *>(w.flow.game), nullptr); break;
        case 2: EXPECT_NE(dynamic_cast<TCube *>(w.flow.game), nullptr); break;
        case 3: EXPECT_NE(dynamic_cast<TPyramid *>(w.flow.game), nullptr); break;
        case 4: EXPECT_NE(dynamic_cast<TRebukes *>(w.flow.game), nullptr); break;
        }
        EXPECT_FALSE(w.flow.introRunning);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(w.panel.hintText[i].GetText(), QString::fromLatin1(c.hints[i]));
        EXPECT_EQ(w.panel.disorderLabel.GetText(), QString::fromLatin1(c.disorder));
        EXPECT_EQ(w.flow.sideStripShown, c.side);
        EXPECT_EQ(w.flow.bottomStripShown, c.bottom);
        EXPECT_EQ(!w.arrows.sideStrip.isHidden(), c.side);
        EXPECT_EQ(!w.arrows.bottomStrip.isHidden(), c.bottom);
        EXPECT_EQ(w.flow.dragGame, c.drag);
        EXPECT_EQ(w.panel.specialShown, c.special);
        EXPECT_EQ(w.panel.boxPanelShown, c.box);
        EXPECT_EQ(!w.panel.specialPanel.isHidden(), c.special);
        EXPECT_EQ(!w.panel.boxPanel.isHidden(), c.box);
        EXPECT_EQ(w.panel.shapeTitle.GetText(), QString::fromLatin1(c.shape));
        EXPECT_TRUE(w.panel.messagePanel.isHidden());
        EXPECT_FALSE(w.panel.hintPanel.isHidden());
        // The panel is laid out for the shown sub-panels: equal gaps, the
        // last one at the bottom edge.
        VlPanel &last = c.box ? w.panel.boxPanel : w.panel.shapePanel;
        EXPECT_EQ(last.y() + last.height(), w.panel.height());
        VlPanel &next = c.special ? w.panel.specialPanel : w.panel.statusPanel;
        EXPECT_EQ(w.panel.gamePanel.y() - w.panel.titleStrip.height(),
                  next.y() - w.panel.gamePanel.y() - w.panel.gamePanel.height());
    }
}

TEST_F(WindowTest, JigsawAfterTheCubeGivesTheMisplacedCaptionAndBack)
{
    TboxScr &w = OpenGame(1, 3);
    EXPECT_EQ(w.panel.disorderLabel.GetText(), QStringLiteral("Misplaced:"));
    w.settings->gameType = 2;
    w.flow.NewGame();
    EXPECT_EQ(w.panel.disorderLabel.GetText(), QStringLiteral("Disorder:"));
}

TEST_F(WindowTest, TypeAndLevelsQuestionsWithOkAndCancel)
{
    struct Case {
        const char *name;
        bool levelsList;    // else the type list
        bool intro;         // still in the intro
        int pick;           // list position picked
        bool ok;            // the answer
        bool asks;
        int wantType, wantLevels;
        bool newGame;       // a new game object
    } cases[] = {
        {"type during the intro", false, true, 2, true, false, 3, 4, false},
        {"type, OK", false, false, 2, true, true, 3, 4, true},
        {"type, Cancel", false, false, 2, false, true, 2, 4, false},
        {"same type", false, false, 1, true, false, 2, 4, false},
        {"levels during the intro", true, true, 4, true, false, 2, 6, false},
        {"levels, OK", true, false, 4, true, true, 2, 6, true},
        {"levels, Cancel", true, false, 4, false, true, 2, 4, false},
        {"same levels", true, false, 2, true, false, 2, 4, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TboxScr &w = c.intro ? Open([](TSettings &s) {
            s.gameType = 2;
            s.levels = 4;
        })
                             : OpenGame(2, 4);
        w.flow.game->moves = 4242;   // marks the object (a new one may reuse its address)
        prompts.clear();
        answer = c.ok;
        Pick(c.levelsList ? w.panel.levelsDrop : w.panel.gameTypeDrop, c.pick);
        ASSERT_EQ(prompts.size(), c.asks ? 1 : 0);
        if (c.asks) {
            EXPECT_EQ(prompts[0], c.levelsList ? levelsQuestion : typeQuestion);
        }
        EXPECT_EQ(w.settings->gameType, c.wantType);
        EXPECT_EQ(w.settings->levels, c.wantLevels);
        EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), c.wantType - 1);
        EXPECT_EQ(w.panel.levelsDrop.GetIndex(), c.wantLevels - 2);
        ASSERT_NE(w.flow.game, nullptr);
        EXPECT_EQ(w.flow.game->moves != 4242, c.newGame);
        EXPECT_EQ(w.flow.introRunning, c.intro);
        if (c.newGame) {
            ASSERT_NE(w.flow.game, nullptr);
            EXPECT_EQ(w.flow.game->levels, c.wantLevels);
            if (c.wantType == 3) {
                EXPECT_NE(dynamic_cast<TPyramid *>(w.flow.game), nullptr);
            }
        }
    }
}

TEST_F(WindowTest, TypeChosenDuringTheIntroStartsWithNewGame)
{
    TboxScr &w = Open();
    Pick(w.panel.gameTypeDrop, 3);
    Pick(w.panel.levelsDrop, 3);
    EXPECT_NE(dynamic_cast<TSplash *>(w.flow.game), nullptr);
    QTest::mouseClick(&w.panel.newGameButton, Qt::LeftButton);
    EXPECT_NE(dynamic_cast<TRebukes *>(w.flow.game), nullptr);
    EXPECT_EQ(w.flow.game->levels, 5);
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(WindowTest, CheatSolvesForZeroAndKeepsItsMessageThroughTheRepaint)
{
    for (bool soundsOn : {true, false}) {
        TboxScr &w = OpenGame(2, 3);
        if (!soundsOn)
            QTest::mouseClick(&w.panel.soundsButton, Qt::LeftButton);
        w.flow.game->selectedId = 111;
        w.flow.game->infoId = 111;
        QTest::mouseClick(&w.panel.cheatButton, Qt::LeftButton);
        EXPECT_EQ(sounds, soundsOn ? QStringList{"CHEAT"} : QStringList{});
        EXPECT_TRUE(w.flow.game->finished);
        EXPECT_EQ(w.flow.game->score, 0);
        EXPECT_EQ(w.flow.game->selectedId, 0);
        EXPECT_EQ(w.flow.game->infoId, 0);
        // The repaint ran during the cheat and kept the message up.
        EXPECT_FALSE(w.board->reRender);
        EXPECT_FALSE(w.flow.keepMessage);
        EXPECT_FALSE(w.panel.messagePanel.isHidden());
        EXPECT_TRUE(w.panel.hintPanel.isHidden());
        EXPECT_EQ(w.panel.messagePanel.color, w.flow.messageCheatColor);
        EXPECT_EQ(w.panel.messageText[0].GetText(), QStringLiteral("That was too easy!"));
        EXPECT_EQ(w.panel.messageText[1].GetText(), QStringLiteral("Score = 0"));
        EXPECT_EQ(w.panel.messageText[2].GetText(), QStringLiteral("for Cheaters!"));
        EXPECT_EQ(w.panel.scoreValue.GetText(), QStringLiteral("0"));
        sounds.clear();
        // A second cheat on the solved game says the same again.
        w.flow.Cheat();
        EXPECT_EQ(sounds, soundsOn ? QStringList{"CHEAT"} : QStringList{});
        EXPECT_FALSE(w.panel.messagePanel.isHidden());
    }
}

TEST_F(WindowTest, CheatWithoutAGameDoesNothing)
{
    TboxScr &w = OpenGame(2, 3);
    delete w.flow.game;
    w.flow.game = nullptr;
    w.flow.Cheat();
    EXPECT_TRUE(sounds.isEmpty());
    EXPECT_TRUE(w.panel.messagePanel.isHidden());
}

TEST_F(WindowTest, SwitchesFlipTheirValueAndLamp)
{
    TboxScr &w = OpenGame(2, 3);
    const QImage off = SkinImage(QStringLiteral("off"));
    struct Case {
        const char *name;
        VlButton *control;
        std::function<bool()> value;
        const char *lit;
    } cases[] = {
        {"bonus button", &w.panel.bonusButton, [&] { return w.settings->bonusBoxes; }, "onyel"},
        {"bonus lamp", &w.panel.bonusLamp, [&] { return w.settings->bonusBoxes; }, "onyel"},
        {"bad button", &w.panel.badButton, [&] { return w.settings->badBoxes; }, "onyel"},
        {"bad lamp", &w.panel.badLamp, [&] { return w.settings->badBoxes; }, "onyel"},
        {"sounds button", &w.panel.soundsButton, [&] { return w.flow.soundsOn; }, "onred"},
        {"sounds lamp", &w.panel.soundsLamp, [&] { return w.flow.soundsOn; }, "onred"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        VlButton &lamp = c.control == &w.panel.bonusButton || c.control == &w.panel.bonusLamp ? w.panel.bonusLamp
                         : c.control == &w.panel.badButton || c.control == &w.panel.badLamp ? w.panel.badLamp
                                                                                            : w.panel.soundsLamp;
        for (int k = 0; k < 2; ++k) {
            const bool before = c.value();
            w.board->reRender = false;
            QTest::mouseClick(c.control, Qt::LeftButton);
            EXPECT_EQ(c.value(), !before);
            EXPECT_TRUE(SameImage(lamp.Image(), c.value() ? SkinImage(QString::fromLatin1(c.lit)) : off));
            EXPECT_FALSE(w.board->reRender);
        }
    }
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(WindowTest, MoveActionsPlayTheirSoundsFirstAndKeepOrClearTheSelection)
{
    TboxScr &w = OpenGame(2, 3);
    TGame &g = *w.flow.game;

    // No selection: no sound, no render.
    w.board->reRender = false;
    w.flow.TurnBox(1);
    EXPECT_TRUE(sounds.isEmpty());
    EXPECT_FALSE(w.board->reRender);
    EXPECT_EQ(g.moves, 0);

    g.selectedId = 100 + 100 * 2 + 10 * 2 + 2;   // a corner box on top
    g.infoId = 111;
    w.flow.keepMessage = true;
    w.flow.TurnBox(3);
    EXPECT_EQ(sounds, QStringList{"RTBOX"});
    EXPECT_EQ(g.selectedId, 322);
    EXPECT_EQ(g.infoId, 0);
    EXPECT_TRUE(w.flow.keepMessage);   // a turn leaves the message as it is
    EXPECT_EQ(g.moves, 1);
    w.flow.TurnBox(7);                 // not a direction
    EXPECT_EQ(sounds.size(), 1);

    struct Case {
        const char *name;
        std::function<void()> act;
        const char *sound;
    } cases[] = {
        {"shape arrow", [&] { QTest::mouseClick(&w.panel.shapeArrow[0], Qt::LeftButton); }, "RTSHP"},
        {"shape key", [&] { w.flow.RotateShape(4); }, "RTSHP"},
        {"level arrow", [&] { QTest::mouseClick(&w.arrows.levelRight[1], Qt::LeftButton); }, "RTLEV"},
        {"slice arrow", [&] { QTest::mouseClick(&w.arrows.levelDown[0], Qt::LeftButton); }, "RTLEV"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sounds.clear();
        g.selectedId = 322;
        g.infoId = 322;
        w.flow.keepMessage = true;
        w.board->RefreshSync();
        c.act();
        EXPECT_EQ(sounds, QStringList{QString::fromLatin1(c.sound)});
        EXPECT_EQ(g.selectedId, 0);
        EXPECT_EQ(g.infoId, 0);
        EXPECT_FALSE(w.flow.keepMessage);
    }

    // With the Sounds switch off every move is silent.
    sounds.clear();
    w.flow.ToggleSounds();
    g.selectedId = 322;
    w.flow.TurnBox(2);
    w.flow.RotateShape(1);
    w.flow.RotateLevel(1, 1);
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(WindowTest, BoxArrowsTurnTheSelectedBoxInTheirDirections)
{
    TboxScr &w = OpenGame(2, 2);
    TGame &g = *w.flow.game;
    // Arrays hold left, up, right, down; the directions are 1, 3, 2, 4.
    const int dirs[4] = {1, 3, 2, 4};
    for (int i = 0; i < 4; ++i) {
        g.selectedId = 111;
        w.settings->scratchBox = g.box[0][1][1];
        w.settings->TurnScratchBox(dirs[i]);
        QTest::mouseClick(&w.panel.boxArrow[i], Qt::LeftButton);
        EXPECT_EQ(g.box[0][1][1].front, w.settings->scratchBox.front) << i;
        EXPECT_EQ(g.box[0][1][1].left, w.settings->scratchBox.left) << i;
        EXPECT_EQ(g.box[0][1][1].top, w.settings->scratchBox.top) << i;
    }
}

TEST_F(WindowTest, ArrowStripsFollowTheShape)
{
    struct Case {
        int type, levels;
        int hidden;   // pair index hidden in both strips, -1 none
    } cases[] = {{4, 4, -1}, {4, 5, 2}, {4, 3, 1}, {2, 5, -1}, {3, 5, -1}, {2, 8, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.levels));
        TboxScr &w = OpenGame(c.type, c.levels);
        const int n = c.levels, s = w.settings->boxSize;
        ASSERT_GT(s, 0);
        const QRect &b = w.flow.boardRect;
        const int right = BoardGeometry::Right(b), bottom = BoardGeometry::Bottom(b);
        const int bw = w.arrows.levelLeft[0].width(), bh = w.arrows.levelLeft[0].height();
        const bool cube = c.type != 3;
        // The board leaves room for the strips and the panel.
        EXPECT_LE(right, w.settings->bufferWidth - w.panel.width - 16 - 55);
        if (cube) {
            EXPECT_LE(bottom, w.settings->bufferHeight - 16 - 55);
            EXPECT_EQ(w.arrows.bottomStrip.geometry(), QRect(right - n * s, bottom + 4, n * s, w.arrows.bottomStrip.height()));
            EXPECT_EQ(w.arrows.sideStrip.geometry(), QRect(right + 4, bottom - n * s, w.arrows.sideStrip.width(), n * s));
        } else {
            EXPECT_TRUE(w.arrows.bottomStrip.isHidden());
            EXPECT_EQ(w.arrows.sideStrip.geometry(), QRect(right + 4, b.y(), w.arrows.sideStrip.width(), bottom - b.y()));
        }
        const int first = cube ? (s - bh) / 2 : w.settings->topDepth + s / 2;
        const int step = cube ? s : (bottom - b.y() - w.settings->topDepth) / n;
        int shownPairs = 0;
        for (int i = 0; i < 8; ++i) {
            const bool shown = i < n && i != c.hidden;
            EXPECT_EQ(!w.arrows.levelLeft[i].isHidden(), shown) << i;
            EXPECT_EQ(!w.arrows.levelRight[i].isHidden(), shown) << i;
            if (cube) {
                EXPECT_EQ(!w.arrows.levelUp[i].isHidden(), shown) << i;
                EXPECT_EQ(!w.arrows.levelDown[i].isHidden(), shown) << i;
            }
            if (!shown)
                continue;
            ++shownPairs;
            EXPECT_EQ(w.arrows.levelLeft[i].y(), first + i * step) << i;
            EXPECT_EQ(w.arrows.levelRight[i].y(), first + i * step) << i;
            EXPECT_EQ(w.arrows.levelLeft[i].height(), bh);
            if (cube) {
                const int x = s * (n - 1 - i) + (s - bw) / 2;
                EXPECT_EQ(w.arrows.levelUp[i].x(), x) << i;
                EXPECT_EQ(w.arrows.levelDown[i].x(), x) << i;
                EXPECT_EQ(w.arrows.levelUp[i].width(), bw);
            }
        }
        EXPECT_EQ(shownPairs, c.hidden < 0 ? n : n - 1);
    }
}

TEST_F(WindowTest, LevelArrowsRotateTheirLevelInTheirDirection)
{
    TboxScr &w = OpenGame(4, 3);
    struct Case {
        VlButton *arrow;
        int level, dir;
    } cases[] = {{&w.arrows.levelLeft[0], 1, 1}, {&w.arrows.levelRight[2], 3, 2}, {&w.arrows.levelUp[0], 1, 3}, {&w.arrows.levelDown[2], 3, 4}};
    for (const Case &c : cases) {
        // The same rotation on a twin game gives the same boxes.
        TRebukes twin(w.settings);
        for (int L = 0; L < 3; ++L)
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k)
                    twin.box[L][r][k] = w.flow.game->box[L][r][k];
        twin.levels = w.flow.game->levels;
        twin.RotateLevel(c.level, c.dir);
        QTest::mouseClick(c.arrow, Qt::LeftButton);
        bool same = true;
        for (int L = 0; L < 3; ++L)
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k) {
                    const TBoxRec &a = twin.box[L][r][k], &b = w.flow.game->box[L][r][k];
                    same = same && a.front == b.front && a.left == b.left && a.top == b.top;
                }
        EXPECT_TRUE(same) << c.level << " " << c.dir;
    }
}

TEST_F(WindowTest, WithoutAGameObjectTheBoardLayoutOnlyHidesTheStrips)
{
    TboxScr &w = OpenGame(2, 4);
    w.settings->gameType = 7;   // as a failed load leaves it
    w.flow.NewGame();
    EXPECT_EQ(w.flow.game, nullptr);
    EXPECT_TRUE(w.panel.messagePanel.isHidden());
    w.flow.LayoutBoard();
    EXPECT_TRUE(w.arrows.sideStrip.isHidden());
    EXPECT_TRUE(w.arrows.bottomStrip.isHidden());
    EXPECT_EQ(w.flow.boardRect, QRect(16, 16, w.settings->bufferWidth - w.panel.width - 32, w.settings->bufferHeight - 32));
    // The actions do nothing without a game.
    w.flow.TurnBox(1);
    w.flow.RotateShape(1);
    w.flow.RotateLevel(1, 1);
    EXPECT_TRUE(sounds.isEmpty());
}
