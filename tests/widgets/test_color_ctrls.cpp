// Hue, saturation and value of the colour ramp and wheel.
#include "ColorCtrls.h"

#include <gtest/gtest.h>

TEST(ColorCtrls, HsvToRgbAtKnownPoints)
{
    const struct {
        double h, s, v;
        COLORREF rgb;
    } cases[] = {
        {0, 1, 1, RGBColor(255, 0, 0)},      {60, 1, 1, RGBColor(255, 255, 0)},  {120, 1, 1, RGBColor(0, 255, 0)},
        {180, 1, 1, RGBColor(0, 255, 255)},  {240, 1, 1, RGBColor(0, 0, 255)},   {300, 1, 1, RGBColor(255, 0, 255)},
        {90, 1, 1, RGBColor(128, 255, 0)},   {30, 0.5, 1, RGBColor(255, 191, 128)}, {200, 0, 0.5, RGBColor(128, 128, 128)},
        {360, 1, 1, RGBColor(255, 0, 0)},    {-60, 1, 1, RGBColor(255, 0, 255)}, {10, 1, 0, RGBColor(0, 0, 0)},
    };
    for (const auto &c : cases)
        EXPECT_EQ((HsvColor{c.h, c.s, c.v}.Rgb()), c.rgb) << c.h << " " << c.s << " " << c.v;
}

TEST(ColorCtrls, EveryColourSurvivesTheRoundTrip)
{
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7) {
                const COLORREF c = RGBColor(r, g, b);
                ASSERT_EQ(HsvColor::FromRgb(c).Rgb(), c) << r << "," << g << "," << b;
            }
}
