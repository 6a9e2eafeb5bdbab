// Loading and saving games from the window: the file dialogs and their
// texts, what a load leaves behind for each kind of file, round trips of
// every game type, and saves that must not harm what is on disk.
#include "test_window_util.h"

#include "FileSizeLimit.h"
#include "engine/test_options_util.h"
#include "imgutil/FakeFileDlg.h"

#include "GameFile.h"
#include "TGame.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString loadFailure = QStringLiteral("Game Load failure!");
const QString saveFailure = QStringLiteral("Game Save failure! - (Choose a different Directory)");
const QString introRefused = QStringLiteral("The intro cannot be saved - (Start a New Game first)");

// The filter a dialog was given: name, a zero, patterns.
std::u16string Filter(const char *name)
{
    return (QString::fromLatin1(name) + QChar(0) + QStringLiteral("*.qgf")).toStdU16String();
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void SetLE32(QByteArray &b, int at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(uint32_t(v) >> (8 * i));
}

int32_t LE32(const QByteArray &b, int at)
{
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16
                   | uint32_t(uint8_t(b[at + 3])) << 24);
}

class SavedGameTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        games = tmp.path() + "/games/";
        QDir().mkpath(games);
    }

    // A saved Jumbled Pyramid of 5 levels, written by the saved-game code.
    QByteArray PyramidFile()
    {
        TSettings s;
        s.gameType = 3;
        s.levels = 5;
        std::unique_ptr<TGame> g = TGame::Make(3, &s);
        g->Setup();
        g->moves = 7;
        g->score = 55;
        const QString path = games + "made.qgf";
        EXPECT_TRUE(SaveGameFile(s, *g, path));
        const QByteArray bytes = ReadAll(path);
        QFile::remove(path);
        return bytes;
    }

    // The player picks a file in the next file dialog (empty: cancels);
    // `during` sees the window while the dialog is open.
    void NextDialog(const QString &path, std::function<void()> during = {})
    {
        fake.scripts.push_back([path, during](TFakeFileDlg &d) {
            if (during)
                during();
            if (!path.isEmpty())
                d.Choose({path});
        });
    }

    // The board's values the panel shows.
    static QStringList PanelValues(TboxScr &w)
    {
        return {w.panel.scoreValue.GetText(), w.panel.movesValue.GetText(), w.panel.disorderValue.GetText()};
    }

    QString games;
    TFakeFileDlg fake;
};

} // namespace

TEST_F(SavedGameTest, WhatALoadLeavesBehind)
{
    const QByteArray valid = PyramidFile();
    ASSERT_EQ(valid.size(), 108 + 24 * 125);
    QByteArray type7 = valid;
    SetLE32(type7, 14, 7);
    QByteArray idOutOfPlace = valid;
    SetLE32(idOutOfPlace, 44, BoxId(0, 0, 1));   // the first box claims the id of the second
    ASSERT_TRUE(WriteAll(games + "valid.qgf", valid));
    ASSERT_TRUE(WriteAll(games + "type7.qgf", type7));
    ASSERT_TRUE(WriteAll(games + "short.qgf", valid.left(valid.size() - 1)));
    ASSERT_TRUE(WriteAll(games + "id.qgf", idOutOfPlace));
    ASSERT_TRUE(WriteAll(games + "locked.qgf", valid));
    ASSERT_TRUE(QFile::setPermissions(games + "locked.qgf", QFileDevice::WriteOwner));

    struct Case {
        const char *what;
        QString chosen;   // empty: the dialog is cancelled
        bool loads;
        bool message;
    } cases[] = {
        {"cancelled", "", false, false},
        {"missing file", games + "none.qgf", false, true},
        {"unreadable file", games + "locked.qgf", false, true},
        {"game type 7", games + "type7.qgf", false, true},
        {"body one byte short", games + "short.qgf", false, true},
        {"a box id out of place", games + "id.qgf", false, true},
        {"valid file", games + "valid.qgf", true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TboxScr &w = OpenGame(2, 4);
        w.flow.RotateShape(1);
        const TGame *running = w.flow.game;
        const QString folderBefore = w.settings->gameFolder;
        prompts.clear();
        fake.shown.clear();
        bool inputDuring = true;
        NextDialog(c.chosen, [&] { inputDuring = w.settings->inputEnabled; });

        {
#ifdef __linux__
            NoPermissionOverride asUser;
#endif
            w.LoadGame();
        }

        ASSERT_EQ(fake.shown.size(), 1u);
        const TFakeFileDlg::Shown &shown = fake.shown[0];
        EXPECT_EQ(shown.mode, VlmImgUt::TDlgMode::Open);
        EXPECT_EQ(shown.title, QStringLiteral("Load quibo Game File"));
        EXPECT_EQ(shown.filter, Filter("quibo Game Files [.qgf]"));
        EXPECT_EQ(shown.folder, folderBefore);
        EXPECT_TRUE(shown.fileName.isEmpty());
        EXPECT_EQ(shown.owner, &w);
        EXPECT_FALSE(inputDuring);
        EXPECT_TRUE(w.settings->inputEnabled);

        ASSERT_NE(w.flow.game, nullptr);
        EXPECT_EQ(w.flow.game != running, c.loads);
        EXPECT_EQ(w.settings->gameType, c.loads ? 3 : 2);
        EXPECT_EQ(w.settings->levels, c.loads ? 5 : 4);
        EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), w.settings->gameType - 1);
        EXPECT_EQ(w.panel.levelsDrop.GetIndex(), w.settings->levels - 2);
        EXPECT_EQ(w.settings->gameFolder, c.chosen.isEmpty() ? folderBefore : games);
        EXPECT_EQ(prompts, c.message ? QStringList{loadFailure} : QStringList{});
        if (c.loads) {
            EXPECT_EQ(w.flow.game->moves, 7);
            EXPECT_EQ(w.flow.game->score, 55);
            EXPECT_EQ(w.panel.shapeTitle.GetText(), QStringLiteral("Pyramid"));
            EXPECT_EQ(w.panel.movesValue.GetText(), QStringLiteral("7"));
        }
    }
}

TEST_F(SavedGameTest, AFailedLoadLeavesTheGamePlayableAndTheOptionsFileAsItWas)
{
    QByteArray type7 = PyramidFile();
    SetLE32(type7, 14, 7);
    ASSERT_TRUE(WriteAll(games + "type7.qgf", type7));
    TboxScr &w = OpenGame(2, 4);
    NextDialog(games + "type7.qgf");
    w.LoadGame();
    ASSERT_EQ(prompts, QStringList{loadFailure});

    // The game still answers, and New Game starts the type the list shows.
    const int moves = w.flow.game->moves;
    w.flow.RotateLevel(1, 1);
    EXPECT_EQ(w.flow.game->moves, moves + 1);
    w.flow.NewGame();
    ASSERT_NE(w.flow.game, nullptr);
    EXPECT_EQ(w.settings->gameType, 2);

    // At the end the options file keeps the running type and levels.
    w.close();
    const QByteArray stored = ReadAll(w.settings->optionsFile);
    ASSERT_GE(stored.size(), 22);
    EXPECT_EQ(LE32(stored, 14), 2);
    EXPECT_EQ(LE32(stored, 18), 4);
}

// ---- Round trips ------------------------------------------------------------------

class SavedGameRoundTrip : public SavedGameTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(SavedGameRoundTrip, KeepsTheGameAndThePanel)
{
    const auto [type, levels] = GetParam();
    TboxScr &w = OpenGame(type, levels);
    // Moves the player can make in that game type.
    w.flow.RotateShape(2);
    TGame &g = *w.flow.game;
    if (type == 1) {
        // A piece of the front face dropped on another cell (a drop when
        // its group is not the whole face).
        const int half = w.settings->boxSize / 2;
        const TBoxRec &from = g.box[0][0][levels - 1], &to = g.box[levels - 1][levels - 1][levels - 1];
        g.ClickBox(from.x + half, from.y + half, false);
        g.ClickBox(to.x + half, to.y + half, false);
        w.board->Rerender(true);
    } else {
        w.flow.RotateLevel(levels, 1);
        if (type != 4) {
            g.selectedId = g.box[levels - 1][levels - 1][levels - 1].id;
            w.flow.TurnBox(1);
        }
    }
    w.View()->repaint();
    const QStringList values = PanelValues(w);
    const int moves = g.moves, score = g.score;
    if (type != 1) {
        EXPECT_GT(moves, 0);
    }

    const QString first = games + "first.qgf";
    NextDialog(first);
    w.SaveGame();
    ASSERT_TRUE(prompts.isEmpty()) << prompts.join("; ").toStdString();
    const QByteArray saved = ReadAll(first);
    EXPECT_EQ(LE32(saved, 14), type);
    EXPECT_EQ(LE32(saved, 18), levels);
    // Another game of another type and size runs when the file is loaded.
    w.settings->gameType = type % 4 + 1;
    w.settings->levels = levels == 5 ? 3 : 5;
    w.flow.ShowStoredSelection();
    w.flow.NewGame();
    NextDialog(first);
    w.LoadGame();
    ASSERT_TRUE(prompts.isEmpty()) << prompts.join("; ").toStdString();

    EXPECT_EQ(w.settings->gameType, type);
    EXPECT_EQ(w.settings->levels, levels);
    EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), type - 1);
    EXPECT_EQ(w.panel.levelsDrop.GetIndex(), levels - 2);
    EXPECT_EQ(w.flow.game->moves, moves);
    EXPECT_EQ(w.flow.game->score, score);
    EXPECT_EQ(PanelValues(w), values);
    // Saved again, the game gives the same bytes: every box, counter, id
    // and piece came back (and the board was laid out as before). Only the
    // previous disorder moves on: the render after the load evaluated the
    // board once more.
    const QString second = games + "second.qgf";
    NextDialog(second);
    w.SaveGame();
    QByteArray again = ReadAll(second);
    ASSERT_EQ(again.size(), saved.size());
    EXPECT_EQ(LE32(again, 36), LE32(saved, 40)) << "the disorder as loaded";
    again.replace(36, 4, saved.mid(36, 4));
    for (int i = 0; i < saved.size(); ++i)
        ASSERT_EQ(again[i], saved[i]) << "first difference at byte " << i;
}

INSTANTIATE_TEST_SUITE_P(SavedGames, SavedGameRoundTrip,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4), ::testing::Values(2, 5, 8)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>> &info) {
                             return "Type" + std::to_string(std::get<0>(info.param)) + "Levels"
                                    + std::to_string(std::get<1>(info.param));
                         });

// ---- Saving -----------------------------------------------------------------------

TEST_F(SavedGameTest, SaveDialogProposesATimeStampedNameInTheLastFolder)
{
    TboxScr &w = OpenGame(2, 4);
    const QString start = w.settings->gameFolder;
    ASSERT_TRUE(start.endsWith('/'));
    bool inputDuring = true;
    NextDialog(games + "mine.qgf", [&] { inputDuring = w.settings->inputEnabled; });
    w.SaveGame();
    ASSERT_EQ(fake.shown.size(), 1u);
    const TFakeFileDlg::Shown &shown = fake.shown[0];
    EXPECT_EQ(shown.mode, VlmImgUt::TDlgMode::Save);
    EXPECT_EQ(shown.title, QStringLiteral("Load quibo Game File"));
    EXPECT_EQ(shown.filter, Filter("quibo Game File [.qgf]"));
    EXPECT_EQ(shown.defExt, QStringLiteral("qgf"));
    EXPECT_EQ(shown.folder, start);
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(start) + "qvs[0-9]{14}\\.qgf$")
                    .match(shown.fileName)
                    .hasMatch())
        << shown.fileName.toStdString();
    EXPECT_FALSE(inputDuring);
    EXPECT_TRUE(w.settings->inputEnabled);
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(ReadAll(games + "mine.qgf").size(), 108 + 24 * 64);

    // The next save starts in the folder of that one; cancelled, it writes
    // nothing and keeps the folder.
    NextDialog("");
    w.SaveGame();
    ASSERT_EQ(fake.shown.size(), 2u);
    EXPECT_EQ(fake.shown[1].folder, games);
    EXPECT_TRUE(fake.shown[1].fileName.startsWith(games + "qvs"));
    EXPECT_EQ(w.settings->gameFolder, games);
    EXPECT_EQ(QDir(games).entryList(QDir::Files), QStringList{"mine.qgf"});
}

TEST_F(SavedGameTest, TheIntroIsNotSaved)
{
    TboxScr &w = Open();
    ASSERT_TRUE(w.flow.introRunning);
    w.SaveGame();
    EXPECT_EQ(prompts, QStringList{introRefused});
    EXPECT_TRUE(fake.shown.empty());
    EXPECT_TRUE(w.settings->inputEnabled);
}

#ifdef __linux__
TEST_F(SavedGameTest, SaveIntoAReadOnlyFolderKeepsTheFileThere)
{
    const QString folder = tmp.path() + "/locked/";
    QDir().mkpath(folder);
    const QByteArray good = PyramidFile();
    ASSERT_TRUE(WriteAll(folder + "keep.qgf", good));
    TboxScr &w = OpenGame(2, 4);
    const auto open = QFile::permissions(folder);
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    {
        NoPermissionOverride asUser;
        ASSERT_FALSE(QFile(folder + "probe").open(QIODevice::WriteOnly)) << "the folder must be read-only";
        NextDialog(folder + "keep.qgf");
        w.SaveGame();
    }
    QFile::setPermissions(folder, open);
    EXPECT_EQ(prompts, QStringList{saveFailure});
    EXPECT_EQ(ReadAll(folder + "keep.qgf"), good);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.qgf"});
    EXPECT_EQ(w.settings->gameFolder, folder);
}
#endif

#ifdef __linux__
TEST_F(SavedGameTest, SaveThatRunsOutOfDiskKeepsTheOldSave)
{
    const QByteArray good = PyramidFile();
    ASSERT_TRUE(WriteAll(games + "keep.qgf", good));
    TboxScr &w = OpenGame(2, 8);   // 12,396 bytes: more than the disk takes
    NextDialog(games + "keep.qgf");
    {
        FileSizeLimit disk(4000);
        ASSERT_TRUE(disk.ok);
        w.SaveGame();
    }
    EXPECT_EQ(prompts, QStringList{saveFailure});
    EXPECT_EQ(ReadAll(games + "keep.qgf"), good);
    EXPECT_EQ(QDir(games).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.qgf"});

    // With room again the same save replaces it.
    prompts.clear();
    NextDialog(games + "keep.qgf");
    w.SaveGame();
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(ReadAll(games + "keep.qgf").size(), 108 + 24 * 512);
}
#endif

// ---- Openers ------------------------------------------------------------------------

TEST_F(SavedGameTest, PanelAndMenuOpenTheFileDialogsWithTheBoardPaused)
{
    TboxScr &w = OpenGame(2, 4);
    QMenu *gameMenu = w.menuBar.actions()[0]->menu();
    auto entry = [gameMenu](const char *text) {
        for (QAction *a : gameMenu->actions())
            if (a->text() == QString::fromLatin1(text))
                return a;
        return static_cast<QAction *>(nullptr);
    };
    ASSERT_TRUE(entry("Load Game...") && entry("Save Game..."));
    struct Opener {
        const char *what;
        std::function<void()> open;
        VlmImgUt::TDlgMode mode;
    } openers[] = {
        {"panel Load", [&] { QTest::mouseClick(&w.panel.loadButton, Qt::LeftButton); }, VlmImgUt::TDlgMode::Open},
        {"panel Save", [&] { QTest::mouseClick(&w.panel.saveButton, Qt::LeftButton); }, VlmImgUt::TDlgMode::Save},
        {"menu Load", [&] { entry("Load Game...")->trigger(); }, VlmImgUt::TDlgMode::Open},
        {"menu Save", [&] { entry("Save Game...")->trigger(); }, VlmImgUt::TDlgMode::Save},
    };
    for (const Opener &o : openers) {
        SCOPED_TRACE(o.what);
        fake.shown.clear();
        bool inputDuring = true;
        NextDialog("", [&] { inputDuring = w.settings->inputEnabled; });
        w.panel.setFocus();
        o.open();
        ASSERT_EQ(fake.shown.size(), 1u);
        EXPECT_EQ(fake.shown[0].mode, o.mode);
        EXPECT_FALSE(inputDuring);
        EXPECT_TRUE(w.settings->inputEnabled);
        EXPECT_TRUE(w.View()->hasFocus());
    }
    EXPECT_TRUE(prompts.isEmpty());
}
