// Board input: the press-and-release protocol and its release codes, the
// click sounds, bonus and bad boxes, right presses, the keys and their
// modifier rule, the input-enabled flag and the board cursor.
#include "test_input_util.h"

#include "VlMenu.h"
#include "HtmlHelp.h"
#include "TCube.h"

#include <QTimer>

#include <QPixmap>

namespace {

bool SameFaces(const TBoxRec &a, const TBoxRec &b)
{
    return a.front == b.front && a.left == b.left && a.top == b.top;
}

std::vector<QString> Names(std::initializer_list<const char *> list)
{
    std::vector<QString> v;
    for (const char *s : list)
        v.push_back(QString::fromLatin1(s));
    return v;
}

} // namespace

// ---- Press and release -----------------------------------------------------

struct ReleaseCase {
    const char *name;
    bool selectFirst;      // box A is selected before the gesture
    int pressOn;           // 0 box A, 1 box B, -1 beside the boxes
    int releaseOn;
    int dx, dy;            // offset of the release from the centre of its box
    const char *sounds;    // expected sounds, "," separated
    int turned;            // direction box A is turned in, 0 none
    int rotated;           // direction the shape is rotated in, 0 none
    int selectedAfter;     // 0 none, 1 box A
    bool repainted;
    bool cursorStays;      // not even the cursor changes
};

// ctest names the cases by these.
void PrintTo(const ReleaseCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReleaseCodes : public BoardTest, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(ReleaseCodes, EachCodeDoesWhatItSays)
{
    const ReleaseCase &c = GetParam();
    StartGame(2, 3);
    // A scrambled start, so no move can complete the puzzle by chance.
    AllInOrder();
    TurnRecord(w->flow.game->box[2][2][0], 1);
    TBoxRec &a = Front(0, 0);
    TBoxRec &b = Front(1, 1);
    const QPoint beside(2, 2);
    if (c.selectFirst) {
        Click(Centre(a));
        ASSERT_EQ(w->flow.game->selectedId, a.id);
    }
    auto where = [&](int which) { return which == 0 ? Centre(a) : which == 1 ? Centre(b) : beside; };
    TBoxRec expectA = a;
    if (c.turned)
        TurnRecord(expectA, c.turned);
    if (c.rotated) {
        // The same rotation on an identical cube.
        TCube twin(settings);
        for (int L = 0; L < 8; ++L)
            for (int r = 0; r < 8; ++r)
                for (int k = 0; k < 8; ++k)
                    twin.box[L][r][k] = w->flow.game->box[L][r][k];
        twin.RotateShape(c.rotated);
        expectA = twin.box[0][0][2];
    }
    sounds.clear();
    TPaintCounter paints(View());

    const QPoint from = where(c.pressOn);
    const QPoint to = where(c.releaseOn) + QPoint(c.dx, c.dy);
    Press(from);
    const QImage cursorAfterPress = w->board->cursorImage;
    Release(to);

    QStringList expected = QString::fromLatin1(c.sounds).split(',', Qt::SkipEmptyParts);
    EXPECT_EQ(QStringList(sounds.begin(), sounds.end()), expected);
    EXPECT_TRUE(SameFaces(Front(0, 0), expectA));
    EXPECT_EQ(w->flow.game->selectedId, c.selectedAfter ? a.id : 0);
    EXPECT_EQ(paints.count > 0, c.repainted);
    if (c.cursorStays) {
        EXPECT_EQ(w->board->cursorImage.cacheKey(), cursorAfterPress.cacheKey());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Board, ReleaseCodes,
    ::testing::Values(
        // code 0, a click: select, then deselect
        ReleaseCase{"ClickSelects", false, 0, 0, 3, 3, "BOXPK", 0, 0, 1, true, false},
        ReleaseCase{"ClickDeselects", true, 0, 0, 0, 0, "BOXPK", 0, 0, 0, true, false},
        ReleaseCase{"SevenPixelsIsAClick", false, 0, 0, 7, -7, "BOXPK", 0, 0, 1, true, false},
        // codes 1..4: a drag on the selected box turns it
        ReleaseCase{"DragUpOnSelectedTurnsUp", true, 0, 0, 0, -12, "RTBOX", 3, 0, 1, true, false},
        ReleaseCase{"DragLeftOnSelectedTurnsLeft", true, 0, 0, -12, 4, "RTBOX", 1, 0, 1, true, false},
        ReleaseCase{"EqualDistancesAreHorizontal", true, 0, 0, 10, 10, "RTBOX", 2, 0, 1, true, false},
        // codes 11..14: a drag between boxes that are not selected rotates
        // (from the lower left box up to the right: equal distances, right)
        ReleaseCase{"DragUpRotatesShape", false, 0, 0, 0, -12, "RTSHP", 0, 3, 0, true, false},
        ReleaseCase{"DragToOtherBoxRotates", false, 1, 0, 0, 0, "RTSHP", 0, 2, 0, true, false},
        // 999: from the selected box onto another one: nothing at all
        ReleaseCase{"SelectedOntoOtherDoesNothing", true, 0, 1, 0, 0, "", 0, 0, 1, false, true},
        // a press or release beside the boxes: a click that hits nothing
        ReleaseCase{"ClickBesideDoesNothing", false, -1, -1, 0, 0, "", 0, 0, 0, false, false},
        ReleaseCase{"ReleaseBesideIsNoMove", false, 0, -1, 0, 0, "", 0, 0, 0, false, false}),
    [](const ::testing::TestParamInfo<ReleaseCase> &i) { return std::string(i.param.name); });

// ---- Bonus and bad boxes -------------------------------------------------------

TEST_F(BoardTest, BonusBoxShowsItsMessageEachTimeItIsSelected)
{
    StartGame(2, 3);
    settings->bonusBoxes = true;
    TBoxRec &bonus = Front(1, 0);
    w->flow.game->bonusId[1] = bonus.id;
    Click(Centre(bonus));
    EXPECT_EQ(sounds, Names({"BOXPK", "BONUS"}));
    EXPECT_EQ(w->panel.messageText[0].GetText(), "Bonus Box!");
    EXPECT_EQ(w->panel.messageText[1].GetText(), "Rotations also turn");
    EXPECT_EQ(w->panel.messageText[2].GetText(), "surrounding boxes.");
    EXPECT_EQ(w->panel.messagePanel.color, w->flow.messageBonusColor);
    EXPECT_FALSE(w->panel.messagePanel.isHidden()) << "the message survives the repaint";
    EXPECT_TRUE(w->panel.hintPanel.isHidden());

    sounds.clear();
    Click(Centre(bonus));   // deselect: the click sound only, hint back
    EXPECT_EQ(sounds, Names({"BOXPK"}));
    EXPECT_TRUE(w->panel.messagePanel.isHidden());
    EXPECT_FALSE(w->panel.hintPanel.isHidden());

    sounds.clear();
    Click(Centre(bonus));
    EXPECT_EQ(sounds, Names({"BOXPK", "BONUS"}));
}

TEST_F(BoardTest, BonusBoxWithTheSwitchOffIsAPlainBox)
{
    StartGame(2, 3);
    settings->bonusBoxes = false;
    TBoxRec &bonus = Front(1, 0);
    w->flow.game->bonusId[1] = bonus.id;
    Click(Centre(bonus));
    EXPECT_EQ(sounds, Names({"BOXPK"}));
    EXPECT_TRUE(w->panel.messagePanel.isHidden());
}

TEST_F(BoardTest, BadBoxScramblesItsNeighboursWithTheScriptedTurns)
{
    StartGame(2, 3);
    AllInOrder();
    settings->badBoxes = true;
    TBoxRec &bad = Front(1, 1);   // middle of the front: eight neighbours in its column
    w->flow.game->badId[1] = bad.id;
    // ScrambleAround turns the boxes around it, each by Random(4) + 1.
    random.values = {0, 1, 2, 3, 0, 1, 2, 3, 0};
    random.next = 0;
    TBoxRec expect[3][3];
    int k = 0;
    for (int l = 0; l < 3; ++l)
        for (int r = 0; r < 3; ++r) {
            expect[l][r] = w->flow.game->box[l][r][2];
            TurnRecord(expect[l][r], random.values[size_t(k++)] + 1);
        }
    Click(Centre(bad));
    EXPECT_EQ(sounds, Names({"BOXPK", "BADBX"}));
    EXPECT_EQ(w->panel.messageText[0].GetText(), "Oh no!  Bad Box!");
    EXPECT_EQ(w->panel.messageText[1].GetText(), "Surrounding boxes");
    EXPECT_EQ(w->panel.messageText[2].GetText(), "have been scrambled.");
    EXPECT_EQ(w->panel.messagePanel.color, w->flow.messageBadColor);
    EXPECT_FALSE(w->panel.messagePanel.isHidden());
    for (int l = 0; l < 3; ++l)
        for (int r = 0; r < 3; ++r)
            EXPECT_TRUE(SameFaces(w->flow.game->box[l][r][2], expect[l][r])) << l << "," << r;

    // Deselecting gives the hint back and scrambles nothing.
    sounds.clear();
    const size_t drawn = random.next;
    Click(Centre(bad));
    EXPECT_EQ(sounds, Names({"BOXPK"}));
    EXPECT_EQ(random.next, drawn);
    EXPECT_FALSE(w->panel.hintPanel.isHidden());
}

TEST_F(BoardTest, BonusTestComesBeforeTheBadBox)
{
    StartGame(2, 3);
    settings->bonusBoxes = settings->badBoxes = true;
    TBoxRec &box = Front(0, 2);
    w->flow.game->bonusId[0] = box.id;
    w->flow.game->badId[0] = box.id;
    const size_t drawn = random.next;
    Click(Centre(box));
    EXPECT_EQ(sounds, Names({"BOXPK", "BONUS"}));
    EXPECT_EQ(random.next, drawn) << "no scramble";
}

// ---- Grab and drop -----------------------------------------------------------

TEST_F(BoardTest, RebukesDragGrabsRepaintsAndDrops)
{
    StartGame(4, 3);
    ASSERT_TRUE(w->flow.dragGame);
    const QPoint p = Centre(w->flow.game->box[0][0][2]);
    TPaintCounter paints(View());
    Press(p);
    ASSERT_TRUE(w->input.dragging) << "a front cell was grabbed";
    EXPECT_EQ(paints.count, 1);
    EXPECT_FALSE(w->board->reRender);
    QMouseEvent move(QEvent::MouseMove, QPointF(p + QPoint(3, 0)), View()->mapToGlobal(QPointF(p)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View(), &move);
    EXPECT_EQ(paints.count, 2) << "the dragged outline follows the pointer";
    EXPECT_EQ(w->input.lastX, p.x() + 3);
    Release(p + QPoint(3, 0));
    EXPECT_FALSE(w->input.dragging);
    EXPECT_EQ(w->flow.game->selectedId, 0);
    EXPECT_EQ(paints.count, 3);
    EXPECT_FALSE(w->board->reRender) << "the drop re-rendered";
}

// ---- Right presses -------------------------------------------------------------

TEST_F(BoardTest, RightPressOpensAndClosesTheInfoCard)
{
    StartGame(2, 3);
    TBoxRec &b = Front(0, 1);
    TPaintCounter paints(View());
    Press(Centre(b), Qt::RightButton);
    EXPECT_EQ(w->flow.game->infoId, b.id);
    EXPECT_EQ(sounds, Names({"OPBOX"}));
    EXPECT_GT(paints.count, 0);
    sounds.clear();
    Press(Centre(b), Qt::RightButton);
    EXPECT_EQ(w->flow.game->infoId, 0);
    EXPECT_TRUE(sounds.empty()) << "closing makes no sound";
}

TEST_F(BoardTest, WithoutAGameObjectTheBoardIgnoresButtonsAndArrows)
{
    StartGame(2, 3);
    delete w->flow.game;
    w->flow.game = nullptr;
    bool menu = false;
    QTimer::singleShot(0, [&] {
        if (VlPopupMenu *m = VlPopupMenu::Running()) {
            menu = true;
            m->hide();
        }
    });
    Press(QPoint(3, 3), Qt::RightButton);
    Drain();
    Click(QPoint(200, 200));
    EXPECT_FALSE(menu);
    EXPECT_FALSE(w->input.Key(Qt::Key_Left));
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(w->input.Key(Qt::Key_M)) << "the other keys still work";
    EXPECT_TRUE(w->menuShown);
}

// ---- The input-enabled flag ------------------------------------------------------

TEST_F(BoardTest, PressesAndKeysAreIgnoredWhileInputIsDisabled)
{
    StartGame(2, 3);
    TBoxRec &b = Front(0, 0);
    settings->inputEnabled = false;
    Press(Centre(b), Qt::RightButton);
    EXPECT_EQ(w->flow.game->infoId, 0);
    Press(Centre(b));
    EXPECT_EQ(w->flow.game->pressId, 0) << "the press was not passed on";
    const bool menuBefore = w->menuShown;
    EXPECT_FALSE(w->input.Key(Qt::Key_M));
    QTest::keyClick(View(), Qt::Key_Left);
    EXPECT_EQ(w->menuShown, menuBefore);
    EXPECT_TRUE(sounds.empty());
    settings->inputEnabled = true;
}

// ---- Keys ------------------------------------------------------------------------

struct KeyCase {
    const char *name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool select;          // a box is selected first
    const char *sound;    // "" none
    int effect;           // 0 none, 1 menu toggled, 2 new game, 3 help opened, 4 minimised
};

void PrintTo(const KeyCase &c, std::ostream *os)
{
    *os << c.name;
}

class KeyTable : public BoardTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTable, KeyDoesItsActionOnlyWithoutModifiers)
{
    const KeyCase &c = GetParam();
    StartGame(2, 3);
    AllInOrder();
    TurnRecord(w->flow.game->box[2][2][0], 1);
    if (c.select)
        Click(Centre(Front(0, 0)));
    sounds.clear();
    const bool menu = w->menuShown;
    w->flow.game->pressX = -999;   // a mark only a new game object drops
    const TBoxRec before = Front(0, 0);
    QTest::keyClick(View(), c.key, c.mods);
    Drain();
    EXPECT_EQ(QStringList(sounds.begin(), sounds.end()),
              QString::fromLatin1(c.sound).split(',', Qt::SkipEmptyParts));
    EXPECT_EQ(w->menuShown != menu, c.effect == 1);
    EXPECT_EQ(w->flow.game->pressX != -999, c.effect == 2);
    EXPECT_EQ(bool(settings->helpWindow), c.effect == 3);
    EXPECT_EQ(bool(w->windowState() & Qt::WindowMinimized), c.effect == 4);
    if (c.effect == 0 && QString::fromLatin1(c.sound).isEmpty()) {
        EXPECT_TRUE(SameFaces(Front(0, 0), before));
    }
    if (settings->helpWindow)
        settings->helpWindow->close();
}

INSTANTIATE_TEST_SUITE_P(
    Board, KeyTable,
    ::testing::Values(KeyCase{"N", Qt::Key_N, Qt::NoModifier, false, "", 2},
                      KeyCase{"M", Qt::Key_M, Qt::NoModifier, false, "", 1},
                      KeyCase{"W", Qt::Key_W, Qt::NoModifier, false, "", 1},
                      KeyCase{"H", Qt::Key_H, Qt::NoModifier, false, "", 3},
                      KeyCase{"Minus", Qt::Key_Minus, Qt::NoModifier, false, "", 4},
                      KeyCase{"LeftTurnsSelected", Qt::Key_Left, Qt::NoModifier, true, "RTBOX", 0},
                      KeyCase{"DownTurnsSelected", Qt::Key_Down, Qt::NoModifier, true, "RTBOX", 0},
                      KeyCase{"UpRotatesShape", Qt::Key_Up, Qt::NoModifier, false, "RTSHP", 0},
                      KeyCase{"RightRotatesShape", Qt::Key_Right, Qt::NoModifier, false, "RTSHP", 0},
                      KeyCase{"ShiftN", Qt::Key_N, Qt::ShiftModifier, false, "", 0},
                      KeyCase{"CtrlM", Qt::Key_M, Qt::ControlModifier, false, "", 0},
                      KeyCase{"AltW", Qt::Key_W, Qt::AltModifier, false, "", 0},
                      KeyCase{"MetaH", Qt::Key_H, Qt::MetaModifier, false, "", 0},
                      KeyCase{"ShiftLeft", Qt::Key_Left, Qt::ShiftModifier, true, "", 0},
                      KeyCase{"CtrlUp", Qt::Key_Up, Qt::ControlModifier, false, "", 0},
                      KeyCase{"KeypadMinus", Qt::Key_Minus, Qt::KeypadModifier, false, "", 0},
                      KeyCase{"OtherKey", Qt::Key_Q, Qt::NoModifier, false, "", 0}),
    [](const ::testing::TestParamInfo<KeyCase> &i) { return std::string(i.param.name); });

TEST_F(BoardTest, ArrowTurnsTheSelectedBoxInItsDirection)
{
    StartGame(2, 3);
    TBoxRec &a = Front(2, 1);
    Click(Centre(a));
    TBoxRec expect = a;
    TurnRecord(expect, 4);
    EXPECT_TRUE(w->input.Key(Qt::Key_Down));
    EXPECT_TRUE(SameFaces(a, expect));
    EXPECT_EQ(w->flow.game->selectedId, a.id) << "the selection stays for further turns";
    EXPECT_FALSE(w->input.Key(Qt::Key_Down, Qt::ShiftModifier));
    EXPECT_FALSE(w->input.Key(Qt::Key_Return)) << "Enter is not the game's";
}

TEST_F(BoardTest, XClosesTheWindow)
{
    EXPECT_TRUE(w->isVisible());
    QTest::keyClick(View(), Qt::Key_X);
    EXPECT_FALSE(w->isVisible());
}

struct HelpKeyCase {
    const char *name;
    Qt::WindowState state;
    bool handled;
};

void PrintTo(const HelpKeyCase &c, std::ostream *os)
{
    *os << c.name;
}

class HelpWindowKey : public BoardTest, public ::testing::WithParamInterface<HelpKeyCase> {};

TEST_P(HelpWindowKey, KeyFirstClosesHelpOnlyInABigWindow)
{
    const HelpKeyCase &c = GetParam();
    StartGame(2, 3);
    w->setWindowState(c.state);
    settings->helpWindow = HtmlHelp::DisplayToc(settings->helpFile);
    ASSERT_TRUE(settings->helpWindow);
    QPointer<QWidget> help = settings->helpWindow.data();
    EXPECT_EQ(w->input.Key(Qt::Key_Up), c.handled);
    EXPECT_EQ(sounds.size(), c.handled ? 1u : 0u);
    EXPECT_EQ(bool(settings->helpWindow), !c.handled);
    Drain();
    if (c.handled) {
        EXPECT_TRUE(!help || !help->isVisible());
    }
    if (help)
        help->close();
    settings->helpWindow = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Board, HelpWindowKey,
                         ::testing::Values(HelpKeyCase{"FullScreen", Qt::WindowFullScreen, true},
                                           HelpKeyCase{"Maximised", Qt::WindowMaximized, true},
                                           HelpKeyCase{"Restored", Qt::WindowNoState, false}),
                         [](const ::testing::TestParamInfo<HelpKeyCase> &i) { return std::string(i.param.name); });

// ---- The board cursor --------------------------------------------------------------

class CursorTest : public BoardTest {
protected:
    void TearDown() override
    {
        SetInterfaceScale(nullptr, 'W', 'n', false);
        BoardTest::TearDown();
    }
    QCursor Installed() const
    {
        const QCursor *c = QGuiApplication::overrideCursor();
        return c ? *c : QCursor();
    }
};

TEST_F(CursorTest, NormalScaleInstallsTheCursorUnchanged)
{
    StartGame(2, 3);
    Move(Centre(Front(0, 0)));
    ASSERT_FALSE(w->board->cursorImage.isNull());
    EXPECT_EQ(Installed().pixmap().size(), w->board->cursorImage.size());
    EXPECT_EQ(Installed().hotSpot(), w->board->cursorImage.offset());
}

TEST_F(CursorTest, JumboScaleRescalesAStillCursorButNotAMovingOne)
{
    settings->interfaceBlock.scale = 'j';
    w->ApplyInterface(true);
    ASSERT_EQ(w->board->cursorWidth, 48);
    StartGame(2, 3);
    Move(Centre(Front(0, 0)));
    const QImage src = w->board->cursorImage;
    ASSERT_FALSE(src.isNull());
    const QCursor still = Installed();
    EXPECT_EQ(still.pixmap().size(), QSize(48, 48));
    const float f = 48.0f / float(src.width());
    EXPECT_EQ(still.hotSpot(), QPoint(int(float(src.offset().x()) * f + 0.5f), int(float(src.offset().y()) * f + 0.5f)));

    // A drag that rotates the shape: the moving arrow goes in as it is.
    const QPoint p = Centre(Front(0, 0));
    Press(p);
    QMouseEvent move(QEvent::MouseMove, QPointF(p + QPoint(0, -20)), View()->mapToGlobal(QPointF(p)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View(), &move);
    const QImage arrow = w->board->cursorImage;
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(Installed().pixmap().size(), arrow.size());
    Release(p);
}

TEST_F(CursorTest, NoPictureGivesTheArrow)
{
    StartGame(2, 3);
    Move(QPoint(2, 2));
    EXPECT_TRUE(w->board->cursorImage.isNull());
    EXPECT_EQ(Installed().shape(), Qt::ArrowCursor);
}
