// Saved games: byte layout, round trip, refused files and safe writes.
#include "GameFile.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "test_core_util.h"
#include "test_fifo_util.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <set>

using namespace coretest;

namespace {

int32_t LE32(const QByteArray &b, int at)
{
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8
                   | uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24);
}

void SetLE32(QByteArray &b, int at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(uint32_t(v) >> (8 * i));
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A cube with every saved field set to something recognisable.
std::unique_ptr<TCube> MakeSavedCube(TSettings &s, int n)
{
    s.gameType = 2;
    auto cube = MakeCube(s, n);
    PlaceFront(*cube, 300, 40);
    cube->inOrder = false;
    cube->cheated = true;
    cube->score = 12;
    cube->moves = 34;
    cube->movesAtEval = 30;
    // Disorders that every number of levels can reach.
    cube->initialDisorder = 36;
    cube->previousDisorder = -78;
    cube->disorder = 9;
    cube->selectedId = BoxId(0, 1, n - 1);
    cube->infoId = BoxId(1, 0, n - 1);
    return cube;
}

// Makes TCube objects for the listed game types (a stand-in for the game
// types that have their own classes).
TGameFactory CubeFactory(std::set<int> types = {2})
{
    return [types](int type, TSettings *s) -> std::unique_ptr<TGame> {
        if (!types.count(type))
            return nullptr;
        return std::make_unique<TCube>(s);
    };
}

// A device that takes only `limit` bytes.
class LimitedDevice : public QIODevice {
public:
    explicit LimitedDevice(qint64 limit) : limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray data;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *d, qint64 len) override
    {
        const qint64 n = std::min(len, limit - qint64(data.size()));
        if (n <= 0)
            return -1;
        data.append(d, int(n));
        return n;
    }

private:
    qint64 limit;
};


class SaveGame : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(SaveGame, ByteLayoutOfAJumbledCube)
{
    ASSERT_TRUE(dir.isValid());
    TSettings s;
    const int n = 4;
    auto cube = MakeSavedCube(s, n);
    const QString path = Path("game.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    const QByteArray b = ReadAll(path);
    ASSERT_EQ(b.size(), 1644);
    EXPECT_EQ(std::memcmp(b.constData(), "quiboVer01.70\0", 14), 0);
    struct Field {
        int offset;
        int32_t value;
    } fields[] = {
        {14, 2}, {18, 4}, {24, 12}, {28, 34}, {32, 36}, {36, -78}, {40, 9},
    };
    for (const Field &f : fields)
        EXPECT_EQ(LE32(b, f.offset), f.value) << "offset " << f.offset;
    EXPECT_EQ(b[22], 0); // inOrder
    EXPECT_EQ(b[23], 1); // cheated
    int k = 0;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c, ++k) {
                const TBoxRec &bx = cube->box[L][r][c];
                const int at = 44 + 24 * k;
                EXPECT_EQ(LE32(b, at), BoxId(L, r, c));
                EXPECT_EQ(LE32(b, at + 4), bx.x);
                EXPECT_EQ(LE32(b, at + 8), bx.y);
                EXPECT_EQ(LE32(b, at + 12), bx.front);
                EXPECT_EQ(LE32(b, at + 16), bx.left);
                EXPECT_EQ(LE32(b, at + 20), bx.top);
            }
    for (int L = 0; L < 8; ++L) {
        EXPECT_EQ(LE32(b, 1580 + 4 * L), cube->bonusId[L]) << L;
        EXPECT_EQ(LE32(b, 1612 + 4 * L), cube->badId[L]) << L;
    }
    EXPECT_EQ(LE32(b, 1580), 100); // Setup with draws of 0
    EXPECT_EQ(LE32(b, 1612), 101);
    EXPECT_EQ(LE32(b, 1580 + 4 * n), 0);
}

TEST_F(SaveGame, SizeIsTheHeaderThePartsAndTheBoxes)
{
    for (int n = 2; n <= 8; ++n) {
        TSettings s;
        auto cube = MakeSavedCube(s, n);
        const QString path = Path("size.qgf");
        ASSERT_TRUE(SaveGameFile(s, *cube, path));
        EXPECT_EQ(ReadAll(path).size(), 108 + 24 * n * n * n) << n;
    }
}

TEST_F(SaveGame, RoundTripRestoresEverySavedField)
{
    for (int n : {2, 3, 4, 8}) {
        TSettings s;
        auto saved = MakeSavedCube(s, n);
        for (int L = 0; L < n; ++L) {
            saved->bonusId[L] = BoxId(L, n - 1, 0);
            saved->badId[L] = BoxId(L, 0, n - 1);
        }
        const QString path = Path("round.qgf");
        ASSERT_TRUE(SaveGameFile(s, *saved, path));

        TSettings t;
        t.gameType = 1;
        t.levels = 6;
        std::unique_ptr<TGame> loaded = LoadGameFile(t, path, CubeFactory());
        ASSERT_TRUE(loaded) << n;
        EXPECT_EQ(t.gameType, 2);
        EXPECT_EQ(t.levels, n);
        EXPECT_EQ(loaded->levels, n);
        EXPECT_EQ(loaded->inOrder, saved->inOrder);
        EXPECT_EQ(loaded->cheated, saved->cheated);
        EXPECT_EQ(loaded->score, saved->score);
        EXPECT_EQ(loaded->moves, saved->moves);
        EXPECT_EQ(loaded->movesAtEval, saved->moves);
        EXPECT_EQ(loaded->initialDisorder, saved->initialDisorder);
        EXPECT_EQ(loaded->previousDisorder, saved->previousDisorder);
        EXPECT_EQ(loaded->disorder, saved->disorder);
        EXPECT_EQ(loaded->selectedId, 0); // not saved
        EXPECT_EQ(loaded->infoId, 0);
        EXPECT_FALSE(loaded->finished);
        for (int L = 0; L < n; ++L)
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    const TBoxRec &a = loaded->box[L][r][c], &b = saved->box[L][r][c];
                    EXPECT_EQ((std::vector<int>{a.id, a.x, a.y, a.front, a.left, a.top}),
                              (std::vector<int>{b.id, b.x, b.y, b.front, b.left, b.top}));
                }
        for (int L = 0; L < 8; ++L) {
            EXPECT_EQ(loaded->bonusId[L], saved->bonusId[L]);
            EXPECT_EQ(loaded->badId[L], saved->badId[L]);
        }
        // The first evaluation after the load scores nothing new.
        loaded->cheated = false;
        const int score = loaded->score;
        loaded->Evaluate(false);
        EXPECT_EQ(loaded->score, score) << n;
    }
}

TEST_F(SaveGame, AnotherVersionTextLoads)
{
    TSettings s;
    auto cube = MakeSavedCube(s, 3);
    const QString path = Path("version.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    QByteArray b = ReadAll(path);
    b.replace(0, 14, QByteArray("otherVer99.99\0", 14));
    ASSERT_TRUE(WriteAll(path, b));
    TSettings t;
    TGameFileHeader h;
    auto file = t.OpenGameFile(path, h);
    ASSERT_TRUE(file);
    EXPECT_EQ(std::memcmp(h.versionText, "otherVer99.99", 14), 0);
    EXPECT_EQ(h.gameType, 2);
    EXPECT_EQ(h.levels, 3);
    EXPECT_EQ(file->pos(), 22);
    EXPECT_EQ(t.gameType, 1); // opening alone changes nothing
    EXPECT_EQ(t.levels, 4);
    EXPECT_TRUE(LoadGameFile(t, path, CubeFactory()));
}

namespace {

struct Tamper {
    const char *what;
    std::function<void(QByteArray &)> change;
    bool bodyOnly; // the header stays valid, so LoadBody itself must refuse
};

// Offsets in a 4-level file.
constexpr int kBox = 44, kBonus = 1580, kBad = 1612;
int BoxAt(int L, int r, int c)
{
    return kBox + 24 * ((L * 4 + r) * 4 + c);
}

std::vector<Tamper> Tampers()
{
    auto setInt = [](int at, int32_t v) { return [=](QByteArray &b) { SetLE32(b, at, v); }; };
    auto setByte = [](int at, int v) { return [=](QByteArray &b) { b[at] = char(v); }; };
    auto cut = [](int size) { return [=](QByteArray &b) { b.truncate(size); }; };
    auto mirror = [](int L, int r, int c) {
        return [=](QByteArray &b) { SetLE32(b, BoxAt(L, r, c) + 20, 5 - LE32(b, BoxAt(L, r, c) + 20)); };
    };
    auto sameFaces = [](int L, int r, int c) {
        return [=](QByteArray &b) { SetLE32(b, BoxAt(L, r, c) + 16, LE32(b, BoxAt(L, r, c) + 12)); };
    };
    return {
        {"game type 0", setInt(14, 0), false},
        {"game type 5", setInt(14, 5), false},
        {"game type 7", setInt(14, 7), false},
        {"game type -1", setInt(14, -1), false},
        {"levels 1", setInt(18, 1), false},
        {"levels 9", setInt(18, 9), false},
        {"levels -4", setInt(18, -4), false},
        {"levels 3 in a 4-level file", setInt(18, 3), false},
        {"levels 5 in a 4-level file", setInt(18, 5), false},
        {"inOrder 2", setByte(22, 2), true},
        {"cheated 255", setByte(23, 255), true},
        {"first box id 0", setInt(BoxAt(0, 0, 0), 0), true},
        {"box id of its neighbour", setInt(BoxAt(1, 2, 3), BoxId(1, 2, 2)), true},
        {"interior box id", setInt(BoxAt(1, 1, 1), 0), true},
        {"last box id", setInt(BoxAt(3, 3, 3), 878), true},
        {"mirrored orientation", mirror(2, 0, 3), true},
        {"left equal to front", sameFaces(0, 3, 3), true},
        {"front 6", setInt(BoxAt(3, 1, 0) + 12, 6), true},
        {"negative top", setInt(BoxAt(0, 0, 1) + 20, -1), true},
        {"bonus id of another level", setInt(kBonus, 210), true},
        {"bonus id of level 0 in level 1", setInt(kBonus + 4, 110), true},
        {"bonus id beyond the rows", setInt(kBonus + 4, 250), true},
        {"bonus id beyond the columns", setInt(kBonus + 8, 305), true},
        {"bonus id in an unused level", setInt(kBonus + 4 * 5, 600), true},
        {"bad id 99", setInt(kBad, 99), true},
        {"bad id -1", setInt(kBad + 4, -1), true},
        {"bad id in an unused level", setInt(kBad + 4 * 7, 800), true},
        {"one byte short", cut(1643), true},
        {"last id missing", cut(1640), true},
        {"no boxes", cut(44), true},
        {"header only", cut(22), true},
        {"short header", cut(21), false},
        {"version text only", cut(14), false},
        {"empty", cut(0), false},
    };
}

} // namespace

TEST_F(SaveGame, TamperedFilesAreRefusedAndChangeNothing)
{
    TSettings s;
    auto saved = MakeSavedCube(s, 4);
    const QString good = Path("good.qgf");
    ASSERT_TRUE(SaveGameFile(s, *saved, good));
    const QByteArray bytes = ReadAll(good);
    ASSERT_TRUE(LoadGameFile(s, good, CubeFactory()));

    for (const Tamper &t : Tampers()) {
        QByteArray b = bytes;
        t.change(b);
        const QString path = Path("bad.qgf");
        ASSERT_TRUE(WriteAll(path, b));

        // The whole load: no object, the settings as they were.
        TSettings current;
        current.gameType = 1;
        current.levels = 6;
        EXPECT_FALSE(LoadGameFile(current, path, CubeFactory({1, 2, 3, 4}))) << t.what;
        EXPECT_EQ(current.gameType, 1) << t.what;
        EXPECT_EQ(current.levels, 6) << t.what;

        // The body alone into a running game: refused, the game unchanged.
        if (t.bodyOnly) {
            TSettings run;
            auto game = MakeSavedCube(run, 4);
            game->score = 4321;
            const Snapshot before(*game);
            TGameFileHeader h;
            auto file = run.OpenGameFile(path, h);
            ASSERT_TRUE(file) << t.what;
            EXPECT_FALSE(game->LoadBody(file.get())) << t.what;
            EXPECT_TRUE(Snapshot(*game) == before) << t.what;
        }
    }
}

TEST_F(SaveGame, MissingFileAndGameTypesWithoutAnObject)
{
    TSettings s;
    TGameFileHeader h;
    EXPECT_FALSE(s.OpenGameFile(Path("none.qgf"), h));
    EXPECT_FALSE(LoadGameFile(s, Path("none.qgf"), CubeFactory()));

    // A valid Jigsaw header for which the factory makes nothing.
    auto cube = MakeSavedCube(s, 3);
    s.gameType = 1;
    const QString path = Path("jigsaw.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    TSettings t;
    t.gameType = 3;
    t.levels = 5;
    EXPECT_FALSE(LoadGameFile(t, path, CubeFactory({2})));
    EXPECT_FALSE(LoadGameFile(t, path, TGameFactory()));
    EXPECT_EQ(t.gameType, 3);
    EXPECT_EQ(t.levels, 5);
}

TEST_F(SaveGame, AFifoNamedAsASavedGameFailsAtOnce)
{
    TFifo fifo(Path("x.qgf"));
    ASSERT_TRUE(fifo.Made());
    TSettings s;
    s.gameType = 3;
    s.levels = 5;
    std::unique_ptr<TGame> game;
    EXPECT_TRUE(fifo.ReturnsAtOnce([&] { game = LoadGameFile(s, Path("x.qgf"), TGame::Make); }));
    EXPECT_FALSE(game);
    EXPECT_EQ(s.gameType, 3);
    EXPECT_EQ(s.levels, 5);
    // The options reader too.
    bool read = true;
    EXPECT_TRUE(fifo.ReturnsAtOnce([&] { read = s.ReadOptionsFile(Path("x.qgf")); }));
    EXPECT_FALSE(read);
}

TEST_F(SaveGame, PyramidBoxesOutsideTheShapeAreNotChecked)
{
    TSettings s;
    auto cube = MakeSavedCube(s, 4);
    s.gameType = 3;
    // Level 1 of a pyramid holds rows and columns 0..1 only.
    cube->box[1][2][3] = TBoxRec{0, 0, 0, 0, 0, 0};
    cube->bonusId[0] = 0; // the apex level has neither
    cube->badId[0] = 0;
    cube->bonusId[1] = BoxId(1, 1, 0);
    cube->badId[1] = BoxId(1, 0, 1);
    const QString path = Path("pyramid.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    TSettings t;
    EXPECT_TRUE(LoadGameFile(t, path, CubeFactory({3})));

    // The same boxes as a Jumbled Cube are refused.
    QByteArray b = ReadAll(path);
    SetLE32(b, 14, 2);
    ASSERT_TRUE(WriteAll(path, b));
    EXPECT_FALSE(LoadGameFile(t, path, CubeFactory({2})));

    // A pyramid's bonus box must lie inside its level.
    cube->box[1][2][3] = TBoxRec{BoxId(1, 2, 3), 0, 0, 0, 1, 2};
    cube->bonusId[1] = BoxId(1, 2, 0);
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    EXPECT_FALSE(LoadGameFile(t, path, CubeFactory({3})));
    s.gameType = 2;
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    EXPECT_TRUE(LoadGameFile(t, path, CubeFactory({2})));
}

TEST_F(SaveGame, ShortWritesFailAtTheFirstField)
{
    TSettings s;
    auto cube = MakeSavedCube(s, 4);
    const qint64 body = 1644 - 22;
    for (qint64 limit : {qint64(0), qint64(1), qint64(2), qint64(25), qint64(1000), body - 1}) {
        LimitedDevice dev(limit);
        EXPECT_FALSE(cube->SaveBody(&dev)) << limit;
    }
    LimitedDevice dev(body);
    EXPECT_TRUE(cube->SaveBody(&dev));
    EXPECT_EQ(dev.data.size(), body);
    EXPECT_FALSE(cube->SaveBody(nullptr));
    EXPECT_FALSE(cube->LoadBody(nullptr));
}

TEST_F(SaveGame, AFailedSaveKeepsTheOldFile)
{
    // A game whose body fails half way.
    struct FailingCube : TCube {
        using TCube::TCube;
        bool SaveBody(QIODevice *file) override
        {
            file->write(QByteArray(100, 'x'));
            return false;
        }
    };
    TSettings s;
    auto cube = MakeSavedCube(s, 3);
    const QString path = Path("keep.qgf");
    ASSERT_TRUE(SaveGameFile(s, *cube, path));
    const QByteArray before = ReadAll(path);

    FailingCube failing(&s);
    failing.Setup();
    EXPECT_FALSE(SaveGameFile(s, failing, path));
    EXPECT_EQ(ReadAll(path), before);

    // Levels the arrays cannot hold are not written either.
    s.levels = 9;
    EXPECT_FALSE(SaveGameFile(s, *cube, path));
    EXPECT_EQ(ReadAll(path), before);
    s.levels = 3;

    // No file in a folder that does not exist.
    EXPECT_FALSE(SaveGameFile(s, *cube, Path("no/such/folder/x.qgf")));
    EXPECT_EQ(s.CreateGameFile(Path("no/such/folder/x.qgf")), nullptr);

    // Nothing but the good file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.qgf")});
}


TEST_F(SaveGame, CountersLoadUpToWhatAGameReachesAndNotOnePast)
{
    // Offsets of the counters in the file; the Jigsaw's drops follow the
    // bonus and bad ids.
    constexpr int kMoves = 28, kInitial = 32, kPrevious = 36, kDisorder = 40;
    const int max = TGame::MaxCount;
    for (int type = 1; type <= 4; ++type)
        for (int n : {2, 5, 8}) {
            TSettings s;
            s.gameType = type;
            s.levels = n;
            std::unique_ptr<TGame> game = TGame::Make(type, &s);
            game->Setup();
            const QString path = Path("counters.qgf");
            ASSERT_TRUE(SaveGameFile(s, *game, path));
            const QByteArray good = ReadAll(path);
            const int kDrops = 108 + 24 * n * n * n;
            int lo = 1, hi = -1;
            ASSERT_TRUE(TGame::DisorderRange(type, n, lo, hi));
            ASSERT_LE(lo, 0);
            ASSERT_GT(hi, 0);

            struct Case {
                const char *what;
                int offset;
                int32_t value;
                bool loads;
            };
            std::vector<Case> cases = {
                {"moves 0", kMoves, 0, true},
                {"moves at the bound", kMoves, max, true},
                {"moves one past", kMoves, max + 1, false},
                {"moves -1", kMoves, -1, false},
                {"moves INT_MAX", kMoves, INT_MAX, false},
            };
            for (int at : {kInitial, kPrevious, kDisorder}) {
                cases.push_back({"disorder at its highest", at, hi, true});
                cases.push_back({"disorder one above", at, hi + 1, false});
                cases.push_back({"disorder at its lowest", at, lo, true});
                cases.push_back({"disorder one below", at, lo - 1, false});
                cases.push_back({"disorder INT_MAX", at, INT_MAX, false});
                cases.push_back({"disorder INT_MIN", at, INT_MIN, false});
            }
            if (type == 1) {
                cases.push_back({"drops at the bound", kDrops, max, true});
                cases.push_back({"drops one past", kDrops, max + 1, false});
                cases.push_back({"drops INT_MAX", kDrops, INT_MAX, false});
            }
            for (const Case &c : cases) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << n << " levels, " << c.what
                                                << " at " << c.offset);
                QByteArray b = good;
                SetLE32(b, c.offset, c.value);
                ASSERT_TRUE(WriteAll(path, b));
                TSettings t;
                t.gameType = 2;
                t.levels = 3;
                std::unique_ptr<TGame> loaded = LoadGameFile(t, path, TGame::Make);
                ASSERT_EQ(bool(loaded), c.loads);
                if (!loaded) {
                    EXPECT_EQ(t.gameType, 2);
                    EXPECT_EQ(t.levels, 3);
                    continue;
                }
                // Play on from the bound: the counters stay in range and
                // the score is computed without overflow.
                loaded->cheated = false;
                loaded->RotateLevel(1, DirLeft);
                loaded->RotateShape(DirUp);
                loaded->Evaluate(false);
                EXPECT_GE(loaded->moves, 0);
                EXPECT_LE(loaded->moves, max);
                EXPECT_GE(loaded->score, 0);
                EXPECT_GE(loaded->disorder, lo);
                EXPECT_LE(loaded->disorder, hi);
                if (type != 1 && c.offset == kMoves && c.value == max) {
                    EXPECT_EQ(loaded->moves, max);
                }
            }
        }
}

TEST(Disorder, EveryEvaluationLiesInTheRangeOfItsShape)
{
    // Random play on every shape; each evaluation's disorder stays in the
    // range the loader accepts.
    std::mt19937 rng(13);
    for (int type = 1; type <= 4; ++type)
        for (int n = 2; n <= 8; ++n) {
            TSettings s;
            s.gameType = type;
            s.levels = n;
            std::unique_ptr<TGame> game = TGame::Make(type, &s);
            game->Setup();
            int lo, hi;
            ASSERT_TRUE(TGame::DisorderRange(type, n, lo, hi));
            const std::vector<Orient> all = AllOrientations();
            for (int round = 0; round < 40; ++round) {
                if (type != 1) {
                    // Any mix of orientations a player could turn the boxes to,
                    // from all alike to all different.
                    const int kinds = 1 + int(rng() % 24);
                    for (int L = 0; L < n; ++L)
                        for (int r = 0; r < n; ++r)
                            for (int c = 0; c < n; ++c)
                                SetOrient(game->box[L][r][c], all[rng() % kinds]);
                } else {
                    game->RotateShape(1 + int(rng() % 4));
                }
                game->Evaluate(false);
                EXPECT_GE(game->disorder, lo) << type << " " << n;
                EXPECT_LE(game->disorder, hi) << type << " " << n;
            }
        }
    int lo, hi;
    EXPECT_FALSE(TGame::DisorderRange(0, 4, lo, hi));
    EXPECT_FALSE(TGame::DisorderRange(2, 9, lo, hi));
}

TEST(Timestamp, DateThenTimeAsFourteenDigits)
{
    struct Case {
        QDate date;
        QTime time;
        const char *text;
    } cases[] = {
        {QDate(2024, 1, 2), QTime(0, 5, 3), "20240102000503"},
        {QDate(1999, 12, 31), QTime(23, 59, 59), "19991231235959"},
        {QDate(2030, 7, 9), QTime(9, 0, 0), "20300709090000"},
        {QDate(2025, 10, 11), QTime(0, 0, 0), "20251011000000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GameFile::TimestampText(QDateTime(c.date, c.time)), QString::fromLatin1(c.text));
    TSettings s;
    const QString now = s.TimestampText();
    EXPECT_EQ(now.size(), 14);
    for (QChar ch : now)
        EXPECT_TRUE(ch.isDigit());
}
