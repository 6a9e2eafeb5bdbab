// Saves of the options that keep a player's data: a file of the options'
// name that holds something else, and two games saving to one folder.
#include "test_options_util.h"

#include <QRandomGenerator>

#include <memory>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class OptionsSaveTest : public OptionsEnvTest {
protected:
    // Adds an entry to table t the way the Hall of Fame dialog does: into
    // the first entry holding the table's lowest score.
    static void AddEntry(TSettings &s, int t, const QString &name, int score, int levels)
    {
        int j = 0;
        for (int e = 1; e < 10; ++e)
            if (s.hofScore[t][e] < s.hofScore[t][j])
                j = e;
        s.hofNames[t].resize(10);
        s.hofNames[t][j] = name;
        s.hofScore[t][j] = score;
        s.hofLevels[t][j] = levels;
    }
    // The entries of table t as "name score levels", in entry order.
    static QStringList Entries(const TSettings &s, int t)
    {
        QStringList list;
        for (int e = 0; e < 10; ++e)
            if (e < s.hofNames[t].size() && !s.hofNames[t][e].isEmpty())
                list << QStringLiteral("%1 %2 %3").arg(s.hofNames[t][e]).arg(s.hofScore[t][e]).arg(s.hofLevels[t][e]);
        return list;
    }
};

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

TEST(HofTablesMerge, EntriesAddedOrRemovedOnEitherSide)
{
    auto table = [](std::initializer_list<std::pair<const char *, int>> entries) {
        THofTables h;
        int e = 0;
        for (const auto &[name, score] : entries) {
            h.name[0][e] = QString::fromLatin1(name);
            h.score[0][e] = score;
            h.levels[0][e] = 3;
            ++e;
        }
        return h;
    };
    struct Case {
        const char *what;
        THofTables base, ours, theirs, merged;
    };
    const Case cases[] = {
        {"the file unchanged: ours as it is", table({{"A", 5}}), table({{"B", 9}, {"A", 5}}), table({{"A", 5}}),
         table({{"B", 9}, {"A", 5}})},
        {"both added", table({{"A", 5}}), table({{"A", 5}, {"B", 9}}), table({{"A", 5}, {"C", 7}}),
         table({{"A", 5}, {"B", 9}, {"C", 7}})},
        {"the same entry added on both sides is kept once", table({}), table({{"B", 9}}), table({{"B", 9}}),
         table({{"B", 9}})},
        {"removed by the other", table({{"A", 5}, {"B", 9}}), table({{"A", 5}, {"B", 9}}), table({{"B", 9}}),
         table({{"B", 9}})},
        {"removed by us, added by the other", table({{"A", 5}}), table({}), table({{"A", 5}, {"C", 7}}),
         table({{"C", 7}})},
        {"two equal entries, one added", table({{"A", 5}}), table({{"A", 5}, {"A", 5}}), table({{"A", 5}, {"C", 1}}),
         table({{"A", 5}, {"A", 5}, {"C", 1}})},
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
                ok = s->SaveOptions() && ok;
            }
            _exit(ok ? 0 : 1);
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
