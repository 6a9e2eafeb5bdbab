// Settings record, boxes and turning, the random seam, and the Jumbled
// Cube's setup, hit tests, move codes, turns and rotations.
#include "test_core_util.h"
#include "ScriptedRandom.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

using namespace coretest;

// ---- Settings record ---------------------------------------------------

TEST(Settings, BareRecordHoldsTheDefaults)
{
    TSettings s;
    EXPECT_EQ(std::memcmp(s.versionText, "quiboVer01.70", 14), 0);
    struct Case {
        const char *name;
        long long got, want;
    } cases[] = {
        {"programVersion", s.programVersion, 170},
        {"fileVersion", s.fileVersion, 170},
        {"bufferWidth", s.bufferWidth, -1},
        {"gameType", s.gameType, 1},
        {"gameTypeAtLoad", s.gameTypeAtLoad, 1},
        {"levels", s.levels, 4},
        {"levelsAtLoad", s.levelsAtLoad, 4},
        {"boxRecSize", s.boxRecSize, 24},
        {"intSize", s.intSize, 4},
        {"flagSize", s.flagSize, 1},
        {"floatSize", s.floatSize, 4},
        {"colorSize", s.colorSize, 4},
        {"inputEnabled", s.inputEnabled, 1},
        {"saveAfterLoad", s.saveAfterLoad, 0},
        {"optionsLoaded", s.optionsLoaded, 0},
        {"bonusBoxes", s.bonusBoxes, 1},
        {"bonusBoxesAtLoad", s.bonusBoxesAtLoad, 1},
        {"badBoxes", s.badBoxes, 1},
        {"badBoxesAtLoad", s.badBoxesAtLoad, 1},
        {"usePattern", s.usePattern, 0},
        {"tilePattern", s.tilePattern, 1},
        {"backgroundColor", s.backgroundColor, 0x242424},
        {"helpCookie", s.helpCookie, 0},
        {"boxSize", s.boxSize, 44},
        {"sideDepth", s.sideDepth, 11},
        {"topDepth", s.topDepth, 11},
        {"colorSet", s.colorSet, 0},
        {"colorSetCount", s.colorSetCount, 0},
        {"imageSet", s.imageSet, 0},
        {"imageSetCount", s.imageSetCount, 0},
        {"useBoxColors", s.useBoxColors, 1},
        {"useBoxImages", s.useBoxImages, 0},
        {"spanImages", s.spanImages, 0},
        {"tileImages", s.tileImages, 0},
        {"borderImages", s.borderImages, 1},
        {"rotateImages", s.rotateImages, 0},
        {"infoColor", s.infoColor, 0x000000},
        {"dragColor", s.dragColor, 0x00FFFF},
        {"infoEdgeColor", s.infoEdgeColor, 0x800000},
        {"infoTextColor", s.infoTextColor, 0xC0C0C0},
        {"dropColor", s.dropColor, 0x00FF00},
        {"selectColor", s.selectColor, 0x00FFFF},
        {"antiAlias", s.antiAlias, 1},
        {"maxSamples", s.maxSamples, 9},
        {"testAfter", s.testAfter, 4},
        {"sampleThreshold", s.sampleThreshold, 30},
        {"scratchBox.id", s.scratchBox.id, 0},
        {"scratchBox.x", s.scratchBox.x, 0},
        {"scratchBox.front", s.scratchBox.front, 0},
        {"scratchBox.left", s.scratchBox.left, 1},
        {"scratchBox.top", s.scratchBox.top, 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.got, c.want) << c.name;
    EXPECT_FLOAT_EQ(s.sideRatio, 0.25f);
    EXPECT_FLOAT_EQ(s.topRatio, 0.25f);
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(s.faceColor[f], -1) << f;
        EXPECT_EQ(s.faceImage[f], nullptr);
        EXPECT_EQ(s.faceImageFit[f], nullptr);
        EXPECT_TRUE(s.faceImageFile[f].isEmpty());
    }
    EXPECT_EQ(s.imgUt, nullptr);
    EXPECT_EQ(s.renderBuffer, nullptr);
    EXPECT_EQ(s.patternImage, nullptr);
    EXPECT_TRUE(s.helpWindow.isNull());
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(s.hofScore[t][i], 0);
            EXPECT_EQ(s.hofLevels[t][i], 0);
        }
}

TEST(Settings, SamplerTablesAndImageRotation)
{
    TSettings s;
    const float t = 1.0f / 3.0f;
    const float offsets[9][2] = {{-t, -t}, {t, -t}, {-t, t}, {t, t}, {0, 0},
                                 {0, -t},  {-t, 0}, {t, 0},  {0, t}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(s.sampleOffset[i].dx, offsets[i][0]) << i;
        EXPECT_EQ(s.sampleOffset[i].dy, offsets[i][1]) << i;
    }
    EXPECT_EQ(s.sampleWeight[0], 1.0f);
    EXPECT_EQ(s.sampleWeight[1], 1.0f);
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(s.sampleWeight[i], 1.0f / float(i)) << i;

    // Equal or opposite front and left never rotate; a few listed entries.
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(s.imageRotation[f][f], 0) << f;
        EXPECT_EQ(s.imageRotation[f][5 - f], 0) << f;
    }
    EXPECT_EQ(s.imageRotation[0][2], 270);
    EXPECT_EQ(s.imageRotation[1][0], 180);
    EXPECT_EQ(s.imageRotation[2][5], 270);
    EXPECT_EQ(s.imageRotation[3][0], 270);
    EXPECT_EQ(s.imageRotation[4][5], 180);
    EXPECT_EQ(s.imageRotation[5][1], 180);
}

TEST(Settings, InterfaceBlockBytes)
{
    TInterfaceBlock b;
    b.programVersion = 0x1234;
    b.buttonStyle = 1;
    b.look = 'S';
    b.scale = 'g';
    b.reserved6[21] = 0x77;
    uint8_t bytes[TInterfaceBlock::Size];
    b.ToBytes(bytes);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x12);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(bytes[4], 'S');
    EXPECT_EQ(bytes[5], 'g');
    EXPECT_EQ(bytes[27], 0x77);
    TInterfaceBlock c;
    c.FromBytes(bytes);
    EXPECT_EQ(c.programVersion, 0x1234);
    EXPECT_EQ(c.buttonStyle, 1);
    EXPECT_EQ(c.look, 'S');
    EXPECT_EQ(c.scale, 'g');
    EXPECT_EQ(c.reserved6[21], 0x77);
}

// ---- Faces and turning -------------------------------------------------

TEST(Boxes, IdsOfPositions)
{
    EXPECT_EQ(BoxId(2, 3, 4), 334);
    EXPECT_EQ(BoxId(0, 0, 0), 100);
    EXPECT_EQ(BoxId(7, 7, 7), 877);
}

TEST(Boxes, TopFaceIsTheCrossProductOfFrontAndLeft)
{
    // Faces 0, 1, 2 are +x, +y, +z, face 5 - f is the negative of face f.
    auto vec = [](int f) {
        std::array<int, 3> v{0, 0, 0};
        if (f <= 2)
            v[f] = 1;
        else
            v[5 - f] = -1;
        return v;
    };
    int valid = 0;
    for (int f = 0; f < 6; ++f)
        for (int l = 0; l < 6; ++l) {
            if (l == f || l == 5 - f) {
                EXPECT_EQ(TopFace(f, l), -1) << f << "," << l;
                continue;
            }
            const auto a = vec(f), b = vec(l);
            const std::array<int, 3> cross{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                           a[0] * b[1] - a[1] * b[0]};
            EXPECT_EQ(vec(TopFace(f, l)), cross) << f << "," << l;
            ++valid;
        }
    EXPECT_EQ(valid, 24);
    EXPECT_EQ(TopFace(-1, 1), -1);
    EXPECT_EQ(TopFace(0, 6), -1);
}

TEST(Turning, FromTheHomeOrientation)
{
    struct Case {
        int dir;
        Orient after;
    } cases[] = {
        {1, {4, 0, 2}}, {2, {1, 5, 2}}, {3, {3, 1, 0}}, {4, {2, 1, 5}},
        {0, {0, 1, 2}}, {5, {0, 1, 2}}, {-1, {0, 1, 2}},
    };
    for (const Case &c : cases) {
        TSettings s;
        s.scratchBox = TBoxRec{321, 17, 23, 0, 1, 2};
        s.TurnScratchBox(c.dir);
        EXPECT_EQ(OrientOf(s.scratchBox), c.after) << "dir " << c.dir;
        EXPECT_EQ(s.scratchBox.id, 321);
        EXPECT_EQ(s.scratchBox.x, 17);
        EXPECT_EQ(s.scratchBox.y, 23);
    }
}

TEST(Turning, OppositeTurnsAndFourEqualTurnsRestoreEveryOrientation)
{
    TSettings s;
    const int inverse[5] = {0, 2, 1, 4, 3};
    for (const Orient &o : AllOrientations())
        for (int dir = 1; dir <= 4; ++dir) {
            SetOrient(s.scratchBox, o);
            s.TurnScratchBox(dir);
            EXPECT_FALSE(OrientOf(s.scratchBox) == o);
            EXPECT_TRUE(IsValidOrientation(s.scratchBox.front, s.scratchBox.left, s.scratchBox.top));
            s.TurnScratchBox(inverse[dir]);
            EXPECT_EQ(OrientOf(s.scratchBox), o) << "dir " << dir;
            for (int i = 0; i < 4; ++i)
                s.TurnScratchBox(dir);
            EXPECT_EQ(OrientOf(s.scratchBox), o) << "four times dir " << dir;
        }
}

TEST(Turning, TurnsReachExactlyTheTwentyFourOrientations)
{
    TSettings s;
    std::set<Orient> seen{{0, 1, 2}};
    std::vector<Orient> todo{{0, 1, 2}};
    while (!todo.empty()) {
        const Orient o = todo.back();
        todo.pop_back();
        for (int dir = 1; dir <= 4; ++dir) {
            SetOrient(s.scratchBox, o);
            s.TurnScratchBox(dir);
            if (seen.insert(OrientOf(s.scratchBox)).second)
                todo.push_back(OrientOf(s.scratchBox));
        }
    }
    const std::vector<Orient> all = AllOrientations();
    EXPECT_EQ(seen, std::set<Orient>(all.begin(), all.end()));
}

// ---- Random seam and random orientation ---------------------------------

TEST(RandomSeam, RangeScopesAndRecordedBounds)
{
    TScriptedRandom script({3, 7, -1, 5});
    {
        TRandomScope scope(script);
        EXPECT_EQ(Random(6), 3);
        EXPECT_EQ(Random(4), 3);   // 7 brought into 0..3
        EXPECT_EQ(Random(4), 3);   // -1 likewise
        EXPECT_EQ(Random(0), 0);   // n <= 0 gives 0, the draw is still asked
        EXPECT_EQ(Random(5), 0);   // values ran out
    }
    EXPECT_EQ(script.bounds, (std::vector<int>{6, 4, 4, 0, 5}));
    EXPECT_EQ(script.overrun, 1);

    // Outside the scope the system generator answers, within range.
    for (int i = 0; i < 200; ++i) {
        const int r = Random(3);
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 3);
    }
    EXPECT_EQ(Random(-4), 0);
    EXPECT_EQ(script.bounds.size(), 5u);
}

TEST(RandomSeam, ScopesNest)
{
    TScriptedRandom outer({1, 1}), inner({2});
    TRandomScope a(outer);
    EXPECT_EQ(Random(9), 1);
    {
        TRandomScope b(inner);
        EXPECT_EQ(Random(9), 2);
    }
    EXPECT_EQ(Random(9), 1);
    EXPECT_EQ(inner.bounds.size(), 1u);
    EXPECT_EQ(outer.bounds.size(), 2u);
}

TEST(RandomOrientation, DrawsFrontThenStepsAndSkipsInvalidLefts)
{
    struct Case {
        int r6, r4;
        Orient want;
    } cases[] = {
        {0, 0, {0, 1, 2}}, {0, 1, {0, 2, 4}}, {0, 3, {0, 4, 3}},
        {2, 0, {2, 4, 0}},  // one step gives 3, the opposite of 2: on to 4
        {5, 3, {5, 3, 4}},  // 5 wraps to 0 (the opposite), then 1, 2, 3
        {1, 3, {1, 5, 2}}, {3, 2, {3, 0, 4}}, {4, 1, {4, 0, 2}},
    };
    for (const Case &c : cases) {
        TScriptedRandom script({c.r6, c.r4});
        TBoxRec b{555, 1, 2, 9, 9, 9};
        {
            TRandomScope scope(script);
            RandomOrientation(b);
        }
        EXPECT_EQ(OrientOf(b), c.want) << c.r6 << "," << c.r4;
        EXPECT_EQ(script.bounds, (std::vector<int>{6, 4}));
        EXPECT_EQ(b.id, 555);
        EXPECT_EQ(b.x, 1);
        EXPECT_EQ(b.y, 2);
    }
}

TEST(RandomOrientation, EveryDrawIsValidAndTheDistributionIsUneven)
{
    std::map<Orient, int> count;
    for (int r6 = 0; r6 < 6; ++r6)
        for (int r4 = 0; r4 < 4; ++r4) {
            TScriptedRandom script({r6, r4});
            TRandomScope scope(script);
            TBoxRec b;
            RandomOrientation(b);
            EXPECT_TRUE(IsValidOrientation(b.front, b.left, b.top));
            ++count[OrientOf(b)];
        }
    // Front 2: the first step lands on the opposite face 3, so left 4 comes
    // twice and left 1 never.
    EXPECT_EQ((count[{2, 4, 0}]), 2);
    EXPECT_EQ((count[{2, 1, 5}]), 0);
    EXPECT_LT(count.size(), 24u);
}

// ---- LocateBox ----------------------------------------------------------

TEST(Cube, LocateBoxIds)
{
    struct Case {
        int id;
        bool ok;
        int L, R, C;
    } cases[] = {
        {210, true, 1, 1, 0}, {877, true, 7, 7, 7}, {100, true, 0, 0, 0},
        {334, true, 2, 3, 4}, {899, false, 7, 9, 9}, {900, false, 8, 0, 0},
        {188, false, 0, 8, 8},
    };
    TSettings s;
    TCube cube(&s);
    for (const Case &c : cases) {
        EXPECT_EQ(cube.LocateBox(c.id), c.ok) << c.id;
        EXPECT_EQ(cube.curLevel, c.L) << c.id;
        EXPECT_EQ(cube.curRow, c.R) << c.id;
        EXPECT_EQ(cube.curCol, c.C) << c.id;
    }
    // Ids without a position are refused and leave the position alone.
    for (int id : {0, 1, 99, 50, -1, -5, -150, -877}) {
        cube.curLevel = 3;
        cube.curRow = 4;
        cube.curCol = 5;
        EXPECT_FALSE(cube.LocateBox(id)) << id;
        EXPECT_EQ(cube.curLevel, 3) << id;
        EXPECT_EQ(cube.curRow, 4) << id;
        EXPECT_EQ(cube.curCol, 5) << id;
    }
}

TEST(Cube, OperationsOnAnInvalidSelectionChangeNothing)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    for (int id : {0, 5, -120}) {
        cube->selectedId = id;
        const Snapshot before(*cube);
        TScriptedRandom script;
        TRandomScope scope(script);
        cube->TurnBox(1);
        cube->ScrambleAround();
        EXPECT_TRUE(Snapshot(*cube) == before) << id;
        EXPECT_TRUE(script.bounds.empty());
    }
}

TEST(Cube, NoBoxIsHitBeforeTheFirstLayout)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    // Every box still sits at its initial position; a click there must not
    // find one until the boxes have been laid out.
    const TBoxRec &b = cube->box[0][0][2];
    EXPECT_FALSE(cube->ClickBox(b.x, b.y, false));
    EXPECT_FALSE(cube->ClickBox(b.x, b.y, true));
    EXPECT_EQ(cube->selectedId, 0);
    EXPECT_EQ(cube->infoId, 0);
    PlaceFront(*cube);
    const TBoxRec &p = cube->box[0][0][2];
    EXPECT_TRUE(cube->ClickBox(p.x + 1, p.y + 1, false));
    EXPECT_EQ(cube->selectedId, p.id);
}

// ---- Setup ---------------------------------------------------------------

TEST(Cube, SetupDrawOrderPerLevel)
{
    for (int n = 2; n <= 8; ++n) {
        TSettings s;
        s.levels = n;
        TCube cube(&s);
        TScriptedRandom script;
        {
            TRandomScope scope(script);
            cube.Setup();
        }
        std::vector<int> want;
        for (int L = 0; L < n; ++L) {
            want.push_back(4 * n - 4);
            want.push_back(4 * n - 5);
            for (int i = 0; i < n * n; ++i) {
                want.push_back(6);
                want.push_back(4);
            }
        }
        EXPECT_EQ(script.bounds, want) << "n " << n;
        EXPECT_EQ(cube.levels, n);
        for (int L = 0; L < n; ++L)
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) {
                    const TBoxRec &b = cube.box[L][r][c];
                    EXPECT_EQ(b.id, BoxId(L, r, c));
                    EXPECT_EQ(b.x, 0);
                    EXPECT_EQ(b.y, 0);
                    EXPECT_EQ(OrientOf(b), (Orient{0, 1, 2}));
                }
    }
}

TEST(Cube, SetupChoosesBonusAndBadBoxesAmongTheBorder)
{
    struct Case {
        int n, b, d, bonus, bad;
    } cases[] = {
        {3, 2, 0, 102, 100}, // bad met first, at j = 0; bonus at j = 2
        {3, 0, 0, 100, 101}, // both at 0: the bonus wins, bad is the next
        {3, 7, 6, 122, 121}, // j 6 is (2,1), j 7 is (2,2)
        {3, 5, 6, 120, 121},
        {3, 3, 4, 110, 112}, // the interior box (1,1) is no border box
        {2, 3, 2, 111, 110},
        {4, 4, 4, 110, 113}, // row 1 of 4 has border boxes only at columns 0 and 3
    };
    for (const Case &c : cases) {
        TSettings s;
        s.levels = c.n;
        TCube cube(&s);
        TScriptedRandom script;
        for (int L = 0; L < c.n; ++L) {
            script.Add({c.b, c.d});
            script.Add(std::vector<int>(2 * c.n * c.n, 0));
        }
        {
            TRandomScope scope(script);
            cube.Setup();
        }
        EXPECT_EQ(script.overrun, 0);
        for (int L = 0; L < c.n; ++L) {
            EXPECT_EQ(cube.bonusId[L], c.bonus + 100 * L) << c.n << " " << c.b << " " << c.d;
            EXPECT_EQ(cube.badId[L], c.bad + 100 * L) << c.n << " " << c.b << " " << c.d;
        }
        for (int L = c.n; L < 8; ++L) {
            EXPECT_EQ(cube.bonusId[L], 0);
            EXPECT_EQ(cube.badId[L], 0);
        }
    }
}

TEST(Cube, SetupAlwaysGivesEachLevelTwoDifferentBorderBoxes)
{
    for (int n = 2; n <= 8; ++n)
        for (int round = 0; round < 20; ++round) {
            TSettings s;
            s.levels = n;
            TCube cube(&s);
            cube.Setup();
            for (int L = 0; L < n; ++L) {
                ASSERT_TRUE(cube.LocateBox(cube.bonusId[L]));
                EXPECT_EQ(cube.curLevel, L);
                const bool border = cube.curRow == 0 || cube.curRow == n - 1 || cube.curCol == 0 || cube.curCol == n - 1;
                EXPECT_TRUE(border);
                ASSERT_TRUE(cube.LocateBox(cube.badId[L]));
                EXPECT_EQ(cube.curLevel, L);
                EXPECT_NE(cube.bonusId[L], cube.badId[L]);
            }
            for (int L = 0; L < n; ++L)
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < n; ++c) {
                        const TBoxRec &b = cube.box[L][r][c];
                        EXPECT_TRUE(IsValidOrientation(b.front, b.left, b.top));
                    }
        }
}

// ---- Hit test, ClickBox and PressRelease -------------------------------

TEST(Cube, ClickBoxTogglesSelectionAndCard)
{
    TSettings s;
    auto cube = MakeCube(s, 3);
    PlaceFront(*cube); // level 0 at y 50..94, row 0 at x 188..232
    // Shared edges: the upper level wins, then the lower row number.
    struct Hit {
        int x, y, id;
    } hits[] = {
        {190, 60, 102},  {188, 50, 102}, {232, 94, 102}, // bounds included
        {200, 94, 102},                                   // level 0 / level 1 edge
        {188, 60, 102},                                   // row 0 / row 1 edge
        {150, 120, 212}, {100, 182, 322}, {232, 182, 302},
    };
    for (const Hit &h : hits) {
        cube->selectedId = 0;
        cube->infoId = 0;
        EXPECT_TRUE(cube->ClickBox(h.x, h.y, false)) << h.x << "," << h.y;
        EXPECT_EQ(cube->selectedId, h.id) << h.x << "," << h.y;
        EXPECT_EQ(cube->infoId, 0);
    }
    // Off the front: nothing changes.
    cube->selectedId = 102;
    for (auto p : {std::pair{99, 60}, std::pair{233, 60}, std::pair{150, 49}, std::pair{150, 183}}) {
        EXPECT_FALSE(cube->ClickBox(p.first, p.second, false));
        EXPECT_FALSE(cube->ClickBox(p.first, p.second, true));
        EXPECT_EQ(cube->selectedId, 102);
        EXPECT_EQ(cube->infoId, 0);
    }
    // A second click deselects; a right click toggles only the card.
    EXPECT_TRUE(cube->ClickBox(190, 60, false));
    EXPECT_EQ(cube->selectedId, 0);
    EXPECT_TRUE(cube->ClickBox(150, 120, false));
    EXPECT_EQ(cube->selectedId, 212);
    EXPECT_TRUE(cube->ClickBox(190, 60, false));
    EXPECT_EQ(cube->selectedId, 102);
    EXPECT_TRUE(cube->ClickBox(150, 120, true));
    EXPECT_EQ(cube->infoId, 212);
    EXPECT_EQ(cube->selectedId, 102);
    EXPECT_TRUE(cube->ClickBox(190, 60, true));
    EXPECT_EQ(cube->infoId, 102);
    EXPECT_TRUE(cube->ClickBox(190, 60, true));
    EXPECT_EQ(cube->infoId, 0);
    EXPECT_EQ(cube->selectedId, 102);
}

TEST(Cube, PressReleaseMoveCodes)
{
    // Front of 3 levels: box 212 (level 1, row 1) spans x 144..188,
    // y 94..138; box 202 is at its right, 222 at its left, 102 above, 302
    // below. The press starts at the centre of 212: (166, 116).
    struct Case {
        const char *what;
        int selected;
        int px, py, rx, ry;
        int code;
    } cases[] = {
        {"7 both ways", 0, 166, 116, 173, 123, 0},
        {"7 back both ways", 212, 166, 116, 159, 109, 0},
        {"8 right, none selected", 0, 166, 116, 174, 116, 12},
        {"8 left", 0, 166, 116, 158, 116, 11},
        {"8 down", 0, 166, 116, 166, 124, 14},
        {"8 up", 0, 166, 116, 166, 108, 13},
        {"tie 10/10 is horizontal", 0, 166, 116, 176, 126, 12},
        {"tie -9/-9 is horizontal", 0, 166, 116, 157, 107, 11},
        {"dy larger", 0, 166, 116, 175, 106, 13},
        {"onto the next box", 0, 166, 116, 210, 116, 12},
        {"another box selected", 102, 166, 116, 210, 116, 12},
        {"turn the selected box right", 212, 166, 116, 175, 116, 2},
        {"turn the selected box left", 212, 166, 116, 157, 116, 1},
        {"turn the selected box up", 212, 166, 116, 170, 100, 3},
        {"turn the selected box down", 212, 166, 116, 160, 137, 4},
        {"drag off the selected box", 212, 166, 116, 210, 116, 999},
        {"drag onto the selected box", 202, 166, 116, 210, 116, 999},
        {"release off every box", 0, 166, 116, 300, 116, 0},
        {"press off every box", 0, 300, 116, 166, 116, 0},
        {"selected, release off", 212, 166, 116, 300, 116, 0},
    };
    for (const Case &c : cases) {
        TSettings s;
        auto cube = MakeCube(s, 3);
        PlaceFront(*cube);
        cube->selectedId = c.selected;
        const Snapshot before(*cube);
        EXPECT_EQ(cube->PressRelease(c.px, c.py, false), 0) << c.what;
        EXPECT_EQ(cube->pressX, c.px);
        EXPECT_EQ(cube->pressY, c.py);
        EXPECT_EQ(cube->pressId, c.px == 300 ? 0 : 212) << c.what;
        EXPECT_EQ(cube->PressRelease(c.rx, c.ry, true), c.code) << c.what;
        EXPECT_EQ(cube->pressId, 0) << c.what;
        EXPECT_TRUE(Snapshot(*cube) == before) << c.what; // only the press state moved
    }
}

// ---- TurnBox, the bonus block and ScrambleAround -------------------------

namespace {

// The faces of the whole cube, for comparing what changed.
std::vector<Orient> FaceOrients(const TGame &g, int n)
{
    std::vector<Orient> v;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                v.push_back(OrientOf(g.box[L][r][c]));
    return v;
}

int Index(int n, int L, int r, int c)
{
    return (L * n + r) * n + c;
}

Orient Turned(Orient o, int dir)
{
    TSettings s;
    SetOrient(s.scratchBox, o);
    s.TurnScratchBox(dir);
    return OrientOf(s.scratchBox);
}

} // namespace

TEST(Cube, TurnBoxTurnsTheSelectedBoxAndTheBonusBlock)
{
    struct Case {
        const char *what;
        int L, R, C;   // selected box
        bool isBonus, switchOn;
        int dir;
        int Lmin, Lmax, Rmin, Rmax; // the block that takes the new faces
    } cases[] = {
        {"plain box", 1, 2, 3, false, true, 1, 1, 1, 2, 2},
        {"bonus, top level", 0, 1, 3, true, true, 3, 0, 1, 0, 2},
        {"bonus, bottom corner", 3, 3, 3, true, true, 2, 2, 3, 2, 3},
        {"bonus, middle", 2, 2, 3, true, true, 4, 1, 3, 1, 3},
        {"bonus in a back column", 1, 0, 0, true, true, 1, 0, 2, 0, 1},
        {"bonus with the switch off", 0, 1, 3, true, false, 3, 0, 0, 1, 1},
        {"direction 0 still counts", 1, 2, 3, false, true, 0, 1, 1, 2, 2},
    };
    const int n = 4;
    for (const Case &c : cases) {
        TSettings s;
        s.bonusBoxes = c.switchOn;
        auto cube = MakeCube(s, n);
        const int id = BoxId(c.L, c.R, c.C);
        cube->selectedId = id;
        if (c.isBonus)
            cube->bonusId[c.L] = id;
        else
            cube->bonusId[c.L] = BoxId(c.L, 0, 0) == id ? BoxId(c.L, 0, 1) : BoxId(c.L, 0, 0);
        const std::vector<Orient> before = FaceOrients(*cube, n);
        const Orient newFaces = Turned(before[Index(n, c.L, c.R, c.C)], c.dir);
        cube->TurnBox(c.dir);
        EXPECT_EQ(cube->moves, 1) << c.what;
        const std::vector<Orient> after = FaceOrients(*cube, n);
        for (int L = 0; L < n; ++L)
            for (int r = 0; r < n; ++r)
                for (int col = 0; col < n; ++col) {
                    const bool inBlock = col == c.C && L >= c.Lmin && L <= c.Lmax && r >= c.Rmin && r <= c.Rmax;
                    const Orient want = inBlock ? newFaces : before[Index(n, L, r, col)];
                    EXPECT_EQ(after[Index(n, L, r, col)], want) << c.what << " at " << L << r << col;
                    EXPECT_EQ(cube->box[L][r][col].id, BoxId(L, r, col));
                }
    }
}

TEST(Cube, ScrambleAroundTurnsTheBlockInDrawOrder)
{
    struct Case {
        int L, R, C;
        std::vector<std::pair<int, int>> block; // (level, row) in draw order
    } cases[] = {
        {0, 0, 3, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
        {2, 1, 3, {{1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}, {3, 0}, {3, 1}, {3, 2}}},
        {3, 3, 1, {{2, 2}, {2, 3}, {3, 2}, {3, 3}}},
    };
    const int n = 4;
    for (const Case &c : cases) {
        TSettings s;
        auto cube = MakeCube(s, n);
        cube->selectedId = BoxId(c.L, c.R, c.C);
        const int moves = cube->moves;
        const std::vector<Orient> before = FaceOrients(*cube, n);
        TScriptedRandom script;
        for (size_t i = 0; i < c.block.size(); ++i)
            script.Add(int(i % 4));
        {
            TRandomScope scope(script);
            cube->ScrambleAround();
        }
        EXPECT_EQ(script.bounds, std::vector<int>(c.block.size(), 4));
        EXPECT_EQ(script.overrun, 0);
        EXPECT_EQ(cube->moves, moves);
        std::vector<Orient> want = before;
        for (size_t i = 0; i < c.block.size(); ++i) {
            const int k = Index(n, c.block[i].first, c.block[i].second, c.C);
            want[k] = Turned(before[k], int(i % 4) + 1);
        }
        EXPECT_EQ(FaceOrients(*cube, n), want);
    }
}

// ---- RotateShape and RotateLevel ----------------------------------------

namespace {

bool Surface(int n, int L, int r, int c)
{
    return L == 0 || L == n - 1 || r == 0 || r == n - 1 || c == 0 || c == n - 1;
}

} // namespace

TEST(Cube, RotateShapeMovesAndTurnsSurfaceBoxes)
{
    // Where the box at (L, r, c) goes, by direction.
    auto dest = [](int n, int dir, int L, int r, int c) {
        switch (dir) {
        case 1: return std::array<int, 3>{L, c, n - 1 - r};
        case 2: return std::array<int, 3>{L, n - 1 - c, r};
        case 3: return std::array<int, 3>{n - 1 - c, r, L};
        default: return std::array<int, 3>{c, r, n - 1 - L};
        }
    };
    for (int n = 2; n <= 5; ++n)
        for (int dir = 1; dir <= 4; ++dir) {
            TSettings s;
            auto cube = MakeCube(s, n);
            for (int L = 0; L < n; ++L) {
                cube->bonusId[L] = BoxId(L, 0, n - 1);
                cube->badId[L] = BoxId(L, n - 1, 0);
            }
            const std::vector<Orient> before = FaceOrients(*cube, n);
            cube->RotateShape(dir);
            EXPECT_EQ(cube->moves, 0);
            for (int L = 0; L < n; ++L)
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < n; ++c) {
                        if (!Surface(n, L, r, c)) {
                            EXPECT_EQ(OrientOf(cube->box[L][r][c]), before[Index(n, L, r, c)]);
                            continue;
                        }
                        const auto d = dest(n, dir, L, r, c);
                        EXPECT_EQ(OrientOf(cube->box[d[0]][d[1]][d[2]]), Turned(before[Index(n, L, r, c)], dir))
                            << "n " << n << " dir " << dir << " from " << L << r << c;
                        EXPECT_EQ(cube->box[L][r][c].id, BoxId(L, r, c));
                    }
            for (int L = 0; L < n; ++L) {
                if (dir <= 2) {
                    const auto b = dest(n, dir, L, 0, n - 1), d = dest(n, dir, L, n - 1, 0);
                    EXPECT_EQ(cube->bonusId[L], BoxId(b[0], b[1], b[2]));
                    EXPECT_EQ(cube->badId[L], BoxId(d[0], d[1], d[2]));
                } else {
                    EXPECT_EQ(cube->bonusId[L], BoxId(L, 0, n - 1));
                    EXPECT_EQ(cube->badId[L], BoxId(L, n - 1, 0));
                }
            }
        }
}

TEST(Cube, RotateShapeFrontGoesLeftAndFrontGoesUp)
{
    TSettings s;
    const int n = 3;
    auto cube = MakeCube(s, n);
    const Orient front = OrientOf(cube->box[1][0][2]); // right-hand front box, middle level
    cube->RotateShape(1);
    EXPECT_EQ(OrientOf(cube->box[1][2][2]), Turned(front, 1)); // now at the left side's front
    TSettings s2;
    auto cube2 = MakeCube(s2, n);
    const Orient top = OrientOf(cube2->box[1][1][2]);
    cube2->RotateShape(3);
    EXPECT_EQ(OrientOf(cube2->box[0][1][1]), Turned(top, 3)); // front column to the top
}

TEST(Cube, RotationsRestore)
{
    struct Case {
        std::vector<int> dirs;
    } cases[] = {
        {{1, 1, 1, 1}}, {{2, 2, 2, 2}}, {{3, 3, 3, 3}}, {{4, 4, 4, 4}},
        {{1, 2}}, {{2, 1}}, {{3, 4}}, {{4, 3}}, {{0}}, {{5}}, {{-1}},
    };
    for (int n = 2; n <= 8; ++n)
        for (const Case &c : cases) {
            TSettings s;
            auto cube = MakeCube(s, n);
            for (int L = 0; L < n; ++L) {
                cube->bonusId[L] = BoxId(L, 1, n - 1);
                cube->badId[L] = BoxId(L, n - 1, 1);
            }
            const Snapshot before(*cube);
            for (int dir : c.dirs)
                cube->RotateShape(dir);
            EXPECT_TRUE(Snapshot(*cube) == before) << "n " << n << " first dir " << c.dirs[0];
        }
}

TEST(Cube, RotateLevelTurnsOneSliceAndCountsAMove)
{
    const int n = 4;
    for (int dir = 1; dir <= 4; ++dir)
        for (int number = 1; number <= n; ++number) {
            TSettings s;
            auto lone = MakeCube(s, n);
            TSettings s2;
            auto whole = MakeCube(s2, n);
            for (int L = 0; L < n; ++L) {
                lone->bonusId[L] = whole->bonusId[L] = BoxId(L, 0, 1);
                lone->badId[L] = whole->badId[L] = BoxId(L, 1, 0);
            }
            const std::vector<Orient> before = FaceOrients(*lone, n);
            lone->RotateLevel(number, dir);
            whole->RotateShape(dir);
            EXPECT_EQ(lone->moves, 1);
            const int k = number - 1;
            const std::vector<Orient> a = FaceOrients(*lone, n), w = FaceOrients(*whole, n);
            for (int L = 0; L < n; ++L)
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < n; ++c) {
                        const bool inSlice = dir <= 2 ? L == k : r == k;
                        const int i = Index(n, L, r, c);
                        EXPECT_EQ(a[i], inSlice ? w[i] : before[i]) << dir << " " << number << " at " << L << r << c;
                    }
            for (int L = 0; L < n; ++L) {
                const bool carried = dir <= 2 && L == k;
                EXPECT_EQ(lone->bonusId[L], carried ? whole->bonusId[L] : BoxId(L, 0, 1));
                EXPECT_EQ(lone->badId[L], carried ? whole->badId[L] : BoxId(L, 1, 0));
            }
        }
}

TEST(Cube, RotateLevelOutOfRangeDoesNothing)
{
    struct Case {
        int number, dir;
    } cases[] = {{0, 1}, {5, 1}, {-3, 2}, {1, 0}, {1, 5}, {4, -1}};
    TSettings s;
    auto cube = MakeCube(s, 4);
    const Snapshot before(*cube);
    for (const Case &c : cases) {
        cube->RotateLevel(c.number, c.dir);
        EXPECT_TRUE(Snapshot(*cube) == before) << c.number << " " << c.dir;
    }
    for (int i = 0; i < 4; ++i)
        cube->RotateLevel(2, 3);
    EXPECT_EQ(cube->moves, 4);
    cube->moves = 0;
    EXPECT_TRUE(Snapshot(*cube) == before);
}
