// The colour sets and image sets of the options dialog, without the dialog:
// choosing colours and pictures for the faces and the background, adding,
// removing and selecting sets, their messages, and the copies to and from
// the settings record.
#include "DialogRun.h"
#include "FaceSets.h"
#include "Prompts.h"
#include "SetDialogs.h"
#include "TDib.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "BoxPainter.h"
#include "imgutil/FakeFileDlg.h"
#include "VlColorPick.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>

using VlmImgUt::TDib;

namespace {

// Records what the operations open and answers as told.
class FakeChooser : public TSetChooser {
public:
    QStringList messages;   // Message and Confirm texts in order
    bool confirm = true;
    int colorCalls = 0;
    Color colorStart = 0;
    bool colorChosen = true;
    std::function<Color(Color)> pick = [](Color) { return Color(RGBColor(9, 8, 7)); };
    int imageCalls = 0;
    QString imageStart, imageTitle, imageFolder;
    bool imageChosen = true;
    QString imageFile;

    bool ChooseColor(Color start, Color &chosen) override
    {
        ++colorCalls;
        colorStart = start;
        if (colorChosen)
            chosen = pick(start);
        return colorChosen;
    }
    bool ChooseImageFile(QString &path, const QString &title, const QString &folder) override
    {
        ++imageCalls;
        imageStart = path;
        imageTitle = title;
        imageFolder = folder;
        if (imageChosen)
            path = imageFile;
        return imageChosen;
    }
    void Message(const QString &text) override { messages << text; }
    bool Confirm(const QString &text) override
    {
        messages << text;
        return confirm;
    }
};

using Six = std::array<int, 6>;

// Every working value as text, pictures by their size.
QString State(const TFaceSets &s)
{
    auto pic = [](const TDib *d) { return d ? QStringLiteral("%1x%2").arg(d->width).arg(d->height) : QString("-"); };
    QStringList out;
    out << QString::number(s.backgroundColor) << s.patternFile << pic(s.patternPreview);
    for (int i = 0; i < 6; ++i)
        out << QString::number(s.faceColor[i]) << s.faceImageFile[i] << pic(s.faceImage[i]);
    out << QString::number(s.colorSet) << QStringList(s.colorSetNames.begin(), s.colorSetNames.end()).join('|');
    for (int c : s.colorSetColors)
        out << QString::number(c);
    out << QString::number(s.imageSet) << QStringList(s.imageSetNames.begin(), s.imageSetNames.end()).join('|');
    out << QStringList(s.imageSetFiles.begin(), s.imageSetFiles.end()).join('|');
    return out.join(',');
}

class SetsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        ctx = std::make_unique<VlmImgUt::TImgUt>("Vellamor\\quibo", TRegStore::InFolder(tmp.path() + "/reg"));
        sets = std::make_unique<TFaceSets>(ctx.get());
        red = Picture("pics/red.bmp", 8, 6, Qt::red);
        blue = Picture("pics/blue.bmp", 5, 5, Qt::blue);
        green = Picture("other/green.bmp", 3, 4, Qt::green);
        // A bitmap cut inside its header: the reader fails on it.
        QFile whole(red);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        broken = Write("pics/broken.bmp", whole.read(20));
    }

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = tmp.path() + "/" + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString Picture(const QString &name, int w, int h, Qt::GlobalColor c)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        const QString path = tmp.path() + "/" + name;
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    }

    void AddColorSet(const QString &name, const Six &colors)
    {
        sets->colorSetNames.append(name);
        for (int c : colors)
            sets->colorSetColors.append(c);
    }
    void AddImageSet(const QString &name, const std::array<QString, 6> &files)
    {
        sets->imageSetNames.append(name);
        for (const QString &f : files)
            sets->imageSetFiles.append(f);
    }
    Six Faces() const
    {
        Six out;
        for (int i = 0; i < 6; ++i)
            out[size_t(i)] = sets->faceColor[i];
        return out;
    }
    Six SetColors(int k) const
    {
        Six out;
        for (int i = 0; i < 6; ++i)
            out[size_t(i)] = sets->colorSetColors.value(6 * (k - 1) + i, -2);
        return out;
    }
    QSize PictureSize(int face) const
    {
        const TDib *d = sets->faceImage[face];
        return d ? QSize(d->width, d->height) : QSize();
    }

    QTemporaryDir tmp;
    std::unique_ptr<VlmImgUt::TImgUt> ctx;
    std::unique_ptr<TFaceSets> sets;
    FakeChooser chooser;
    QString red, blue, green, broken;
};

const Six SetA = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};
const Six SetB = {0x111111, 0x121212, 0x131313, 0x141414, 0x151515, 0x161616};
const Six SetC = {0x212121, 0x222222, 0x232323, 0x242424, 0x252525, 0x262626};
const Six Primary = {0x800000, 0x000080, 0x800080, 0x008000, 0x00FFFF, 0x1166EE};

} // namespace

// ---- Messages ----------------------------------------------------------------------

struct MessageCase {
    const char *name;
    std::function<void(SetsTest &)> arrange;   // state before; null: none
    std::function<TSetsChange(TFaceSets &, FakeChooser &)> act;
    const char *message;
    bool focusName;
};

// ctest names the cases by these.
void PrintTo(const MessageCase &c, std::ostream *os)
{
    *os << c.name;
}

class SetsMessage : public SetsTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(SetsMessage, ShownAsWrittenAndNothingChanges)
{
    const MessageCase &c = GetParam();
    if (c.arrange)
        c.arrange(*this);
    chooser.confirm = false;
    const QString before = State(*sets);
    const TSetsChange change = c.act(*sets, chooser);
    EXPECT_EQ(chooser.messages, QStringList{QString::fromUtf8(c.message)});
    EXPECT_EQ(State(*sets), before);
    EXPECT_FALSE(change.modified);
    EXPECT_EQ(change.focusColorSetName || change.focusImageSetName, c.focusName);
    EXPECT_EQ(chooser.colorCalls + chooser.imageCalls, 0) << "no picker or file dialog opened";
}

INSTANTIATE_TEST_SUITE_P(
    Sets, SetsMessage,
    ::testing::Values(
        MessageCase{"FaceColourWithoutSet", nullptr,
                    [](TFaceSets &s, FakeChooser &c) { return s.PickColor(3, c); },
                    "Please Select or Add a Color Set!", false},
        MessageCase{"FaceColourWithSetOutOfRange",
                    [](SetsTest &t) {
                        t.AddColorSet("A", SetA);
                        t.sets->colorSet = 2;
                    },
                    [](TFaceSets &s, FakeChooser &c) { return s.PickColor(0, c); },
                    "Please Select or Add a Color Set!", false},
        MessageCase{"RemoveColourSetWithoutSet", nullptr,
                    [](TFaceSets &s, FakeChooser &c) { return s.RemoveColorSet(c); },
                    "Please Select or Add a Color Set!", false},
        MessageCase{"ColourSetWithoutName", nullptr,
                    [](TFaceSets &s, FakeChooser &c) { return s.AddColorSet(QString(), c); },
                    "Please enter a Name for the new Color Set", true},
        MessageCase{"ColourSetNameTaken",
                    [](SetsTest &t) { t.AddColorSet("Warm", SetA); },
                    [](TFaceSets &s, FakeChooser &c) { return s.AddColorSet("Warm", c); },
                    "That Color Set Name already exists!", false},
        MessageCase{"RemoveColourSetCancelled",
                    [](SetsTest &t) {
                        t.AddColorSet("A&B", SetA);
                        t.sets->colorSet = 1;
                    },
                    [](TFaceSets &s, FakeChooser &c) { return s.RemoveColorSet(c); },
                    "Delete the A&B Color Set?", false},
        MessageCase{"FacePictureWithoutSet", nullptr,
                    [](TFaceSets &s, FakeChooser &c) { return s.PickImage(5, c); },
                    "Please Select or Add an Image Set!", false},
        MessageCase{"RemoveImageSetWithoutSet",
                    [](SetsTest &t) {
                        t.AddImageSet("P", {});
                        t.sets->imageSet = 0;
                    },
                    [](TFaceSets &s, FakeChooser &c) { return s.RemoveImageSet(c); },
                    "Please Select or Add an Image Set!", false},
        MessageCase{"ImageSetWithoutName", nullptr,
                    [](TFaceSets &s, FakeChooser &c) { return s.AddImageSet(QString(), c); },
                    "Please enter a Name for the new Image Set", true},
        MessageCase{"ImageSetNameTaken",
                    [](SetsTest &t) { t.AddImageSet("Photos", {}); },
                    [](TFaceSets &s, FakeChooser &c) { return s.AddImageSet("Photos", c); },
                    "That Image Set Name already exists!", false},
        MessageCase{"RemoveImageSetCancelled",
                    [](SetsTest &t) {
                        t.AddImageSet("<b>x</b>", {});
                        t.sets->imageSet = 1;
                    },
                    [](TFaceSets &s, FakeChooser &c) { return s.RemoveImageSet(c); },
                    "Delete the <b>x</b> Image Set?", false}),
    [](const ::testing::TestParamInfo<MessageCase> &i) { return std::string(i.param.name); });

TEST(SetsPrompt, BoxShowsTheTextAsPlainText)
{
    for (const QString &text : {QStringLiteral("Delete the <b>x</b> Color Set?"), QStringLiteral("Delete the A&B Image Set?")}) {
        std::unique_ptr<QMessageBox> box(MakePromptBox(nullptr, text, true));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), text);
    }
    std::unique_ptr<QMessageBox> ok(MakePromptBox(nullptr, "x", false));
    EXPECT_EQ(ok->standardButtons(), QMessageBox::Ok);
}

TEST(SetsPrompt, DialogChooserAsksThroughThePlainBoxes)
{
    QStringList asked;
    SetPromptAnswerer([&](const QString &t) {
        asked << t;
        return false;
    });
    TSetDialogs dialogs(nullptr, nullptr);
    dialogs.Message("A&B");
    EXPECT_FALSE(dialogs.Confirm("<b>x</b>"));
    SetPromptAnswerer(nullptr);
    EXPECT_EQ(asked, (QStringList{"A&B", "<b>x</b>"}));
}

TEST(SetsPrompt, DialogChooserRunsThePickerWithTheStartColour)
{
    Color seen = 0;
    SetDialogRunner([&](QDialog &d) {
        auto &p = static_cast<VlColorPick &>(d);
        seen = p.color;
        p.color = Color(RGBColor(1, 2, 3));
        return p.redEdit.text() == "40" ? 1 : 2;
    });
    TSetDialogs dialogs(nullptr, nullptr);
    Color chosen = ColorNull;
    EXPECT_TRUE(dialogs.ChooseColor(Color(RGBColor(40, 50, 60)), chosen));
    EXPECT_EQ(seen, Color(RGBColor(40, 50, 60)));
    EXPECT_EQ(chosen, Color(RGBColor(1, 2, 3)));
    chosen = 77;
    EXPECT_FALSE(dialogs.ChooseColor(Color(RGBColor(41, 50, 60)), chosen)) << "Cancel";
    EXPECT_EQ(chosen, 77);
    SetDialogRunner(nullptr);
}

TEST(SetsPrompt, DialogChooserOpensTheOpenImageDialog)
{
    QTemporaryDir tmp;
    VlmImgUt::TImgUt ctx("Vellamor\\quibo", TRegStore::InFolder(tmp.path()));
    ctx.optsDirty = false;
    TFakeFileDlg fake;
    fake.scripts.push_back([](TFakeFileDlg &f) { f.Choose({"/pics/face.bmp"}); });
    TSetDialogs dialogs(nullptr, &ctx);
    QString path = "/old/start.bmp";
    EXPECT_TRUE(dialogs.ChooseImageFile(path, "Select Image File", "/pics"));
    EXPECT_EQ(path, QString("/pics/face.bmp"));
    ASSERT_EQ(fake.shown.size(), 1u);
    const TFakeFileDlg::Shown &s = fake.shown[0];
    EXPECT_EQ(s.flags, 0xA90164u); // single selection, with the preview panel
    EXPECT_EQ(s.templateName, QString("OPIMGBOX"));
    EXPECT_EQ(s.title, QString("Select Image File"));
    EXPECT_EQ(s.folder, QString("/pics"));
    EXPECT_EQ(s.fileName, QString("/old/start.bmp"));
    EXPECT_TRUE(s.qt.nameFilter.startsWith(ctx.imageFilterName + " ("));
    // Cancelled: the path stays; without a context no dialog opens.
    EXPECT_FALSE(dialogs.ChooseImageFile(path, "Select Image File", "/pics"));
    EXPECT_EQ(path, QString("/pics/face.bmp"));
    TSetDialogs none(nullptr, nullptr);
    EXPECT_FALSE(none.ChooseImageFile(path, "Select Image File", "/pics"));
    EXPECT_EQ(fake.shown.size(), 2u);
}

// ---- Choosing colours -------------------------------------------------------------

TEST_F(SetsTest, OnlyFacesAndTheBackgroundAreTargets)
{
    AddColorSet("A", SetA);
    sets->colorSet = 1;
    const QString before = State(*sets);
    for (int target : {-1, 6, 10, 12, 100}) {
        const TSetsChange c = sets->PickColor(target, chooser);
        const TSetsChange i = sets->PickImage(target, chooser);
        EXPECT_FALSE(c.modified || i.modified) << target;
    }
    EXPECT_EQ(chooser.colorCalls + chooser.imageCalls, 0);
    EXPECT_TRUE(chooser.messages.isEmpty());
    EXPECT_EQ(State(*sets), before);
}

TEST_F(SetsTest, BackgroundColourNeedsNoSetAndTouchesNone)
{
    sets->backgroundColor = 0x242424;
    const TSetsChange c = sets->PickColor(TFaceSets::Background, chooser);
    EXPECT_EQ(chooser.colorStart, 0x242424);
    EXPECT_EQ(sets->backgroundColor, Color(RGBColor(9, 8, 7)));
    EXPECT_TRUE(c.modified && c.background && c.PreviewDirty());
    EXPECT_EQ(c.faceColors, 0);
    EXPECT_TRUE(sets->colorSetColors.isEmpty());
}

TEST_F(SetsTest, FaceColourGoesToTheFaceAndTheSelectedSet)
{
    AddColorSet("A", SetA);
    AddColorSet("B", SetB);
    sets->colorSet = 2;
    for (int i = 0; i < 6; ++i)
        sets->faceColor[i] = SetB[size_t(i)];
    const TSetsChange c = sets->PickColor(3, chooser);
    EXPECT_EQ(chooser.colorStart, SetB[3]);
    EXPECT_EQ(sets->faceColor[3], Color(RGBColor(9, 8, 7)));
    EXPECT_EQ(sets->colorSetColors[9], Color(RGBColor(9, 8, 7)));
    EXPECT_EQ(SetColors(1), SetA);
    EXPECT_EQ(c.faceColors, 1 << 3);
    EXPECT_TRUE(c.modified);
    EXPECT_FALSE(c.background);
}

TEST_F(SetsTest, PickerCancelledChangesNothing)
{
    AddColorSet("A", SetA);
    sets->colorSet = 1;
    chooser.colorChosen = false;
    const QString before = State(*sets);
    for (int target : {0, 5, TFaceSets::Background})
        EXPECT_FALSE(sets->PickColor(target, chooser).modified);
    EXPECT_EQ(chooser.colorCalls, 3);
    EXPECT_EQ(State(*sets), before);
}

TEST_F(SetsTest, NullStartChosenUnchangedIsZeroInFaceAndSet)
{
    AddColorSet("A", SetA);
    sets->colorSet = 1;
    sets->faceColor[2] = ColorNull;
    chooser.pick = [](Color start) { return start; };
    const TSetsChange c = sets->PickColor(2, chooser);
    EXPECT_EQ(chooser.colorStart, ColorNull);
    EXPECT_EQ(sets->faceColor[2], 0);
    EXPECT_EQ(sets->colorSetColors[2], 0);
    EXPECT_TRUE(c.modified);
}

// ---- Colour sets ---------------------------------------------------------------------

TEST_F(SetsTest, AddedColourSetGoesLastAndIsSelected)
{
    AddColorSet("Warm", SetA);
    sets->colorSet = 1;
    for (int i = 0; i < 6; ++i)
        sets->faceColor[i] = SetC[size_t(i)];
    sets->faceColor[4] = ColorNull;
    const TSetsChange c = sets->AddColorSet("warm", chooser);   // case differs: a new name
    EXPECT_TRUE(chooser.messages.isEmpty());
    EXPECT_EQ(sets->colorSetNames, (QVector<QString>{"Warm", "warm"}));
    EXPECT_EQ(sets->colorSet, 2);
    Six expected = SetC;
    expected[4] = 0;
    EXPECT_EQ(SetColors(2), expected);
    EXPECT_TRUE(c.modified && c.colorSetList && c.clearColorSetName);
    EXPECT_FALSE(c.focusColorSetName);

    // Names are taken as they are: blanks and markup included.
    EXPECT_TRUE(sets->AddColorSet(" warm ", chooser).modified);
    EXPECT_TRUE(sets->AddColorSet("<b>x</b>", chooser).modified);
    EXPECT_EQ(sets->colorSet, 4);
}

TEST_F(SetsTest, RemovingTheMiddleColourSetMovesTheLaterOneUp)
{
    AddColorSet("A", SetA);
    AddColorSet("B", SetB);
    AddColorSet("C", SetC);
    sets->colorSet = 2;
    const TSetsChange c = sets->RemoveColorSet(chooser);
    EXPECT_EQ(chooser.messages, QStringList{"Delete the B Color Set?"});
    EXPECT_EQ(sets->colorSetNames, (QVector<QString>{"A", "C"}));
    EXPECT_EQ(sets->colorSetColors.size(), 12);
    EXPECT_EQ(SetColors(2), SetC);
    EXPECT_EQ(sets->colorSet, 1);
    EXPECT_EQ(Faces(), SetA);
    EXPECT_EQ(c.faceColors, 0x3F);
    EXPECT_TRUE(c.modified && c.colorSetList);

    // The list's positions are the keys: key 1 is now C.
    sets->SelectColorSet(1);
    EXPECT_EQ(sets->colorSet, 2);
    EXPECT_EQ(Faces(), SetC);
}

TEST_F(SetsTest, RemovingTheLastColourSetMakesPrimaryColors)
{
    AddColorSet("Mine", SetA);
    sets->colorSet = 1;
    const TSetsChange c = sets->RemoveColorSet(chooser);
    EXPECT_EQ(sets->colorSetNames, QVector<QString>{"Primary Colors"});
    EXPECT_EQ(sets->colorSet, 1);
    EXPECT_EQ(SetColors(1), Primary);
    EXPECT_EQ(sets->colorSetColors.size(), 6);
    EXPECT_EQ(Faces(), Primary);
    EXPECT_EQ(c.faceColors, 0x3F);
    EXPECT_TRUE(c.modified && c.colorSetList);

    // And again: it comes back whatever it is called.
    EXPECT_TRUE(sets->RemoveColorSet(chooser).modified);
    EXPECT_EQ(sets->colorSetNames, QVector<QString>{"Primary Colors"});
    EXPECT_EQ(chooser.messages.last(), "Delete the Primary Colors Color Set?");
}

TEST_F(SetsTest, SelectingAColourSetLoadsItsColours)
{
    AddColorSet("A", SetA);
    AddColorSet("B", SetB);
    sets->colorSet = 1;
    for (int key : {-1, 2, 7}) {
        const QString before = State(*sets);
        EXPECT_FALSE(sets->SelectColorSet(key).modified) << key;
        EXPECT_EQ(State(*sets), before) << key;
    }
    const TSetsChange c = sets->SelectColorSet(1);
    EXPECT_EQ(sets->colorSet, 2);
    EXPECT_EQ(Faces(), SetB);
    EXPECT_EQ(c.faceColors, 0x3F);
    EXPECT_TRUE(c.modified);
    EXPECT_FALSE(c.colorSetList) << "the drop list already shows it";

    // A short list (a damaged file) loads what is there.
    sets->colorSetColors.resize(9);
    sets->SelectColorSet(1);
    EXPECT_EQ(sets->SelectColorSet(1).faceColors, 0x07);
}

// ---- Pictures ----------------------------------------------------------------------------

TEST_F(SetsTest, FacePictureGoesToTheFaceAndTheSelectedSet)
{
    AddImageSet("P", {red, red, red, red, red, red});
    AddImageSet("Q", {blue, blue, blue, blue, blue, blue});
    sets->imageSet = 2;
    sets->faceImageFile[4] = blue;
    chooser.imageFile = green;
    const TSetsChange c = sets->PickImage(4, chooser);
    EXPECT_EQ(chooser.imageTitle, "Select Image File");
    EXPECT_EQ(chooser.imageStart, blue);
    EXPECT_EQ(chooser.imageFolder, tmp.path() + "/pics/");
    EXPECT_EQ(sets->faceImageFile[4], green);
    EXPECT_EQ(PictureSize(4), QSize(3, 4));
    EXPECT_EQ(sets->imageSetFiles[10], green);
    EXPECT_EQ(sets->imageSetFiles[4], red) << "set 1 untouched";
    EXPECT_EQ(c.faceImages, 1 << 4);
    EXPECT_TRUE(c.modified);
    EXPECT_FALSE(c.PreviewDirty());
}

TEST_F(SetsTest, PatternOpensInItsFolderAndNeedsNoSet)
{
    // No pattern yet: no folder.
    chooser.imageFile = blue;
    TSetsChange c = sets->PickImage(TFaceSets::Background, chooser);
    EXPECT_EQ(chooser.imageFolder, QString());
    EXPECT_EQ(chooser.imageTitle, "Select Image File");
    EXPECT_EQ(sets->patternFile, blue);
    ASSERT_NE(sets->patternPreview, nullptr);
    EXPECT_EQ(sets->patternPreview->width, 5);
    EXPECT_TRUE(c.modified && c.pattern && c.PreviewDirty());
    EXPECT_TRUE(sets->imageSetFiles.isEmpty());

    chooser.imageFile = green;
    sets->PickImage(TFaceSets::Background, chooser);
    EXPECT_EQ(chooser.imageFolder, tmp.path() + "/pics/");
    EXPECT_EQ(chooser.imageStart, blue);
    EXPECT_EQ(sets->patternPreview->height, 4);

    chooser.imageChosen = false;
    const QString before = State(*sets);
    EXPECT_FALSE(sets->PickImage(TFaceSets::Background, chooser).modified);
    EXPECT_EQ(State(*sets), before);
}

TEST_F(SetsTest, PictureThatCannotBeReadLeavesNoPicture)
{
    AddImageSet("P", {red, red, red, red, red, red});
    sets->imageSet = 1;
    sets->SelectImageSet(0);
    ASSERT_EQ(PictureSize(1), QSize(8, 6));
    chooser.imageFile = broken;
    sets->PickImage(1, chooser);
    EXPECT_EQ(sets->faceImage[1], nullptr);
    EXPECT_EQ(sets->faceImageFile[1], broken);
    EXPECT_EQ(sets->imageSetFiles[1], broken);
    sets->PickImage(TFaceSets::Background, chooser);
    EXPECT_EQ(sets->patternPreview, nullptr);
    EXPECT_EQ(sets->patternFile, broken);
    // A missing file likewise.
    chooser.imageFile = tmp.path() + "/pics/none.bmp";
    sets->PickImage(2, chooser);
    EXPECT_EQ(sets->faceImage[2], nullptr);
}

TEST_F(SetsTest, ImageSetKeepsEmptyFacesAndSelectingItClearsThem)
{
    AddImageSet("Full", {red, blue, red, blue, red, blue});
    sets->imageSet = 1;
    sets->SelectImageSet(0);
    sets->faceImageFile[2].clear();
    sets->faceImageFile[5].clear();
    const TSetsChange c = sets->AddImageSet("Gaps", chooser);
    EXPECT_EQ(sets->imageSet, 2);
    EXPECT_EQ(sets->imageSetFiles.mid(6), (QVector<QString>{red, blue, "", blue, red, ""}));
    EXPECT_TRUE(c.modified && c.imageSetList && c.clearImageSetName);

    sets->SelectImageSet(0);
    EXPECT_EQ(PictureSize(5), QSize(5, 5));
    const TSetsChange s = sets->SelectImageSet(1);
    EXPECT_EQ(s.faceImages, 0x3F);
    EXPECT_EQ(sets->faceImage[2], nullptr);
    EXPECT_EQ(sets->faceImage[5], nullptr);
    EXPECT_EQ(PictureSize(1), QSize(5, 5));
    EXPECT_EQ(PictureSize(0), QSize(8, 6));
}

TEST_F(SetsTest, RemovingAnImageSetLoadsTheFirstOneLeft)
{
    AddImageSet("P", {red, red, blue, blue, green, green});
    AddImageSet("Q", {blue, blue, blue, blue, blue, blue});
    sets->imageSet = 2;
    const TSetsChange c = sets->RemoveImageSet(chooser);
    EXPECT_EQ(chooser.messages, QStringList{"Delete the Q Image Set?"});
    EXPECT_EQ(sets->imageSetNames, QVector<QString>{"P"});
    EXPECT_EQ(sets->imageSetFiles.size(), 6);
    EXPECT_EQ(sets->imageSet, 1);
    EXPECT_EQ(sets->faceImageFile[4], green);
    EXPECT_EQ(PictureSize(0), QSize(8, 6));
    EXPECT_EQ(PictureSize(5), QSize(3, 4));
    EXPECT_EQ(c.faceImages, 0x3F);
    EXPECT_TRUE(c.modified && c.imageSetList);
}

TEST_F(SetsTest, RemovingTheLastImageSetClearsTheFaces)
{
    AddImageSet("P", {red, red, red, red, red, red});
    sets->imageSet = 1;
    sets->SelectImageSet(0);
    const TSetsChange c = sets->RemoveImageSet(chooser);
    EXPECT_TRUE(sets->imageSetNames.isEmpty());
    EXPECT_TRUE(sets->imageSetFiles.isEmpty());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(sets->faceImage[i], nullptr) << i;
        EXPECT_TRUE(sets->faceImageFile[i].isEmpty()) << i;
    }
    EXPECT_EQ(sets->imageSet, 1) << "keeps its number";
    EXPECT_FALSE(sets->ImageSetSelected());
    EXPECT_EQ(c.faceImages, 0x3F);
    EXPECT_TRUE(c.modified && c.imageSetList);
}

// ---- Settings record ---------------------------------------------------------------------

TEST_F(SetsTest, LoadCopiesAndStoreWritesBack)
{
    TSettings s;
    s.backgroundColor = 0x102030;
    s.patternFile = blue;
    s.faceColor[0] = 0x0000FF;
    s.faceImageFile[0] = red;
    s.faceImage[0] = new TDib;
    ASSERT_TRUE(s.faceImage[0]->Create(7, 2));
    s.colorSet = 1;
    s.colorSetNames = {"A"};
    s.colorSetColors = QVector<int>(SetA.begin(), SetA.end());
    s.imageSet = 1;
    s.imageSetNames = {"P"};
    s.imageSetFiles = {red, "", "", "", "", ""};

    sets->Load(s);
    EXPECT_EQ(sets->backgroundColor, 0x102030);
    ASSERT_NE(sets->patternPreview, nullptr) << "a pattern the record has not loaded is read";
    EXPECT_EQ(sets->patternPreview->width, 5);
    ASSERT_NE(sets->faceImage[0], nullptr);
    EXPECT_NE(sets->faceImage[0], s.faceImage[0]) << "a copy";
    EXPECT_EQ(PictureSize(0), QSize(7, 2));
    EXPECT_EQ(sets->faceImage[1], nullptr);
    EXPECT_EQ(sets->colorSetNames, s.colorSetNames);
    EXPECT_EQ(sets->imageSetFiles, s.imageSetFiles);

    // Face 0 loses its file name, face 3 gets a picture, the pattern goes.
    sets->faceImageFile[0].clear();
    chooser.imageFile = green;
    sets->PickImage(3, chooser);
    delete sets->patternPreview;
    sets->patternPreview = nullptr;
    sets->patternFile.clear();
    sets->AddColorSet("B", chooser);
    sets->Store(s);
    EXPECT_EQ(s.faceImage[0], nullptr) << "no file name, no picture";
    ASSERT_NE(s.faceImage[3], nullptr);
    EXPECT_NE(s.faceImage[3], sets->faceImage[3]);
    EXPECT_EQ(s.faceImage[3]->width, 3);
    EXPECT_EQ(s.faceImageFile[3], green);
    EXPECT_EQ(s.imageSetFiles[3], green);
    EXPECT_EQ(s.patternImage, nullptr);
    EXPECT_EQ(s.colorSet, 2);
    EXPECT_EQ(s.colorSetNames, (QVector<QString>{"A", "B"}));
    EXPECT_EQ(s.colorSetColors.size(), 12);
}

// A face picture the board shows from its fitted copy only is read for the
// dialog again; one whose file changed since is not.
TEST_F(SetsTest, LoadReadsAPictureTheBoardNoLongerKeeps)
{
    TSettings s;
    s.faceImageFile[2] = red;
    s.painter->pictures.dropped[2] = red;
    s.faceImageFile[4] = green;
    s.painter->pictures.dropped[4] = blue;
    sets->Load(s);
    ASSERT_NE(sets->faceImage[2], nullptr);
    EXPECT_EQ(PictureSize(2), QSize(8, 6));
    EXPECT_EQ(sets->faceImage[4], nullptr);
}

TEST(SetsPaths, FileDirectory)
{
    const struct {
        const char *path, *folder;
    } cases[] = {
        {"/home/p/pics/a.png", "/home/p/pics/"}, {"C:\\Users\\p\\b.jpg", "C:\\Users\\p\\"},
        {"C:b.bmp", "C:"}, {"/root.bmp", "/"}, {"plain.bmp", ""}, {"", ""}, {"dir/", "dir/"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TFaceSets::FileDirectory(c.path), QString(c.folder)) << c.path;
}
