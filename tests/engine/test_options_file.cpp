// The options file: golden bytes, round trip, old versions, the merge of two
// files, counted strings and hostile input.
#include "test_options_util.h"
#include "OptionsFile.h"

#include <QBuffer>

#include <cmath>
#include <limits>

namespace {

QByteArray Write(TSettings &s)
{
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    EXPECT_TRUE(s.WriteOptionsFile(buf));
    return buf.data();
}

bool ReadBody(TSettings &s, const QByteArray &file)
{
    QBuffer buf;
    buf.setData(file);
    buf.open(QIODevice::ReadOnly);
    char text[14];
    if (buf.read(text, 14) != 14)
        return false;
    s.fileVersion = OptionsFile::FileVersionOf(text);
    return s.ReadOptionsBody(buf);
}

// The bounds the rest of the game relies on, whatever a file held.
void ExpectSane(const TSettings &s)
{
    EXPECT_GE(s.gameType, 1);
    EXPECT_LE(s.gameType, 4);
    EXPECT_GE(s.levels, 2);
    EXPECT_LE(s.levels, 8);
    EXPECT_TRUE(std::isfinite(s.sideRatio) && s.sideRatio >= 0.0f && s.sideRatio <= 0.5f);
    EXPECT_TRUE(std::isfinite(s.topRatio) && s.topRatio >= 0.0f && s.topRatio <= 0.5f);
    EXPECT_EQ(s.colorSetColors.size(), s.colorSetNames.size() * 6);
    EXPECT_EQ(s.imageSetFiles.size(), s.imageSetNames.size() * 6);
    EXPECT_TRUE(s.colorSet == 0 || (s.colorSet >= 1 && s.colorSet <= s.colorSetNames.size()));
    EXPECT_TRUE(s.imageSet == 0 || (s.imageSet >= 1 && s.imageSet <= s.imageSetNames.size()));
    for (int t = 0; t < 4; ++t) {
        EXPECT_TRUE(s.hofNames[t].isEmpty() || s.hofNames[t].size() == 10);
        for (int e = 0; e < 10; ++e)
            EXPECT_TRUE(s.hofLevels[t][e] == 0 || (s.hofLevels[t][e] >= 2 && s.hofLevels[t][e] <= 8));
    }
}

// Offset of the Hall of Fame's table count in the file of a spec.
int HofOffset(OptFileSpec spec)
{
    spec.tables = 0;
    return int(BuildOptionsFile(spec).size()) - 8;
}

} // namespace

class OptionsFileTest : public OptionsEnvTest {};

TEST_F(OptionsFileTest, DefaultFileGoldenBytes)
{
    auto s = Make();
    ASSERT_EQ(s->colorSetNames, QVector<QString>{"Primary Colors"});
    const QByteArray fixed = QByteArray::fromHex(
        "717569626f5665723031 2e3730 00"          // 0: "quiboVer01.70" NUL
        "01000000 04000000 01 01"                 // 14 type, 18 levels, 22 bonus, 23 bad
        "0000803e 0000803e 01 00"                 // 24 side, 28 top, 32 colours, 33 images
        "24242400 00000000 00 01"                 // 34 background, 38 pattern "", use, tile
        "00008000 80000000 80008000 00800000 ffff0000 ee661100" // 44 face colours
        "01000000 01000000"                       // 68 selected set, 72 set count
        "0e000000 5072696d61727920436f6c6f7273"   // 76 "Primary Colors"
        "00008000 80000000 80008000 00800000 ffff0000 ee661100"
        "000000000000000000000000000000000000000000000000" // 118 six empty face pictures
        "00 00 00 01 00000000 00000000"           // 142 span tile rotate border, image set, count
        "04000000 0a000000");                     // 154 tables, 158 entries
    ASSERT_EQ(fixed.size(), 162);
    const QByteArray expected = fixed + QByteArray(480, '\0');
    const QByteArray got = Write(*s);
    ASSERT_EQ(got.size(), 642);
    for (int i = 0; i < 642; ++i)
        ASSERT_EQ(uint8_t(got[i]), uint8_t(expected[i])) << "offset " << i;
    EXPECT_EQ(s->colorSetCount, 1);
    EXPECT_EQ(s->imageSetCount, 0);
}

TEST_F(OptionsFileTest, RoundTripRestoresEveryField)
{
    QDir().mkpath(root + "pics");
    const QString pattern = root + "pics/back.png";
    ASSERT_TRUE(WriteBytes(pattern, "x"));

    TSettings a;
    a.gameType = 3;
    a.levels = 7;
    a.bonusBoxes = false;
    a.badBoxes = true;
    a.sideRatio = 0.125f;
    a.topRatio = 0.5f;
    a.useBoxColors = false;
    a.useBoxImages = true;
    a.backgroundColor = 0x0A0B0C;
    a.patternFile = pattern;
    a.usePattern = true;
    a.tilePattern = false;
    for (int f = 0; f < 6; ++f) {
        a.faceColor[f] = 0x100000 * (f + 1) + 0x0203;
        a.faceImageFile[f] = root + "gone/face" + QString::number(f) + ".jpg";
    }
    a.colorSetNames = {"One", "Zwei \xc3\xbc", "Three"};
    for (int i = 0; i < 18; ++i)
        a.colorSetColors.append(0x010203 * (i + 1));
    a.colorSet = 2;
    a.spanImages = true;
    a.tileImages = false;
    a.rotateImages = true;
    a.borderImages = false;
    a.imageSetNames = {"Pics", "More"};
    for (int i = 0; i < 12; ++i)
        a.imageSetFiles.append(root + "gone/set" + QString::number(i) + ".png");
    a.imageSet = 2;
    for (int t = 0; t < 4; ++t) {
        a.hofNames[t].resize(10);
        for (int e = 0; e < 10; ++e) {
            if (e == 2 && t == 1)
                continue; // an empty entry among filled ones keeps its place
            a.hofScore[t][e] = 9000 - 100 * t - e;
            a.hofLevels[t][e] = 2 + (e + t) % 7;
            a.hofNames[t][e] = QString("N%1%2 \xc3\xa9").arg(t).arg(e);
        }
    }
    const QByteArray file = Write(a);

    TSettings b;
    ASSERT_TRUE(ReadBody(b, file));
    EXPECT_EQ(b.fileVersion, 170);
    EXPECT_EQ(b.gameType, 3);
    EXPECT_EQ(b.levels, 7);
    EXPECT_FALSE(b.bonusBoxes);
    EXPECT_TRUE(b.badBoxes);
    EXPECT_EQ(b.sideRatio, 0.125f);
    EXPECT_EQ(b.topRatio, 0.5f);
    EXPECT_FALSE(b.useBoxColors);
    EXPECT_TRUE(b.useBoxImages);
    EXPECT_EQ(b.backgroundColor, 0x0A0B0C);
    EXPECT_EQ(b.patternFile, pattern);
    EXPECT_TRUE(b.usePattern);
    EXPECT_FALSE(b.tilePattern);
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(b.faceColor[f], a.faceColor[f]);
        EXPECT_EQ(b.faceImageFile[f], a.faceImageFile[f]);
    }
    EXPECT_EQ(b.colorSetNames, a.colorSetNames);
    EXPECT_EQ(b.colorSetColors, a.colorSetColors);
    EXPECT_EQ(b.colorSetCount, 3);
    EXPECT_EQ(b.colorSet, 2);
    EXPECT_TRUE(b.spanImages);
    EXPECT_FALSE(b.tileImages);
    EXPECT_TRUE(b.rotateImages);
    EXPECT_FALSE(b.borderImages);
    EXPECT_EQ(b.imageSetNames, a.imageSetNames);
    EXPECT_EQ(b.imageSetFiles, a.imageSetFiles);
    EXPECT_EQ(b.imageSetCount, 2);
    EXPECT_EQ(b.imageSet, 2);
    EXPECT_TRUE(b.optionsLoaded);
    for (int t = 0; t < 4; ++t) {
        ASSERT_EQ(b.hofNames[t].size(), 10);
        for (int e = 0; e < 10; ++e) {
            EXPECT_EQ(b.hofNames[t][e], a.hofNames[t][e]) << t << "," << e;
            EXPECT_EQ(b.hofScore[t][e], a.hofScore[t][e]) << t << "," << e;
            EXPECT_EQ(b.hofLevels[t][e], a.hofLevels[t][e]) << t << "," << e;
        }
    }
    // Written again, the record gives the same bytes.
    EXPECT_EQ(Write(b), file);
}

TEST_F(OptionsFileTest, NullColourWrittenAsBlackAndEmptyPatternKept)
{
    TSettings a;
    a.faceColor[2] = ColorNull;
    a.backgroundColor = ColorNull;
    const QByteArray file = Write(a);
    TSettings b;
    b.patternFile = "kept.png";
    ASSERT_TRUE(ReadBody(b, file));
    EXPECT_EQ(b.faceColor[2], 0x000000);
    EXPECT_EQ(b.backgroundColor, 0x000000);
    EXPECT_EQ(b.patternFile, "kept.png");
}

TEST_F(OptionsFileTest, WriterWithTwoColourSets)
{
    TSettings a;
    a.colorSetNames = {"A", "BC"};
    a.colorSetColors = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}; // one colour short: written as 0
    const QByteArray file = Write(a);
    OptBytes want;
    want.Int(2).Str("A").Int(1).Int(2).Int(3).Int(4).Int(5).Int(6);
    want.Str("BC").Int(7).Int(8).Int(9).Int(10).Int(11).Int(0);
    EXPECT_EQ(file.mid(72, want.Get().size()), want.Get());
    EXPECT_EQ(a.colorSetCount, 2);
}

TEST_F(OptionsFileTest, FileVersionFromBytes8To12)
{
    struct Case {
        const char *text;
        int version;
    };
    const Case cases[] = {
        {"quiboVer01.70", 170}, {"quiboVer01.10", 110}, {"quiboVer01.11", 111},
        {"quiboVer9x8y7", 987}, {"quiboVerabcde", 0},   {"12345678.....", 0},
    };
    for (const Case &c : cases) {
        char t[14] = {};
        std::memcpy(t, c.text, 13);
        EXPECT_EQ(OptionsFile::FileVersionOf(t), c.version) << c.text;
    }
}

TEST_F(OptionsFileTest, HallOfFameLevelsOnlyAfterVersion110)
{
    struct Case {
        const char *version;
        bool levels;
    };
    for (const Case &c : {Case{"quiboVer01.10", false}, Case{"quiboVer01.11", true}}) {
        OptFileSpec spec;
        spec.version = c.version;
        spec.hofLevels = c.levels;
        const QString path = root + "v.pcg";
        ASSERT_TRUE(WriteBytes(path, BuildOptionsFile(spec)));
        TSettings s;
        ASSERT_TRUE(s.ReadOptionsFile(path)) << c.version;
        for (int t = 0; t < 4; ++t)
            for (int e = 0; e < 10; ++e) {
                const bool empty = e == 3;
                EXPECT_EQ(s.hofScore[t][e], empty ? 0 : 1000 + 100 * t + e);
                EXPECT_EQ(s.hofNames[t][e], empty ? QString() : QString("P%1%2").arg(t).arg(e));
                EXPECT_EQ(s.hofLevels[t][e], c.levels && !empty ? 2 + (t + e) % 7 : 0);
            }
    }
}

TEST_F(OptionsFileTest, CountedStringInPiecesOf259)
{
    QByteArray body(600, 'a');
    for (int i = 0; i < 600; ++i)
        body[i] = char('a' + (i * 7) % 26);
    struct Case {
        int nulAt;        // -1 none
        QByteArray want;
    };
    const Case cases[] = {
        {-1, body},
        {100, body.left(100) + body.mid(259)},       // cut inside the first piece only
        {300, body.left(300) + body.mid(518)},       // second piece cut, third appended
        {0, body.mid(259)},
    };
    for (const Case &c : cases) {
        QByteArray stored = body;
        if (c.nulAt >= 0)
            stored[c.nulAt] = '\0';
        QBuffer buf;
        buf.setData(OptBytes().Str(stored).Get());
        buf.open(QIODevice::ReadOnly);
        TSettings s;
        QString got;
        ASSERT_TRUE(s.ReadCountedString(got, buf));
        EXPECT_EQ(got.toLatin1(), c.want) << c.nulAt;
    }
    // Lengths of 0 or less give an empty text; a length past the end fails.
    for (int32_t len : {0, -5}) {
        QBuffer buf;
        buf.setData(OptBytes().Int(len).Raw("zz").Get());
        buf.open(QIODevice::ReadOnly);
        TSettings s;
        QString got = "old";
        EXPECT_TRUE(s.ReadCountedString(got, buf));
        EXPECT_TRUE(got.isEmpty());
    }
    QBuffer shortBuf;
    shortBuf.setData(OptBytes().Int(1000).Raw("abc").Get());
    shortBuf.open(QIODevice::ReadOnly);
    TSettings s;
    QString got;
    EXPECT_FALSE(s.ReadCountedString(got, shortBuf));
}

TEST_F(OptionsFileTest, SecondFileMergesIntoFirst)
{
    OptFileSpec first;
    first.gameType = 2;
    first.levels = 3;
    first.faceBase = 0x000011;
    first.colorSet = 2;
    first.colorSets = {"Primary Colors", "Install"};
    first.facePrefix = "inst";
    first.imageSet = 1;
    first.imageSets = {"Shared", "InstImgs"};
    first.hofBase = 500;

    OptFileSpec second;
    second.gameType = 4;
    second.levels = 6;
    second.faceBase = 0x002200;
    second.colorSet = 3;
    second.colorSets = {"Primary Colors", "primary colors", "User"}; // case counts
    second.facePrefix = "user";
    second.imageSet = 2;
    second.imageSets = {"Shared", "UserImgs"};
    second.hofBase = 7000;
    second.hofNamePrefix = "U";

    TSettings s;
    ASSERT_TRUE(ReadBody(s, BuildOptionsFile(first)));
    ASSERT_TRUE(ReadBody(s, BuildOptionsFile(second)));

    EXPECT_EQ(s.gameType, 4);
    EXPECT_EQ(s.levels, 6);
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(s.faceColor[f], 0x000011 * (f + 1));
        EXPECT_EQ(s.faceImageFile[f], QString("inst%1").arg(f));
    }
    EXPECT_EQ(s.colorSet, 2);
    EXPECT_EQ(s.imageSet, 1);
    EXPECT_EQ(s.colorSetNames, (QVector<QString>{"Primary Colors", "Install", "primary colors", "User"}));
    // The known "Primary Colors" keeps the first file's colours (set 0 there).
    const QVector<int> want = {16, 17, 18, 19, 20, 21, 32, 33, 34, 35, 36, 37,
                               32, 33, 34, 35, 36, 37, 48, 49, 50, 51, 52, 53};
    EXPECT_EQ(s.colorSetColors, want);
    EXPECT_EQ(s.colorSetCount, 4);
    EXPECT_EQ(s.imageSetNames, (QVector<QString>{"Shared", "InstImgs", "UserImgs"}));
    EXPECT_EQ(s.imageSetFiles[0], "Shared_0");
    EXPECT_EQ(s.imageSetFiles[12], "UserImgs_0");
    EXPECT_EQ(s.imageSetCount, 3);
    // The Hall of Fame is the second file's.
    EXPECT_EQ(s.hofScore[2][5], 7000 + 205);
    EXPECT_EQ(s.hofNames[2][5], "U25");
}

TEST_F(OptionsFileTest, FileCutInImageSetsKeepsWhatWasRead)
{
    OptFileSpec spec;
    spec.gameType = 3;
    spec.levels = 8;
    spec.colorSets = {"Only"};
    spec.imageSets = {"Imgs"};
    const QByteArray full = BuildOptionsFile(spec);
    const int cut = full.indexOf("Imgs") + 2;
    TSettings s;
    EXPECT_FALSE(ReadBody(s, full.left(cut)));
    EXPECT_EQ(s.gameType, 3);
    EXPECT_EQ(s.levels, 8);
    EXPECT_EQ(s.colorSetNames, QVector<QString>{"Only"});
    EXPECT_FALSE(s.optionsLoaded);
}

TEST_F(OptionsFileTest, OutOfRangeValuesKeepWhatIsSet)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int32_t type, levels;
        float side, top;
        bool typeKept, levelsKept, sideKept, topKept;
    };
    const Case cases[] = {
        {0, 1, nan, -0.1f, true, true, true, true},
        {5, 9, 0.51f, inf, true, true, true, true},
        {-7, 100, -inf, nan, true, true, true, true},
        {4, 8, 0.5f, 0.0f, false, false, false, false},
        {1, 2, 0.0f, 0.3f, false, false, false, false},
    };
    for (const Case &c : cases) {
        OptFileSpec spec;
        spec.gameType = c.type;
        spec.levels = c.levels;
        spec.side = c.side;
        spec.top = c.top;
        TSettings s;
        s.gameType = 2;
        s.levels = 5;
        s.sideRatio = 0.2f;
        s.topRatio = 0.3f;
        ASSERT_TRUE(ReadBody(s, BuildOptionsFile(spec)));
        EXPECT_EQ(s.gameType, c.typeKept ? 2 : c.type);
        EXPECT_EQ(s.levels, c.levelsKept ? 5 : c.levels);
        EXPECT_EQ(s.sideRatio, c.sideKept ? 0.2f : c.side);
        EXPECT_EQ(s.topRatio, c.topKept ? 0.3f : c.top);
        ExpectSane(s);
    }
}

TEST_F(OptionsFileTest, HostileCountsReadWithoutHarm)
{
    OptFileSpec base;
    base.colorSets = {"C1"};
    base.imageSets = {"I1"};
    const QByteArray good = BuildOptionsFile(base);
    const int colorCountAt = 72;
    const int imageCountAt = good.indexOf(QByteArray("\x02\x00\x00\x00I1", 6)) - 4;
    ASSERT_GT(imageCountAt, colorCountAt);
    const int hofAt = HofOffset(base);

    auto patched = [&](int at, int32_t v) {
        QByteArray b = good;
        const QByteArray n = OptBytes().Int(v).Get();
        b.replace(at, 4, n);
        return b;
    };
    struct Case {
        const char *what;
        QByteArray file;
    };
    const Case cases[] = {
        {"huge colour-set count", patched(colorCountAt, 0x7FFFFFFF)},
        {"negative colour-set count", patched(colorCountAt, -3)},
        {"huge image-set count", patched(imageCountAt, 0x7FFFFFFF)},
        {"huge string length", patched(38, 0x7FFFFFF0)},
        {"huge table count", patched(hofAt, 0x7FFFFFFF)},
        {"huge entry count", patched(hofAt + 4, 0x7FFFFFFF)},
        {"many tables, no entries", patched(hofAt + 4, 0).replace(hofAt, 4, OptBytes().Int(0x7FFFFFFF).Get())},
        {"selected sets out of range", patched(68, 99)},
        {"negative selected set", patched(68, -1)},
    };
    for (const Case &c : cases) {
        TSettings s;
        ReadBody(s, c.file);
        SCOPED_TRACE(c.what);
        ExpectSane(s);
        EXPECT_LE(s.colorSetNames.size(), 2);
    }

    // Excess tables and entries are read and dropped, not stored.
    OptFileSpec big;
    big.tables = 6;
    big.entries = 12;
    TSettings s;
    ASSERT_TRUE(ReadBody(s, BuildOptionsFile(big)));
    ExpectSane(s);
    EXPECT_EQ(s.hofScore[3][9], 1000 + 309);
    EXPECT_EQ(s.hofNames[3][9], "P39");
    EXPECT_EQ(s.hofNames[0].size(), 10);

    // Hall of Fame levels outside 2..8 are not stored.
    OptBytes odd;
    odd.Raw(good.left(hofAt)).Int(1).Int(2).Int(50).Str("A").Int(99).Int(60).Str("B").Int(5);
    TSettings t;
    ASSERT_TRUE(ReadBody(t, odd.Get()));
    EXPECT_EQ(t.hofScore[0][0], 50);
    EXPECT_EQ(t.hofLevels[0][0], 0);
    EXPECT_EQ(t.hofLevels[0][1], 5);
}

TEST_F(OptionsFileTest, EveryCutOfAFileReadsSafely)
{
    OptFileSpec spec;
    spec.colorSets = {"C1", "C2"};
    spec.imageSets = {"I1"};
    spec.colorSet = 2;
    const QByteArray full = BuildOptionsFile(spec);
    const int hofAt = HofOffset(spec);
    // A cut inside an image-set file name gives an empty name and goes on.
    const int setFilesAt = int(full.indexOf("I1_0")) - 4;
    ASSERT_GT(setFilesAt, 0);
    for (int n = 0; n < full.size(); ++n) {
        TSettings s;
        EXPECT_FALSE(ReadBody(s, full.left(n))) << n;
        ExpectSane(s);
        // Set once the sets are read, before the Hall of Fame.
        if (n < setFilesAt || n >= hofAt) {
            EXPECT_EQ(s.optionsLoaded, n >= hofAt) << n;
        }
    }
    TSettings s;
    EXPECT_TRUE(ReadBody(s, full));
}

TEST_F(OptionsFileTest, ReadOptionsFileFailures)
{
    TSettings s;
    EXPECT_FALSE(s.ReadOptionsFile(root + "missing.pcg"));
    ASSERT_TRUE(WriteBytes(root + "short.pcg", "quiboVer01"));
    EXPECT_FALSE(s.ReadOptionsFile(root + "short.pcg"));
    EXPECT_FALSE(s.ReadOptionsFile(root)); // a folder
}

namespace {

// Accepts the first `room` bytes, then refuses every write.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : left(room) { open(QIODevice::WriteOnly); }
    qint64 written = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 n) override
    {
        const qint64 take = std::min(n, left);
        left -= take;
        written += take;
        return take == 0 && n > 0 ? -1 : take;
    }

private:
    qint64 left;
};

} // namespace

TEST_F(OptionsFileTest, WriterReportsTheFirstShortWrite)
{
    auto s = Make();
    for (qint64 room : {0, 13, 14, 40, 80, 150, 400, 641}) {
        FullDevice dev(room);
        EXPECT_FALSE(s->WriteOptionsFile(dev)) << room;
        EXPECT_LE(dev.written, room);
    }
    FullDevice enough(642);
    EXPECT_TRUE(s->WriteOptionsFile(enough));
    EXPECT_EQ(enough.written, 642);
}
