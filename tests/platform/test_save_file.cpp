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
