// A whole game through the window's own events: key N starts a 2-level
// Jumbled Cube, mouse clicks and drags turn its boxes and rotate it until
// it is in order, and the end of the game shows its messages and, for a
// qualifying score, runs the real Hall of Fame dialog, where the player
// types a name and presses Enter twice.
#include "test_input_util.h"

#include <QTimer>

#include <array>
#include <deque>

namespace {

bool SameBoxFaces(const TBoxRec &a, const TBoxRec &b)
{
    return a.front == b.front && a.left == b.left && a.top == b.top;
}

} // namespace

class EndToEnd : public BoardTest {
protected:
    // The shortest run of turns (directions 1..4) that gives `from` the
    // faces of `to`.
    std::vector<int> TurnsBetween(const TBoxRec &from, const TBoxRec &to)
    {
        struct Node {
            TBoxRec box;
            std::vector<int> path;
        };
        std::deque<Node> open{{from, {}}};
        while (!open.empty()) {
            Node n = open.front();
            open.pop_front();
            if (SameBoxFaces(n.box, to))
                return n.path;
            if (n.path.size() >= 4)
                continue;
            for (int d = 1; d <= 4; ++d) {
                Node next = n;
                TurnRecord(next.box, d);
                next.path.push_back(d);
                open.push_back(next);
            }
        }
        return {};
    }

    static QPoint Offset(int dir)
    {
        switch (dir) {
        case 1: return QPoint(-15, 0);
        case 2: return QPoint(15, 0);
        case 3: return QPoint(0, -15);
        default: return QPoint(0, 15);
        }
    }
};

struct GameCase {
    const char *name;
    int levels;
    std::vector<int> draws;   // the set-up's draws
    bool hallOfFame;          // the score qualifies against the empty table
};

// Set-up draws of a cube of n levels: per level the bonus and bad places,
// then per box its front face and left turn; all boxes alike except the
// front boxes listed as (level, row, front face).
std::vector<int> FrontScramble(int n, std::vector<std::array<int, 3>> odd)
{
    std::vector<int> v;
    for (int L = 0; L < n; ++L) {
        v.push_back(0);
        v.push_back(1);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                int front = 0;
                for (const auto &o : odd)
                    if (o[0] == L && o[1] == r && c == n - 1)
                        front = o[2];
                v.push_back(front);
                v.push_back(0);
            }
    }
    return v;
}

// ctest names the cases by these.
void PrintTo(const GameCase &c, std::ostream *os)
{
    *os << c.name;
}

class EndToEndGames : public EndToEnd, public ::testing::WithParamInterface<GameCase> {};

TEST_P(EndToEndGames, JumbledCubePlayedToTheEnd)
{
    const GameCase &c = GetParam();
    // The real modal dialog this time.
    SetDialogRunner(nullptr);
    QString messageAtDialog;
    bool dialogSeen = false;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto *d = qobject_cast<THighScrs *>(QApplication::activeModalWidget());
        if (!d || dialogSeen)
            return;
        dialogSeen = true;
        messageAtDialog = w->panel.messageText[0].GetText();
        EXPECT_FALSE(settings->inputEnabled);
        QTest::keyClicks(&d->nameEdit, "Player One");
        // Enter goes to the name field, the dialog's focus, and on to the
        // dialog: add the score; then again: save and close.
        EXPECT_EQ(d->focusWidget(), &d->nameEdit);
        QTest::keyClick(&d->nameEdit, Qt::Key_Return);
        EXPECT_EQ(d->enterState, 1);
        QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
        if (d->isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            d->done(2);
        }
    });
    driver.start();

    settings->gameType = 2;
    settings->levels = c.levels;
    random.values = c.draws;
    random.next = 0;
    QTest::keyClick(View(), Qt::Key_N);
    ASSERT_FALSE(w->flow.introRunning);
    ASSERT_EQ(w->flow.game->levels, c.levels);
    ASSERT_FALSE(w->flow.game->finished) << "the scripted set-up is scrambled";

    const int n = c.levels;
    int actions = 0;
    while (!w->flow.game->finished && actions < 200) {
        const TBoxRec reference = w->flow.game->box[0][n - 1][n - 1];
        TBoxRec *wrong = nullptr;
        for (int L = 0; L < n && !wrong; ++L)
            for (int r = 0; r < n && !wrong; ++r)
                if (!SameBoxFaces(Front(L, r), reference))
                    wrong = &Front(L, r);
        if (wrong) {
            const QPoint p = Centre(*wrong);
            if (w->flow.game->selectedId != wrong->id)
                Click(p);
            ASSERT_EQ(w->flow.game->selectedId, wrong->id);
            for (int d : TurnsBetween(*wrong, reference)) {
                Drag(p, p + Offset(d));
                ++actions;
                if (w->flow.game->finished)
                    break;
            }
        } else {
            // The front is in order: rotate the shape to bring others round.
            TBoxRec *free = nullptr;
            for (int L = 0; L < n && !free; ++L)
                for (int r = 0; r < n && !free; ++r)
                    if (Front(L, r).id != w->flow.game->selectedId)
                        free = &Front(L, r);
            ASSERT_NE(free, nullptr);
            const QPoint p = Centre(*free);
            Drag(p, p + Offset(1));
        }
        ++actions;
        Drain();
    }
    ASSERT_TRUE(w->flow.game->finished) << "solved within " << actions << " actions";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialogSeen || std::find(sounds.begin(), sounds.end(), "GDJOB") != sounds.end(); }, 60000));
    Drain();

    EXPECT_EQ(dialogSeen, c.hallOfFame) << "score " << w->flow.game->score;
    if (dialogSeen) {
        EXPECT_EQ(messageAtDialog, "Congratulations!");
        EXPECT_NE(std::find(sounds.begin(), sounds.end(), "CNGRT"), sounds.end());
        EXPECT_EQ(settings->hofScore[1][0], w->flow.game->score);
        EXPECT_EQ(settings->hofNames[1].value(0), "Player One");
        EXPECT_EQ(settings->hofLevels[1][0], c.levels);
        EXPECT_TRUE(settings->inputEnabled);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    } else {
        EXPECT_EQ(w->panel.messageText[0].GetText(), "Good job!");
        EXPECT_EQ(w->panel.messageText[1].GetText(), "Everything appears");
    }
    EXPECT_GT(w->flow.game->moves, 0);
    EXPECT_EQ(w->panel.movesValue.GetText(), QString::number(w->flow.game->moves));
}

INSTANTIATE_TEST_SUITE_P(
    Board, EndToEndGames,
    ::testing::Values(
        // Two levels always score 0: "Good job!".
        GameCase{"TwoLevels", 2, {0, 1, 0, 0, 3, 1, 0, 2, 5, 0, 0, 1, 2, 3, 1, 0, 4, 2, 0, 0}, false},
        // Three levels with two front boxes out of order: a score for the
        // Hall of Fame.
        GameCase{"ThreeLevels", 3, FrontScramble(3, {{0, 0, 2}, {2, 1, 3}}), true}),
    [](const ::testing::TestParamInfo<GameCase> &i) { return std::string(i.param.name); });
