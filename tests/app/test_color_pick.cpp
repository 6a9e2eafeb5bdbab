// The colour picker: its layout at two scales, the palette's colours and
// cross, palette clicks, the red, green and blue fields, a drag on the
// wheel and the value bar, Select and Cancel, and the fit to the screen.
#include "DialogRun.h"
#include "Prompts.h"
#include "VlColorPick.h"
#include "VlScale.h"
#include "VlLook.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

class PickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetPromptAnswerer([this](const QString &text) {
            prompts << text;
            return true;
        });
    }
    void TearDown() override
    {
        picker.reset();
        SetPromptAnswerer(nullptr);
        SetInterfaceScale(nullptr, 'W', 'n', false);
    }
    VlColorPick &Open(Color start, bool show = true)
    {
        picker = std::make_unique<VlColorPick>(start);
        if (show) {
            picker->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(picker.get()));
        }
        return *picker;
    }
    QStringList Fields() const
    {
        return {picker->redEdit.text(), picker->greenEdit.text(), picker->blueEdit.text()};
    }
    // Every view shows the picker's colour.
    void ExpectInStep(COLORREF rgb) const
    {
        const VlColorPick &p = *picker;
        EXPECT_EQ(COLORREF(p.color), rgb);
        EXPECT_EQ(Fields(), (QStringList{QString::number(GetRValue(rgb)), QString::number(GetGValue(rgb)),
                                         QString::number(GetBValue(rgb))}));
        EXPECT_EQ(COLORREF(p.preview.color), rgb);
        EXPECT_EQ(COLORREF(p.palette.chosenColor), rgb);
        EXPECT_EQ(p.ramp.GetColor(), rgb);
        EXPECT_EQ(p.wheel.GetColor(), rgb);
    }

    std::unique_ptr<VlColorPick> picker;
    QStringList prompts;
};

void Send(QWidget *w, QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Drag(QWidget *w, const QList<QPoint> &points)
{
    Send(w, QEvent::MouseButtonPress, points.first(), Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i < points.size(); ++i)
        Send(w, QEvent::MouseMove, points[i], Qt::NoButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, points.last(), Qt::LeftButton, Qt::NoButton);
}

COLORREF Cell(int row, int column)
{
    return VCPBox::PaletteColor(row * VCPBox::Columns + column);
}

QImage Shot(QWidget &w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The cells whose middle pixel shows black although the cell is not black:
// where the cross is.
std::vector<int> CrossedCells(VCPBox &palette)
{
    const QImage img = Shot(palette);
    const int d = palette.cellSize;
    std::vector<int> cells;
    for (int i = 0; i < VCPBox::Rows * VCPBox::Columns; ++i) {
        const int x = (i % VCPBox::Columns) * d + d / 2, y = (i / VCPBox::Columns) * d + d / 2;
        if (FromQRgb(img.pixel(x, y)) == 0 && VCPBox::PaletteColor(i) != 0)
            cells.push_back(i);
    }
    return cells;
}

} // namespace

// ---- Layout ---------------------------------------------------------------------

struct LayoutRow {
    const char *name;
    QWidget *(*control)(VlColorPick &);
    const char *caption;   // null: no caption
    QRect n, l;            // relative to the parent
};

template <class T, T VlColorPick::*M>
QWidget *Member(VlColorPick &p)
{
    return &(p.*M);
}

QString PickCaption(QWidget *w)
{
    if (auto *t = qobject_cast<VlText *>(w))
        return t->GetText();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    return QString();
}

const LayoutRow LayoutRows[] = {
    {"ramp", Member<ColorRampCtrl, &VlColorPick::ramp>, nullptr, {8, 8, 216, 168}, {10, 10, 252, 196}},
    {"wheel", Member<ColorWheelCtrl, &VlColorPick::wheel>, nullptr, {8, 184, 216, 168}, {10, 216, 252, 196}},
    {"palette", Member<VCPBox, &VlColorPick::palette>, nullptr, {232, 8, 216, 168}, {272, 10, 252, 196}},
    {"editPanel", Member<VlPanel, &VlColorPick::editPanel>, nullptr, {236, 208, 208, 74}, {272, 244, 251, 89}},
    {"buttonStrip", Member<VlPanel, &VlColorPick::buttonStrip>, nullptr, {250, 312, 180, 22}, {289, 363, 217, 27}},
    {"redLabel", Member<VlText, &VlColorPick::redLabel>, "Red", {9, 3, 21, 16}, {11, 4, 25, 19}},
    {"redEdit", Member<VlEditNo, &VlColorPick::redEdit>, nullptr, {34, 1, 28, 20}, {41, 1, 34, 24}},
    {"greenLabel", Member<VlText, &VlColorPick::greenLabel>, "Green", {72, 3, 32, 16}, {87, 4, 39, 19}},
    {"greenEdit", Member<VlEditNo, &VlColorPick::greenEdit>, nullptr, {107, 1, 28, 20}, {129, 1, 34, 24}},
    {"blueLabel", Member<VlText, &VlColorPick::blueLabel>, "Blue", {145, 3, 24, 16}, {175, 4, 29, 19}},
    {"blueEdit", Member<VlEditNo, &VlColorPick::blueEdit>, nullptr, {171, 1, 28, 20}, {206, 1, 34, 24}},
    {"preview", Member<VlPanel, &VlColorPick::preview>, nullptr, {2, 24, 204, 48}, {2, 29, 246, 58}},
    {"selectButton", Member<VlButton, &VlColorPick::selectButton>, "Select", {1, 1, 66, 20}, {1, 1, 80, 24}},
    {"cancelButton", Member<VlButton, &VlColorPick::cancelButton>, "Cancel", {112, 1, 66, 20}, {135, 1, 80, 24}},
};

class PickLayout : public PickTest, public ::testing::WithParamInterface<char> {};

TEST_P(PickLayout, WindowControlsAndCaptions)
{
    const char scale = GetParam();
    SetInterfaceScale(nullptr, 'W', scale, false);
    VlColorPick &p = Open(0x123456, false);
    EXPECT_EQ(p.windowTitle(), "Select Color");
    EXPECT_EQ(p.size(), scale == 'n' ? QSize(456, 360) : QSize(534, 422));
    EXPECT_EQ(p.palette.cellSize, scale == 'n' ? 12 : 14);
    for (const LayoutRow &r : LayoutRows) {
        QWidget *w = r.control(p);
        EXPECT_EQ(w->geometry(), scale == 'n' ? r.n : r.l) << r.name;
        if (r.caption) {
            EXPECT_EQ(PickCaption(w), r.caption) << r.name;
        }
    }
    // The design rectangles hold the scaled values: nothing rescales them.
    EXPECT_EQ(p.redEdit.designRect.Unscaled(), scale == 'n' ? QRect(34, 1, 28, 20) : QRect(41, 1, 34, 24));
    for (QWidget *w : {static_cast<QWidget *>(&p.redLabel), static_cast<QWidget *>(&p.blueEdit),
                       static_cast<QWidget *>(&p.selectButton)})
        EXPECT_EQ(w->font().pixelSize(), VlFontHeight);
    EXPECT_EQ(p.redLabel.GetInk(), Color(RGBColor(212, 101, 101)));
    EXPECT_EQ(p.cancelButton.ink, Color(RGBColor(221, 102, 102)));
}

INSTANTIATE_TEST_SUITE_P(Pick, PickLayout, ::testing::Values('n', 'l'));

struct FitCase {
    char scale;
    QSize available;
    float expected;   // < 0: lower than the scale's factor, window fits
};

void PrintTo(const FitCase &c, std::ostream *os)
{
    *os << c.scale << " in " << c.available.width() << " x " << c.available.height();
}

class PickFit : public PickTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(PickFit, KeptWithinTheScreen)
{
    const FitCase &c = GetParam();
    const float wanted = VlScaleRowOf(c.scale).scaleX;
    const float s = VlColorPick::FitScale(wanted, c.available);
    const QSize w = VlColorPick::WindowSize(s);
    if (c.expected > 0) {
        EXPECT_EQ(s, c.expected);
    } else {
        EXPECT_LT(s, wanted);
        EXPECT_LE(w.width(), c.available.width() - 8);
        EXPECT_LE(w.height(), c.available.height() - 40);
        // The largest that fits: one step more would not.
        const QSize bigger = VlColorPick::WindowSize(s + 1.0f / 44.0f);
        EXPECT_TRUE(bigger.width() > c.available.width() - 8 || bigger.height() > c.available.height() - 40);
    }
}

INSTANTIATE_TEST_SUITE_P(Pick, PickFit,
                         ::testing::Values(FitCase{'n', {1920, 1080}, 1.0f}, FitCase{'l', {1920, 1080}, 53.0f / 44.0f},
                                           FitCase{'g', {1920, 1080}, 105.0f / 44.0f}, FitCase{'c', {1920, 1080}, -1},
                                           FitCase{'s', {1920, 1080}, -1}, FitCase{'s', {3840, 2160}, 4.0f},
                                           FitCase{'n', {300, 200}, 1.0f}));

TEST_F(PickTest, AtSuperTheWholePickerAndSelectAreOnTheScreen)
{
    SetInterfaceScale(nullptr, 'W', 's', false);
    VlColorPick &p = Open(0x00FFFF, false);
    SetDialogRunner([](QDialog &) { return 2; });
    RunDialog(p, TDialogPlace::CentredOnOwner);
    SetDialogRunner(nullptr);
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    const QRect area = p.screen()->availableGeometry();
    EXPECT_LT(p.layoutScale, 4.0f);
    const QRect g = p.geometry(), f = p.frameGeometry();
    EXPECT_TRUE(area.contains(f)) << "area " << area.width() << "x" << area.height() << " window " << g.x() << ","
                                  << g.y() << " " << g.width() << "x" << g.height() << " frame " << f.x() << ","
                                  << f.y() << " " << f.width() << "x" << f.height();
    const QRect select(p.selectButton.mapTo(&p, QPoint(0, 0)), p.selectButton.size());
    EXPECT_TRUE(p.rect().contains(select));
    // The cells still follow the layout.
    EXPECT_EQ(p.palette.width(), 18 * p.palette.cellSize);
}

// ---- Palette ----------------------------------------------------------------------

TEST_F(PickTest, PaletteCellsByRule)
{
    struct {
        int row, column;
        COLORREF rgb;
    } const cells[] = {
        {0, 0, RGBColor(0, 0, 0)},       {0, 4, RGBColor(128, 0, 255)},   {0, 12, RGBColor(255, 255, 0)},
        {0, 13, RGBColor(255, 255, 192)}, {0, 17, RGBColor(255, 255, 255)}, {1, 0, RGBColor(12, 12, 12)},
        {1, 17, RGBColor(229, 229, 229)}, {2, 0, RGBColor(28, 42, 0)},     {2, 17, RGBColor(28, 42, 150)},
        {7, 8, RGBColor(255, 254, 0)},    {8, 9, RGBColor(255, 254, 255)}, {8, 0, RGBColor(28, 255, 200)},
        {13, 17, RGBColor(28, 42, 255)},
    };
    for (const auto &c : cells)
        EXPECT_EQ(Cell(c.row, c.column), c.rgb) << c.row << "," << c.column;

    const int grey[18] = {12, 25, 38, 51, 63, 76, 89, 102, 114, 127, 140, 153, 165, 178, 191, 204, 216, 229};
    for (int c = 0; c < 18; ++c)
        EXPECT_EQ(Cell(1, c), RGBColor(grey[c], grey[c], grey[c])) << c;

    std::set<COLORREF> all;
    for (int i = 0; i < 252; ++i)
        all.insert(VCPBox::PaletteColor(i));
    EXPECT_EQ(all.size(), 252u);
}

TEST_F(PickTest, CrossMarksTheCellOfTheColourOnly)
{
    VlColorPick &p = Open(Color(RGBColor(255, 255, 0)));
    EXPECT_EQ(CrossedCells(p.palette), std::vector<int>{12});
    // The cross is two bars through the middle; the corners keep the colour.
    const QImage img = Shot(p.palette);
    const int x = 12 * 12, d = 12;
    EXPECT_EQ(FromQRgb(img.pixel(x + 2, d / 2)), 0u);
    EXPECT_EQ(FromQRgb(img.pixel(x + d / 2, 2)), 0u);
    EXPECT_EQ(FromQRgb(img.pixel(x + 2, 2)), RGBColor(255, 255, 0));
    EXPECT_EQ(FromQRgb(img.pixel(x, 5)), 0u) << "grid line";

    for (Color none : {Color(RGBColor(1, 2, 3)), ColorNull}) {
        p.color = none;
        p.UpdateColor();
        EXPECT_TRUE(CrossedCells(p.palette).empty()) << none;
    }
}

TEST_F(PickTest, PaletteClickPicksTheCellAndMovesEveryView)
{
    VlColorPick &p = Open(Color(RGBColor(10, 20, 30)));
    QTest::mouseClick(&p.palette, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 12 + 6, 7 * 12 + 6));
    ExpectInStep(RGBColor(255, 254, 0));
    EXPECT_FALSE(p.palette.picked);
    EXPECT_EQ(CrossedCells(p.palette), std::vector<int>{7 * 18 + 8});

    // A press on the window outside the palette changes nothing.
    QTest::mouseClick(&p, Qt::LeftButton, Qt::NoModifier, QPoint(p.width() - 3, p.height() - 3));
    ExpectInStep(RGBColor(255, 254, 0));
    EXPECT_TRUE(prompts.isEmpty());
}

// ---- Fields ---------------------------------------------------------------------------

struct FieldCase {
    const char *name;
    int channel;
    const char *text;
    const char *message;   // "" for none
    COLORREF rgb;          // the colour after the edit
};

// ctest names the cases by these.
void PrintTo(const FieldCase &c, std::ostream *os)
{
    *os << c.name;
}

class PickField : public PickTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(PickField, EditIsCheckedAndShownEverywhere)
{
    const FieldCase &c = GetParam();
    VlColorPick &p = Open(Color(RGBColor(10, 20, 30)));
    p.Edit(c.channel).setText(QString::fromLatin1(c.text));
    p.OnRgbEdit(c.channel);
    EXPECT_EQ(prompts, *c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList{});
    ExpectInStep(c.rgb);
}

INSTANTIATE_TEST_SUITE_P(
    Pick, PickField,
    ::testing::Values(FieldCase{"InRange", 0, "200", "", RGBColor(200, 20, 30)},
                      FieldCase{"LeadingZero", 2, "0255", "", RGBColor(10, 20, 255)},
                      FieldCase{"Zero", 1, "0", "", RGBColor(10, 0, 30)},
                      FieldCase{"Emptied", 1, "", "", RGBColor(10, 0, 30)},
                      FieldCase{"Blanks", 2, "  ", "", RGBColor(10, 20, 0)},
                      FieldCase{"Above", 0, "256", "Invalid Red value! (0 - 255)", RGBColor(10, 20, 30)},
                      FieldCase{"Negative", 1, "-1", "Invalid Green value! (0 - 255)", RGBColor(10, 20, 30)},
                      FieldCase{"MinusOnly", 2, "-", "Invalid Blue value! (0 - 255)", RGBColor(10, 20, 30)},
                      FieldCase{"PastInt", 2, "2147483648", "Invalid Blue value! (0 - 255)", RGBColor(10, 20, 30)},
                      FieldCase{"LongDigits", 0, "99999999999999999999999", "Invalid Red value! (0 - 255)",
                                RGBColor(10, 20, 30)}),
    [](const ::testing::TestParamInfo<FieldCase> &i) { return std::string(i.param.name); });

TEST_F(PickTest, TypingChecksEveryKeystroke)
{
    VlColorPick &p = Open(Color(RGBColor(10, 20, 30)));
    p.redEdit.setFocus();
    p.redEdit.selectAll();
    QTest::keyClicks(&p.redEdit, "256");
    EXPECT_EQ(prompts, QStringList{"Invalid Red value! (0 - 255)"});
    ExpectInStep(RGBColor(25, 20, 30));   // "2", "25" were taken; "256" put 25 back

    // Backspacing the field empty gives 0 at once.
    p.greenEdit.setFocus();
    p.greenEdit.end(false);
    QTest::keyClick(&p.greenEdit, Qt::Key_Backspace);
    ExpectInStep(RGBColor(25, 2, 30));
    QTest::keyClick(&p.greenEdit, Qt::Key_Backspace);
    ExpectInStep(RGBColor(25, 0, 30));
    EXPECT_EQ(prompts.size(), 1);
}

// ---- Ramp and wheel ----------------------------------------------------------------------

TEST_F(PickTest, DragOnTheWheelMovesEveryViewAndGreyKeepsTheHue)
{
    VlColorPick &p = Open(Color(RGBColor(0, 0, 255)));
    QSignalSpy rampActions(&p.ramp, &ColorCtrlBase::action);
    QSignalSpy wheelActions(&p.wheel, &ColorCtrlBase::action);

    // Along the rim from violet (hue 270) to red.
    Drag(&p.wheel, {p.wheel.DiscPoint(270, 1), p.wheel.DiscPoint(300, 1), p.wheel.DiscPoint(0, 1)});
    ExpectInStep(RGBColor(255, 0, 0));
    EXPECT_EQ(CrossedCells(p.palette), std::vector<int>{2});

    // Straight up is hue 90: red half of green.
    Drag(&p.wheel, {p.wheel.DiscPoint(90, 1)});
    ExpectInStep(RGBColor(128, 255, 0));

    // Black on the value bar: the ramp keeps its hue and saturation.
    const QPoint top = p.wheel.BarPoint(1), bottom = p.wheel.BarPoint(0);
    Drag(&p.wheel, {p.wheel.DiscPoint(180, 1)});
    ExpectInStep(RGBColor(0, 255, 255));
    Drag(&p.wheel, {top, bottom});
    ExpectInStep(RGBColor(0, 0, 0));
    EXPECT_EQ(p.ramp.GetHsv().h, 180.0);
    EXPECT_EQ(p.ramp.GetHsv().s, 1.0);
    Drag(&p.wheel, {bottom, top});
    ExpectInStep(RGBColor(0, 255, 255));

    // Into the middle: white, and the hue stays cyan in both controls, so
    // the ramp's full corner is cyan again.
    Drag(&p.wheel, {p.wheel.DiscPoint(180, 1), p.wheel.Centre()});
    ExpectInStep(RGBColor(255, 255, 255));
    EXPECT_EQ(p.wheel.GetHsv().h, 180.0);
    EXPECT_EQ(p.ramp.GetHsv().h, 180.0);
    Drag(&p.ramp, {p.ramp.FieldPoint(1, 1)});
    ExpectInStep(RGBColor(0, 255, 255));

    EXPECT_EQ(rampActions.count(), 1) << "showing a colour is no action";
    EXPECT_GT(wheelActions.count(), 4);
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(PickTest, RampThroughGreyComesBackInItsHue)
{
    VlColorPick &p = Open(Color(RGBColor(0, 0, 255)));
    const QPoint blue = p.ramp.FieldPoint(1, 1), grey = p.ramp.FieldPoint(0, 1);
    Drag(&p.ramp, {blue, grey});
    ExpectInStep(RGBColor(255, 255, 255));
    Drag(&p.ramp, {grey, blue});
    ExpectInStep(RGBColor(0, 0, 255));
    // The hue bar at its top is red.
    Drag(&p.ramp, {p.ramp.BarPoint(0)});
    ExpectInStep(RGBColor(255, 0, 0));

    // Near black many points give one colour: showing it again leaves the
    // marker under the pointer.
    const QRect f = p.ramp.FieldRect();
    const QPoint dark(f.width() / 2, f.height() - 3);
    Drag(&p.ramp, {dark});
    EXPECT_EQ(p.ramp.FieldPoint(p.ramp.GetHsv().s, p.ramp.GetHsv().v), dark);
    ExpectInStep(p.ramp.GetColor());
}

// ---- Building, Select and Cancel ----------------------------------------------------------

TEST_F(PickTest, NullStartRunsNoActionAndSelectReturnsItUnchanged)
{
    VlColorPick &p = Open(ColorNull);
    EXPECT_EQ(p.color, ColorNull);
    EXPECT_EQ(Fields(), (QStringList{"0", "0", "0"}));
    EXPECT_TRUE(CrossedCells(p.palette).empty());
    EXPECT_TRUE(prompts.isEmpty());
    QTest::mouseClick(&p.selectButton, Qt::LeftButton);
    EXPECT_EQ(p.result(), 1);
    EXPECT_FALSE(p.isVisible());
    EXPECT_EQ(p.color, ColorNull);
}

TEST_F(PickTest, CancelEndsWithCodeTwo)
{
    VlColorPick &p = Open(Color(RGBColor(1, 2, 3)));
    QTest::mouseClick(&p.cancelButton, Qt::LeftButton);
    EXPECT_EQ(p.result(), 2);
    EXPECT_FALSE(p.isVisible());
}

TEST_F(PickTest, LookSFillsWithThePaperColour)
{
    SetInterfaceScale(nullptr, 'S', 'n', false);
    VlColorPick &p = Open(0);
    EXPECT_EQ(COLORREF(p.backgroundColor), VlColorPaper());
    EXPECT_EQ(FromQRgb(Shot(p).pixel(2, p.height() - 2)), VlColorPaper());
    EXPECT_EQ(COLORREF(p.editPanel.color), VlColorFace());
}
