// Files written through a temporary beside them: replaced only on success.
#include "SaveFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(SaveFile, StreamWritesReplaceTheTargetOnlyWhenAllWasWritten)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("pic.bmp");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    struct Case {
        const char *name;
        bool written;
        QByteArray expected;
    };
    for (const Case &c : {Case{"failed write keeps the old file", false, "old"},
                          Case{"success replaces it", true, "new bytes"}}) {
        const bool saved = SaveFile::WriteStream(target, [&](FILE *s) { return fputs("new bytes", s) >= 0 && c.written; });
        EXPECT_EQ(saved, c.written) << c.name;
        EXPECT_EQ(Contents(target), c.expected) << c.name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pic.bmp"});
}

TEST(SaveFile, ASaveRemovesOnlyItsOwnLeftoversOfWritersThatAreGone)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("game.qgf");
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    auto put = [&](const QString &name, bool aged) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        ASSERT_TRUE(f.flush());
        if (aged) {
            ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
        }
    };
    // No process runs with that id (above any pid_max).
    const QString gone = "game.qgf.quibo-save.2147483647.";
    const QString self = "game.qgf.quibo-save." + QString::number(QCoreApplication::applicationPid()) + ".";
    const QStringList leftovers = {gone + "0123456789abcdef", gone + "fedcba9876543210"};
    const QStringList kept = {
        // A player's own files beside the target, old ones too.
        "game.qgf.OldOne", "game.qgf.AbCdEf", "game.qgf.BackUp", "game.qgf.backup", "game.qgf.damaged",
        // Names that only look like ours.
        gone + "0123456789ABCDEF", gone + "0123456789abcde", gone + "0123456789abcdef0",
        "game.qgf.quibo-save.x2." + QString(16, 'a'), "other.qgf.quibo-save.2147483647.0123456789abcdef",
        // Ours, but held by a live writer: this process.
        self + "0123456789abcdef",
    };
    for (const QString &name : leftovers + kept)
        put(name, true);
    // Ours and gone, but written to a moment ago (a writer on another machine).
    const QString fresh = gone + "00000000000000aa";
    put(fresh, false);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(gone + "00000000000000bb")));

    // A failed save removes nothing.
    EXPECT_FALSE(SaveFile::Write(target, [](QIODevice &f) { f.write("body"); return false; }));
    for (const QString &name : leftovers)
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();

    ASSERT_TRUE(SaveFile::Write(target, [](QIODevice &f) { return f.write("body") == 4; }));
    EXPECT_EQ(Contents(target), QByteArray("body"));
    for (const QString &name : leftovers)
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    for (const QString &name : kept + QStringList{fresh, gone + "00000000000000bb"})
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
}

TEST(SaveFile, APlayersFilesBesideTheTargetSurviveItsSaves)
{
    struct Case {
        const char *target;
        const char *mine;
    };
    const Case cases[] = {
        {"boxOpts.pcg", "boxOpts.pcg.MyCopy"},
        {"photo.jpg", "photo.jpg.BackUp"},
        {"game.qgf", "game.qgf.OldOne"},
        {"x.png", "x.png.KeepMe"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mine);
        QFile mine(dir.filePath(c.mine));
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("the player's own");
        mine.close();
        const QString target = dir.filePath(c.target);
        ASSERT_TRUE(SaveFile::Write(target, [](QIODevice &f) { return f.write("one") == 3; }));
        ASSERT_TRUE(SaveFile::WriteStream(target, [](FILE *f) { return fputs("two", f) >= 0; }));
        QSaveFile game(target);
        ASSERT_TRUE(game.open(QIODevice::WriteOnly));
        game.write("three");
        ASSERT_TRUE(SaveFile::Commit(game, true));
        EXPECT_EQ(Contents(target), QByteArray("three"));
        EXPECT_EQ(Contents(dir.filePath(c.mine)), QByteArray("the player's own"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 8);
}

TEST(SaveFile, WritesKeepTheTargetsPermissionsAndRefuseOneThatCannotBeWritten)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("boxOpts.pcg");
    auto write = [&](const char *text) {
        return SaveFile::Write(target, [text](QIODevice &f) { return f.write(text) == qint64(strlen(text)); });
    };
    ASSERT_TRUE(write("first"));
    const auto mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(target, mine));
    ASSERT_TRUE(write("second"));
    EXPECT_EQ(QFile::permissions(target) & 0x7077, mine);
    // Through a link to the file it names.
    const QString link = dir.filePath("link.pcg");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(SaveFile::Write(link, [](QIODevice &f) { return f.write("third") == 5; }));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Contents(target), QByteArray("third"));
    if (geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner));
        EXPECT_FALSE(write("fourth"));
        EXPECT_EQ(Contents(target), QByteArray("third"));
    }
    EXPECT_FALSE(SaveFile::Write(dir.filePath("no/such/folder/x"), [](QIODevice &) { return true; }));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(SaveFile, ThreeWritersOnOneFileNeverFailAndTheFileIsAlwaysWhole)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("boxOpts.pcg");
    constexpr int Writers = 3, Saves = 1000;
    QByteArray bodies[Writers];
    for (int w = 0; w < Writers; ++w)
        bodies[w] = QByteArray(6000 + 1000 * w, char('a' + w));
    ASSERT_TRUE(SaveFile::Write(target, [&](QIODevice &f) { return f.write(bodies[0]) == bodies[0].size(); }));

    std::atomic<int> failures{0}, running{Writers};
    std::atomic<int> torn{0}, reads{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < Writers; ++w)
        threads.emplace_back([&, w] {
            // The reader reads while the writers write, however the
            // threads are scheduled: they start after its first read.
            while (reads == 0)
                std::this_thread::yield();
            for (int i = 0; i < Saves; ++i) {
                const bool stream = i % 2 == 1;
                const bool ok = stream ? SaveFile::WriteStream(target, [&](FILE *f) {
                    return fwrite(bodies[w].constData(), 1, size_t(bodies[w].size()), f) == size_t(bodies[w].size());
                })
                                       : SaveFile::Write(target, [&](QIODevice &f) {
                                             return f.write(bodies[w]) == bodies[w].size();
                                         });
                if (!ok)
                    ++failures;
            }
            --running;
        });
    std::thread reader([&] {
        while (running > 0) {
            const QByteArray got = Contents(target);
            if (std::find(std::begin(bodies), std::end(bodies), got) == std::end(bodies))
                ++torn;
            ++reads;
        }
    });
    for (std::thread &t : threads)
        t.join();
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"boxOpts.pcg"});
}
