// Panels: placing and re-fonting the direct kit children, the colour
// walks, captions of title boxes, the image box and the owner link.
#include "test_kit_common.h"

#include "Gdi.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <memory>
#include <vector>

namespace {

struct ScaleCase {
    char scale;
    QRect expected;   // of the design rectangle (10, 10, 100, 20)
};

const ScaleCase scaleCases[] = {
    {'n', QRect(10, 10, 100, 20)}, {'l', QRect(12, 12, 120, 24)}, {'j', QRect(14, 14, 139, 28)},
    {'h', QRect(16, 17, 164, 34)}, {'e', QRect(20, 21, 200, 41)}, {'g', QRect(24, 24, 239, 48)},
    {'c', QRect(30, 30, 300, 60)}, {'s', QRect(40, 40, 400, 80)}, {'X', QRect(10, 10, 100, 20)},
};

// One control of every kit class on a panel, each at (10, 10, 100, 20).
struct Board {
    VlPanel panel;
    VlButton *button = new VlButton(&panel);
    VlText *text = new VlText(&panel);
    VlEditTx *editTx = new VlEditTx(&panel);
    VlEditNo *editNo = new VlEditNo(&panel);
    VlOpt *opt = new VlOpt(&panel);
    VlDrop *drop = new VlDrop(&panel);
    VlSlider *slider = new VlSlider(&panel);
    VlArray *array = new VlArray(&panel);

    Board()
    {
        panel.SetDesignRect(0, 0, 500, 300, true);
        VlSetDesignRect(*button, 10, 10, 100, 20);
        VlSetDesignRect(*text, 10, 10, 100, 20);
        VlSetDesignRect(*editTx, 10, 10, 100, 20);
        VlSetDesignRect(*editNo, 10, 10, 100, 20);
        VlSetDesignRect(*opt, 10, 10, 100, 20);
        VlSetDesignRect(*drop, 10, 10, 100, 20);
        VlSetDesignRect(*slider, 10, 10, 100, 20);
        VlSetDesignRect(*array, 10, 10, 100, 20);
        array->AddColumn("A", 1);
        array->AddColumn("B", 3);
    }
    std::vector<QWidget *> All() const { return {button, text, editTx, editNo, opt, drop, slider, array}; }
};

int rowHeightOf(const QFont &f)
{
    const QFontMetrics fm(f);
    return fm.ascent() + fm.descent() + fm.leading();
}

} // namespace

TEST_F(KitTest, RescalePlacesEveryKitChildAtEveryScale)
{
    for (const ScaleCase &c : scaleCases) {
        SCOPED_TRACE(std::string(1, c.scale));
        SetInterfaceScale(nullptr, 'W', c.scale, false);
        Board b;
        b.button->fontIncrement = 2;
        b.text->fontIncrement = 3;
        b.panel.Rescale(false);
        for (QWidget *w : b.All())
            EXPECT_EQ(w->geometry(), c.expected) << w->metaObject()->className();
        EXPECT_EQ(b.panel.geometry(), QRect(0, 0, 500, 300)) << "Rescale(false) leaves the panel";

        EXPECT_EQ(b.button->font().pixelSize(), VlFontHeight + 2);
        EXPECT_EQ(b.text->font().pixelSize(), VlFontHeight + 3);
        EXPECT_EQ(b.editTx->font(), VlFont);
        EXPECT_EQ(b.editNo->font(), VlFont);
        EXPECT_EQ(b.opt->font(), VlFont);
        EXPECT_EQ(b.drop->valueDisplay.font, VlFont);
        EXPECT_EQ(b.drop->itemDisplay.font, VlFont);
        EXPECT_EQ(b.drop->RowHeight(), rowHeightOf(VlFont));
        EXPECT_EQ(b.array->RowHeight(), rowHeightOf(VlFont));
        EXPECT_EQ(b.array->horizontalHeaderItem(1)->font(), VlFont);
        EXPECT_EQ(b.array->cellDisplay.font, VlFont);

        VlPanel self;
        self.SetDesignRect(10, 10, 100, 20, false);
        self.Rescale(true);
        EXPECT_EQ(self.geometry(), c.expected);
    }
}

TEST_F(KitTest, RescaleWithoutIncrementGivesThePlainKitFont)
{
    SetInterfaceScale(nullptr, 'W', 'j', false);
    Board b;
    b.panel.Rescale(false);
    EXPECT_EQ(b.button->font(), VlFont);
    EXPECT_EQ(b.text->font(), VlFont);
    EXPECT_EQ(b.button->font().pixelSize(), 15);
}

TEST_F(KitTest, RescaleLeavesPanelsForeignControlsAndGrandchildrenAlone)
{
    SetInterfaceScale(nullptr, 'W', 'h', false);
    VlPanel panel;
    auto *nested = new VlPanel(&panel);
    auto *title = new VlTitleBox(&panel);
    auto *img = new VlImgBox(&panel);
    auto *foreign = new QPushButton("x", &panel);
    auto *grandchild = new VlButton(nested);
    nested->SetDesignRect(10, 10, 100, 20, true);
    title->SetDesignRect(10, 10, 100, 20, true);
    img->SetDesignRect(10, 10, 100, 20, true);
    foreign->setGeometry(10, 10, 100, 20);
    grandchild->SetDesignRect(10, 10, 100, 20);
    grandchild->setFont(QFont("DejaVu Serif", 7));
    const QFont titleFont = title->font();

    panel.Rescale(true);
    for (QWidget *w : std::vector<QWidget *>{nested, title, img, foreign, grandchild})
        EXPECT_EQ(w->geometry(), QRect(10, 10, 100, 20)) << w->metaObject()->className();
    EXPECT_EQ(title->font(), titleFont);
    EXPECT_EQ(grandchild->font().pointSize(), 7);
    EXPECT_EQ(grandchild->font().family(), QStringLiteral("DejaVu Serif"));

    // The window rescales nested panels itself.
    nested->Rescale(true);
    EXPECT_EQ(nested->geometry(), QRect(16, 17, 164, 34));
    EXPECT_EQ(grandchild->geometry(), QRect(16, 17, 164, 34));
}

TEST_F(KitTest, ChildrenLieInsideTheParentsFrame)
{
    VlPanel panel;
    panel.SetDesignRect(0, 0, 200, 100, true);
    auto *b = new VlButton(&panel);
    b->SetDesignRect(10, 10, 50, 20);
    EXPECT_EQ(b->geometry(), QRect(10, 10, 50, 20));
    panel.SetFrame(VlFrame::Inset);
    EXPECT_EQ(b->geometry(), QRect(12, 12, 50, 20));
    SetInterfaceScale(nullptr, 'W', 'c', false);
    panel.Rescale(false);
    EXPECT_EQ(b->geometry(), QRect(32, 32, 150, 60));
    EXPECT_EQ(panel.ViewRect(), QRect(2, 2, 196, 96));
}

TEST_F(KitTest, InsetOutsetIsAnInsetFrameWithAnOutsetOneInside)
{
    VlPanel inset, outset, both;
    inset.SetDesignRect(0, 0, 60, 40, true);
    outset.SetDesignRect(0, 0, 56, 36, true);
    both.SetDesignRect(0, 0, 60, 40, true);
    inset.SetFrame(VlFrame::Inset);
    outset.SetFrame(VlFrame::Outset);
    both.SetFrame(VlFrame::InsetOutset);
    auto *b = new VlButton(&both);
    b->SetDesignRect(10, 10, 20, 10);
    EXPECT_EQ(b->geometry(), QRect(14, 14, 20, 10));
    EXPECT_EQ(both.ViewRect(), QRect(4, 4, 52, 32));

    // The two outer rings are the inset frame's, the next two the outset
    // frame's of the rectangle inside.
    const QImage in = Grab(&inset), out = Grab(&outset), img = Grab(&both);
    auto onRing = [](int x, int y, int w, int h) { return x < 2 || y < 2 || x >= w - 2 || y >= h - 2; };
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            if (onRing(x, y, 60, 40)) {
                ASSERT_EQ(At(img, x, y), At(in, x, y)) << x << "," << y;
            } else if (onRing(x - 2, y - 2, 56, 36)) {
                ASSERT_EQ(At(img, x, y), At(out, x - 2, y - 2)) << x << "," << y;
            }
        }
}

TEST_F(KitTest, KitClassTestFollowsTheNamesInOrder)
{
    VlPanel panel;
    struct Case {
        QWidget *w;
        VlKitClass rescale;
        VlKitClass colours;
    };
    const Case cases[] = {
        {new VlButton(&panel), VlKitClass::Button, VlKitClass::Button},
        {new VlEditTx(&panel), VlKitClass::EditTx, VlKitClass::EditTx},
        {new VlEditNo(&panel), VlKitClass::EditNo, VlKitClass::EditNo},
        {new VlText(&panel), VlKitClass::Text, VlKitClass::Text},
        {new VlOpt(&panel), VlKitClass::Opt, VlKitClass::Opt},
        {new VlDrop(&panel), VlKitClass::Drop, VlKitClass::Drop},
        {new VlSlider(&panel), VlKitClass::Slider, VlKitClass::None},
        {new VlArray(&panel), VlKitClass::Array, VlKitClass::Array},
        {new VlTitleBox(&panel), VlKitClass::None, VlKitClass::None},
        {new VlImgBox(&panel), VlKitClass::None, VlKitClass::None},
        {new VlPanel(&panel), VlKitClass::None, VlKitClass::None},
        {new QPushButton(&panel), VlKitClass::None, VlKitClass::None},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VlKitClassOf(c.w, true), c.rescale) << c.w->metaObject()->className();
        EXPECT_EQ(VlKitClassOf(c.w, false), c.colours) << c.w->metaObject()->className();
    }
}

// ---- Colour walks -----------------------------------------------------------

TEST_F(KitTest, ColourWalksRecolourEachKitClass)
{
    enum Op { Restore, System, Skin };
    for (Op op : {Restore, System, Skin}) {
        SCOPED_TRACE(int(op));
        Board b;
        b.panel.ownColor = 0x112233;
        b.panel.color = 0x445566;
        b.text->SetPaper(0x101010, true);
        b.text->SetPaper(0x202020, false);
        b.text->SetInk(0x0000FF);
        b.opt->ink = 0x00FF00;
        b.drop->SetColors(0x0000AA, 0x00AA00, VlFont);
        b.drop->valueDisplay.ink = 0x123456;
        b.array->ownPaper = 0xABABAB;
        b.array->ownInk = 0x000000;
        b.editTx->SetColors(0x00FFFF, true);
        VlSetDesignRect(*b.slider, 1, 1, 1, 1);
        const QRect sliderAt = b.slider->geometry();
        b.button->face = 0x999999;
        b.button->ink2 = 0x777777;

        if (op == Restore)
            b.panel.RestoreColors();
        else if (op == System)
            b.panel.ApplySystemColors(0x0A0B0C);
        else
            b.panel.ApplySkinColors(0x0D0E0F);

        EXPECT_EQ(b.slider->geometry(), sliderAt);
        EXPECT_EQ(VlFrameOf(b.drop), VlFrame::Inset);
        switch (op) {
        case Restore:
            EXPECT_EQ(b.panel.color, 0x112233);
            EXPECT_EQ(b.button->face, 0x2C2C6F);
            EXPECT_EQ(b.button->hot, 0x654221);
            EXPECT_EQ(b.button->ink2, 0);
            EXPECT_EQ(b.button->style.look[VlButtonStyle::Pressed].kind, VlButtonLook::Colour);
            EXPECT_EQ(b.button->style.look[VlButtonStyle::Pressed].colour, 0x2C2C6F);
            EXPECT_EQ(b.text->GetInk(), 0xC0C0C0);
            EXPECT_EQ(b.text->paper, 0x101010);
            EXPECT_FALSE(b.text->IsTransparent());
            EXPECT_EQ(b.opt->ink, 0xC0C0C0);
            EXPECT_TRUE(b.drop->valueDisplay.ownColors);
            EXPECT_EQ(b.drop->valueDisplay.ink, 0x0000AA);
            EXPECT_EQ(b.drop->itemDisplay.paper, 0x00AA00);
            EXPECT_EQ(b.array->RowPaper(0), 0xABABAB);
            EXPECT_EQ(b.array->RowPaper(1), 0xABABAB);
            EXPECT_EQ(b.array->RowInk(1), 0x000000);
            EXPECT_TRUE(b.editTx->IsOwnStyleInstalled());
            EXPECT_EQ(b.editTx->InstalledStyle().text, 0x00FFFF);
            EXPECT_TRUE(b.editTx->IsNoBackground());
            EXPECT_TRUE(b.editTx->IsTransparent());
            break;
        case System:
            EXPECT_EQ(b.panel.color, 0x0A0B0C);
            EXPECT_EQ(b.button->style.look[VlButtonStyle::Normal].kind, VlButtonLook::Colour);
            EXPECT_EQ(b.button->style.look[VlButtonStyle::Hot].colour, 0x8A5C28);
            EXPECT_EQ(b.text->GetInk(), Color(VlColorLabel()));
            EXPECT_EQ(b.text->paper, Color(VlColorPaper()));
            EXPECT_FALSE(b.text->IsTransparent());
            EXPECT_EQ(b.opt->ink, Color(VlColorLabel()));
            EXPECT_FALSE(b.drop->valueDisplay.ownColors);
            EXPECT_FALSE(b.drop->itemDisplay.ownColors);
            EXPECT_EQ(b.array->RowPaper(0), Color(VlColorPaper()));
            EXPECT_EQ(b.array->RowInk(1), Color(VlColorText()));
            EXPECT_FALSE(b.editTx->IsOwnStyleInstalled());
            EXPECT_FALSE(b.editTx->IsNoBackground());
            EXPECT_FALSE(b.editTx->IsTransparent());
            break;
        case Skin:
            EXPECT_EQ(b.panel.color, 0x0D0E0F);
            EXPECT_EQ(b.button->style.textColor[0], VlSkinInk);
            EXPECT_EQ(b.button->style.look[VlButtonStyle::Hot].colour, 0x8A5C28);
            EXPECT_EQ(b.text->GetInk(), VlSkinInk);
            EXPECT_EQ(b.text->paper, VlSkinPaper);
            EXPECT_EQ(b.opt->ink, VlSkinInk);
            EXPECT_TRUE(b.drop->valueDisplay.ownColors);
            EXPECT_EQ(b.drop->itemDisplay.ink, VlSkinInk);
            EXPECT_EQ(b.drop->valueDisplay.paper, VlSkinPaper);
            EXPECT_EQ(b.array->RowPaper(1), VlSkinPaper);
            EXPECT_EQ(b.array->RowInk(0), VlSkinInk);
            EXPECT_FALSE(b.editTx->IsOwnStyleInstalled());
            EXPECT_FALSE(b.editTx->IsNoBackground());
            break;
        }
    }
}

TEST_F(KitTest, TransparentTextTurnsTransparentUnderSystemAndSkinColours)
{
    VlPanel panel;
    auto *t = new VlText(&panel);
    panel.ApplySystemColors(0);
    EXPECT_TRUE(t->IsTransparent());
    EXPECT_FALSE(t->opaque);
    panel.ApplySkinColors(0);
    EXPECT_TRUE(t->IsTransparent());
    panel.RestoreColors();
    EXPECT_TRUE(t->IsTransparent());
}

TEST_F(KitTest, TextPaintsNoBackgroundUntilGivenAPaper)
{
    VlPanel panel;
    panel.SetDesignRect(0, 0, 60, 30, true);
    panel.color = panel.ownColor = 0x0000FF;
    auto *t = new VlText(&panel);
    t->SetDesignRect(10, 5, 40, 20);

    QImage img = Grab(&panel);
    EXPECT_EQ(At(img, 12, 7), 0x0000FFu) << "the panel shows through";

    t->SetPaper(0x202020, false);
    img = Grab(&panel);
    EXPECT_EQ(At(img, 12, 7), 0x202020u);

    panel.RestoreColors();
    EXPECT_EQ(t->paper, 0x000000);
    img = Grab(&panel);
    EXPECT_EQ(At(img, 12, 7), 0x000000u) << "the own paper is still the old one";
}

// ---- Title box -------------------------------------------------------------------

TEST_F(KitTest, SetTitleCodesGiveCaptionPlaceFrameAndFont)
{
    struct Case {
        int frameCode, styleCode;
        int place;   // 0 centre, 1 left, 2 right
        VlFrame frame;
        bool bold, underline;
        int pixelHeight, extraHeight, increment;
    };
    const Case cases[] = {
        {205, 301, 2, VlFrame::Inset, true, false, 14, 3, 3},
        {3, 2, 0, VlFrame::Field, false, true, 11, 1, 0},
        {2, 101, 0, VlFrame::ThinOutset, true, false, 12, 1, 1},
        {101, 1, 1, VlFrame::ThinInset, true, false, 11, 1, 0},
        {104, 3, 1, VlFrame::Outset, true, false, 11, 3, 0},
        {306, 202, 0, VlFrame::Separators, false, true, 13, 3, 2},
        {7, 0, 0, VlFrame::None, false, false, 11, 3, 0},
        {99, 5, 0, VlFrame::None, false, false, 11, 3, 0},
        {0, 4, 0, VlFrame::None, false, false, 11, 1, 0},
    };
    const QString text = " Hall of Fame ";
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.frameCode) + "/" + std::to_string(c.styleCode));
        VlTitleBox box;
        box.SetDesignRect(0, 0, 300, 100, true);
        box.SetTitle(text, 0x000000, 0x2CBFDE, c.frameCode, c.styleCode);
        VlText *cap = box.caption;

        const QFont f = cap->font();
        EXPECT_EQ(f.bold(), c.bold);
        EXPECT_EQ(f.underline(), c.underline);
        EXPECT_EQ(f.pixelSize(), c.pixelHeight);
        EXPECT_EQ(cap->fontIncrement, c.increment);
        EXPECT_EQ(VlFrameOf(cap), c.frame);

        const QSize ts = QFontMetrics(f).size(0, text);
        const int w = ts.width() + 6;
        EXPECT_EQ(cap->designRect.width, w);
        EXPECT_EQ(cap->designRect.height, ts.height() + c.extraHeight);
        const int x = c.place == 1 ? 0 : c.place == 2 ? 300 - w : (300 - w) / 2;
        EXPECT_EQ(cap->geometry(), QRect(x, 0, w, ts.height() + c.extraHeight));
        EXPECT_EQ(cap->GetAlign(), Qt::AlignRight);
        EXPECT_EQ(cap->GetText(), text);
        EXPECT_EQ(cap->GetInk(), 0x2CBFDE);
        EXPECT_EQ(cap->ownInk, 0x2CBFDE);
        EXPECT_TRUE(cap->opaque);
        EXPECT_FALSE(cap->IsTransparent());
    }
}

TEST_F(KitTest, TitleBoxRescaleKeepsCaptionStyleAndIncrement)
{
    struct Case {
        int styleCode;
        bool bold, underline;
        int extra;
    };
    for (const Case &c : {Case{301, true, false, 3}, Case{2, false, true, 0}, Case{103, true, false, 1}}) {
        SetInterfaceScale(nullptr, 'W', 'n', false);
        VlTitleBox box;
        box.SetDesignRect(8, 8, 332, 226, true);
        box.SetFrame(VlFrame::ThinOutset);
        box.SetTitle(" quibo ", 0, 0x2CBFDE, 2, c.styleCode);
        const VlDesignRect design = box.caption->designRect;
        SetInterfaceScale(nullptr, 'W', 'h', false);
        box.Rescale(true);
        EXPECT_EQ(box.geometry(), VlDesignRect({8, 8, 332, 226}).Scaled());
        EXPECT_EQ(box.caption->geometry(), design.Scaled().translated(1, 1)) << "inside the box's frame";
        EXPECT_EQ(box.caption->font().pixelSize(), 18 + c.extra);
        EXPECT_EQ(box.caption->font().bold(), c.bold);
        EXPECT_EQ(box.caption->font().underline(), c.underline);
    }
}

// ---- Image box ----------------------------------------------------------------------

namespace {

// An image-library context whose registry lies in a temporary folder.
VlmImgUt::TImgUt &testContext()
{
    static QTemporaryDir dir;
    static VlmImgUt::TImgUt ctx(QStringLiteral("Vellamor\\quibo"), TRegStore::InFolder(dir.path()));
    return ctx;
}

// A picture with a different colour in every pixel.
std::unique_ptr<VlmImgUt::TDib> pattern(int w, int h)
{
    auto dib = std::make_unique<VlmImgUt::TDib>();
    EXPECT_TRUE(dib->Create(w, h));
    for (int y = 0; y < h; ++y) {
        uint8_t *row = dib->bitmap->Row(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x + 0] = uint8_t(x * 5);
            row[3 * x + 1] = uint8_t(y * 7);
            row[3 * x + 2] = uint8_t(100 + x + y);
        }
    }
    return dib;
}

QImage expectedFit(const VlmImgUt::TDib &pic, int w, int h, bool stretch)
{
    VlmImgUt::TDib out;
    out.Create(w, h);
    Gdi::HBRUSH brush = Gdi::CreateSolidBrush(0);
    Gdi::HBRUSH old = Gdi::SelectObject(out.dc, brush);
    Gdi::RECT r{0, 0, w, h};
    VlmImgUt::TImgUt::DrawImageFit(out.dc, &pic, r, true, 1, stretch, true, 0);
    Gdi::SelectObject(out.dc, old);
    Gdi::DeleteObject(brush);
    return Gdi::ToQImage(out.bitmap).convertToFormat(QImage::Format_ARGB32);
}

bool samePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}

} // namespace

TEST_F(KitTest, ImgBoxCopiesOneToOneOnlyWhenSizesMatch)
{
    VlmImgUt::TImgUt &ctx = testContext();
    auto pic = pattern(40, 30);
    const QImage picImage = Gdi::ToQImage(pic->bitmap).convertToFormat(QImage::Format_ARGB32);
    struct Case {
        int w, h;
        bool stretch;
        bool oneToOne;
    };
    for (const Case &c : {Case{40, 30, false, true}, Case{41, 30, false, false}, Case{40, 31, false, false},
                          Case{80, 30, false, false}, Case{20, 50, true, false}, Case{40, 30, true, true}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        VlImgBox box;
        box.context = &ctx;
        box.image = pic.get();
        box.stretch = c.stretch;
        box.SetDesignRect(0, 0, c.w, c.h, true);
        const QImage img = Grab(&box);
        EXPECT_EQ(box.lastWidth, c.w);
        EXPECT_EQ(box.lastHeight, c.h);
        EXPECT_EQ(box.DrawsOneToOne(), c.oneToOne);
        if (c.oneToOne)
            EXPECT_TRUE(samePixels(img, picImage));
        else
            EXPECT_TRUE(samePixels(img, expectedFit(*pic, c.w, c.h, c.stretch)));
    }
}

TEST_F(KitTest, ImgBoxStartsWithoutSizeAndNeverFitsIntoNothing)
{
    VlmImgUt::TImgUt &ctx = testContext();
    auto pic = pattern(10, 10);
    VlImgBox box;
    EXPECT_EQ(box.lastWidth, 0);
    EXPECT_EQ(box.lastHeight, 0);
    box.context = &ctx;
    box.image = pic.get();
    box.setGeometry(0, 0, 30, 20);
    box.ownColor = 0x0000FF;
    box.show();
    EXPECT_EQ(box.lastWidth, 30);
    EXPECT_EQ(box.lastHeight, 20);
    // A last size of nothing paints neither the picture nor the colour.
    box.lastWidth = 0;
    const QImage img = Grab(&box);
    EXPECT_EQ(box.lastWidth, 0);
    const COLORREF p = At(img, 5, 5);
    EXPECT_NE(p, 0x0000FFu);
    EXPECT_NE(p, FromQRgb(Gdi::ToQImage(pic->bitmap).pixel(5, 5)));
}

TEST_F(KitTest, ImgBoxWithoutPicturePaintsItsOwnColour)
{
    VlImgBox box;
    box.ownColor = 0x0000FF;
    box.color = 0x00FF00;
    box.SetDesignRect(0, 0, 30, 20, true);
    const QImage img = Grab(&box);
    EXPECT_EQ(At(img, 0, 0), 0x0000FFu);
    EXPECT_EQ(At(img, 29, 19), 0x0000FFu);
}

TEST_F(KitTest, ImgBoxCaptionWiderThanTheBoxStartsAtTheLeft)
{
    VlImgBox box;
    box.ownColor = 0x000000;
    box.SetDesignRect(0, 0, 24, 40, true);
    box.showCaption = true;
    box.captionText = QStringLiteral("IIIIIIIIIIIIIIIIIIII");
    box.captionInk = 0xFFFFFF;
    const QImage img = Grab(&box);
    bool inkNearLeft = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 3; ++x)
            inkNearLeft = inkNearLeft || At(img, x, y) != 0;
    EXPECT_TRUE(inkNearLeft);
    box.ApplyScale();
    EXPECT_EQ(box.lastWidth, 24);
}

// ---- Owner link -----------------------------------------------------------------------

namespace {

class Recorder : public QWidget {
public:
    struct Seen {
        QEvent::Type type;
        QPoint at;
        Qt::MouseButton button;
        Qt::KeyboardModifiers mods;
        QPoint wheel;
    };
    std::vector<Seen> seen;

protected:
    void mouseMoveEvent(QMouseEvent *e) override { note(e); }
    void mousePressEvent(QMouseEvent *e) override { note(e); }
    void mouseReleaseEvent(QMouseEvent *e) override { note(e); }
    void wheelEvent(QWheelEvent *e) override
    {
        seen.push_back({e->type(), e->position().toPoint(), Qt::NoButton, e->modifiers(), e->angleDelta()});
    }

private:
    void note(QMouseEvent *e) { seen.push_back({e->type(), e->position().toPoint(), e->button(), e->modifiers(), {}}); }
};

void send(QWidget *to, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::KeyboardModifiers mods = Qt::ShiftModifier)
{
    QMouseEvent e(type, QPointF(at), QPointF(to->mapToGlobal(at)), button,
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button), mods);
    QCoreApplication::sendEvent(to, &e);
}

} // namespace

TEST_F(KitTest, PanelPassesMovesAndWheelToItsOwnerUntranslated)
{
    Recorder parent;
    Recorder owner;
    auto *panel = new VlPanel(&parent);
    panel->SetDesignRect(30, 40, 100, 100, true);
    panel->owner = &owner;

    send(panel, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    ASSERT_EQ(owner.seen.size(), 1u);
    EXPECT_EQ(owner.seen[0].type, QEvent::MouseMove);
    EXPECT_EQ(owner.seen[0].at, QPoint(5, 5));
    EXPECT_EQ(owner.seen[0].mods, Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the cursor is left alone";

    QWheelEvent wheel(QPointF(7, 9), QPointF(7, 9), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(panel, &wheel);
    ASSERT_EQ(owner.seen.size(), 2u);
    EXPECT_EQ(owner.seen[1].type, QEvent::Wheel);
    EXPECT_EQ(owner.seen[1].at, QPoint(7, 9));
    EXPECT_EQ(owner.seen[1].wheel, QPoint(0, -120));
    EXPECT_EQ(owner.seen[1].mods, Qt::ControlModifier);

    // Presses are not the panel's to pass on, nor its parent's to see.
    send(panel, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(owner.seen.size(), 2u);
    EXPECT_TRUE(parent.seen.empty());
}

TEST_F(KitTest, PanelWithoutOwnerShowsTheArrowAndKeepsTheWheel)
{
    Recorder parent;
    auto *panel = new VlPanel(&parent);
    panel->SetDesignRect(0, 0, 50, 50, true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    send(panel, QEvent::MouseMove, {5, 5}, Qt::NoButton);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);

    QWheelEvent wheel(QPointF(7, 9), QPointF(7, 9), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(panel, &wheel);
    EXPECT_TRUE(parent.seen.empty()) << "the wheel does not reach the parent";
}

TEST_F(KitTest, ImgBoxPassesButtonsToItsOwner)
{
    Recorder parent;
    Recorder owner;
    auto *box = new VlImgBox(&parent);
    box->SetDesignRect(20, 20, 60, 60, true);

    struct Case {
        QEvent::Type sent;
        Qt::MouseButton button;
        bool reaches;
        QEvent::Type seenType;
        Qt::MouseButton seenButton;
    };
    const Case cases[] = {
        {QEvent::MouseMove, Qt::NoButton, true, QEvent::MouseMove, Qt::NoButton},
        {QEvent::MouseButtonPress, Qt::LeftButton, true, QEvent::MouseButtonPress, Qt::LeftButton},
        {QEvent::MouseButtonPress, Qt::RightButton, true, QEvent::MouseButtonPress, Qt::LeftButton},
        {QEvent::MouseButtonRelease, Qt::LeftButton, true, QEvent::MouseButtonRelease, Qt::LeftButton},
        {QEvent::MouseButtonRelease, Qt::RightButton, false, QEvent::None, Qt::NoButton},
        {QEvent::MouseButtonPress, Qt::MiddleButton, false, QEvent::None, Qt::NoButton},
    };
    for (const Case &c : cases) {
        owner.seen.clear();
        box->owner = &owner;
        send(box, c.sent, {3, 4}, c.button);
        ASSERT_EQ(owner.seen.size(), c.reaches ? 1u : 0u) << int(c.sent) << "/" << int(c.button);
        if (c.reaches) {
            EXPECT_EQ(owner.seen[0].type, c.seenType);
            EXPECT_EQ(owner.seen[0].button, c.seenButton);
            EXPECT_EQ(owner.seen[0].at, QPoint(3, 4));
        }
        // Without an owner nothing happens, and nothing reaches the parent.
        box->owner = nullptr;
        owner.seen.clear();
        send(box, c.sent, {3, 4}, c.button);
        EXPECT_TRUE(owner.seen.empty());
        EXPECT_TRUE(parent.seen.empty());
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the image box shows no arrow of its own";
}
