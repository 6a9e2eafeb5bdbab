// Only regular files are opened; a FIFO or a folder fails at once.
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(RegularFile, OpensRegularFilesAndRefusesEverythingElseWithoutBlocking)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plain = dir.filePath("x.bmp");
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM");
    }
    const QString fifo = dir.filePath("pipe.qgf");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    FILE *f = RegularFile::Open(plain);
    ASSERT_NE(f, nullptr);
    char buf[2];
    EXPECT_EQ(fread(buf, 1, 2, f), 2u);
    fclose(f);
    QFile q;
    ASSERT_TRUE(RegularFile::Open(q, plain));
    EXPECT_EQ(q.readAll(), QByteArray("BM"));
    EXPECT_TRUE(RegularFile::IsRegular(plain));

    // With no writer on the FIFO a blocking open would never return.
    for (const QString &p : {fifo, dir.path(), QString("/dev/null"), dir.filePath("missing"), QString()}) {
        EXPECT_EQ(RegularFile::Open(p), nullptr) << p.toStdString();
        QFile other;
        EXPECT_FALSE(RegularFile::Open(other, p)) << p.toStdString();
        EXPECT_FALSE(other.isOpen());
        EXPECT_FALSE(RegularFile::IsRegular(p)) << p.toStdString();
    }
}
