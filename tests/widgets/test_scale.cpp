// Interface scale and look: the table, SetInterfaceScale, SkinImage and the
// sharpening filter.
#include "VlScale.h"
#include "VlLook.h"
#include "VlRestyle.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Every test starts and ends at the Normal scale and the look "W".
class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override { SetInterfaceScale(nullptr, 'W', 'n', false); }
    void TearDown() override { SetInterfaceScale(nullptr, 'W', 'n', false); }
};

struct ScaleFigures {
    char letter;
    const char *name;
    float x, y;
    int line, font;
    const char *suffix;
};

const ScaleFigures scaleFigures[] = {
    {'n', "Normal", 1.0f, 1.0f, 1, 11, ""},
    {'l', "Large", 53.0f / 44.0f, 19.0f / 16.0f, 1, 13, "L"},
    {'j', "Jumbo", 61.0f / 44.0f, 22.0f / 16.0f, 1, 15, "J"},
    {'h', "Huge", 72.0f / 44.0f, 27.0f / 16.0f, 2, 18, "H"},
    {'e', "Enormous", 2.0f, 33.0f / 16.0f, 2, 22, "E"},
    {'g', "Gigantic", 105.0f / 44.0f, 38.0f / 16.0f, 2, 26, "G"},
    {'c', "Colossal", 3.0f, 3.0f, 3, 33, "G"},
    {'s', "Super", 4.0f, 4.0f, 3, 44, "G"},
};

TEST_F(ScaleTest, EveryRowOfTheTableSetsTheGlobals)
{
    for (const ScaleFigures &c : scaleFigures) {
        SCOPED_TRACE(std::string(1, c.letter));
        SetInterfaceScale(nullptr, 'W', c.letter, false);
        EXPECT_EQ(VlScale, c.letter);
        EXPECT_EQ(VlScaleX, c.x);
        EXPECT_EQ(VlScaleY, c.y);
        EXPECT_EQ(VlLineFactor, c.line);
        EXPECT_EQ(VlFontHeight, c.font);
        EXPECT_STREQ(VlImageSuffix(c.letter), c.suffix);
        const VlScaleRow &row = VlScaleRowOf(c.letter);
        EXPECT_STREQ(row.name, c.name);
        EXPECT_EQ(row.resized, c.letter == 'c' || c.letter == 's');
        // the vertical factor is the picture size over 16
        if (!row.resized) {
            EXPECT_EQ(VlScaleY * 16.0f, float(VlmPix::Get(VlmPix::Find(QString("about") + c.suffix)).height()));
        }
    }
}

TEST_F(ScaleTest, LettersOutsideTheTableActAsNormal)
{
    for (char letter : {'N', 'L', 'C', 'S', 'x', '\0', ' '}) {
        SCOPED_TRACE(int(letter));
        SetInterfaceScale(nullptr, 'W', 'g', false);
        SetInterfaceScale(nullptr, 'W', letter, false);
        EXPECT_EQ(VlScale, letter);   // stored as given
        EXPECT_EQ(VlScaleX, 1.0f);
        EXPECT_EQ(VlScaleY, 1.0f);
        EXPECT_EQ(VlLineFactor, 1);
        EXPECT_EQ(VlFontHeight, 11);
        EXPECT_STREQ(VlImageSuffix(letter), "");
        EXPECT_EQ(SkinImage("lfbox").width(), 16);
    }
}

TEST_F(ScaleTest, GiganticBackToNormalRestoresExactly)
{
    SetInterfaceScale(nullptr, 'W', 'g', false);
    EXPECT_NE(VlScaleX, 1.0f);
    SetInterfaceScale(nullptr, 'W', 'n', false);
    EXPECT_EQ(VlScaleX, 1.0f);
    EXPECT_EQ(VlScaleY, 1.0f);
    EXPECT_EQ(VlFontHeight, 11);
    EXPECT_EQ(VlFont.pixelSize(), 11);
    EXPECT_EQ(QApplication::font().pixelSize(), 11);
}

TEST_F(ScaleTest, LookAndButtonStyleAreStored)
{
    SetInterfaceScale(nullptr, 'C', 'j', true);
    EXPECT_EQ(VlLook, 'C');
    EXPECT_EQ(VlScale, 'j');
    EXPECT_TRUE(VlAltButtonStyle);
    SetInterfaceScale(nullptr, 'S', 'j', false);
    EXPECT_EQ(VlLook, 'S');
    EXPECT_FALSE(VlAltButtonStyle);
}

TEST_F(ScaleTest, FontsFollowTheHeightAndKeepTheirStyle)
{
    const QFont saved = VlFont;
    VlFont.setBold(true);
    VlFont.setUnderline(true);
    const QString family = VlFont.family();
    SetInterfaceScale(nullptr, 'W', 'e', false);
    EXPECT_EQ(VlFont.pixelSize(), 22);
    EXPECT_TRUE(VlFont.bold());
    EXPECT_TRUE(VlFont.underline());
    EXPECT_EQ(VlFont.family(), family);
    // the standard font is plain at the new height
    const QFont std = QApplication::font();
    EXPECT_EQ(std.pixelSize(), 22);
    EXPECT_FALSE(std.bold());
    EXPECT_FALSE(std.italic());
    EXPECT_FALSE(std.underline());
    VlFont = saved;
}

struct LookColours {
    char look;
    COLORREF paper, light, face;
};

const LookColours lookColours[] = {
    {'S', 0xD4D4D4, 0xD4D4D4, 0xBFBFBF},
    {'W', 0xABABAB, 0xABABAB, 0xABABAB},
    {'C', 0xABABAB, 0xABABAB, 0xABABAB},
    {'s', 0xABABAB, 0xABABAB, 0xABABAB},
    {'Q', 0xABABAB, 0xABABAB, 0xABABAB},
};

TEST_F(ScaleTest, LooksSetTheSystemColoursAndThePalette)
{
    for (const LookColours &c : lookColours) {
        SCOPED_TRACE(std::string(1, c.look));
        SetInterfaceScale(nullptr, c.look, 'n', false);
        EXPECT_EQ(VlColorPaper(), c.paper);
        EXPECT_EQ(VlColorLight(), c.light);
        EXPECT_EQ(VlColorFace(), c.face);
        EXPECT_EQ(VlColorHighlight(), 0x83654Du);
        const QPalette pal = QApplication::palette();
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Base), ToQColor(c.paper));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Light), ToQColor(c.light));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Window), ToQColor(c.face));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Button), ToQColor(c.face));
        EXPECT_EQ(pal.color(QPalette::Disabled, QPalette::Button), ToQColor(c.face));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Highlight), QColor(77, 101, 131));
    }
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
    EXPECT_EQ(VlSkinInk, 0x000000);
    EXPECT_EQ(VlSkinPaper, 0xABABAB);
}

TEST_F(ScaleTest, RestyleHooksRunAfterThePaletteIsInstalled)
{
    int calls = 0;
    QColor seenBase;
    float seenScale = 0;
    const int id = VlAddRestyleHook([&] {
        ++calls;
        seenBase = QApplication::palette().color(QPalette::Base);
        seenScale = VlScaleX;
    });
    SetInterfaceScale(nullptr, 'S', 'h', false);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenBase, QColor(212, 212, 212));
    EXPECT_EQ(seenScale, 72.0f / 44.0f);
    VlRemoveRestyleHook(id);
    SetInterfaceScale(nullptr, 'W', 'n', false);
    EXPECT_EQ(calls, 1);
}

TEST_F(ScaleTest, AHookMayRemoveItselfWhileRunning)
{
    int calls = 0;
    int id = 0;
    id = VlAddRestyleHook([&] {
        ++calls;
        VlRemoveRestyleHook(id);
    });
    SetInterfaceScale(nullptr, 'W', 'l', false);
    SetInterfaceScale(nullptr, 'W', 'n', false);
    EXPECT_EQ(calls, 1);
}

// ---- SkinImage ---------------------------------------------------------

struct SkinCase {
    const char *name;
    char scale;
    int size;   // 0: empty
};

const SkinCase skinCases[] = {
    {"lfbox", 'n', 16}, {"lfbox", 'l', 19}, {"lfbox", 'j', 22}, {"lfbox", 'h', 27},
    {"lfbox", 'e', 33}, {"lfbox", 'g', 38}, {"lfbox", 'c', 48}, {"lfbox", 's', 64},
    {"lfbox", 'N', 16},
    {"MoveAll", 'n', 32}, {"MoveAll", 'h', 32}, {"MoveAll", 'g', 32},
    {"MoveAll", 'c', 40}, {"MoveAll", 's', 54},
    {"boxIcon", 'c', 40},
    // a full variant name has no variants of its own: the plain name is used
    {"lfboxG", 'h', 38}, {"lfboxJ", 'c', 28},
    {"Pop", 'n', 0}, {"Pop", 'h', 0}, {"Pop", 'c', 0}, {"Pop", 's', 0},
    {"LFBOX", 'n', 0}, {"", 'g', 0},
};

TEST_F(ScaleTest, SkinImageSizesByScale)
{
    for (const SkinCase &c : skinCases) {
        SCOPED_TRACE(std::string(c.name) + " at " + c.scale);
        SetInterfaceScale(nullptr, 'W', c.scale, false);
        const QImage img = SkinImage(c.name);
        if (c.size == 0) {
            EXPECT_TRUE(img.isNull());
        } else {
            EXPECT_EQ(img.width(), c.size);
            EXPECT_EQ(img.height(), c.size);
        }
    }
}

TEST_F(ScaleTest, SkinImagePicksTheVariantUnchangedBelowColossal)
{
    SetInterfaceScale(nullptr, 'W', 'h', false);
    const QImage img = SkinImage("lfbox");
    EXPECT_EQ(img, VlmPix::Get(VlmPix::Find("lfboxH")));
    SetInterfaceScale(nullptr, 'W', 'n', false);
    EXPECT_EQ(SkinImage("lfbox"), VlmPix::Get(39));
    EXPECT_EQ(SkinImage("MoveAll").offset(), QPoint(16, 16));
}

TEST_F(ScaleTest, ResizedPicturesAreSharpenedAndCarryTheHotSpot)
{
    SetInterfaceScale(nullptr, 'W', 'c', false);
    const QImage g = VlmPix::Get(VlmPix::Find("lfboxG"));
    const QImage plain = g.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                             .scaled(48, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage img = SkinImage("lfbox");
    ASSERT_EQ(img.size(), QSize(48, 48));
    EXPECT_EQ(img.format(), QImage::Format_ARGB32);
    EXPECT_NE(img, plain);
    EXPECT_EQ(img, VlSharpen(plain, 100));

    EXPECT_EQ(SkinImage("MoveAll").offset(), QPoint(20, 20));   // 16 * 24/19 + 0.5
    EXPECT_EQ(SkinImage("MoveNot").offset(), QPoint(19, 19));   // 15 * 24/19 + 0.5
    SetInterfaceScale(nullptr, 'W', 's', false);
    EXPECT_EQ(SkinImage("MoveAll").offset(), QPoint(27, 27));   // 16 * 32/19 + 0.5
}

TEST_F(ScaleTest, ResizedPicturesAreCachedPerScale)
{
    SetInterfaceScale(nullptr, 'W', 'c', false);
    const QImage a = SkinImage("rtbox");
    const QImage b = SkinImage("rtbox");
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    SetInterfaceScale(nullptr, 'W', 's', false);
    const QImage c = SkinImage("rtbox");
    EXPECT_EQ(c.width(), 64);
    SetInterfaceScale(nullptr, 'W', 'c', false);
    EXPECT_EQ(SkinImage("rtbox").width(), 48);
}

// ---- Colours: 0x00BBGGRR against Qt's 0xAARRGGBB -------------------

TEST(ColorConversion, FrameworkColoursHaveRedInTheLowByte)
{
    struct Case {
        COLORREF game;
        QRgb qt;
    };
    const Case cases[] = {
        {0x00FFFF, 0xFFFFFF00},   // yellow
        {0xFF0000, 0xFF0000FF},   // blue
        {0x0000FF, 0xFFFF0000},   // red
        {0x83654D, 0xFF4D6583},   // the highlight: red 77, green 101, blue 131
        {0x000000, 0xFF000000},
        {0xFFFFFF, 0xFFFFFFFF},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ToQRgb(c.game), c.qt) << std::hex << c.game;
        EXPECT_EQ(ToQColor(c.game), QColor::fromRgba(c.qt));
        EXPECT_EQ(FromQRgb(c.qt), c.game);
        EXPECT_EQ(FromQColor(QColor::fromRgb(c.qt)), c.game);
    }
    EXPECT_EQ(ToQColor(0x00FFFF), QColor(Qt::yellow));
    EXPECT_EQ(RGBColor(77, 101, 131), 0x83654Du);
    EXPECT_EQ(GetRValue(0x83654D), 77);
    EXPECT_EQ(GetGValue(0x83654D), 101);
    EXPECT_EQ(GetBValue(0x83654D), 131);
    // the alpha of a Qt colour is not carried over
    EXPECT_EQ(FromQRgb(qRgba(1, 2, 3, 0)), RGBColor(1, 2, 3));
}

// ---- The sharpening filter ------------------------------------------

QImage solid(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}

TEST(Sharpen, FlatAreasStayUnchanged)
{
    const QImage img = solid(7, 5, qRgba(90, 140, 200, 255));
    EXPECT_EQ(VlSharpen(img, 100), img);
    const QImage clear = solid(4, 4, 0);
    EXPECT_EQ(VlSharpen(clear, 100), clear);
}

TEST(Sharpen, StepGetsSteeperAndAmountZeroIsIdentity)
{
    QImage img = solid(8, 3, qRgba(100, 100, 100, 255));
    for (int y = 0; y < 3; ++y)
        for (int x = 4; x < 8; ++x)
            img.setPixel(x, y, qRgba(160, 160, 160, 255));
    const QImage out = VlSharpen(img, 100);
    EXPECT_LT(qRed(out.pixel(3, 1)), 100);   // dark side darker at the edge
    EXPECT_GT(qRed(out.pixel(4, 1)), 160);   // light side lighter
    EXPECT_EQ(qRed(out.pixel(0, 1)), 100);   // away from the edge: unchanged
    EXPECT_EQ(qRed(out.pixel(7, 1)), 160);
    // amount 100 adds the full difference to the blur: 100 + (100 - 115) at x = 3
    EXPECT_EQ(qRed(out.pixel(3, 1)), 85);
    EXPECT_EQ(VlSharpen(img, 0), img);
}

TEST(Sharpen, NoHaloAroundOpaqueShapes)
{
    QImage img = solid(9, 9, 0);
    for (int y = 3; y < 6; ++y)
        for (int x = 3; x < 6; ++x)
            img.setPixel(x, y, qRgba(250, 20, 20, 255));
    img.setOffset(QPoint(4, 4));
    const QImage out = VlSharpen(img, 100);
    EXPECT_EQ(out.offset(), QPoint(4, 4));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 3 && x < 6 && y >= 3 && y < 6;
            if (!inside)
                EXPECT_EQ(qAlpha(out.pixel(x, y)), 0) << x << "," << y;
            else
                EXPECT_EQ(qAlpha(out.pixel(x, y)), 255) << x << "," << y;
        }
    EXPECT_TRUE(VlSharpen(QImage(), 100).isNull());
}

} // namespace
