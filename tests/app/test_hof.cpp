// The Hall of Fame dialog: ranking and listing, adding a score, clearing,
// the Enter key's states, the flash, Save and Cancel, run without a modal
// loop; its saves beside another game's.
#include "HtmlHelp.h"
#include "screen_util.h"
#include "Prompts.h"
#include "SaveLock.h"
#include "THighScrs.h"
#include "TSettings.h"
#include "environment_util.h"
#include "VlScale.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Scores = std::vector<int>;

void FillTable(TSettings &s, int t, const Scores &scores, const QStringList &names = {})
{
    s.hofNames[t].resize(10);
    for (int e = 0; e < 10; ++e) {
        s.hofScore[t][e] = e < int(scores.size()) ? scores[size_t(e)] : 0;
        s.hofLevels[t][e] = e < int(scores.size()) ? 3 + e % 5 : 0;
        s.hofNames[t][e] = e < names.size() ? names[e]
                         : e < int(scores.size()) ? QStringLiteral("N%1").arg(e) : QString();
    }
}

THighScrs::TTable &TableOf(THighScrs &d, int t) { return d.entries[t]; }

} // namespace

class HofTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.gameType = 2;
        settings.levels = 5;
        SetPromptAnswerer([this](const QString &text) {
            prompts.push_back(text);
            return true;
        });
    }
    void TearDown() override
    {
        dialog.reset();
        SetPromptAnswerer(nullptr);
        if (settings.helpWindow)
            settings.helpWindow->close();
    }
    THighScrs &Open(int score)
    {
        dialog = std::make_unique<THighScrs>(&settings, score);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }
    // Not shown: no paint starts the flash until the test shows it.
    THighScrs &Make(int score)
    {
        dialog = std::make_unique<THighScrs>(&settings, score);
        return *dialog;
    }
    QString Cell(int row, int col) const { return dialog->table.GetCell(row, col); }
    void Enter() { QTest::keyClick(dialog.get(), Qt::Key_Return); }

    TSettings settings;
    std::unique_ptr<THighScrs> dialog;
    QStringList prompts;
};

// ---- Ranking, listing and adding ------------------------------------------------

struct RankCase {
    const char *name;
    Scores scores;
    int score;
    int rank;
    int entry;          // the entry an add replaces
    int listedRow;      // the row the new score is listed in after the add (0-based)
};

// ctest names the cases by these.
void PrintTo(const RankCase &c, std::ostream *os)
{
    *os << c.name;
}

class HofRanking : public HofTest, public ::testing::WithParamInterface<RankCase> {};

TEST_P(HofRanking, RankEntryAndListedPlace)
{
    const RankCase &c = GetParam();
    FillTable(settings, 1, c.scores);
    THighScrs &d = Open(c.score);
    EXPECT_EQ(d.rankValue.GetText(), QString::number(c.rank));
    EXPECT_EQ(THighScrs::ReplacedEntry(TableOf(d, 1)), c.entry);
    QTest::keyClicks(&d.nameEdit, "Newcomer");
    d.AddNewScore();
    EXPECT_EQ(TableOf(d, 1)[c.entry].score, c.score);
    EXPECT_EQ(TableOf(d, 1)[c.entry].name, "Newcomer");
    EXPECT_EQ(TableOf(d, 1)[c.entry].levels, 5);
    EXPECT_EQ(Cell(c.listedRow, 1), "Newcomer");
    EXPECT_EQ(Cell(c.listedRow, 3), QString::number(c.score));
    EXPECT_EQ(Cell(c.listedRow, 2), "5");
}

INSTANTIATE_TEST_SUITE_P(
    Hof, HofRanking,
    ::testing::Values(
        RankCase{"EmptyTable", {}, 40, 1, 0, 0},
        // an equal score already in the table ranks ahead of the new one
        RankCase{"TieGoesBelowTheOlder", {900, 500, 300}, 500, 3, 3, 2},
        RankCase{"Highest", {900, 500, 300}, 1000, 1, 3, 0},
        RankCase{"Lowest", {900, 500, 300}, 10, 4, 3, 3},
        // a full table: the first lowest entry goes, even for a lower score
        RankCase{"FullTableReplacesFirstLowest", {70, 10, 90, 10, 50, 60, 80, 20, 30, 40}, 55, 5, 1, 4},
        RankCase{"FullTableLowerStill", {70, 15, 90, 15, 50, 60, 80, 20, 30, 40}, 5, 10, 1, 9}),
    [](const ::testing::TestParamInfo<RankCase> &i) { return std::string(i.param.name); });

TEST_F(HofTest, ListOrderTakesHighestFirstAndTheLowerEntryOnTies)
{
    THofEntry t[10];
    const int scores[10] = {30, 0, 50, 30, -5, 50, 0, 10, 0, 0};
    for (int e = 0; e < 10; ++e)
        t[e].score = scores[e];
    EXPECT_EQ(THighScrs::ListOrder(t), (std::vector<int>{2, 5, 0, 3, 7}));
    EXPECT_EQ(THighScrs::RankOf(t, 30), 5);
}

TEST_F(HofTest, TableWithFourEntriesShowsTenRanks)
{
    FillTable(settings, 1, {400, 300, 200, 100});
    settings.hofLevels[1][2] = 0;   // from an old options file
    Open(0);
    ASSERT_EQ(dialog->table.rowCount(), 10);
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(Cell(r, 0), QString::number(r + 1));
        EXPECT_EQ(Cell(r, 1).isEmpty(), r >= 4) << r;
        EXPECT_EQ(Cell(r, 3).isEmpty(), r >= 4) << r;
    }
    EXPECT_EQ(Cell(0, 3), "400");
    EXPECT_EQ(Cell(2, 2), "") << "levels 0 shows an empty cell";
    EXPECT_EQ(Cell(1, 2), "4");
}

TEST_F(HofTest, NamesStayWithTheirEntries)
{
    // Entry 3 has a score but no name (a hand-made file): the others keep
    // their own names in every row.
    FillTable(settings, 1, {400, 300, 200, 500}, {"A", "B", "C", ""});
    Open(0);
    EXPECT_EQ(Cell(0, 1), "");
    EXPECT_EQ(Cell(0, 3), "500");
    EXPECT_EQ(Cell(1, 1), "A");
    EXPECT_EQ(Cell(2, 1), "B");
    EXPECT_EQ(Cell(3, 1), "C");
    EXPECT_EQ(Cell(3, 3), "200");
}

TEST_F(HofTest, EmptyNameIsRefused)
{
    FillTable(settings, 1, {100});
    THighScrs &d = Open(200);
    d.AddNewScore();
    EXPECT_EQ(prompts, QStringList{"Your Name please O Great One?"});
    EXPECT_EQ(d.enterState, 2);
    EXPECT_FALSE(d.changed);
    EXPECT_EQ(TableOf(d, 1)[1].score, 0);
    EXPECT_FALSE(d.newScoreBox.isHidden());
}

TEST_F(HofTest, AddGoesToThePlayedTypeAfterTheListWasSwitched)
{
    FillTable(settings, 0, {700});
    THighScrs &d = Open(300);
    d.gameTypeDrop.SetKey(0);
    d.ListScores();
    EXPECT_EQ(Cell(0, 3), "700");
    QTest::keyClicks(&d.nameEdit, "Me");
    d.AddNewScore();
    EXPECT_EQ(d.gameTypeDrop.GetKey(), 1);
    EXPECT_EQ(TableOf(d, 1)[0].score, 300);
    EXPECT_EQ(TableOf(d, 0)[1].score, 0);
    EXPECT_EQ(Cell(0, 1), "Me");
}

TEST_F(HofTest, AddShrinksTheDialogAndSpreadsTheButtons)
{
    THighScrs &d = Open(100);
    EXPECT_EQ(d.size(), QSize(348, 380));
    EXPECT_EQ(d.pos(), QPoint(0, 0));
    EXPECT_TRUE(d.nameEdit.hasFocus());
    EXPECT_TRUE(d.saveButton.isHidden());
    EXPECT_TRUE(d.addButton.font().underline());
    QTest::keyClicks(&d.nameEdit, "Ann");
    Enter();   // state 2: adds
    EXPECT_TRUE(d.newScoreBox.isHidden());
    EXPECT_EQ(d.height(), 273);
    EXPECT_EQ(d.buttonStrip.y(), 243);
    EXPECT_EQ(d.enterState, 1);
    EXPECT_FALSE(d.saveButton.isHidden());
    EXPECT_TRUE(d.saveButton.font().underline());
    EXPECT_FALSE(d.cancelButton.font().underline());
    EXPECT_EQ(d.saveButton.x(), 0);
    EXPECT_EQ(d.clearButton.x(), 80);
    EXPECT_EQ(d.cancelButton.x(), 180);
    EXPECT_EQ(d.helpButton.x(), 260);
}

TEST_F(HofTest, ViewingModeLayoutAndEnterCloses)
{
    THighScrs &d = Open(0);
    EXPECT_EQ(d.size(), QSize(348, 273));
    EXPECT_EQ(d.buttonStrip.y(), 243);
    EXPECT_TRUE(d.newScoreBox.parent() == nullptr || d.newScoreBox.isHidden());
    EXPECT_TRUE(d.cancelButton.font().underline());
    EXPECT_EQ(d.enterState, 0);
    Enter();
    EXPECT_EQ(d.result(), 2);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(HofTest, EscapeIsNotHandled)
{
    THighScrs &d = Open(0);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Key(27));
}

TEST_F(HofTest, ClearEmptiesOnlyTheShownTable)
{
    FillTable(settings, 1, {300, 200});
    FillTable(settings, 2, {50});
    THighScrs &d = Open(0);
    d.ClearScores();
    for (int e = 0; e < 10; ++e) {
        EXPECT_EQ(TableOf(d, 1)[e].score, 0);
        EXPECT_TRUE(TableOf(d, 1)[e].name.isEmpty());
    }
    EXPECT_EQ(TableOf(d, 2)[0].score, 50);
    EXPECT_EQ(d.enterState, 1);
    EXPECT_FALSE(d.saveButton.isHidden());
    EXPECT_TRUE(Cell(0, 3).isEmpty());
    EXPECT_EQ(settings.hofScore[1][0], 300) << "nothing reaches the settings before Save";
}

TEST_F(HofTest, ClearInNewScoreModeKeepsTheBoxAndEnterSavesWithoutAdding)
{
    FillTable(settings, 1, {300});
    THighScrs &d = Open(400);
    d.ClearScores();
    EXPECT_FALSE(d.newScoreBox.isHidden());
    EXPECT_EQ(d.enterState, 1);
    settings.optionsFile = "/nonexistent-dir/x/boxOpts.pcg";
    Enter();
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(settings.hofScore[1][0], 0);
}

TEST_F(HofTest, CancelDiscardsAddAndClear)
{
    FillTable(settings, 1, {300, 200});
    THighScrs &d = Open(250);
    QTest::keyClicks(&d.nameEdit, "Bo");
    d.AddNewScore();
    d.ClearScores();
    QTest::mouseClick(&d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(d.result(), 2);
    EXPECT_EQ(settings.hofScore[1][0], 300);
    EXPECT_EQ(settings.hofScore[1][2], 0);
    EXPECT_EQ(settings.hofNames[1][1], "N1");
}

TEST_F(HofTest, HelpOpensTheHallOfFameTopic)
{
    THighScrs &d = Open(0);
    QTest::mouseClick(&d.helpButton, Qt::LeftButton);
    ASSERT_TRUE(settings.helpWindow);
    EXPECT_TRUE(HtmlHelp::CurrentPage(settings.helpWindow).endsWith("Fam000.htm"));
}

TEST_F(HofTest, OtherScaleSizesTheDialog)
{
    SetInterfaceScale(nullptr, 'W', 'j', false);
    THighScrs &d = Open(100);
    EXPECT_EQ(d.size(), QSize(int(348 * VlScaleX + 0.5f), int(380 * VlScaleY + 0.5f)));
    EXPECT_EQ(d.pos(), QPoint(0, 0));
    EXPECT_EQ(d.titleBox.width(), int(332 * VlScaleX + 0.5f));
    dialog.reset();
    SetInterfaceScale(nullptr, 'W', 'n', false);
}

TEST_F(HofTest, BrokenGameTypeShowsTheFirstTableAndAddsNothing)
{
    settings.gameType = 7;
    FillTable(settings, 0, {10});
    THighScrs &d = Open(100);
    EXPECT_EQ(d.gameTypeDrop.GetKey(), 0);
    EXPECT_EQ(Cell(0, 3), "10");
    QTest::keyClicks(&d.nameEdit, "X");
    d.AddNewScore();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(TableOf(d, t)[1].score, 0);
}

// ---- The flash --------------------------------------------------------------------

struct FlashCase {
    int ticks;
    int dialog[3];   // red, green, blue
    int box[3];
};

void PrintTo(const FlashCase &c, std::ostream *os)
{
    *os << c.ticks << " ticks";
}

class HofFlash : public HofTest, public ::testing::WithParamInterface<FlashCase> {};

TEST_P(HofFlash, ColoursAfterTicks)
{
    const FlashCase &c = GetParam();
    THighScrs &d = Make(100);
    for (int i = 0; i < c.ticks; ++i)
        d.FlashStep();
    EXPECT_EQ(d.dialogColor, Color(RGBColor(c.dialog[0], c.dialog[1], c.dialog[2])));
    EXPECT_EQ(d.newScoreBox.color, Color(RGBColor(c.box[0], c.box[1], c.box[2])));
    EXPECT_EQ(d.titleBox.color, d.newScoreBox.color);
    const QImage shot = d.grab().toImage();
    EXPECT_EQ(FromQRgb(shot.pixel(2, shot.height() - 2)), COLORREF(d.dialogColor)) << "the paint fills with it";
}

INSTANTIATE_TEST_SUITE_P(Hof, HofFlash,
                         ::testing::Values(FlashCase{0, {36, 36, 36}, {0, 0, 0}},
                                           FlashCase{1, {44, 44, 52}, {8, 16, 8}},
                                           FlashCase{14, {148, 148, 4}, {112, 224, 112}},
                                           FlashCase{16, {164, 164, 36}, {128, 0, 128}},
                                           FlashCase{32, {36, 36, 36}, {0, 0, 0}},
                                           FlashCase{33, {36, 36, 36}, {0, 0, 0}}));

TEST_F(HofTest, FlashRunsFromThePaintAndStopsAtTheRestoringTick)
{
    THighScrs &d = Make(100);
    EXPECT_TRUE(d.flashing);
    EXPECT_EQ(d.flashTimer, 0);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    d.repaint();
    ASSERT_NE(d.flashTimer, 0) << "the first paint starts the flash";
    while (d.flashTicks < 32)
        d.FlashStep();
    EXPECT_NE(d.flashTimer, 0) << "32 steps, then one more tick";
    EXPECT_TRUE(d.flashing);
    d.FlashStep();
    EXPECT_EQ(d.flashTimer, 0);
    EXPECT_FALSE(d.flashing);
    EXPECT_EQ(d.flashTicks, 0);
    d.repaint();
    EXPECT_EQ(d.flashTimer, 0) << "no new flash without an add";
}

TEST_F(HofTest, AddStartsANewFlashFromTheChannelsReached)
{
    THighScrs &d = Make(100);
    for (int i = 0; i < 5; ++i)
        d.FlashStep();
    QTest::keyClicks(&d.nameEdit, "Ann");
    d.AddNewScore();
    EXPECT_TRUE(d.flashing);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    d.repaint();
    EXPECT_NE(d.flashTimer, 0);
    const int k = d.flashTicks;   // ticks of the new flash so far (from 0)
    EXPECT_LT(k, 32);
    d.FlashStep();
    const int steps = 5 + k + 1;
    EXPECT_EQ(d.newScoreBox.color, Color(RGBColor(8 * steps % 256, 16 * steps % 256, 8 * steps % 256)))
        << "the box channels go on from where the first flash left them";
}

TEST_F(HofTest, ViewingModeNeverFlashes)
{
    THighScrs &d = Open(0);
    QApplication::processEvents();
    d.repaint();
    EXPECT_EQ(d.flashTimer, 0);
    EXPECT_FALSE(d.flashing);
}

TEST_F(HofTest, TimerDrivesTheWholeFlash)
{
    // The flash timer's ticks, sent one by one: 32 steps, and the 33rd
    // restores the colours and stops the timer. Another timer's tick is
    // not the flash's.
    THighScrs &d = Open(100);
    d.repaint();
    const int timer = d.flashTimer;
    ASSERT_NE(timer, 0);
    QTimerEvent other(timer + 1000);
    QCoreApplication::sendEvent(&d, &other);
    EXPECT_EQ(d.flashTicks, 0);
    for (int tick = 1; tick <= 33 && d.flashing; ++tick) {
        QTimerEvent e(timer);
        QCoreApplication::sendEvent(&d, &e);
        if (tick == 16) {
            EXPECT_EQ(d.newScoreBox.color, Color(RGBColor(128, 0, 128)));
        }
    }
    EXPECT_FALSE(d.flashing);
    EXPECT_EQ(d.flashTimer, 0);
    EXPECT_EQ(d.dialogColor, d.savedDialogColor);
}

// ---- Save ---------------------------------------------------------------------------

class HofSaveTest : public HofTest {
protected:
    void SetUp() override
    {
        HofTest::SetUp();
        ASSERT_TRUE(tmp.isValid());
        env = EnvironmentBelow(tmp.path());
        env.workAreaWidth = 1024;
        env.workAreaHeight = 738;
        full = std::make_unique<TSettings>(env);
        full->gameType = 2;
        full->levels = 4;
        // The load may have written merged options: start from none.
        if (!full->optionsFile.isEmpty())
            QFile::remove(full->optionsFile);
    }
    void TearDown() override
    {
        dialog.reset();
        full.reset();
        HofTest::TearDown();
    }
    THighScrs &OpenFull(int score)
    {
        dialog = std::make_unique<THighScrs>(full.get(), score);
        dialog->show();
        return *dialog;
    }
    QString OptionsPath() const { return full->optionsFile; }

    QTemporaryDir tmp;
    TSettings::Environment env;
    std::unique_ptr<TSettings> full;
};

TEST_F(HofSaveTest, SaveWithoutChangesWritesNothing)
{
    THighScrs &d = OpenFull(0);
    d.StoreScores();
    EXPECT_EQ(d.result(), 1);
    EXPECT_TRUE(full->optionsFile.isEmpty() || !QFile::exists(full->optionsFile));
}

TEST_F(HofSaveTest, SaveCopiesTheTablesAndWritesTheFileReadBackByPosition)
{
    FillTable(*full, 1, {900, 500, 300});
    THighScrs &d = OpenFull(500);
    QTest::keyClicks(&d.nameEdit, "Zed");
    Enter();
    Enter();   // state 1: save and close
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(full->hofScore[1][3], 500);
    ASSERT_EQ(full->hofNames[1].size(), 10);
    EXPECT_EQ(full->hofNames[1][3], "Zed");
    EXPECT_EQ(full->hofLevels[1][3], 4);
    ASSERT_TRUE(QFile::exists(OptionsPath()));
    EXPECT_TRUE(prompts.isEmpty());

    TSettings again(env);
    EXPECT_EQ(again.hofScore[1][3], 500);
    EXPECT_EQ(again.hofNames[1][3], "Zed");
    EXPECT_EQ(again.hofNames[1][0], "N0");
    EXPECT_TRUE(again.hofNames[1][4].isEmpty());
}

TEST_F(HofSaveTest, FailedSaveIsReportedAndTheScoresStayInTheSettings)
{
    THighScrs &d = OpenFull(77);
    QTest::keyClicks(&d.nameEdit, "Kay");
    d.AddNewScore();
    full->optionsFile = tmp.path() + "/no/such/dir/boxOpts.pcg";
    full->userFolder.clear();
    d.StoreScores();
    EXPECT_EQ(d.result(), 1);
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_TRUE(prompts[0].startsWith("Save Options failure! - "));
    EXPECT_EQ(full->hofScore[1][0], 77);
    EXPECT_EQ(full->hofNames[1][0], "Kay");
}

TEST_F(HofSaveTest, DoubleClickOnClearScoresClearsButDoesNotSave)
{
    // "Save" appears under the pointer where "Clear Scores" was: the second
    // click of a double click does not press it; a deliberate click after
    // the double-click interval does. The double click comes well within an
    // interval of a minute; the later click once it is over (none).
    FillTable(*full, 1, {300, 200});
    THighScrs &d = OpenFull(0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const QPoint at = d.clearButton.mapTo(&d, QPoint(20, 11));
    ASSERT_TRUE(d.saveButton.geometry().contains(d.buttonStrip.mapFrom(&d, at)));
    MovePointer(d.mapToGlobal(at));

    {
        const TDoubleClickInterval within(60000);
        QTest::mouseDClick(d.windowHandle(), Qt::LeftButton, Qt::NoModifier, at, 120000);
    }
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
    EXPECT_EQ(d.enterState, 1) << "the first click cleared";
    EXPECT_EQ(TableOf(d, 1)[0].score, 0);
    EXPECT_EQ(full->hofScore[1][0], 300) << "nothing saved";
    EXPECT_TRUE(full->optionsFile.isEmpty() || !QFile::exists(full->optionsFile));

    {
        const TDoubleClickInterval over(0);
        QTest::mouseClick(d.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    }
    EXPECT_EQ(d.result(), 1);
    EXPECT_EQ(full->hofScore[1][0], 0);
    EXPECT_TRUE(QFile::exists(OptionsPath()));
}

// Adds a score through the dialog on record s, named, and saves.
void SaveEntryThroughTheDialog(TSettings &s, int score, const char *name)
{
    THighScrs d(&s, score);
    d.show();
    QTest::keyClicks(&d.nameEdit, name);
    QTest::keyClick(&d, Qt::Key_Return);   // add
    QTest::keyClick(&d, Qt::Key_Return);   // save and close
    EXPECT_EQ(d.result(), 1);
}

TEST_F(HofSaveTest, AnOptionsFileOfNoOptionsInTheUserFolderIsKeptAndTheEntrySaved)
{
    const QString file = tmp.path() + "/user/quibo/boxOpts.pcg";
    QByteArray noise(900, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    const QByteArray kinds[] = {QByteArray(1162, '\0'), noise, "Shopping list: eggs.\n"};
    for (const QByteArray &bytes : kinds) {
        QDir(tmp.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(tmp.path() + "/user/quibo"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        prompts.clear();

        TSettings s(env);
        s.gameType = 3;
        s.levels = 6;
        SaveEntryThroughTheDialog(s, 640, "Ann");
        EXPECT_EQ(prompts, QStringList{"Options file damaged! - kept as " + file + ".damaged"});
        QFile kept(file + ".damaged");
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bytes);

        TSettings next(env);
        EXPECT_EQ(next.hofNames[2][0], "Ann");
        EXPECT_EQ(next.hofScore[2][0], 640);
        EXPECT_EQ(next.hofLevels[2][0], 6);
    }
}

TEST_F(HofSaveTest, TwoGamesOnOneFolderEachSaveTheirEntryAndBothStay)
{
    full.reset();
    TSettings a(env), b(env);
    a.gameType = b.gameType = 2;
    a.levels = 5;
    b.levels = 7;
    SaveEntryThroughTheDialog(a, 300, "Ann");
    SaveEntryThroughTheDialog(b, 200, "Bob");
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join('|').toStdString();
    TSettings next(env);
    EXPECT_EQ(next.hofNames[1][0], "Bob");   // B's own entry first, then what the file held
    EXPECT_EQ(next.hofNames[1][1], "Ann");
    EXPECT_EQ(next.hofScore[1][1], 300);
    EXPECT_EQ(next.hofLevels[1][0], 7);
}

TEST_F(HofSaveTest, ClearScoresAfterAnotherGameSavedAnEntryEmptiesTheTableAndLaterEntriesStay)
{
    full.reset();
    {
        TSettings first(env);
        first.gameType = 2;
        SaveEntryThroughTheDialog(first, 500, "Old");
    }
    TSettings a(env), b(env);
    a.gameType = b.gameType = 2;
    const long long waited = SaveLock::WaitedMs();
    SaveEntryThroughTheDialog(b, 800, "Bob");
    {
        // A, open since before B's entry, clears the table and saves.
        THighScrs d(&a, 0);
        d.show();
        d.ClearScores();
        QTest::keyClick(&d, Qt::Key_Return);
        EXPECT_EQ(d.result(), 1);
    }
    EXPECT_TRUE(TSettings(env).hofNames[1].join("").isEmpty());
    SaveEntryThroughTheDialog(b, 600, "Carl");
    TSettings next(env);
    EXPECT_EQ(next.hofNames[1][0], "Carl");
    EXPECT_EQ(next.hofNames[1].join(""), "Carl");
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join('|').toStdString();
    EXPECT_EQ(SaveLock::WaitedMs(), waited) << "a save waited for a lock";
}

TEST_F(HofSaveTest, ASaveWhileAnotherGameHoldsTheLockIsPutOffAndTheEntrySavedAtTheClose)
{
    const QString file = full->commonFolder + "boxOpts.pcg";
    ASSERT_TRUE(QDir().mkpath(full->commonFolder));
    auto other = std::make_unique<SaveLock::TFileLock>(file);
    ASSERT_EQ(other->TryOnce(), SaveLock::State::Held);
    const long long waited = SaveLock::WaitedMs();
    SaveEntryThroughTheDialog(*full, 300, "Ann");
    EXPECT_LE(SaveLock::WaitedMs() - waited, 100);
    EXPECT_EQ(prompts, QStringList{"Options not saved yet - " + file
                                   + " is in use by another game; they are saved with the next save or when quibo "
                                     "closes."});
    EXPECT_EQ(full->hofNames[1][0], "Ann");
    EXPECT_FALSE(QFile::exists(file));
    other.reset();
    EXPECT_TRUE(full->SaveChangedGameSettings());
    EXPECT_EQ(TSettings(env).hofNames[1][0], "Ann");
}
