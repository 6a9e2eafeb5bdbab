// The image tools: contrast, sharpening, the font of a picture, clipboard
// paste and copy, the font dialog, the path test and the byte-order
// helpers.
#include "ByteOrder.h"
#include "TDib.h"
#include "TImgUt.h"
#include "picture_decoders.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDialog>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

using namespace VlmImgUt;
using Decode::Filled;
using Decode::Px;

namespace {

std::unique_ptr<TDib> Noise(int w, int h, unsigned seed)
{
    auto d = std::make_unique<TDib>();
    EXPECT_TRUE(d->Create(w, h));
    std::mt19937 gen(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            d->bits[y * d->stride + x] = uint8_t(gen());
    return d;
}

QByteArray Pixels(const TDib &d)
{
    return QByteArray(reinterpret_cast<const char *>(d.bits), d.stride * d.height);
}

} // namespace

TEST(ImageTools, ContrastValues)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(ContrastValue(v, 100), v) << "100 % keeps " << v;
        EXPECT_EQ(ContrastValue(v, 0), 127) << "0 % of " << v;
    }
    struct Case {
        int value, percent, expected;
    };
    // ((v / 255 - 0.5) * p / 100 + 0.5) * 255, truncated and clamped.
    for (const Case &c : {Case{160, 200, 192}, Case{0, 200, 0}, Case{255, 200, 255}, Case{100, 50, 113},
                          Case{200, 255, 255}, Case{64, 200, 0}}) {
        EXPECT_EQ(ContrastValue(c.value, c.percent), c.expected) << c.value << " at " << c.percent;
    }
}

TEST(ImageTools, ContrastOnAPicture)
{
    auto pic = Noise(7, 5, 1);
    const QByteArray before = Pixels(*pic);
    pic->Contrast(100);
    EXPECT_EQ(Pixels(*pic), before);
    pic->Contrast(0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(Px(*pic, x, y)[c], 127);
    TDib empty;
    empty.Create(0, 0);
    empty.Contrast(50); // no pixels: nothing happens
}

TEST(ImageTools, SharpenKeepsUniformPicturesAndBorders)
{
    // Every grey level stays: the weights sum to one.
    for (int v = 0; v < 256; ++v) {
        auto pic = Filled(6, 5, uint8_t(v), uint8_t(255 - v), uint8_t(v / 2));
        const QByteArray before = Pixels(*pic);
        ASSERT_TRUE(pic->Sharpen());
        ASSERT_EQ(Pixels(*pic), before) << v;
    }
    auto pic = Noise(9, 7, 2);
    std::unique_ptr<TDib> before(new TDib);
    ASSERT_TRUE(before->CopyFrom(pic.get()));
    ASSERT_TRUE(pic->Sharpen());
    int changed = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool border = x == 0 || y == 0 || x == 8 || y == 6;
            const bool same = std::memcmp(Px(*pic, x, y), Px(*before, x, y), 3) == 0;
            if (border) {
                EXPECT_TRUE(same) << x << "," << y;
            }
            changed += !same;
        }
    EXPECT_GT(changed, 20);
    // Pictures without inner pixels are left alone.
    for (auto size : {std::pair{2, 9}, std::pair{9, 2}, std::pair{1, 1}}) {
        auto small = Noise(size.first, size.second, 3);
        const QByteArray b = Pixels(*small);
        EXPECT_TRUE(small->Sharpen());
        EXPECT_EQ(Pixels(*small), b);
    }
    TDib empty;
    empty.Create(0, 0);
    EXPECT_FALSE(empty.Sharpen());
}

TEST(ImageTools, SharpenWorksFromTheUnsharpenedNeighbours)
{
    // A dark dot on a grey field, worked out by hand with S = 0.09,
    // D = S / sqrt(2): the dot 50 - 200 S - 200 D = 19.27; its four
    // neighbours 100 + 50 S = 104.5; its diagonals 100 + 50 D = 103.18.
    // Rows computed from already sharpened rows would give other values.
    auto pic = Filled(7, 7, 100, 100, 100);
    std::memset(Px(*pic, 3, 3), 50, 3);
    ASSERT_TRUE(pic->Sharpen());
    struct Case {
        int x, y, value;
    };
    for (const Case &c : {Case{3, 3, 19}, Case{2, 3, 104}, Case{4, 3, 104}, Case{3, 2, 104}, Case{3, 4, 104},
                          Case{2, 2, 103}, Case{4, 4, 103}, Case{2, 4, 103}, Case{4, 2, 103}, Case{1, 1, 100},
                          Case{5, 3, 100}, Case{3, 1, 100}}) {
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(Px(*pic, c.x, c.y)[ch], c.value) << c.x << "," << c.y;
    }
}

TEST(ImageTools, SetFontSizesTextAtTheFixedResolution)
{
    TDib pic;
    ASSERT_TRUE(pic.Create(120, 40));
    pic.SetBrush(RGBColor(255, 255, 255));
    Gdi::PatBlt(pic.dc, 0, 0, 120, 40, Gdi::PATCOPY);
    struct Case {
        int16_t points;
        int32_t lfHeight;
    };
    for (const Case &c : {Case{12, -16}, Case{9, -12}, Case{-9, 12}}) {
        ASSERT_TRUE(pic.SetFont(QStringLiteral("Liberation Sans"), c.points, 700, 1, 0, RGBColor(0, 0, 255), RGBColor(255, 0, 0), false));
        ASSERT_NE(pic.font, nullptr);
        EXPECT_EQ(pic.font->logFont.lfHeight, c.lfHeight) << c.points;
        EXPECT_EQ(pic.font->logFont.lfWeight, 700);
        EXPECT_EQ(pic.font->logFont.lfItalic, 1);
        EXPECT_EQ(pic.dc->font, pic.font);
    }
    // A face name longer than the field is cut, not overrun.
    ASSERT_TRUE(pic.SetFont(QString(40, 'F'), 12, 400, 0, 0, 0, 0, true));
    EXPECT_EQ(QString::fromUtf16(pic.font->logFont.lfFaceName), QString(31, 'F'));

    // The colours and the background mode go to the record's context.
    for (const bool transparent : {false, true}) {
        ASSERT_TRUE(pic.SetFont(QStringLiteral("Liberation Sans"), 12, 400, 0, 0, RGBColor(0, 0, 255), RGBColor(255, 0, 0),
                                transparent));
        EXPECT_EQ(Gdi::GetBkMode(pic.dc), transparent ? Gdi::TRANSPARENT : Gdi::OPAQUE);
        EXPECT_EQ(Gdi::GetTextColor(pic.dc), RGBColor(0, 0, 255));
        EXPECT_EQ(Gdi::GetBkColor(pic.dc), RGBColor(255, 0, 0));
        EXPECT_EQ(pic.dc->font, pic.font);
    }
}

TEST(ImageTools, ClipboardCopiesThePartAndPastesAnyImage)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    auto pic = Noise(10, 6, 4);
    struct Case {
        int x, y, w, h;
        int ex, ey, ew, eh;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 10, 6},   // width 0: the whole picture
        {2, 1, 3, 2, 2, 1, 3, 2},
        {8, 1, 3, 2, 0, 1, 3, 2},    // past the right edge: from column 0
        {2, 5, 3, 2, 2, 0, 3, 2},    // past the bottom: from row 0
        {2, 1, 10, 6, 0, 0, 10, 6},  // full sizes take the whole picture
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        clipboard->clear();
        ASSERT_TRUE(pic->CopyClipboard(c.x, c.y, c.w, c.h));
        const QImage image = clipboard->image();
        ASSERT_EQ(image.size(), QSize(c.ew, c.eh));
        for (int y = 0; y < c.eh; ++y)
            for (int x = 0; x < c.ew; ++x) {
                const uint8_t *p = Px(*pic, c.ex + x, c.ey + y);
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, (uint32_t(p[2]) << 16) | (p[1] << 8) | p[0]);
            }

        TDib pasted;
        pasted.Create(3, 3, 300, 300);
        ASSERT_TRUE(pasted.PasteClipboard());
        EXPECT_EQ(pasted.width, c.ew);
        EXPECT_EQ(pasted.height, c.eh);
        EXPECT_EQ(pasted.dpiX, 72);
        EXPECT_EQ(pasted.dpiY, 72);
        for (int y = 0; y < c.eh; ++y)
            ASSERT_EQ(std::memcmp(Px(pasted, 0, y), Px(*pic, c.ex, c.ey + y), size_t(c.ew) * 3), 0);
    }

    // Any image format is taken.
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    indexed.fill(1);
    clipboard->setImage(indexed);
    TDib pasted;
    ASSERT_TRUE(pasted.PasteClipboard());
    EXPECT_EQ(pasted.width, 4);
    const uint8_t *p = Px(pasted, 3, 1);
    EXPECT_EQ(p[0], 50);
    EXPECT_EQ(p[1], 100);
    EXPECT_EQ(p[2], 200);

    clipboard->clear();
    EXPECT_FALSE(pasted.PasteClipboard());
    EXPECT_EQ(pasted.width, 4); // unchanged
}

namespace {

// Runs the font dialog, answering it with act once it shows.
bool RunPickFont(QString &face, int16_t &points, int16_t &weight, uint8_t &italic, uint8_t &charSet,
                 const std::function<void(QFontDialog *)> &act)
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFontDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            seen = true;
            act(dialog);
        }
    });
    poll.start(10);
    const bool result = TImgUt::PickFont(nullptr, face, points, weight, italic, charSet, 0);
    EXPECT_TRUE(seen);
    return result;
}

} // namespace

TEST(ImageTools, PickFontWritesTheChoiceBackOnlyOnOk)
{
    QString face = "Liberation Serif";
    int16_t points = 10, weight = 400;
    uint8_t italic = 0, charSet = 1;
    EXPECT_FALSE(RunPickFont(face, points, weight, italic, charSet, [](QFontDialog *d) { d->reject(); }));
    EXPECT_EQ(face, "Liberation Serif");
    EXPECT_EQ(points, 10);

    QString shown;
    EXPECT_TRUE(RunPickFont(face, points, weight, italic, charSet, [&](QFontDialog *d) {
        shown = d->currentFont().family();
        QFont f("Liberation Sans");
        f.setPointSize(14);
        f.setWeight(QFont::Bold);
        f.setItalic(true);
        d->setCurrentFont(f);
        d->accept();
    }));
    EXPECT_EQ(shown, "Liberation Serif");
    EXPECT_EQ(face, "Liberation Sans");
    EXPECT_EQ(points, 14);
    EXPECT_EQ(weight, 700);
    EXPECT_EQ(italic, 1);
    EXPECT_EQ(charSet, 1);

    // A face name too long for its field opens the dialog all the same.
    face = QString(40, 'Q');
    EXPECT_TRUE(RunPickFont(face, points, weight, italic, charSet, [](QFontDialog *d) { d->accept(); }));
    EXPECT_LE(face.size(), 31);
}

TEST(ImageTools, PathExists)
{
    QTemporaryDir tmp;
    QFile f(tmp.filePath("file"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(TImgUt::PathExists(tmp.filePath("file")));
    EXPECT_TRUE(TImgUt::PathExists(tmp.path()));
    EXPECT_FALSE(TImgUt::PathExists(tmp.filePath("missing")));
    EXPECT_FALSE(TImgUt::PathExists(QString()));
}

TEST(ImageTools, ByteOrder)
{
    const uint8_t b[4] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(Get16(b, true), 0x1234);
    EXPECT_EQ(Get16(b, false), 0x3412);
    EXPECT_EQ(Get16BE(b), 0x1234);
    EXPECT_EQ(Get32BE(b), 0x12345678u);
    EXPECT_EQ(Get32(b, false), 0x78563412u);
    for (bool big : {false, true}) {
        uint8_t out[4] = {};
        Put16(0xABCD, out, big);
        EXPECT_EQ(Get16(out, big), 0xABCD);
        EXPECT_EQ(out[0], big ? 0xAB : 0xCD);
        Put32(0x01020304, out, big);
        EXPECT_EQ(Get32(out, big), 0x01020304u);
        EXPECT_EQ(out[0], big ? 0x01 : 0x04);
    }
}
