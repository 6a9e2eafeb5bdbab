// Files written through a temporary beside them: replaced only on success.
#include "SaveFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(SaveFile, StreamWritesReplaceTheTargetOnlyWhenCommitted)
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
        QSaveFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << c.name;
        FILE *s = SaveFile::OpenStream(file);
        ASSERT_NE(s, nullptr) << c.name;
        fputs("new bytes", s);
        ASSERT_TRUE(SaveFile::CloseStream(s)) << c.name;
        EXPECT_EQ(SaveFile::Commit(file, c.written), c.written) << c.name;
        EXPECT_EQ(Contents(target), c.expected) << c.name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pic.bmp"});
}

TEST(SaveFile, StreamOfAFileNotOpenIsNull)
{
    QSaveFile file(QStringLiteral("/nonexistent-folder/x"));
    EXPECT_EQ(SaveFile::OpenStream(file), nullptr);
    EXPECT_FALSE(SaveFile::CloseStream(nullptr));
}

TEST(SaveFile, ASuccessfulSaveRemovesTheTemporaryFilesEarlierSavesLeft)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("game.qgf");
    auto put = [&](const QString &name, const QByteArray &bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    // What a kill between QSaveFile's temporary and its rename leaves, and
    // names that only look alike.
    const QStringList leftovers = {"game.qgf.AbCdEf", "game.qgf.xYzzYx", "game.qgf.qwERty"};
    const QStringList kept = {
        "game.qgf.backup",   // a lowercase word
        "game.qgf.Backup",   // a capitalised one
        "game.qgf.BACKUP",   // capitals alone
        "game.qgf.AbCdE",    // five letters
        "game.qgf.AbCdEfG",  // seven
        "game.qgf.Ab1dEf",   // a digit
        "game.qgf.damaged",
        "other.qgf.AbCdEf",  // another target's
        "game.qgfAbCdEf",    // no dot
        "xgame.qgf.AbCdEf",
    };
    for (const QString &name : leftovers + kept)
        put(name, "x");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("game.qgf.FoLdEr")));
    ASSERT_TRUE(QFile::link(dir.filePath("other.qgf.AbCdEf"), dir.filePath("game.qgf.LiNkEd")));
    const QStringList others = {"game.qgf.FoLdEr", "game.qgf.LiNkEd"};

    // A failed save removes nothing.
    {
        QSaveFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("body");
        EXPECT_FALSE(SaveFile::Commit(file, false));
    }
    for (const QString &name : leftovers + kept + others)
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name)) || QFileInfo(dir.filePath(name)).isSymLink())
            << name.toStdString();

    QSaveFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("body");
    ASSERT_TRUE(SaveFile::Commit(file, true));
    EXPECT_EQ(Contents(target), QByteArray("body"));
    for (const QString &name : leftovers)
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    for (const QString &name : kept + others)
        EXPECT_TRUE(QFileInfo(dir.filePath(name)).isSymLink() || QFileInfo::exists(dir.filePath(name)))
            << name.toStdString();
}
