// Colour conversion between the game's 0x00BBGGRR values and Qt.
#include "Color.h"

#include <gtest/gtest.h>

TEST(Color, GameColoursMapToQtChannels)
{
    struct Case {
        COLORREF game;
        QColor qt;
    };
    const Case cases[] = {
        {0x00FFFF, QColor(Qt::yellow)}, {0x0000FF, QColor(Qt::red)},   {0x00FF00, QColor(Qt::green)},
        {0xFF0000, QColor(Qt::blue)},   {0xFFFFFF, QColor(Qt::white)}, {0x000000, QColor(Qt::black)},
        {RGBColor(12, 34, 56), QColor(12, 34, 56)},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ToQColor(c.game), c.qt) << std::hex << c.game;
        EXPECT_EQ(ToQRgb(c.game), c.qt.rgb()) << std::hex << c.game;
        EXPECT_EQ(FromQColor(c.qt), c.game);
        EXPECT_EQ(FromQRgb(c.qt.rgb()), c.game);
    }
    EXPECT_EQ(GetRValue(0x00FFFF), 255);
    EXPECT_EQ(GetGValue(0x00FFFF), 255);
    EXPECT_EQ(GetBValue(0x00FFFF), 0);
    // Qt's alpha is dropped; the game's high byte is ignored.
    EXPECT_EQ(FromQRgb(qRgba(1, 2, 3, 4)), RGBColor(1, 2, 3));
    EXPECT_EQ(ToQRgb(0xAB00FFFFu), qRgb(255, 255, 0));
}
