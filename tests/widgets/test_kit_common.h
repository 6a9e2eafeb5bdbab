// Shared fixture of the kit control tests: every test starts and ends at
// look "W", scale "n", without an override cursor.
#pragma once

#include "VlControls.h"
#include "VlLook.h"
#include "VlRestyle.h"
#include "VlScale.h"
#include "VlSkinImage.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kittest {

// The grabbed picture of a control, as 32-bit pixels.
inline QImage Grab(QWidget *w) { return w->grab().toImage().convertToFormat(QImage::Format_ARGB32); }

// A pixel as 0x00BBGGRR.
inline COLORREF At(const QImage &img, int x, int y) { return FromQRgb(img.pixel(x, y)); }

// Whether some pixel of the area has exactly this colour.
inline bool HasColour(const QImage &img, const QRect &area, COLORREF c)
{
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qAlpha(img.pixel(x, y)) == 255 && FromQRgb(img.pixel(x, y)) == c)
                return true;
    return false;
}

// Whether some pixel of the area lies within `tolerance` of this colour in
// every channel (antialiased text reaches its ink only nearly).
inline bool HasColourNear(const QImage &img, const QRect &area, COLORREF c, int tolerance)
{
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const COLORREF p = FromQRgb(img.pixel(x, y));
            if (std::abs(GetRValue(p) - GetRValue(c)) <= tolerance && std::abs(GetGValue(p) - GetGValue(c)) <= tolerance &&
                std::abs(GetBValue(p) - GetBValue(c)) <= tolerance)
                return true;
        }
    return false;
}

} // namespace kittest
using namespace kittest;

class KitTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset()
    {
        SetInterfaceScale(nullptr, 'W', 'n', false);
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
};
