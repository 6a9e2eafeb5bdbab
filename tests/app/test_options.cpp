// The options dialog: its layout at two scales and its place over the
// render buffer, the button that Enter triggers, the perspective ratios,
// picking a scale with Cancel and with Save, the Save warnings, the
// background preview, the set buttons, nothing run while it is built, the
// fit to the screen at the largest scales, and its openers in the window.
#include "DialogRun.h"
#include "HtmlHelp.h"
#include "Prompts.h"
#include "RegStore.h"
#include "TDib.h"
#include "TGame.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "TboxOpts.h"
#include "VlColorPick.h"
#include "VlFrame.h"
#include "VlScale.h"
#include "app/test_window_util.h"
#include "imgutil/FakeFileDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

// Every value of the settings record that the dialog may store.
QString Stored(const TSettings &s)
{
    QStringList out;
    for (bool b : {s.useBoxColors, s.useBoxImages, s.spanImages, s.tileImages, s.rotateImages, s.borderImages,
                   s.usePattern, s.tilePattern})
        out << QString::number(b);
    out << QString::number(double(s.sideRatio)) << QString::number(double(s.topRatio));
    out << QString::number(s.backgroundColor) << s.patternFile << QString(QChar(s.interfaceBlock.scale));
    for (int i = 0; i < 6; ++i)
        out << QString::number(s.faceColor[i]) << s.faceImageFile[i];
    out << QString::number(s.colorSet) << QStringList(s.colorSetNames.begin(), s.colorSetNames.end()).join('|');
    for (int c : s.colorSetColors)
        out << QString::number(c);
    out << QString::number(s.imageSet) << QStringList(s.imageSetNames.begin(), s.imageSetNames.end()).join('|')
        << QStringList(s.imageSetFiles.begin(), s.imageSetFiles.end()).join('|');
    return out.join(',');
}

// The names of the files written into some folders, in the order their
// writes ended: a file written through a temporary file counts when it is
// linked or renamed into place.
class FileWrites {
public:
    explicit FileWrites(const QStringList &folders) : fd(inotify_init1(IN_NONBLOCK))
    {
        for (const QString &f : folders)
            inotify_add_watch(fd, QFile::encodeName(f).constData(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FileWrites() { close(fd); }
    FileWrites(const FileWrites &) = delete;
    FileWrites &operator=(const FileWrites &) = delete;

    QStringList Names()
    {
        QStringList names;
        alignas(inotify_event) char buf[8192];
        for (;;) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            for (char *p = buf; p < buf + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(p);
                if (e->len > 0)
                    names << QFile::decodeName(e->name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return names;
    }

private:
    int fd;
};

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        env = TemporaryEnvironment(tmp.path());
        SetPromptAnswerer([this](const QString &text) {
            prompts << text;
            return answers.isEmpty() ? true : answers.takeFirst();
        });
    }
    void TearDown() override
    {
        dialog.reset();
        settings.reset();
        SetPromptAnswerer(nullptr);
        SetDialogRunner(nullptr);
        SetInterfaceScale(nullptr, 'W', 'n', false);
    }

    // The settings record of a first start in the temporary folders, over a
    // 1920 x 1080 render buffer; adjust changes it as if it had been loaded.
    TSettings &Settings(const std::function<void(TSettings &)> &adjust = {})
    {
        settings = std::make_unique<TSettings>(env);
        settings->bufferWidth = 1920;
        settings->bufferHeight = 1080;
        // A first start has no image set: one with no pictures, selected.
        settings->imageSetNames = {"Blank"};
        settings->imageSetFiles = QVector<QString>(6);
        settings->imageSet = 1;
        if (adjust)
            adjust(*settings);
        before = Stored(*settings);
        return *settings;
    }
    TboxOpts &Open(bool show = true)
    {
        if (!settings)
            Settings();
        dialog = std::make_unique<TboxOpts>(settings.get());
        if (show) {
            dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        }
        return *dialog;
    }
    void Enter() { QTest::keyClick(dialog.get(), Qt::Key_Return); }
    // The code the dialog ended with: -1 while it runs.
    int Code() const { return dialog->isVisible() ? -1 : dialog->result(); }
    QString OptionsFile() const { return settings->commonFolder + "boxOpts.pcg"; }
    QString StoreFile() const { return env.storeFolder + "/user/Vellamor/quibo.ini"; }
    // The interface block as the settings store holds it; empty when none.
    QByteArray StoredBlock() const
    {
        uint8_t block[TInterfaceBlock::Size];
        TRegKey key = TRegStore::InFolder(env.storeFolder).Open("Vellamor\\quibo", TRegScope::User);
        if (!key.ReadBinary("boxOps", block, TInterfaceBlock::Size))
            return QByteArray();
        return QByteArray(reinterpret_cast<const char *>(block), TInterfaceBlock::Size);
    }
    // A picture file written by Qt's BMP writer.
    QString Picture(const QString &name, const QImage &img)
    {
        const QString path = tmp.path() + "/pictures/" + name;
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    }
    static QImage Filled(int w, int h, QColor c)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        return img;
    }

    QTemporaryDir tmp;
    TSettings::Environment env;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TboxOpts> dialog;
    QString before;
    QStringList prompts;
    QList<bool> answers;   // for the OK/Cancel boxes, in order; OK when empty
};

// ---- Layout ------------------------------------------------------------------------

struct LayoutRow {
    std::string name;
    std::function<QWidget *(TboxOpts &)> control;
    std::function<QWidget *(TboxOpts &)> parent;   // null: the dialog itself
    QString caption;                                // empty: none checked
    QRect design;
};

template <class T, T TboxOpts::*M>
QWidget *Member(TboxOpts &d)
{
    return &(d.*M);
}

QString CaptionOf(QWidget *w)
{
    if (auto *box = qobject_cast<VlTitleBox *>(w))
        return box->caption->GetText();
    if (auto *t = qobject_cast<VlText *>(w))
        return t->GetText();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    return QString();
}

std::vector<LayoutRow> LayoutRows()
{
    const auto appearance = Member<VlTitleBox, &TboxOpts::appearanceBox>;
    const auto background = Member<VlTitleBox, &TboxOpts::backgroundBox>;
    const auto colors = Member<VlTitleBox, &TboxOpts::colorsBox>;
    const auto images = Member<VlTitleBox, &TboxOpts::imagesBox>;
    const auto strip = Member<VlPanel, &TboxOpts::buttonStrip>;
    std::vector<LayoutRow> rows = {
        {"appearanceBox", appearance, nullptr, " Appearance ", {8, 8, 178, 248}},
        {"backgroundBox", background, nullptr, " Background ", {8, 265, 178, 167}},
        {"colorsBox", colors, nullptr, " Box Colors ", {195, 8, 348, 162}},
        {"imagesBox", images, nullptr, " Box Images ", {195, 179, 348, 162}},
        {"buttonStrip", strip, nullptr, "", {249, 380, 240, 22}},
        {"backgroundSwatch", Member<VlPanel, &TboxOpts::backgroundSwatch>, background, "", {8, 37, 78, 78}},
        {"patternBox", Member<VlImgBox, &TboxOpts::patternBox>, background, "", {91, 37, 78, 78}},
        {"backgroundButton", Member<VlButton, &TboxOpts::backgroundButton>, background, "Select", {20, 117, 54, 20}},
        {"patternButton", Member<VlButton, &TboxOpts::patternButton>, background, "Select", {103, 117, 54, 20}},
        {"addColorSetButton", Member<VlButton, &TboxOpts::addColorSetButton>, colors, "Add Color Set ==>",
         {134, 106, 100, 21}},
        {"removeColorSetButton", Member<VlButton, &TboxOpts::removeColorSetButton>, colors,
         "Remove Selected Color Set", {154, 134, 162, 20}},
        {"addImageSetButton", Member<VlButton, &TboxOpts::addImageSetButton>, images, "Add Image Set ==>",
         {134, 106, 100, 21}},
        {"removeImageSetButton", Member<VlButton, &TboxOpts::removeImageSetButton>, images,
         "Remove Selected Image Set", {154, 134, 162, 20}},
        {"saveButton", Member<VlButton, &TboxOpts::saveButton>, strip, "Save", {0, 0, 60, 22}},
        {"cancelButton", Member<VlButton, &TboxOpts::cancelButton>, strip, "Cancel", {90, 0, 60, 22}},
        {"helpButton", Member<VlButton, &TboxOpts::helpButton>, strip, "Help", {180, 0, 60, 22}},
        {"perspectiveLabel", Member<VlText, &TboxOpts::perspectiveLabel>, appearance, "View Perspective",
         {37, 147, 100, 14}},
        {"sideLabel", Member<VlText, &TboxOpts::sideLabel>, appearance, "Side:", {1, 164, 33, 15}},
        {"sideValue", Member<VlText, &TboxOpts::sideValue>, appearance, "25%", {139, 164, 26, 15}},
        {"topLabel", Member<VlText, &TboxOpts::topLabel>, appearance, "Top:", {1, 189, 33, 15}},
        {"topValue", Member<VlText, &TboxOpts::topValue>, appearance, "25%", {139, 189, 26, 15}},
        {"scaleLabel", Member<VlText, &TboxOpts::scaleLabel>, appearance, "Interface Scale", {0, 220, 86, 15}},
        {"colorLabel", Member<VlText, &TboxOpts::colorLabel>, background, "Color", {8, 23, 78, 14}},
        {"patternLabel", Member<VlText, &TboxOpts::patternLabel>, background, "Pattern", {91, 23, 78, 14}},
        {"colorSetLabel", Member<VlText, &TboxOpts::colorSetLabel>, colors, "Select Color Set", {10, 109, 114, 15}},
        {"imageSetLabel", Member<VlText, &TboxOpts::imageSetLabel>, images, "Select Image Set", {10, 109, 114, 15}},
        {"useBoxColorsOpt", Member<VlOpt, &TboxOpts::useBoxColorsOpt>, appearance, "Use Box Colors",
         {18, 24, 110, 17}},
        {"useBoxImagesOpt", Member<VlOpt, &TboxOpts::useBoxImagesOpt>, appearance, "Use Box Images",
         {18, 44, 110, 17}},
        {"spanImagesOpt", Member<VlOpt, &TboxOpts::spanImagesOpt>, appearance, "Span Images Over Boxes",
         {18, 64, 160, 17}},
        {"tileImagesOpt", Member<VlOpt, &TboxOpts::tileImagesOpt>, appearance, "Tile Images", {18, 84, 110, 17}},
        {"rotateImagesOpt", Member<VlOpt, &TboxOpts::rotateImagesOpt>, appearance, "Rotate Images",
         {18, 104, 110, 17}},
        {"borderImagesOpt", Member<VlOpt, &TboxOpts::borderImagesOpt>, appearance, "Border Around Images",
         {18, 124, 140, 17}},
        {"usePatternOpt", Member<VlOpt, &TboxOpts::usePatternOpt>, background, "Use Pattern", {22, 143, 80, 17}},
        {"tilePatternOpt", Member<VlOpt, &TboxOpts::tilePatternOpt>, background, "Tile", {119, 143, 50, 17}},
        {"sideSlider", Member<VlSlider, &TboxOpts::sideSlider>, appearance, "", {38, 162, 100, 21}},
        {"topSlider", Member<VlSlider, &TboxOpts::topSlider>, appearance, "", {38, 187, 100, 21}},
        {"scaleDrop", Member<VlDrop, &TboxOpts::scaleDrop>, appearance, "", {90, 217, 72, 21}},
        {"colorSetDrop", Member<VlDrop, &TboxOpts::colorSetDrop>, colors, "", {10, 124, 114, 21}},
        {"colorSetName", Member<VlEditTx, &TboxOpts::colorSetName>, colors, "", {236, 106, 100, 21}},
        {"imageSetDrop", Member<VlDrop, &TboxOpts::imageSetDrop>, images, "", {10, 124, 114, 21}},
        {"imageSetName", Member<VlEditTx, &TboxOpts::imageSetName>, images, "", {236, 106, 100, 21}},
    };
    for (int i = 0; i < 6; ++i) {
        const int x = 8 + 56 * i;
        const std::string n = std::to_string(i);
        rows.push_back({"faceSwatch" + n, [i](TboxOpts &d) { return &d.faceSwatch[i]; }, colors, "", {x, 24, 50, 50}});
        rows.push_back({"faceColorButton" + n, [i](TboxOpts &d) { return &d.faceColorButton[i]; }, colors, "Select",
                        {x, 76, 50, 20}});
        rows.push_back(
            {"faceImageBox" + n, [i](TboxOpts &d) { return &d.faceImageBox[i]; }, images, "", {x, 24, 50, 50}});
        rows.push_back({"faceImageButton" + n, [i](TboxOpts &d) { return &d.faceImageButton[i]; }, images, "Select",
                        {x, 76, 50, 20}});
    }
    return rows;
}

// A design rectangle at the "l" factors, 53/44 across and 19/16 down.
QRect Large(const QRect &r)
{
    auto s = [](int v, float f) { return int(float(v) * f + 0.5f); };
    const float fx = 53.0f / 44.0f, fy = 19.0f / 16.0f;
    return QRect(s(r.x(), fx), s(r.y(), fy), s(r.width(), fx), s(r.height(), fy));
}

// A control's rectangle in its parent's view (inside the parent's frame).
QRect InParent(QWidget *w)
{
    const QMargins m = VlFrameMargins(w->parentWidget());
    return w->geometry().translated(-m.left(), -m.top());
}

class OptionsLayout : public OptionsTest, public ::testing::WithParamInterface<char> {};

TEST_P(OptionsLayout, ControlsCaptionsAndPlace)
{
    const char scale = GetParam();
    SetInterfaceScale(nullptr, 'W', scale, false);
    TboxOpts &d = Open(false);
    EXPECT_EQ(d.windowTitle(), "quibo Options");
    // Centred over the 1920 x 1080 render buffer.
    EXPECT_EQ(d.geometry(), scale == 'n' ? QRect(684, 320, 552, 440) : QRect(627, 278, 665, 523));
    // A few rectangles at "l" worked out by hand, beside the rule.
    if (scale == 'l') {
        EXPECT_EQ(d.appearanceBox.geometry(), QRect(10, 10, 214, 295));
        EXPECT_EQ(d.buttonStrip.geometry(), QRect(300, 451, 289, 26));
        EXPECT_EQ(InParent(&d.removeColorSetButton), QRect(186, 159, 195, 24));
        EXPECT_EQ(InParent(&d.faceSwatch[5]), QRect(347, 29, 60, 59));
    }
    for (const LayoutRow &r : LayoutRows()) {
        SCOPED_TRACE(r.name);
        QWidget *w = r.control(d);
        ASSERT_EQ(w->parentWidget(), r.parent ? r.parent(d) : &d);
        EXPECT_EQ(r.parent ? InParent(w) : w->geometry(), scale == 'n' ? r.design : Large(r.design));
        if (!r.caption.isEmpty()) {
            EXPECT_EQ(CaptionOf(w), r.caption);
        }
        EXPECT_TRUE(w->isVisibleTo(&d));
    }
    QStringList scales;
    for (int i = 0; i < d.scaleDrop.GetCount(); ++i)
        scales << d.scaleDrop.GetText(i);
    EXPECT_EQ(scales, (QStringList{"Normal", "Large", "Jumbo", "Huge", "Enormous", "Gigantic", "Colossal", "Super"}));
    EXPECT_EQ(d.scaleDrop.GetIndex(), scale == 'n' ? 0 : 1);
    EXPECT_EQ(d.colorSetDrop.GetText(0), "Primary Colors");
    EXPECT_EQ(d.appearanceBox.caption->GetInk(), Color(RGBColor(212, 141, 121)));
    EXPECT_EQ(d.imagesBox.caption->GetInk(), Color(RGBColor(212, 212, 121)));
    EXPECT_EQ(d.removeColorSetButton.ink, Color(RGBColor(202, 121, 88)));
    EXPECT_EQ(d.saveButton.ink, Color(RGBColor(101, 141, 221)));

    // Fonts at the scale's height: plain, but the two values bold, and the
    // emphasis on Cancel while nothing changed.
    const int px = scale == 'n' ? 11 : 13;
    for (QWidget *w : {static_cast<QWidget *>(&d.sideLabel), static_cast<QWidget *>(&d.helpButton),
                       static_cast<QWidget *>(&d.tileImagesOpt), static_cast<QWidget *>(&d.faceColorButton[2])}) {
        EXPECT_EQ(w->font().pixelSize(), px);
        EXPECT_FALSE(w->font().bold());
    }
    EXPECT_TRUE(d.sideValue.font().bold());
    EXPECT_EQ(d.topValue.font().pixelSize(), px);
    EXPECT_TRUE(d.saveButton.font().bold());
    EXPECT_FALSE(d.saveButton.font().underline());
    EXPECT_TRUE(d.cancelButton.font().bold());
    EXPECT_TRUE(d.cancelButton.font().underline());
}

INSTANTIATE_TEST_SUITE_P(Options, OptionsLayout, ::testing::Values('n', 'l'),
                         [](const ::testing::TestParamInfo<char> &i) { return std::string(1, i.param); });

TEST(OptionsPlace, OverTheRenderBuffer)
{
    struct Case {
        int W, H, w, h;
        QPoint at;
    };
    const Case cases[] = {
        {1920, 1080, 552, 440, {684, 320}},
        {1920, 460, 552, 440, {684, 28}},    // (460 - 440) / 2 = 10, raised to 28
        {500, 1080, 552, 440, {-52, 320}},   // -26 + 552 > 500: against the right edge
        {553, 900, 552, 440, {0, 230}},
        {1920, 1080, 665, 523, {627, 278}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TboxOpts::PlaceOverBuffer(c.W, c.H, c.w, c.h), c.at) << c.W << " x " << c.H;
}

// ---- Enter and the emphasis ---------------------------------------------------------

struct ChangeCase {
    const char *name;
    std::function<void(TboxOpts &)> change;   // null: nothing
};

void PrintTo(const ChangeCase &c, std::ostream *os)
{
    *os << c.name;
}

class OptionsEnter : public OptionsTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(OptionsEnter, CancelsWhileUnchangedAndSavesAfterAChange)
{
    const ChangeCase &c = GetParam();
    TboxOpts &d = Open();
    if (c.change) {
        c.change(d);
        EXPECT_EQ(d.modified, 1);
        EXPECT_TRUE(d.saveButton.font().bold());
        EXPECT_TRUE(d.saveButton.font().underline());
        EXPECT_TRUE(d.cancelButton.font().bold());
        EXPECT_FALSE(d.cancelButton.font().underline());
    }
    Enter();
    EXPECT_EQ(Code(), c.change ? 1 : 2);
    EXPECT_EQ(QFile::exists(OptionsFile()), bool(c.change));
    if (!c.change) {
        EXPECT_EQ(Stored(*settings), before);
    }
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join(" / ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionsEnter,
    ::testing::Values(ChangeCase{"Fresh", nullptr},
                      ChangeCase{"TileImagesTicked", [](TboxOpts &d) { QTest::mouseClick(&d.tileImagesOpt, Qt::LeftButton); }},
                      ChangeCase{"SliderMoved", [](TboxOpts &d) { QTest::keyClick(&d.topSlider, Qt::Key_Right); }},
                      ChangeCase{"UsePatternTicked",
                                 [](TboxOpts &d) { QTest::mouseClick(&d.usePatternOpt, Qt::LeftButton); }},
                      ChangeCase{"ColorSetPicked",
                                 [](TboxOpts &d) {
                                     d.colorSetDrop.SetIndex(0);
                                     emit d.colorSetDrop.activated(0);
                                 }}),
    [](const ::testing::TestParamInfo<ChangeCase> &i) { return std::string(i.param.name); });

TEST_F(OptionsTest, EnterIsTheOnlyKeyAndEscapeLeavesTheDialogOpen)
{
    TboxOpts &d = Open();
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(&d, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.Key('A'));
    QTest::mouseClick(&d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(Code(), 2);
    EXPECT_EQ(Stored(*settings), before);
}

TEST_F(OptionsTest, HelpOpensTheOptionsPageAndTheDialogStays)
{
    TboxOpts &d = Open();
    QTest::mouseClick(&d.helpButton, Qt::LeftButton);
    ASSERT_TRUE(settings->helpWindow);
    EXPECT_TRUE(HtmlHelp::CurrentPage(settings->helpWindow).endsWith("/html/Opt000.htm"))
        << HtmlHelp::CurrentPage(settings->helpWindow).toStdString();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.modified, 0);
    settings->helpWindow->close();
}

// ---- Perspective ratios ---------------------------------------------------------------

struct RatioCase {
    const char *name;
    float stored;
    int slider;         // as the dialog opens
    int moves;          // Right (+) or Left (-) presses on the side slider
    int saved;          // the slider at Save
    int reopened;       // the slider when the saved ratio is opened again
};

void PrintTo(const RatioCase &c, std::ostream *os)
{
    *os << c.name;
}

class OptionsRatio : public OptionsTest, public ::testing::WithParamInterface<RatioCase> {};

TEST_P(OptionsRatio, ShownSavedAndReadBack)
{
    const RatioCase &c = GetParam();
    Settings([&](TSettings &s) { s.sideRatio = c.stored; });
    TboxOpts &d = Open();
    const int shown = int(double(c.stored) * 100.0);
    EXPECT_EQ(d.sideSlider.Get(), c.slider);
    EXPECT_EQ(d.sideValue.GetText(), QString::number(shown) + "%");
    for (int i = 0; i < std::abs(c.moves); ++i) {
        QTest::keyClick(&d.sideSlider, c.moves > 0 ? Qt::Key_Right : Qt::Key_Left);
        // The label follows every step at once.
        EXPECT_EQ(d.sideValue.GetText(), QString::number(d.sideSlider.Get()) + "%");
    }
    EXPECT_EQ(d.sideSlider.Get(), c.saved);
    QTest::mouseClick(&d.saveButton, Qt::LeftButton);
    EXPECT_EQ(Code(), 1);
    EXPECT_EQ(settings->sideRatio, float(c.saved) / 100.0f);
    EXPECT_EQ(settings->topRatio, 0.25f);
    dialog.reset();
    EXPECT_EQ(Open(false).sideSlider.Get(), c.reopened);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionsRatio,
    ::testing::Values(RatioCase{"Quarter", 0.25f, 25, 0, 25, 25},
                      // 0.29 as a float lies below 0.29: it opens as 28
                      RatioCase{"TwentyNineReopensAsTwentyEight", 0.25f, 25, 4, 29, 28},
                      RatioCase{"TwentyEightStays", 0.25f, 25, 3, 28, 28},
                      RatioCase{"MovedToThirtySeven", 0.25f, 25, 12, 37, 37},
                      // the label shows 60 while the slider stops at its end
                      RatioCase{"SixtyAboveTheRange", 0.6f, 50, 0, 50, 50}),
    [](const ::testing::TestParamInfo<RatioCase> &i) { return std::string(i.param.name); });

// ---- The interface scale --------------------------------------------------------------

void PickScale(TboxOpts &d, int position)
{
    d.scaleDrop.SetIndex(position);
    emit d.scaleDrop.activated(position);
}

TEST_F(OptionsTest, LargeThenCancelWritesNothingAndPutsNormalBack)
{
    TboxOpts &d = Open();
    PickScale(d, 1);
    EXPECT_EQ(VlScale, 'l');
    EXPECT_EQ(d.size(), QSize(665, 523));
    EXPECT_EQ(d.geometry().topLeft(), QPoint(627, 278)) << "placed again";
    EXPECT_EQ(d.sideLabel.font().pixelSize(), 13);
    EXPECT_EQ(d.modified, 1);
    QTest::mouseClick(&d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(Code(), 2);
    dialog.reset();
    EXPECT_EQ(VlScale, 'n');
    EXPECT_EQ(VlScaleX, 1.0f);
    EXPECT_EQ(VlFontHeight, 11);
    EXPECT_TRUE(StoredBlock().isEmpty());
    EXPECT_FALSE(QFile::exists(OptionsFile()));
    EXPECT_EQ(Stored(*settings), before);
}

TEST_F(OptionsTest, LargeThenSaveWritesTheBlockBeforeTheOptionsFile)
{
    Settings();
    QDir().mkpath(settings->commonFolder);
    QDir().mkpath(QFileInfo(StoreFile()).path());
    TboxOpts &d = Open();
    PickScale(d, 1);
    FileWrites writes({settings->commonFolder, QFileInfo(StoreFile()).path()});
    QTest::mouseClick(&d.saveButton, Qt::LeftButton);
    EXPECT_EQ(Code(), 1);
    EXPECT_TRUE(d.saved);
    const QStringList names = writes.Names();
    const int block = int(names.indexOf("quibo.ini")), file = int(names.indexOf("boxOpts.pcg"));
    ASSERT_GE(block, 0) << names.join(' ').toStdString();
    ASSERT_GE(file, 0) << names.join(' ').toStdString();
    EXPECT_LT(block, file) << names.join(' ').toStdString();
    const QByteArray stored = StoredBlock();
    ASSERT_EQ(stored.size(), TInterfaceBlock::Size);
    EXPECT_EQ(stored[5], 'l');
    EXPECT_EQ(stored[4], 'W');
    EXPECT_EQ(settings->interfaceBlock.scale, 'l');
    dialog.reset();
    EXPECT_EQ(VlScale, 'l') << "a saved scale stays";
}

TEST_F(OptionsTest, PickingTheScaleInEffectDoesNothing)
{
    SetInterfaceScale(nullptr, 'W', 'l', false);
    TboxOpts &d = Open();
    QFont odd = d.sideLabel.font();
    odd.setPixelSize(7);
    d.sideLabel.setFont(odd);   // a rescale would set the kit font again
    PickScale(d, 1);
    EXPECT_EQ(d.modified, 0);
    EXPECT_EQ(d.sideLabel.font().pixelSize(), 7);
    Enter();
    EXPECT_EQ(Code(), 2);
    EXPECT_TRUE(StoredBlock().isEmpty());
}

class OptionsFit : public OptionsTest, public ::testing::WithParamInterface<char> {};

// At "c" and "s" the dialog would not fit the screen: it is laid out smaller
// and stays inside the available area with every control.
TEST_P(OptionsFit, KeptWithinTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    Settings([&](TSettings &s) {
        s.bufferWidth = area.width();
        s.bufferHeight = area.height();
    });
    SetInterfaceScale(nullptr, 'W', GetParam(), false);
    TboxOpts &d = Open();
    EXPECT_GT(d.fittedScale, 0.0f);
    EXPECT_TRUE(area.contains(d.frameGeometry())) << d.frameGeometry().x() << "," << d.frameGeometry().y() << " "
                                                 << d.frameGeometry().width() << "x" << d.frameGeometry().height();
    for (QWidget *w : {static_cast<QWidget *>(&d.saveButton), static_cast<QWidget *>(&d.cancelButton),
                       static_cast<QWidget *>(&d.removeImageSetButton), static_cast<QWidget *>(&d.usePatternOpt)})
        EXPECT_TRUE(d.rect().contains(QRect(w->mapTo(&d, QPoint(0, 0)), w->size())));
    // The kit keeps the scale's own values.
    EXPECT_EQ(VlScale, GetParam());
    EXPECT_EQ(VlScaleX, GetParam() == 'c' ? 3.0f : 4.0f);
    EXPECT_EQ(VlFontHeight, GetParam() == 'c' ? 33 : 44);
    EXPECT_EQ(VlFont.pixelSize(), VlFontHeight);
    EXPECT_LT(d.sideLabel.font().pixelSize(), VlFontHeight) << "the font shrinks with the layout";
}

INSTANTIATE_TEST_SUITE_P(Options, OptionsFit, ::testing::Values('c', 's'),
                         [](const ::testing::TestParamInfo<char> &i) { return std::string(1, i.param); });

// ---- Save warnings --------------------------------------------------------------------

struct WarningCase {
    const char *name;
    bool colorSet, imageSet;   // a valid set selected
    QList<bool> answers;
    QStringList asked;
    bool stored;
};

void PrintTo(const WarningCase &c, std::ostream *os)
{
    *os << c.name;
}

const QString NoColorSet = "WARNING!  No Color Set has been selected.\nDo you still wish to Save these Options?";
const QString NoImageSet = "WARNING!  No Image Set has been selected.\nDo you still wish to Save these Options?";

class OptionsWarning : public OptionsTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(OptionsWarning, AskedBeforeAnythingIsStored)
{
    const WarningCase &c = GetParam();
    Settings([&](TSettings &s) {
        s.colorSet = c.colorSet ? 1 : 2;   // one colour set: 2 selects none
        s.imageSetNames = {"Mine"};
        s.imageSetFiles = QVector<QString>(6);
        s.imageSet = c.imageSet ? 1 : 0;
    });
    TboxOpts &d = Open();
    QTest::mouseClick(&d.tileImagesOpt, Qt::LeftButton);
    answers = c.answers;
    QTest::mouseClick(&d.saveButton, Qt::LeftButton);
    EXPECT_EQ(prompts, c.asked);
    EXPECT_EQ(Code(), c.stored ? 1 : -1);
    EXPECT_EQ(settings->tileImages, c.stored);
    EXPECT_EQ(QFile::exists(OptionsFile()), c.stored);
    if (c.stored) {
        EXPECT_EQ(settings->colorSet, c.colorSet ? 1 : 2) << "stored as the dialog held it";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionsWarning,
    ::testing::Values(WarningCase{"BothSelected", true, true, {}, {}, true},
                      WarningCase{"NoColorSetCancel", false, true, {false}, {NoColorSet}, false},
                      WarningCase{"NoColorSetOk", false, true, {true}, {NoColorSet}, true},
                      WarningCase{"NoImageSetCancel", true, false, {false}, {NoImageSet}, false},
                      WarningCase{"NeitherOkThenCancel", false, false, {true, false}, {NoColorSet, NoImageSet}, false},
                      WarningCase{"NeitherOkOk", false, false, {true, true}, {NoColorSet, NoImageSet}, true}),
    [](const ::testing::TestParamInfo<WarningCase> &i) { return std::string(i.param.name); });

TEST_F(OptionsTest, FailedOptionsFileIsReportedAndTheDialogStillEnds)
{
    Settings();
    // A folder where the options file should be: the write fails in both folders.
    settings->optionsFile = tmp.path() + "/blocked";
    QDir().mkpath(settings->optionsFile);
    settings->userFolder = settings->optionsFile + "/";
    QDir().mkpath(settings->userFolder + "boxOpts.pcg");
    TboxOpts &d = Open();
    QTest::mouseClick(&d.rotateImagesOpt, Qt::LeftButton);
    QTest::mouseClick(&d.saveButton, Qt::LeftButton);
    EXPECT_EQ(Code(), 1);
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_TRUE(prompts[0].startsWith("Save Options failure! - ")) << prompts[0].toStdString();
    EXPECT_TRUE(settings->rotateImages) << "the record holds the new values";
}

// ---- Background preview -----------------------------------------------------------------

struct PreviewCase {
    const char *name;
    bool usePattern, tile;
    QRgb corner;    // the dialog's top-left margin
    QRgb gap;       // the margin between the Appearance and Box Colors boxes
};

void PrintTo(const PreviewCase &c, std::ostream *os)
{
    *os << c.name;
}

class OptionsPreview : public OptionsTest, public ::testing::WithParamInterface<PreviewCase> {};

// The margins show the background colour, or the pattern once "Use Pattern"
// is ticked: tiled over the whole dialog, or centred.
TEST_P(OptionsPreview, MarginsShowTheBackground)
{
    const PreviewCase &c = GetParam();
    // 540 x 400 centred leaves 6 pixels across and 20 down uncovered.
    const QString pattern = Picture("pattern.bmp", Filled(540, 400, QColor(10, 200, 30)));
    Settings([&](TSettings &s) {
        s.backgroundColor = Color(RGBColor(90, 20, 160));
        s.patternFile = pattern;
        s.tilePattern = c.tile;
    });
    TboxOpts &d = Open();
    if (c.usePattern)
        QTest::mouseClick(&d.usePatternOpt, Qt::LeftButton);
    ASSERT_NE(d.sets.patternPreview, nullptr);
    const QImage shot = d.grab().toImage();
    EXPECT_EQ(shot.pixel(2, 2), c.corner);
    EXPECT_EQ(shot.pixel(190, 100), c.gap);
}

INSTANTIATE_TEST_SUITE_P(
    Options, OptionsPreview,
    ::testing::Values(PreviewCase{"ColourWhilePatternOff", false, true, qRgb(90, 20, 160), qRgb(90, 20, 160)},
                      PreviewCase{"PatternTiled", true, true, qRgb(10, 200, 30), qRgb(10, 200, 30)},
                      PreviewCase{"PatternCentred", true, false, qRgb(90, 20, 160), qRgb(10, 200, 30)}),
    [](const ::testing::TestParamInfo<PreviewCase> &i) { return std::string(i.param.name); });

TEST_F(OptionsTest, BackgroundColourChosenShowsInSwatchAndMargins)
{
    Settings([](TSettings &s) { s.backgroundColor = 0; });
    SetDialogRunner([](QDialog &d) {
        static_cast<VlColorPick &>(d).color = Color(RGBColor(200, 100, 50));
        return 1;
    });
    TboxOpts &d = Open();
    QTest::mouseClick(&d.backgroundButton, Qt::LeftButton);
    EXPECT_EQ(d.backgroundSwatch.color, Color(RGBColor(200, 100, 50)));
    EXPECT_EQ(d.grab().toImage().pixel(2, 2), qRgb(200, 100, 50));
    EXPECT_EQ(d.modified, 1);
    Enter();
    EXPECT_EQ(settings->backgroundColor, Color(RGBColor(200, 100, 50)));
}

// ---- Sets ------------------------------------------------------------------------------------

// The set buttons and lists as the player uses them: what an operation
// changed shows at once, and Save stores the working copies.
TEST_F(OptionsTest, SetButtonsShowWhatChangedAndSaveStoresIt)
{
    const QString red = Picture("red.bmp", Filled(6, 4, Qt::red));
    const QString blue = Picture("blue.bmp", Filled(5, 5, Qt::blue));
    Settings([&](TSettings &s) {
        s.imageSetNames = {"Old"};
        s.imageSetFiles = {red, red, red, red, red, red};
        s.imageSet = 1;
        for (QString &f : s.faceImageFile)
            f = red;
    });
    TboxOpts &d = Open();

    // A colour set named as typed; the list shows it, the field empties.
    QTest::keyClicks(&d.colorSetName, "A&B");
    QTest::mouseClick(&d.addColorSetButton, Qt::LeftButton);
    ASSERT_EQ(d.colorSetDrop.GetCount(), 2);
    EXPECT_EQ(d.colorSetDrop.GetText(1), "A&B");
    EXPECT_EQ(d.colorSetDrop.GetIndex(), 1);
    EXPECT_TRUE(d.colorSetName.text().isEmpty());
    EXPECT_EQ(d.modified, 1);

    // A face colour goes to its swatch and the new set.
    SetDialogRunner([](QDialog &d) {
        static_cast<VlColorPick &>(d).color = Color(RGBColor(1, 2, 3));
        return 1;
    });
    QTest::mouseClick(&d.faceColorButton[3], Qt::LeftButton);
    EXPECT_EQ(d.faceSwatch[3].color, Color(RGBColor(1, 2, 3)));

    // The first set again: its colours on the swatches.
    d.colorSetDrop.SetIndex(0);
    emit d.colorSetDrop.activated(0);
    EXPECT_EQ(d.faceSwatch[3].color, TSettings::DefaultFaceColors[3]);
    EXPECT_EQ(d.faceSwatch[4].color, TSettings::DefaultFaceColors[4]);

    // A picture for face 2 through the open-image dialog.
    TFakeFileDlg fake;
    fake.scripts.push_back([&](TFakeFileDlg &f) { f.Choose({blue}); });
    QTest::mouseClick(&d.faceImageButton[2], Qt::LeftButton);
    ASSERT_EQ(fake.shown.size(), 1u);
    EXPECT_EQ(fake.shown[0].title, "Select Image File");
    EXPECT_EQ(fake.shown[0].folder, QFileInfo(red).path() + "/");
    ASSERT_NE(d.faceImageBox[2].image, nullptr);
    EXPECT_EQ(d.faceImageBox[2].image, d.sets.faceImage[2]);
    EXPECT_EQ(d.faceImageBox[2].image->width, 5);

    // An image set with an empty name asks for one and takes the focus.
    QTest::mouseClick(&d.addImageSetButton, Qt::LeftButton);
    EXPECT_EQ(prompts.value(0), "Please enter a Name for the new Image Set");
    EXPECT_EQ(d.focusWidget(), &d.imageSetName);

    Enter();
    EXPECT_EQ(Code(), 1);
    const TSettings &s = *settings;
    EXPECT_EQ(s.colorSetNames, (QVector<QString>{"Primary Colors", "A&B"}));
    EXPECT_EQ(s.colorSet, 1);
    EXPECT_EQ(s.colorSetColors.value(6 + 3), int(RGBColor(1, 2, 3)));
    EXPECT_EQ(s.imageSetFiles.value(2), blue);
    EXPECT_EQ(s.faceImageFile[2], blue);
    ASSERT_NE(s.faceImage[2], nullptr);
    EXPECT_EQ(s.faceImage[2]->width, 5);
}

TEST_F(OptionsTest, RemovingTheLastImageSetEmptiesItsListAndBoxes)
{
    const QString red = Picture("red.bmp", Filled(6, 4, Qt::red));
    Settings([&](TSettings &s) {
        s.imageSetNames = {"<b>x</b>"};
        s.imageSetFiles = {red, red, red, red, red, red};
        s.imageSet = 1;
    });
    TboxOpts &d = Open();
    d.SelectImageSet();   // loads the pictures of the set
    ASSERT_NE(d.faceImageBox[0].image, nullptr);
    QTest::mouseClick(&d.removeImageSetButton, Qt::LeftButton);
    EXPECT_EQ(prompts, QStringList{"Delete the <b>x</b> Image Set?"});
    EXPECT_EQ(d.imageSetDrop.GetCount(), 0);
    EXPECT_EQ(d.imageSetDrop.GetIndex(), -1);
    for (const VlImgBox &box : d.faceImageBox)
        EXPECT_EQ(box.image, nullptr);
    QTest::mouseClick(&d.saveButton, Qt::LeftButton);
    EXPECT_EQ(prompts.value(1), NoImageSet);
}

// ---- Nothing runs while the dialog is built ---------------------------------------------------

TEST_F(OptionsTest, BuildingRunsNoActionAndChangesNothing)
{
    const QString red = Picture("red.bmp", Filled(6, 4, Qt::red));
    Settings([&](TSettings &s) {
        s.useBoxColors = s.useBoxImages = s.spanImages = s.tileImages = s.rotateImages = true;
        s.borderImages = false;
        s.usePattern = true;
        s.sideRatio = 0.6f;
        s.topRatio = 0.37f;
        s.patternFile = red;
        s.colorSetNames = {"One", "Two"};
        s.colorSetColors = QVector<int>(12, 0x123456);
        s.colorSet = 2;
        s.imageSetNames = {"Pics"};
        s.imageSetFiles = QVector<QString>(6, red);
        s.imageSet = 1;
        s.faceColor[0] = 0x0000FF;   // not set 2's: the build does not select the set again
    });
    SetInterfaceScale(nullptr, 'W', 'l', false);
    TboxOpts &d = Open();
    EXPECT_EQ(d.modified, 0);
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(d.faceSwatch[0].color, 0x0000FF);
    EXPECT_EQ(d.colorSetDrop.GetIndex(), 1);
    EXPECT_EQ(d.sideSlider.Get(), 50);
    EXPECT_EQ(d.sideValue.GetText(), "60%");
    EXPECT_EQ(d.topValue.GetText(), "37%");
    EXPECT_TRUE(d.spanImagesOpt.Get());
    EXPECT_FALSE(d.borderImagesOpt.Get());
    EXPECT_EQ(d.scaleDrop.GetIndex(), 1);

    // The dialog's own updates run no action either: a rescale and a list
    // filled again fire nothing but the one the player picked.
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (VlOpt *o : {&d.useBoxColorsOpt, &d.useBoxImagesOpt, &d.spanImagesOpt, &d.tileImagesOpt, &d.rotateImagesOpt,
                     &d.borderImagesOpt, &d.usePatternOpt, &d.tilePatternOpt})
        spies.push_back(std::make_unique<QSignalSpy>(o, &VlOpt::action));
    for (VlSlider *s : {&d.sideSlider, &d.topSlider})
        spies.push_back(std::make_unique<QSignalSpy>(s, &VlSlider::action));
    for (VlDrop *l : {&d.colorSetDrop, &d.imageSetDrop})
        spies.push_back(std::make_unique<QSignalSpy>(l, &VlDrop::action));
    QSignalSpy scaleSpy(&d.scaleDrop, &VlDrop::action);
    PickScale(d, 0);
    d.colorSetName.setText("Three");
    QTest::mouseClick(&d.addColorSetButton, Qt::LeftButton);
    EXPECT_EQ(d.sets.colorSet, 3) << "the new set stays selected";
    for (const auto &spy : spies)
        EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(scaleSpy.count(), 1);
    QTest::mouseClick(&d.cancelButton, Qt::LeftButton);
    dialog.reset();
    EXPECT_EQ(Stored(*settings), before);
    EXPECT_EQ(VlScale, 'l');
}

} // namespace

// ---- Openers in the window ----------------------------------------------------------------------

namespace {

// Runs the options dialog in place of its modal loop: records it, then
// plays the script and returns its code.
struct OptionsRun {
    int runs = 0;
    bool inputDuring = true;
    QPoint placed;
    Qt::WindowFlags flags;
    std::function<int(TboxOpts &)> script = [](TboxOpts &) { return 2; };

    OptionsRun(TSettings *&settings)
    {
        SetDialogRunner([this, &settings](QDialog &d) {
            auto *o = qobject_cast<TboxOpts *>(&d);
            if (!o)
                return 2;
            ++runs;
            inputDuring = settings->inputEnabled;
            placed = d.pos();
            flags = d.windowFlags();
            return script(*o);
        });
    }
    ~OptionsRun() { SetDialogRunner(nullptr); }
};

} // namespace

TEST_F(WindowTest, OptionsOpenFromTheMenuTheKeyAndThePanel)
{
    TboxScr &w = Open();
    OptionsRun run(w.settings);
    const QList<QAction *> game = w.menuBar.actions()[0]->menu()->actions();
    QAction *entry = nullptr;
    for (QAction *a : game)
        if (a->text() == "Options...  [O]")
            entry = a;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(run.runs, 1);
    EXPECT_FALSE(run.inputDuring);
    EXPECT_TRUE(run.flags.testFlag(Qt::Tool));
    // Over the board: centred across it, and down by the rule.
    const QPoint origin = w.View()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(run.placed, origin + TboxOpts::PlaceOverBuffer(w.settings->bufferWidth, w.settings->bufferHeight, 552, 440));

    QTest::keyClick(w.View(), Qt::Key_O);
    EXPECT_EQ(run.runs, 2);
    EXPECT_TRUE(w.panel.optionsButton.isEnabled());
    QTest::mouseClick(&w.panel.optionsButton, Qt::LeftButton);
    EXPECT_EQ(run.runs, 3);
    EXPECT_TRUE(w.settings->inputEnabled);
    EXPECT_EQ(QApplication::focusWidget(), w.View());
}

TEST_F(WindowTest, OptionsCancelledLeaveTheBoardAlone)
{
    TboxScr &w = OpenGame(2, 3);
    w.flow.game->selectedId = w.flow.game->box[0][0][0].id;
    OptionsRun run(w.settings);
    run.script = [](TboxOpts &d) {
        PickScale(d, 1);
        QTest::mouseClick(&d.tileImagesOpt, Qt::LeftButton);
        QTest::mouseClick(&d.cancelButton, Qt::LeftButton);
        return d.result();
    };
    bool rendered = false;
    QObject::connect(&w.flow, &TGameFlow::laidOut, [&] { rendered = true; });
    w.View()->reRender = false;
    QTest::keyClick(w.View(), Qt::Key_O);
    EXPECT_EQ(run.runs, 1);
    EXPECT_FALSE(rendered);
    EXPECT_FALSE(w.View()->reRender);
    EXPECT_NE(w.flow.game->selectedId, 0);
    EXPECT_EQ(VlScale, 'n');
    EXPECT_FALSE(w.settings->tileImages);
}

TEST_F(WindowTest, OptionsSavedWithANewScaleApplyTheInterfaceAndRenderAgain)
{
    TboxScr &w = OpenGame(2, 3);
    TGame *game = w.flow.game;
    game->selectedId = game->box[0][0][0].id;
    game->infoId = game->box[0][0][0].id;
    const int panelWidth = w.panel.width;
    OptionsRun run(w.settings);
    run.script = [](TboxOpts &d) {
        PickScale(d, 1);
        QTest::mouseClick(&d.saveButton, Qt::LeftButton);
        return d.result();
    };
    bool laidOut = false;
    QObject::connect(&w.flow, &TGameFlow::laidOut, [&] { laidOut = true; });
    QTest::keyClick(w.View(), Qt::Key_O);
    EXPECT_EQ(run.runs, 1);
    EXPECT_EQ(VlScale, 'l');
    EXPECT_EQ(w.settings->interfaceBlock.scale, 'l');
    EXPECT_GT(w.panel.width, panelWidth) << "the panel takes the new scale";
    EXPECT_EQ(game->selectedId, 0);
    EXPECT_EQ(game->infoId, 0);
    EXPECT_TRUE(laidOut);
    EXPECT_TRUE(w.settings->inputEnabled);
}
