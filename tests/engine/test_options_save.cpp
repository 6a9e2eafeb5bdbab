// Saves of the options that keep a player's data: a file of the options'
// name that holds something else, damaged files kept, two games saving to
// one folder, equal scores and cleared tables, and the save into the user
// folder when the file in use cannot be written.
#include "test_options_util.h"
#include "OptionsFile.h"
#include "FileSizeLimit.h"
#include "SaveLock.h"

#include <QRandomGenerator>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// No save of these meets another game's lock: none waits for one at all.
class OptionsSaveTest : public OptionsEnvTest {
protected:
    void TearDown() override { EXPECT_EQ(SaveLock::WaitedMs(), waitedBefore) << "a save waited for a lock"; }
    const long long waitedBefore = SaveLock::WaitedMs();
};

// The names of table t from the highest score down, the lower entry first
// on equal scores, as the Hall of Fame lists them.
QStringList Ranked(const TSettings &s, int t)
{
    std::vector<int> order;
    for (int e = 0; e < 10; ++e)
        if (e < s.hofNames[t].size() && !s.hofNames[t][e].isEmpty())
            order.push_back(e);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return s.hofScore[t][x] > s.hofScore[t][y]; });
    QStringList names;
    for (int e : order)
        names << s.hofNames[t][e];
    return names;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// A file that cannot be written whoever runs the test: immutable for the
// superuser, read-only for anyone else.
bool MakeUnwritable(const QString &path, bool unwritable)
{
    if (geteuid() != 0)
        return QFile::setPermissions(path, unwritable ? QFileDevice::ReadOwner
                                                      : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = unwritable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return ok;
}

} // namespace

TEST_F(OptionsSaveTest, AnOptionsFileOfNoOptionsIsKeptAndTheHallOfFameSaved)
{
    const QString file = User() + "boxOpts.pcg";
    QByteArray random(1162, 0);
    QRandomGenerator gen(25);
    for (char &c : random)
        c = char(gen.bounded(256));
    struct Case {
        const char *what;
        QByteArray bytes;
        bool earlierCopy;
    };
    const Case cases[] = {
        {"all zeros", QByteArray(1162, '\0'), false},
        {"random bytes", random, false},
        {"a text file", "My puzzle notes: the red face goes left.\n", false},
        {"a text file, with an earlier copy", "notes\n", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root + "user").removeRecursively();
        QDir(root + "common").removeRecursively();
        QDir(root + "store").removeRecursively();
        ASSERT_TRUE(WriteBytes(file, c.bytes));
        if (c.earlierCopy) {
            ASSERT_TRUE(WriteBytes(file + ".damaged", "an earlier copy"));
        }
        const QString kept = file + (c.earlierCopy ? ".damaged2" : ".damaged");

        auto s = Make();
        EXPECT_EQ(s->optionsFile, file);
        AddEntry(*s, 1, "Ann", 700, 5);
        ASSERT_TRUE(s->SaveOptions()) << s->optionsKeeper.saveFailure.toStdString();
        EXPECT_EQ(s->optionsFile, file);
        EXPECT_EQ(ReadBytes(kept), c.bytes);
        if (c.earlierCopy) {
            EXPECT_EQ(ReadBytes(file + ".damaged"), QByteArray("an earlier copy"));
        }
        EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Options file damaged! - kept as " + kept);

        // Said once: the close-time save writes the file with nothing more.
        s->gameType = 3;
        ASSERT_TRUE(s->SaveChangedGameSettings());
        EXPECT_FALSE(s->optionsKeeper.HasNotice());

        auto next = Make();
        EXPECT_EQ(Entries(*next, 1), QStringList{"Ann 700 5"});
        EXPECT_EQ(next->gameType, 3);
        EXPECT_EQ(ReadBytes(kept), c.bytes);
    }
}

TEST_F(OptionsSaveTest, AFileOfAnotherNameOrALinkIsStillNotWrittenOver)
{
    // A link named like the options file leads to a player's own file.
    const QString notes = root + "notes.txt";
    ASSERT_TRUE(WriteBytes(notes, "notes\n"));
    QDir().mkpath(User());
    ASSERT_TRUE(QFile::link(notes, User() + "boxOpts.pcg"));
    auto s = Make();
    s->optionsFile = User() + "boxOpts.pcg";
    EXPECT_FALSE(s->SaveOptions());
    EXPECT_EQ(ReadBytes(notes), QByteArray("notes\n"));
    EXPECT_FALSE(QFileInfo::exists(User() + "boxOpts.pcg.damaged"));
}

TEST_F(OptionsSaveTest, TwoGamesOnOneFolderKeepEachOthersHallOfFameEntries)
{
    // What the folder holds before both start: one entry in the second table.
    auto first = Make();
    AddEntry(*first, 1, "Old", 400, 4);
    ASSERT_TRUE(first->SaveOptions());
    first.reset();

    struct Case {
        const char *what;
        std::function<void(TSettings &a, TSettings &b)> play;
        QStringList second, third;   // the entries found at the next start
        int gameType;
    };
    const Case cases[] = {
        {"each saves its own entry",
         [](TSettings &a, TSettings &b) {
             AddEntry(a, 1, "Ann", 900, 6);
             ASSERT_TRUE(a.SaveOptions());
             AddEntry(b, 1, "Bob", 800, 5);
             AddEntry(b, 2, "Bob", 300, 3);
             ASSERT_TRUE(b.SaveOptions());
             // A saves again: B's entries stay, and A's record now shows them.
             AddEntry(a, 2, "Ann", 350, 2);
             ASSERT_TRUE(a.SaveOptions());
             EXPECT_EQ(Entries(a, 1), (QStringList{"Old 400 4", "Ann 900 6", "Bob 800 5"}));
         },
         {"Old 400 4", "Ann 900 6", "Bob 800 5"}, {"Ann 350 2", "Bob 300 3"}, 1},
        {"one saves an entry, the other only a game type at its close",
         [](TSettings &a, TSettings &b) {
             AddEntry(a, 1, "Ann", 900, 6);
             ASSERT_TRUE(a.SaveOptions());
             b.gameType = 4;
             ASSERT_TRUE(b.SaveChangedGameSettings());
         },
         {"Old 400 4", "Ann 900 6"}, {}, 4},
        {"the entry one clears stays cleared, the other's new one stays",
         [](TSettings &a, TSettings &b) {
             a.hofNames[1].fill(QString(), 10);
             for (int e = 0; e < 10; ++e)
                 a.hofScore[1][e] = a.hofLevels[1][e] = 0;
             ASSERT_TRUE(a.SaveOptions());
             AddEntry(b, 1, "Bob", 800, 5);
             ASSERT_TRUE(b.SaveOptions());
         },
         {"Bob 800 5"}, {}, 1},
    };
    const QByteArray before = ReadBytes(Common() + "boxOpts.pcg");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteBytes(Common() + "boxOpts.pcg", before));
        auto a = Make(), b = Make();
        c.play(*a, *b);
        auto next = Make();
        EXPECT_EQ(Entries(*next, 1), c.second);
        EXPECT_EQ(Entries(*next, 2), c.third);
        EXPECT_EQ(next->gameType, c.gameType);
        EXPECT_EQ(QDir(Common()).entryList(QDir::Files), QStringList{"boxOpts.pcg"});
    }
}

TEST_F(OptionsSaveTest, AFileBothGamesFoundDamagedIsKeptOnceByTheFirstSave)
{
    const QString file = User() + "boxOpts.pcg";
    const QByteArray text = "notes, not options\n";
    ASSERT_TRUE(WriteBytes(file, text));
    auto a = Make(), b = Make();
    AddEntry(*a, 0, "Ann", 500, 4);
    ASSERT_TRUE(a->SaveOptions());
    EXPECT_EQ(a->optionsKeeper.TakeNotice(), "Options file damaged! - kept as " + file + ".damaged");
    // B read the same file in part; what it finds now is A's options.
    AddEntry(*b, 0, "Bob", 600, 4);
    ASSERT_TRUE(b->SaveOptions());
    EXPECT_FALSE(b->optionsKeeper.HasNotice());
    EXPECT_EQ(ReadBytes(file + ".damaged"), text);
    EXPECT_FALSE(QFileInfo::exists(file + ".damaged2"));
    EXPECT_EQ(Entries(*Make(), 0), (QStringList{"Bob 600 4", "Ann 500 4"}));
}

TEST_F(OptionsSaveTest, FullTablesMergedKeepTheirBestEntries)
{
    // Ten entries of 1000 down to 100; each game's new entry replaces the
    // lowest, and of the eleven the best ten stay.
    auto first = Make();
    for (int e = 0; e < 10; ++e)
        AddEntry(*first, 0, QStringLiteral("P%1").arg(e), 1000 - 100 * e, 4);
    ASSERT_TRUE(first->SaveOptions());
    auto a = Make(), b = Make();
    AddEntry(*a, 0, "Ann", 950, 6);
    ASSERT_TRUE(a->SaveOptions());
    AddEntry(*b, 0, "Bob", 950, 5);
    ASSERT_TRUE(b->SaveOptions());
    QStringList expected;
    for (int e = 0; e < 8; ++e)
        expected << QStringLiteral("P%1 %2 4").arg(e).arg(1000 - 100 * e);
    const QStringList got = Entries(*Make(), 0);
    EXPECT_EQ(got.size(), 10);
    EXPECT_TRUE(got.contains("Ann 950 6"));
    EXPECT_TRUE(got.contains("Bob 950 5"));
    for (const QString &e : expected)
        EXPECT_TRUE(got.contains(e)) << e.toStdString();
    EXPECT_FALSE(got.contains("P8 200 4"));
    EXPECT_FALSE(got.contains("P9 100 4"));
}

namespace {

// Table 0 holding these entries in order, each of 3 levels.
THofTables Table(std::initializer_list<std::pair<const char *, int>> entries)
{
    THofTables h;
    int e = 0;
    for (const auto &[name, score] : entries) {
        h.name[0][e] = QString::fromLatin1(name);
        h.score[0][e] = score;
        h.levels[0][e] = 3;
        ++e;
    }
    return h;
}

} // namespace

TEST(HofTablesMerge, EntriesAddedOrRemovedOnEitherSide)
{
    struct Case {
        const char *what;
        THofTables base, ours, theirs, merged;
    };
    const Case cases[] = {
        {"the file unchanged: ours as it is", Table({{"A", 5}}), Table({{"B", 9}, {"A", 5}}), Table({{"A", 5}}),
         Table({{"B", 9}, {"A", 5}})},
        {"both added", Table({{"A", 5}}), Table({{"A", 5}, {"B", 9}}), Table({{"A", 5}, {"C", 7}}),
         Table({{"A", 5}, {"B", 9}, {"C", 7}})},
        {"the same entry added on both sides is kept once", Table({}), Table({{"B", 9}}), Table({{"B", 9}}),
         Table({{"B", 9}})},
        {"removed by the other", Table({{"A", 5}, {"B", 9}}), Table({{"A", 5}, {"B", 9}}), Table({{"B", 9}}),
         Table({{"B", 9}})},
        {"removed by us, added by the other", Table({{"A", 5}}), Table({}), Table({{"A", 5}, {"C", 7}}),
         Table({{"C", 7}})},
        {"two equal entries, one added", Table({{"A", 5}}), Table({{"A", 5}, {"A", 5}}), Table({{"A", 5}, {"C", 1}}),
         Table({{"A", 5}, {"A", 5}, {"C", 1}})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(THofTables::Merge(c.base, c.ours, c.theirs) == c.merged);
    }
}

TEST_F(OptionsSaveTest, TwoProcessesSavingAtOnceLoseNoEntry)
{
    // Each process adds ten entries to a table of its own, saving after
    // each; both run at once, so saves meet inside read, merge and write.
    // A save that finds the other's lock held is put off to the next one,
    // and the last to the close, which tries until the other lets go.
    ASSERT_TRUE(Make()->SaveOptions());
    constexpr int Processes = 2, Saves = 10;
    std::vector<pid_t> children;
    for (int p = 0; p < Processes; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            auto s = std::make_unique<TSettings>(env);
            for (int i = 0; i < Saves; ++i) {
                AddEntry(*s, p, QStringLiteral("P%1-%2").arg(p).arg(i), 100 + i, 4);
                ok = (s->SaveOptions() || s->optionsKeeper.PutOff()) && ok;
            }
            for (int close = 0; close < 1000 && s->optionsKeeper.Pending(); ++close)
                ok = (s->SaveChangedGameSettings() || s->optionsKeeper.PutOff()) && ok;
            _exit(ok && !s->optionsKeeper.Pending() ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto next = Make();
    for (int p = 0; p < Processes; ++p) {
        QStringList expected;
        for (int i = 0; i < Saves; ++i)
            expected << QStringLiteral("P%1-%2 %3 4").arg(p).arg(i).arg(100 + i);
        EXPECT_EQ(Entries(*next, p), expected);
    }
}

TEST(HofTablesMerge, EqualScoresAndClearedTables)
{
    THofTables full, fullOurs, fullTheirs, fullMerged;
    for (int e = 0; e < 10; ++e)
        for (THofTables *h : {&full, &fullOurs, &fullTheirs, &fullMerged}) {
            h->name[1][e] = QStringLiteral("P%1").arg(e);
            h->score[1][e] = 1000 - 100 * e;
        }
    fullOurs.name[1][9] = "Bob";
    fullTheirs.name[1][9] = fullMerged.name[1][9] = "Ann";
    for (THofTables *h : {&fullOurs, &fullTheirs, &fullMerged})
        h->score[1][9] = 150;
    struct Case {
        const char *what;
        THofTables base, ours, theirs, merged;
        unsigned cleared;
    };
    const Case cases[] = {
        {"an equal score the file holds comes first", Table({{"A", 5}}), Table({{"A", 5}, {"B", 7}}),
         Table({{"A", 5}, {"C", 7}}), Table({{"A", 5}, {"C", 7}, {"B", 7}}), 0},
        {"a full table: the equal new one does not enter", full, fullOurs, fullTheirs, fullMerged, 0},
        {"a cleared table stays as ours", Table({{"A", 5}}), Table({}), Table({{"A", 5}, {"C", 7}}), Table({}), 1},
        {"a cleared table keeps what ours added after", Table({{"A", 5}}), Table({{"D", 2}}),
         Table({{"A", 5}, {"C", 7}}), Table({{"D", 2}}), 1},
        {"a clear of another table leaves this one merged", Table({{"A", 5}}), Table({}),
         Table({{"A", 5}, {"C", 7}}), Table({{"C", 7}}), 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(THofTables::Merge(c.base, c.ours, c.theirs, c.cleared) == c.merged);
    }
}

TEST_F(OptionsSaveTest, EqualScoresFromTwoGamesRankTheEntrySavedFirstAhead)
{
    struct Case {
        const char *what;
        int filled;            // entries of 1000, 900, ... before both games start
        QStringList ranked;    // the table at the next start
    };
    const Case cases[] = {
        {"a full table: the equal new one does not enter", 10,
         {"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "Ann"}},
        {"room for both: the one saved first ranks first", 5, {"P0", "P1", "P2", "P3", "P4", "Ann", "Bob"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root + "common").removeRecursively();
        QDir(root + "store").removeRecursively();
        auto first = Make();
        for (int e = 0; e < c.filled; ++e)
            AddEntry(*first, 0, QStringLiteral("P%1").arg(e), 1000 - 100 * e, 4);
        ASSERT_TRUE(first->SaveOptions());
        auto a = Make(), b = Make();
        AddEntry(*a, 0, "Ann", 150, 6);
        ASSERT_TRUE(a->SaveOptions());
        AddEntry(*b, 0, "Bob", 150, 5);
        ASSERT_TRUE(b->SaveOptions());
        EXPECT_EQ(Ranked(*Make(), 0), c.ranked);
        EXPECT_EQ(Ranked(*b, 0), c.ranked) << "the saving game shows the table it wrote";
    }
}

TEST_F(OptionsSaveTest, AClearedTableIsEmptyInTheFileAndLaterEntriesStay)
{
    // B saves an entry; A, open since before, clears that table and saves;
    // then B saves another.
    auto first = Make();
    AddEntry(*first, 1, "Old", 400, 4);
    AddEntry(*first, 2, "Keep", 300, 4);
    ASSERT_TRUE(first->SaveOptions());
    auto a = Make(), b = Make();
    AddEntry(*b, 1, "Bob", 800, 5);
    ASSERT_TRUE(b->SaveOptions());
    a->hofNames[1].fill(QString(), 10);
    for (int e = 0; e < 10; ++e)
        a->hofScore[1][e] = a->hofLevels[1][e] = 0;
    a->optionsKeeper.MarkCleared(1);
    ASSERT_TRUE(a->SaveOptions());
    EXPECT_EQ(Entries(*Make(), 1), QStringList{});
    EXPECT_EQ(Entries(*Make(), 2), QStringList{"Keep 300 4"});
    AddEntry(*b, 1, "Carl", 600, 5);
    ASSERT_TRUE(b->SaveOptions());
    // A's next save keeps what B saved after the clear.
    a->gameType = 4;
    ASSERT_TRUE(a->SaveChangedGameSettings());
    EXPECT_EQ(Entries(*Make(), 1), QStringList{"Carl 600 5"});
}

#ifdef __linux__
TEST_F(OptionsSaveTest, AFileInUseThatCannotBeWrittenIsSavedInTheUserFolderWithAllItHolds)
{
    const QString inUse = Common() + "boxOpts.pcg", userFile = User() + "boxOpts.pcg";
    struct Case {
        const char *what;
        bool readOnlyFolder;   // else the file itself cannot be written
        bool userFileNewer;    // a game saved into the user folder after the file in use changed
        QStringList entries;
    };
    const Case cases[] = {
        {"a read-only folder beside an older user file", true, false, {"Base 500 4", "Alice 450 5", "Bob 300 6"}},
        {"a file that cannot be written beside an older user file", false, false,
         {"Base 500 4", "Alice 450 5", "Bob 300 6"}},
        {"a read-only folder beside a user file another game saved since", true, true,
         {"Base 500 4", "Alice 450 5", "Carol 200 3", "Bob 300 6"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *sub : {"common", "user", "store"})
            QDir(root + sub).removeRecursively();
        // The file in use, named in the settings store.
        auto first = Make();
        AddEntry(*first, 1, "Base", 500, 4);
        ASSERT_TRUE(first->SaveOptions());
        ASSERT_EQ(first->optionsFile, inUse);
        // The user folder's options of long ago.
        auto old = Make();
        old->hofNames[1].fill(QString(), 10);
        for (int e = 0; e < 10; ++e)
            old->hofScore[1][e] = old->hofLevels[1][e] = 0;
        AddEntry(*old, 1, "Old", 900, 7);
        QDir().mkpath(User());
        ASSERT_TRUE(OptionsFile::WriteAt(*old, userFile));
        const QDateTime longAgo = QFileInfo(inUse).lastModified().addSecs(-3600);
        {
            QFile f(userFile);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }
        // B starts; then another game adds an entry to the file in use.
        auto b = Make();
        auto a = Make();
        AddEntry(*a, 1, "Alice", 450, 5);
        ASSERT_TRUE(a->SaveOptions());
        if (c.userFileNewer) {
            // A game that could not write the file in use either saved its
            // entry into the user folder.
            auto other = Make();
            AddEntry(*other, 1, "Carol", 200, 3);
            ASSERT_TRUE(OptionsFile::WriteAt(*other, userFile));
            QFile f(userFile);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(QFileInfo(inUse).lastModified().addSecs(60), QFileDevice::FileModificationTime));
        }
        const QByteArray inUseBytes = ReadBytes(inUse);
        const auto open = QFile::permissions(Common());
        if (c.readOnlyFolder)
            ASSERT_TRUE(QFile::setPermissions(Common(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        else
            ASSERT_TRUE(MakeUnwritable(inUse, true));
        bool saved;
        {
            NoPermissionOverride asUser;
            AddEntry(*b, 1, "Bob", 300, 6);
            saved = b->SaveOptions();
        }
        if (c.readOnlyFolder)
            QFile::setPermissions(Common(), open);
        else
            MakeUnwritable(inUse, false);
        ASSERT_TRUE(saved) << b->optionsKeeper.saveFailure.toStdString();
        EXPECT_EQ(b->optionsFile, userFile);
        EXPECT_EQ(ReadBytes(inUse), inUseBytes);
        auto next = Make();
        EXPECT_EQ(next->optionsFile, userFile);
        EXPECT_EQ(Sorted(Entries(*next, 1)), Sorted(c.entries));
    }
}

TEST_F(OptionsSaveTest, AFallbackSaveThatFailsTooNamesTheFileInUse)
{
    auto first = Make();
    AddEntry(*first, 1, "Base", 500, 4);
    ASSERT_TRUE(first->SaveOptions());
    const QString file = Common() + "boxOpts.pcg";
    const QByteArray before = ReadBytes(file);
    auto s = Make();
    AddEntry(*s, 1, "Kay", 700, 5);
    bool saved;
    {
        // The disk fills up: neither the file in use nor the user folder's
        // can be written.
        FileSizeLimit full(64);
        ASSERT_TRUE(full.ok);
        saved = s->SaveOptions();
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(s->optionsKeeper.PutOff());
    EXPECT_EQ(s->optionsKeeper.saveFailure, "Save Options failure! - " + file);
    EXPECT_EQ(s->optionsFile, file);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_FALSE(QFileInfo::exists(User() + "boxOpts.pcg"));
    // With room again the same record saves where it was.
    ASSERT_TRUE(s->SaveOptions());
    EXPECT_EQ(Entries(*Make(), 1), (QStringList{"Base 500 4", "Kay 700 5"}));
}

TEST_F(OptionsSaveTest, ADamagedFileThatCannotBeKeptIsLeftAndTheNoticeSaysWhereTheOptionsWent)
{
    ASSERT_TRUE(Make()->SaveOptions());
    const QString file = Common() + "boxOpts.pcg";
    const QByteArray damaged = ReadBytes(file).left(100);
    ASSERT_TRUE(WriteBytes(file, damaged));
    auto s = Make();
    AddEntry(*s, 1, "Ann", 700, 5);
    const auto open = QFile::permissions(Common());
    ASSERT_TRUE(QFile::setPermissions(Common(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    bool saved;
    {
        NoPermissionOverride asUser;
        saved = s->SaveOptions();
    }
    QFile::setPermissions(Common(), open);
    ASSERT_TRUE(saved) << s->optionsKeeper.saveFailure.toStdString();
    EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Options file damaged! - " + file
                  + " could not be kept and is left as it was; Options saved to " + User() + "boxOpts.pcg");
    EXPECT_EQ(ReadBytes(file), damaged);
    EXPECT_EQ(Entries(*Make(), 1), QStringList{"Ann 700 5"});
}
#endif

TEST_F(OptionsSaveTest, AThousandDamagedStartsKeepEveryCopyUnderANameOfItsOwn)
{
    ASSERT_TRUE(Make()->SaveOptions());
    const QString file = Common() + "boxOpts.pcg";
    const QByteArray whole = ReadBytes(file);
    ASSERT_GT(whole.size(), 300);
    constexpr int Starts = 1000;
    for (int start = 1; start <= Starts; ++start) {
        // Cut short at this start, and told apart from the others.
        const QByteArray damaged = whole.left(200) + QByteArray::number(start);
        ASSERT_TRUE(WriteBytes(file, damaged));
        auto s = Make();
        ASSERT_EQ(s->optionsFile, file);
        AddEntry(*s, 0, "Ann", start, 4);
        ASSERT_TRUE(s->SaveOptions()) << start;
        const QString kept = file + ".damaged" + (start > 1 ? QString::number(start) : QString());
        ASSERT_EQ(s->optionsFile, file) << start;
        ASSERT_EQ(s->optionsKeeper.TakeNotice(), "Options file damaged! - kept as " + kept) << start;
    }
    EXPECT_EQ(QDir(Common()).entryList(QDir::Files).size(), Starts + 1);
    for (int start = 1; start <= Starts; ++start)
        ASSERT_EQ(ReadBytes(file + ".damaged" + (start > 1 ? QString::number(start) : QString())),
                  whole.left(200) + QByteArray::number(start));
    EXPECT_FALSE(QFileInfo::exists(User() + "boxOpts.pcg"));
}
