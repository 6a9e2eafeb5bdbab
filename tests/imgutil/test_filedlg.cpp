// The file dialogs' logic, driven through a fake runner: records handed to
// the dialog, buffer limits, the multiple-selection result, the second save
// attempt, centring, the open-image preview, the save-image panel and the
// folder picker.
#include "FakeFileDlg.h"
#include "FileDlgFixture.h"
#include "FileDialogs.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace VlmImgUt;

namespace {

class FileDlgTest : public FileDlgFixture {
protected:
    void SetUp() override
    {
        FileDlgFixture::SetUp();
        // The defaults are stored once; what a dialog writes shows as a new file.
        ctx->SaveOpts();
        ASSERT_FALSE(ctx->optsDirty);
        ASSERT_TRUE(QFile::remove(IniFile()));
    }

    QString IniFile() const { return tmp.path() + "/reg/user/Vellamor/quibo.ini"; }
    bool OptsWritten() const { return QFile::exists(IniFile()); }
    // The image options as a new context reads them from the store.
    TImgOpts StoredOpts() const
    {
        TImgUt again("Vellamor\\quibo", store);
        again.optsDirty = false;
        return again.imgOpts;
    }

    TFakeFileDlg fake;
};

QString Repeat(char c, int n)
{
    return QString(n, QLatin1Char(c));
}

// ---- records and Qt options of each dialog kind ----

TEST_F(FileDlgTest, EachDialogKindHandsItsFlagsAndQtOptions)
{
    QString path = tmp.path() + "/start.png";
    const QString folder = tmp.path();
    struct Case {
        const char *what;
        std::function<bool(TImgUt *)> run;
        uint32_t flags;
        TDlgMode mode;
        const char *templ;
        bool multi, confirm, panel;
    } cases[] = {
        {"open-image", [&](TImgUt *u) { TOpImgDlg d(nullptr, u); return d.Execute(path, "Select Image File", folder, 'i', false); },
         0xA90164, TDlgMode::Open, "OPIMGBOX", false, false, true},
        {"open-image, multiple", [&](TImgUt *u) { TOpImgDlg d(nullptr, u); return d.Execute(path, "t", folder, 'i', true); },
         0xA90364, TDlgMode::Open, "OPIMGBOX", true, false, true},
        {"open-file", [&](TImgUt *u) { TOpFileDlg d(nullptr, u); return d.Execute(path, "t", folder, "Games (.qgf)", "*.qgf", false); },
         0xA90124, TDlgMode::Open, "", false, false, false},
        {"open-file, multiple", [&](TImgUt *u) { TOpFileDlg d(nullptr, u); return d.Execute(path, "t", folder, "Games (.qgf)", "*.qgf", true); },
         0xA90324, TDlgMode::Open, "", true, false, false},
        {"save-file", [&](TImgUt *u) { TSvFileDlg d(nullptr, u); return d.Execute(path, "t", folder, "Games (.qgf)", "*.qgf", "qgf"); },
         0xA80026, TDlgMode::Save, "", false, true, false},
        {"save-image", [&](TImgUt *u) { TSvImgDlg d(nullptr, u, false); return d.Execute(path, "t", folder, 'i', "jpg", "png"); },
         0xA80066, TDlgMode::Save, "SVIMGBOX", false, true, true},
        {"save-image, script", [&](TImgUt *u) { TSvImgDlg d(nullptr, u, true); return d.Execute(path, "t", folder, 'i', "jpg", "png"); },
         0xA80066, TDlgMode::Save, "SVIMGSCR", false, true, true},
        {"folder picker", [&](TImgUt *u) { TSelDirDlg d(nullptr, u); QString f = folder; return d.Execute(f, "t", true, nullptr); },
         0x2A8006C, TDlgMode::Folder, "SELDIRBOX", false, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fake.shown.clear();
        EXPECT_FALSE(c.run(ctx.get())); // no script: cancelled
        ASSERT_EQ(fake.shown.size(), 1u);
        const TFakeFileDlg::Shown &s = fake.shown[0];
        EXPECT_EQ(s.flags, c.flags);
        EXPECT_EQ(s.mode, c.mode);
        EXPECT_EQ(s.templateName, QString(c.templ));
        EXPECT_EQ(s.qt.save, c.mode == TDlgMode::Save);
        EXPECT_EQ(s.qt.folders, c.mode == TDlgMode::Folder);
        EXPECT_EQ(s.qt.multiSelect, c.multi);
        EXPECT_EQ(s.qt.confirmOverwrite, c.confirm);
        EXPECT_EQ(s.qt.panel, c.panel);
        EXPECT_TRUE(s.qt.sizeGrip);
        EXPECT_TRUE(s.qt.hook);
        EXPECT_EQ(s.maxFile, c.multi ? 32768u : 4096u);
        if (c.mode != TDlgMode::Folder) {
            EXPECT_EQ(s.fileName, path);
            EXPECT_EQ(s.folder, folder);
        }
    }
}

TEST_F(FileDlgTest, FilterOfEachFileKindKeepsItsNameAndListsAnyCase)
{
    struct Case {
        char kind;
        QString name, patterns;
    } cases[] = {
        {'i', ctx->imageFilterName, ctx->imagePatterns},
        {'x', ctx->imageFilterName, ctx->imagePatterns},
        {'v', ctx->videoFilterName, ctx->videoPatterns},
        {'b', ctx->allFilterName, ctx->allPatterns},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        fake.shown.clear();
        QString path;
        TOpImgDlg d(nullptr, ctx.get());
        d.Execute(path, "t", tmp.path(), c.kind, false);
        ASSERT_EQ(fake.shown.size(), 1u);
        EXPECT_EQ(fake.shown[0].filter, (c.name + QChar(0) + c.patterns).toStdU16String());
        const QString qt = fake.shown[0].qt.nameFilter;
        // Shown by its own name; Qt takes the patterns from the last parentheses.
        EXPECT_TRUE(qt.startsWith(c.name + " (")) << qt.toStdString();
        EXPECT_TRUE(qt.endsWith(")"));
    }
    // Patterns match a name in any case, with Qt's wildcard rules.
    const QStringList patterns = AnyCasePatterns("*.jpg;*.Tif;*.3gp").split(';');
    ASSERT_EQ(patterns.size(), 3);
    struct Match { int pattern; const char *name; bool match; } matches[] = {
        {0, "photo.jpg", true}, {0, "PHOTO.JPG", true}, {0, "Photo.JpG", true}, {0, "photo.jpeg", false},
        {1, "scan.TIF", true}, {1, "scan.tiff", false}, {2, "clip.3GP", true}, {2, "clip.3gq", false},
    };
    for (const Match &m : matches) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(patterns[m.pattern]));
        EXPECT_EQ(re.match(m.name).hasMatch(), m.match) << m.name;
    }
}

// A filter cut at the end of its buffer keeps its closing zeros.
TEST_F(FileDlgTest, LongFilterIsCutBeforeItsTerminators)
{
    struct Case {
        int nameLen, patternLen, keptName, keptPattern;
    } cases[] = {
        {1000, 100, 1000, 21},
        {1021, 5, 1021, 0},
        {1500, 5, 1021, 0},
        {10, 1011, 10, 1011},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.nameLen);
        fake.shown.clear();
        QString path;
        TOpFileDlg d(nullptr, ctx.get());
        d.Execute(path, "t", "", Repeat('n', c.nameLen), Repeat('p', c.patternLen), false);
        ASSERT_EQ(fake.shown.size(), 1u);
        // Recorded up to the closing pair of zeros.
        const QString kept = c.keptPattern ? Repeat('n', c.keptName) + QChar(0) + Repeat('p', c.keptPattern)
                                           : Repeat('n', c.keptName);
        EXPECT_EQ(fake.shown[0].filter, kept.toStdU16String());
        EXPECT_EQ(fake.shown[0].qt.nameFilter,
                  Repeat('n', c.keptName) + " (" + QString("[pP]").repeated(c.keptPattern) + ")");
    }
}

TEST_F(FileDlgTest, BufferLimitsOfResultsTitlesAndFolders)
{
    // A choice that does not fit the file buffer is no choice.
    struct Result {
        bool multi;
        int length;
        bool fits;
    } results[] = {{false, 4095, true}, {false, 4096, false}, {true, 32767, true}, {true, 32768, false}};
    for (const Result &r : results) {
        SCOPED_TRACE(r.length);
        const QString choice = "/" + Repeat('a', r.length - 1);
        fake.scripts.push_back([&](TFakeFileDlg &d) { d.Choose({choice}); });
        QString path = "old";
        TOpImgDlg d(nullptr, ctx.get());
        EXPECT_EQ(d.Execute(path, "t", "", 'i', r.multi), r.fits);
        EXPECT_EQ(path, r.fits ? choice : QString("old"));
        EXPECT_TRUE(d.files.isEmpty());
    }

    // Titles, folders and initial names are cut to their buffers.
    struct Input {
        int title, folder, name;
        bool multi;
    } inputs[] = {{1023, 4095, 4095, false}, {1500, 5000, 5000, false}, {10, 10, 40000, true}};
    for (const Input &in : inputs) {
        fake.shown.clear();
        QString path = Repeat('f', in.name);
        TOpImgDlg d(nullptr, ctx.get());
        d.Execute(path, Repeat('t', in.title), Repeat('d', in.folder), 'i', in.multi);
        ASSERT_EQ(fake.shown.size(), 1u);
        EXPECT_EQ(fake.shown[0].title.size(), std::min(in.title, 1023));
        EXPECT_EQ(fake.shown[0].folder.size(), std::min(in.folder, 4095));
        EXPECT_EQ(fake.shown[0].fileName.size(), std::min(in.name, in.multi ? 32767 : 4095));
        EXPECT_EQ(path, Repeat('f', in.name)); // cancelled: unchanged
    }
}

TEST_F(FileDlgTest, MultipleSelectionAppendsFolderAndNameAndKeepsTheList)
{
    TOpImgDlg d(nullptr, ctx.get());
    QString path;
    const QString dir = tmp.path();

    // One file: its full path, the list unchanged.
    fake.scripts.push_back([&](TFakeFileDlg &f) { f.Choose({dir + "/one.bmp"}); });
    ASSERT_TRUE(d.Execute(path, "t", dir, 'i', true));
    EXPECT_EQ(path, dir + "/one.bmp");
    EXPECT_TRUE(d.files.isEmpty());

    // Three files: three entries in the dialog's order, the result the third.
    fake.scripts.push_back([&](TFakeFileDlg &f) { f.Choose({dir + "/c.bmp", dir + "/a.bmp", dir + "/b.png"}); });
    ASSERT_TRUE(d.Execute(path, "t", dir, 'i', true));
    EXPECT_EQ(d.files, QStringList({dir + "/c.bmp", dir + "/a.bmp", dir + "/b.png"}));
    EXPECT_EQ(path, dir + "/b.png");

    // The root folder gets no second separator; the list is never cleared.
    fake.scripts.push_back([&](TFakeFileDlg &f) { f.Choose({"/x.bmp", "/y.bmp"}); });
    ASSERT_TRUE(d.Execute(path, "t", dir, 'i', true));
    EXPECT_EQ(d.files.size(), 5);
    EXPECT_EQ(d.files.mid(3), QStringList({"/x.bmp", "/y.bmp"}));
    EXPECT_EQ(path, QString("/y.bmp"));

    // A cancel leaves the result and the list.
    ASSERT_FALSE(d.Execute(path, "t", dir, 'i', true));
    EXPECT_EQ(path, QString("/y.bmp"));
    EXPECT_EQ(d.files.size(), 5);

    // The open-file dialog parses the same way.
    TOpFileDlg f(nullptr, ctx.get());
    fake.scripts.push_back([&](TFakeFileDlg &fd) { fd.Choose({dir + "/g1.qgf", dir + "/g2.qgf"}); });
    ASSERT_TRUE(f.Execute(path, "t", dir, "Games", "*.qgf", true));
    EXPECT_EQ(f.files, QStringList({dir + "/g1.qgf", dir + "/g2.qgf"}));
}

TEST_F(FileDlgTest, SaveShowsASecondAttemptWithTheBareNameAfterALongPath)
{
    struct Case {
        QString path, folder;
        int attempts;
    } cases[] = {
        {"/" + Repeat('p', 295) + "/a.qgf", "/tmp", 2},
        {"/" + Repeat('p', 252) + "/a.qgf", "/" + Repeat('d', 258), 1},  // 259 and 259 bytes
        {"/x/a.qgf", "/" + Repeat('d', 259), 2},                           // a folder of 260 bytes
        {"/x/" + QString(130, QChar(0xE9)) + ".qgf", "/tmp", 2},            // 260+ bytes in UTF-8
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.size());
        fake.shown.clear();
        QString path = c.path;
        TSvFileDlg d(nullptr, ctx.get());
        EXPECT_FALSE(d.Execute(path, "Save Game", c.folder, "Games", "*.qgf", "qgf"));
        EXPECT_EQ(path, c.path);
        ASSERT_EQ(int(fake.shown.size()), c.attempts);
        EXPECT_EQ(fake.shown[0].fileName, c.path);
        EXPECT_EQ(fake.shown[0].folder, c.folder);
        EXPECT_EQ(fake.shown[0].qt.directory, c.folder);
        EXPECT_EQ(fake.shown[0].defExt, QString("qgf"));
        if (c.attempts == 2) {
            EXPECT_EQ(fake.shown[1].fileName, c.path.mid(c.path.lastIndexOf('/') + 1));
            EXPECT_TRUE(fake.shown[1].folder.isEmpty());
            // No folder: the working folder, not the one shown first.
            EXPECT_EQ(fake.shown[1].qt.directory, QDir::currentPath());
            EXPECT_EQ(fake.shown[1].title, QString("Save Game"));
        }
    }

    // The second attempt's choice is the result.
    fake.shown.clear();
    fake.scripts.push_back([](TFakeFileDlg &) {});
    fake.scripts.push_back([](TFakeFileDlg &f) { f.Choose({"/home/me/a.qgf"}); });
    QString path = "/" + Repeat('p', 300) + "/a.qgf";
    TSvFileDlg d(nullptr, ctx.get());
    EXPECT_TRUE(d.Execute(path, "t", "", "Games", "*.qgf", "qgf"));
    EXPECT_EQ(path, QString("/home/me/a.qgf"));
    EXPECT_EQ(fake.shown.size(), 2u);
}

TEST_F(FileDlgTest, DialogIsCentredOnItsOwnerAndThePanelAcrossTheTop)
{
    struct Case {
        QRect owner, dialog;
        QPoint at;
        int panelX;
    } cases[] = {
        {{0, 0, 1000, 800}, {5, 5, 600, 400}, {200, 200}, 133},
        {{10, 20, 301, 201}, {0, 0, 100, 50}, {110, 95}, 0},
        {{10, 20, 101, 101}, {0, 0, 200, 300}, {10 - 49, 20 - 99}, 0}, // truncation toward zero
    };
    for (const Case &c : cases) {
        QWidget owner;
        owner.setGeometry(c.owner);
        fake.frame = c.dialog;
        QPoint panelAt(-1, -1);
        fake.scripts.push_back([&](TFakeFileDlg &f) { panelAt = f.Panel()->pos(); });
        QString path;
        TOpImgDlg d(&owner, ctx.get());
        d.Execute(path, "t", "", 'i', false);
        EXPECT_EQ(fake.frame.topLeft(), c.at);
        EXPECT_EQ(fake.frame.size(), c.dialog.size());
        EXPECT_EQ(panelAt, QPoint(c.panelX, 0));
        EXPECT_EQ(fake.shown.back().owner, &owner);
    }
    // Without an owner: the middle of the screen.
    fake.frame = QRect(0, 0, 200, 100);
    QString path;
    TOpFileDlg d(nullptr, ctx.get());
    d.Execute(path, "t", "", "Games", "*.qgf", false);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(fake.frame.topLeft(),
              QPoint(screen.left() + (screen.width() - 200) / 2, screen.top() + (screen.height() - 100) / 2));
}

// The plain base serves the hook like any dialog: it takes the windows at
// initialisation, follows every message with nothing, and without a brush
// never colours a control.
TEST_F(FileDlgTest, PlainBaseHasNoWindowsTextOrBrushAndAnswersTheHookWithNothing)
{
    QWidget owner;
    TOpSvDlg base(&owner, ctx.get());
    EXPECT_EQ(base.ownerWnd, &owner);
    EXPECT_EQ(base.imgUt, ctx.get());
    EXPECT_EQ(base.explorerWnd, nullptr);
    EXPECT_EQ(base.hookWnd, nullptr);
    EXPECT_TRUE(base.curPath.isEmpty());
    EXPECT_EQ(base.brush, nullptr);

    static const char16_t filter[] = u"All\0*.*\0";
    std::vector<char16_t> file(4096, u'\0');
    TOfn ofn;
    ofn.owner = &owner;
    ofn.filter = filter;
    ofn.file = file.data();
    ofn.maxFile = uint32_t(file.size());
    ofn.flags = OFN_ENABLEHOOK | OFN_EXPLORER;
    ofn.custData = &base;
    ofn.hook = OpSvHookProc;
    const QRect frame = fake.frame;
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        EXPECT_EQ(base.explorerWnd, &f);
        EXPECT_EQ(base.hookWnd, f.Panel());
        f.Select(tmp.path());
        Gdi::DC dc;
        THookMsg colour;
        colour.kind = THookMsg::CtlColor;
        colour.dc = &dc;
        colour.control = f.Panel();
        THookWnd wnd{f.Panel(), &f, &base};
        EXPECT_EQ(OpSvHookProc(wnd, colour), 0);
        THookMsg command;
        command.kind = THookMsg::Command;
        command.code = 101;
        EXPECT_EQ(OpSvHookProc(wnd, command), 0);
        f.Choose({tmp.path() + "/a.qgf"});
    });
    ASSERT_TRUE(GetOpenFileName(ofn));
    EXPECT_EQ(BufferText(file.data(), file.size()), tmp.path() + "/a.qgf");
    // Its initialisation does nothing: the dialog is not moved.
    EXPECT_EQ(fake.frame, frame);
    EXPECT_TRUE(base.curPath.isEmpty());
    EXPECT_EQ(base.brush, nullptr);
}

// ---- open-image preview ----

struct PreviewState {
    QImage picture;
    QString name, size;
};

// The preview as it shows now.
PreviewState Shown(TFakeFileDlg &f)
{
    auto *box = qobject_cast<QLabel *>(f.Item(3));
    auto *name = qobject_cast<QLabel *>(f.Item(2));
    auto *size = qobject_cast<QLabel *>(f.Item(1));
    return {box ? box->pixmap().toImage() : QImage(), name ? name->text() : "?", size ? size->text() : "?"};
}

// The preview once the selection's picture is read: a slow one is read off
// the GUI thread and shown later.
PreviewState Preview(TFakeFileDlg &f, const TOpImgDlg &d)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d.PreviewPending(); }, 30000));
    return Shown(f);
}

bool AllBlack(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
    return !img.isNull();
}

// A 24-bit BMP header of any size, its pixels left as a hole in the file.
QString WriteSparseBmp(const QString &path, int w, int h)
{
    const int64_t row = (int64_t(w) * 3 + 3) / 4 * 4;
    const int64_t size = 54 + row * h;
    QByteArray b(54, '\0');
    auto put = [&b](int at, int64_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
    EXPECT_TRUE(f.resize(size));
    return path;
}

TEST_F(FileDlgTest, PreviewShowsPictureNameAndSizeOrBlackOnFailure)
{
    const QString tall = WriteBmp("tall.bmp", 40, 80, QColor(200, 30, 60));
    const QString big = WriteSparseBmp(tmp.path() + "/huge.bmp", 4000, 3000);
    QFile notImage(tmp.path() + "/notes.bmp");
    ASSERT_TRUE(notImage.open(QIODevice::WriteOnly));
    notImage.write("no picture here");
    notImage.close();
    ASSERT_TRUE(QDir(tmp.path()).mkdir("folder.bmp"));

    // The huge picture's pixels are a hole in its file: black too.
    struct Case {
        QString selected;
        bool black;
        QString name, size;
    } cases[] = {
        {tall, false, "tall.bmp", "40 x 80"},
        {big, true, "huge.bmp", "4000 x 3000"},
        {tmp.path() + "/missing.bmp", true, "", ""},
        {tmp.path() + "/folder.bmp", true, "", ""},
        {notImage.fileName(), true, "", ""},
        {"", true, "", ""}, // no path from the dialog
    };
    TOpImgDlg d(nullptr, ctx.get());
    EXPECT_TRUE(ctx->previewMode);
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        // The preview box is measured from the panel: 122 x 86 units, less its border.
        EXPECT_EQ(d.previewWidth, 181);
        EXPECT_EQ(d.previewHeight, 138);
        // The first preview, before any selection, is black.
        PreviewState first = Preview(f, d);
        EXPECT_EQ(first.picture.size(), QSize(181, 138));
        EXPECT_TRUE(AllBlack(first.picture));
        EXPECT_EQ(first.name, QString());
        for (const Case &c : cases) {
            SCOPED_TRACE(c.selected.toStdString());
            f.Select(c.selected);
            const PreviewState s = Preview(f, d);
            ASSERT_EQ(s.picture.size(), QSize(181, 138));
            EXPECT_EQ(s.name, c.name);
            EXPECT_EQ(s.size, c.size);
            EXPECT_EQ(AllBlack(s.picture), c.black);
            EXPECT_EQ(d.previewDib, nullptr);
        }
        // The tall picture is fitted inside, centred, on black.
        f.Select(tall);
        const QImage img = Preview(f, d).picture;
        EXPECT_EQ(img.pixel(90, 69) & 0xFFFFFF, 0xC81E3Cu);
        EXPECT_EQ(img.pixel(0, 69) & 0xFFFFFF, 0u);
        EXPECT_EQ(img.pixel(180, 69) & 0xFFFFFF, 0u);
        // A repaint of the panel keeps the picture.
        f.Panel()->repaint();
        EXPECT_EQ(Preview(f, d).picture, img);
    });
    QString path;
    EXPECT_FALSE(d.Execute(path, "t", tmp.path(), 'i', false));
    EXPECT_TRUE(ctx->previewMode);
}

TEST_F(FileDlgTest, UntickedPreviewKeepsThePictureUntilTheNextSelection)
{
    const QString pic = WriteBmp("wide.bmp", 90, 30, QColor(10, 200, 40));
    TOpImgDlg d(nullptr, ctx.get());
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        auto *box = qobject_cast<QCheckBox *>(f.Item(101));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isChecked());
        f.Select(pic);
        const PreviewState shown = Preview(f, d);
        EXPECT_FALSE(AllBlack(shown.picture));
        box->click();
        EXPECT_FALSE(d.showPreview);
        EXPECT_EQ(Preview(f, d).picture, shown.picture);
        EXPECT_EQ(Preview(f, d).size, QString("90 x 30"));
        f.Select(pic);
        EXPECT_TRUE(AllBlack(Preview(f, d).picture));
        EXPECT_EQ(Preview(f, d).name, QString());
        EXPECT_EQ(Preview(f, d).size, QString());
    });
    QString path;
    d.Execute(path, "t", "", 'i', false);
}

// Every preview read started has ended, and what it posted was handled.
bool WaitForReads()
{
    const bool ended = QTest::qWaitFor([] { return TOpImgDlg::PreviewReadsRunning() == 0; }, 60000);
    QCoreApplication::processEvents();
    return ended;
}

// A large picture whose preview reads are held up while the gate is
// closed, and a small one.
class SlowPreviewTest : public FileDlgTest {
protected:
    void SetUp() override
    {
        FileDlgTest::SetUp();
        ASSERT_TRUE(WaitForReads());
        slow = tmp.path() + "/wide.png";
        ASSERT_TRUE(WriteBilevelPng(slow, 24000, 16000));
        small = WriteBmp("small.bmp", 40, 30, QColor(200, 30, 60));
    }

    QString slow, small;
    PreviewGate gate{"/wide.png"};
};

TEST_F(SlowPreviewTest, SlowPreviewComesWhenReadyAndNeverOverANewerSelection)
{
    TOpImgDlg d(nullptr, ctx.get());
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        // The selection returns before the read ends; the box is black meanwhile.
        f.Select(slow);
        EXPECT_TRUE(d.PreviewPending());
        EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
        const PreviewState waiting = Shown(f);
        EXPECT_TRUE(AllBlack(waiting.picture));
        EXPECT_EQ(waiting.name, QString());
        EXPECT_EQ(waiting.size, QString());
        // Then the picture appears, fitted across the box.
        gate.Open();
        const PreviewState ready = Preview(f, d);
        EXPECT_EQ(ready.name, QString("wide.png"));
        EXPECT_EQ(ready.size, QString("24000 x 16000"));
        EXPECT_EQ(ready.picture.pixel(90, 69) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(ready.picture.pixel(90, 0) & 0xFFFFFF, 0u);
        EXPECT_EQ(d.previewDib, nullptr);

        // The next selection is shown while the slow read still runs, and
        // the slow one, once read, does not replace it.
        gate.Close();
        f.Select(slow);
        ASSERT_TRUE(d.PreviewPending());
        f.Select(small);
        const PreviewState other = Preview(f, d);
        EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
        EXPECT_EQ(other.name, QString("small.bmp"));
        EXPECT_EQ(other.size, QString("40 x 30"));
        EXPECT_EQ(other.picture.pixel(90, 69) & 0xFFFFFF, 0xC81E3Cu);
        gate.Open();
        ASSERT_TRUE(WaitForReads());
        EXPECT_EQ(Shown(f).name, QString("small.bmp"));
        EXPECT_EQ(Shown(f).picture, other.picture);

        // A selection with nothing to read drops the read under way.
        f.Select(slow);
        f.Select("");
        EXPECT_FALSE(d.PreviewPending());
        ASSERT_TRUE(WaitForReads());
        EXPECT_TRUE(AllBlack(Shown(f).picture));
        EXPECT_EQ(Shown(f).name, QString());
    });
    QString path;
    EXPECT_FALSE(d.Execute(path, "t", tmp.path(), 'i', false));
}

TEST_F(SlowPreviewTest, DialogEndsWithoutWaitingForTheReadAndOutlivesNothing)
{
    // The read runs on while the dialog ends, the dialog goes and so does
    // the library context; it posts nothing and stores nothing.
    for (const bool choose : {false, true}) {
        SCOPED_TRACE(choose);
        gate.Close();
        auto context = std::make_unique<TImgUt>("Vellamor\\quibo", store);
        context->optsDirty = false;
        auto d = std::make_unique<TOpImgDlg>(nullptr, context.get());
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            f.Select(slow);
            ASSERT_TRUE(d->PreviewPending());
            if (choose)
                f.Choose({slow});
        });
        QString path;
        EXPECT_EQ(d->Execute(path, "t", tmp.path(), 'i', false), choose);
        EXPECT_EQ(path, choose ? slow : QString());
        EXPECT_FALSE(d->PreviewPending());
        EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
        d.reset();
        context.reset();
        EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
        gate.Open();
        ASSERT_TRUE(WaitForReads());
    }
    EXPECT_FALSE(OptsWritten());
}

// Copies of a picture whose preview reads are held up as slow reads that
// count their budget (stopped, they end, or stay while still ending), and a
// small picture.
class StoppedPreviewTest : public FileDlgTest {
protected:
    void SetUp() override
    {
        FileDlgTest::SetUp();
        ASSERT_TRUE(WaitForReads());
        for (int i = 0; i < 4; ++i)
            slow << WriteBmp(QString("slow%1.bmp").arg(i), 8, 8, Qt::white);
        small = WriteBmp("small.bmp", 40, 30, QColor(200, 30, 60));
    }

    // Reads that may run at once: the current selection's and the stopped
    // ones still ending.
    static constexpr int ReadsAtOnce = 4;

    QStringList slow;
    QString small;
    PreviewHold hold{"slow"};
};

TEST_F(StoppedPreviewTest, CurrentPreviewIsReadBesideStoppedReadsStillEnding)
{
    hold.KeepStopped(true);
    TOpImgDlg d(nullptr, ctx.get());
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        // Each selection stops the read before it, which keeps its thread
        // while it ends; the next is read beside them.
        for (int i = 0; i < ReadsAtOnce - 1; ++i) {
            f.Select(slow[i]);
            ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == i + 1 && hold.Stopped() == i; }, 30000));
        }
        f.Select(small);
        const PreviewState shown = Preview(f, d);
        EXPECT_EQ(shown.name, QString("small.bmp"));
        EXPECT_EQ(shown.size, QString("40 x 30"));
        EXPECT_EQ(shown.picture.pixel(90, 69) & 0xFFFFFF, 0xC81E3Cu);
        EXPECT_EQ(hold.Held(), ReadsAtOnce - 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return hold.Stopped() == ReadsAtOnce - 1; }, 30000));

        // With every thread taken by stopped reads still ending, the next
        // read waits for one: no more reads than that run at once.
        f.Select(slow[ReadsAtOnce - 1]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == ReadsAtOnce; }, 30000));
        f.Select(small);
        EXPECT_TRUE(d.PreviewPending());
        EXPECT_TRUE(AllBlack(Shown(f).picture));
        EXPECT_EQ(Shown(f).name, QString());
        hold.KeepStopped(false);
        const PreviewState again = Preview(f, d);
        EXPECT_EQ(again.name, QString("small.bmp"));
        EXPECT_EQ(again.picture, shown.picture);
        ASSERT_TRUE(WaitForReads());
        // The stopped reads ended without a picture over the newer one.
        EXPECT_EQ(Shown(f).picture, shown.picture);
        EXPECT_EQ(hold.Most(), ReadsAtOnce);
        EXPECT_EQ(hold.Unstopped(), 0);
    });
    QString path;
    EXPECT_FALSE(d.Execute(path, "t", tmp.path(), 'i', false));
}

TEST_F(StoppedPreviewTest, DialogEndStopsItsReadsAndTheProgramsEndWaitsOnNone)
{
    for (const bool choose : {false, true}) {
        SCOPED_TRACE(choose);
        hold.KeepStopped(true);
        auto d = std::make_unique<TOpImgDlg>(nullptr, ctx.get());
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            f.Select(slow[0]);
            f.Select(slow[1]);
            ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 2 && hold.Stopped() == 1; }, 30000));
            hold.KeepStopped(false);
            if (choose)
                f.Choose({slow[1]});
        });
        QString path;
        EXPECT_EQ(d->Execute(path, "t", tmp.path(), 'i', false), choose);
        // Every read was stopped as the run ended: none is left for the
        // dialog's or the program's end to wait on.
        EXPECT_TRUE(TOpImgDlg::WaitForPreviewReads(30000));
        EXPECT_EQ(TOpImgDlg::PreviewReadsRunning(), 0);
        EXPECT_EQ(hold.Held(), 0);
        EXPECT_EQ(hold.Unstopped(), 0);
        d.reset();
    }
    EXPECT_FALSE(OptsWritten());
}

TEST_F(FileDlgTest, ShowPreviewIsStoredOnlyWhenToggled)
{
    struct Case {
        int clicks;
        bool written;
    } cases[] = {{0, false}, {1, true}, {2, false}, {3, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.clicks);
        ctx->imgOpts.showPreview = 1;
        QFile::remove(IniFile());
        {
            TOpImgDlg d(nullptr, ctx.get());
            fake.scripts.push_back([&](TFakeFileDlg &f) {
                for (int i = 0; i < c.clicks; ++i)
                    static_cast<QCheckBox *>(f.Item(101))->click();
            });
            QString path;
            d.Execute(path, "t", "", 'i', false);
        }
        EXPECT_FALSE(ctx->previewMode);
        EXPECT_EQ(OptsWritten(), c.written);
        if (c.written) {
            EXPECT_EQ(StoredOpts().showPreview, 0);
            EXPECT_EQ(ctx->imgOpts.showPreview, 0);
        }
        EXPECT_FALSE(ctx->optsDirty);
    }
    // A stored "off" starts the box unticked.
    ctx->imgOpts.showPreview = 0;
    TOpImgDlg d(nullptr, ctx.get());
    fake.scripts.push_back([](TFakeFileDlg &f) { EXPECT_FALSE(static_cast<QCheckBox *>(f.Item(101))->isChecked()); });
    QString path;
    d.Execute(path, "t", "", 'i', false);
}

// The hook paints the panel's controls grey: 0x888888 behind them, 0x999999
// behind their texts; other controls keep their own colours.
TEST_F(FileDlgTest, PanelControlsArePaintedWithTheDialogGreys)
{
    const QString pic = WriteBmp("grey.bmp", 20, 20, Qt::white);
    TOpImgDlg d(nullptr, ctx.get());
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        f.Select(pic);
        const QImage img = f.Panel()->grab().toImage();
        auto *name = f.Item(2);
        auto *preview = f.Item(3);
        const QPoint nameCentre = name->geometry().center();
        // Panel background, beside the texts.
        EXPECT_EQ(img.pixel(name->geometry().right() - 1, 70) & 0xFFFFFF, 0x888888u);
        // Behind the name text, between letters or not, the lighter grey shows somewhere.
        bool lighter = false;
        for (int x = name->geometry().left(); x <= name->geometry().right(); ++x)
            lighter |= (img.pixel(x, nameCentre.y()) & 0xFFFFFF) == 0x999999u;
        EXPECT_TRUE(lighter);
        // The preview box is not the hook's: its picture shows.
        EXPECT_EQ(img.pixel(preview->geometry().center()) & 0xFFFFFF, 0xFFFFFFu);
    });
    QString path;
    d.Execute(path, "t", "", 'i', false);
}

// ---- save-image panel ----

TEST_F(FileDlgTest, SaveImageKeepsTheNameInStepWithTheFormat)
{
    TSvImgDlg d(nullptr, ctx.get(), false);
    fake.scripts.push_back([&](TFakeFileDlg &f) {
        auto *orig = qobject_cast<QRadioButton *>(f.Item(71));
        auto *format = qobject_cast<QRadioButton *>(f.Item(72));
        auto *exts = qobject_cast<QComboBox *>(f.Item(73));
        ASSERT_TRUE(orig && format && exts);
        EXPECT_TRUE(orig->isChecked());
        EXPECT_FALSE(format->isChecked());
        ASSERT_EQ(exts->count(), 14);
        EXPECT_EQ(exts->itemText(0), QString("jpg"));
        EXPECT_EQ(exts->itemText(13), QString("dng"));
        EXPECT_EQ(exts->currentText(), QString("jpg"));
        EXPECT_TRUE(f.defExtSet.isEmpty()); // nothing fires while the panel is filled

        // "Use Orig Image Format" for a png picture: png.
        f.typedName = "photo.jpg";
        orig->click();
        EXPECT_FALSE(d.useFormat);
        EXPECT_EQ(f.defExtSet, QString("png"));
        EXPECT_EQ(f.typedName, QString("photo.png"));
        // "Use Format" with jpg: photo.png becomes photo.jpg.
        format->click();
        EXPECT_TRUE(d.useFormat);
        EXPECT_TRUE(format->isChecked());
        EXPECT_FALSE(orig->isChecked());
        EXPECT_EQ(f.defExtSet, QString("jpg"));
        EXPECT_EQ(f.typedName, QString("photo.jpg"));
        // Another format in the list.
        exts->setCurrentIndex(exts->findText("tif"));
        emit exts->activated(exts->currentIndex());
        EXPECT_EQ(d.chosenExt, QString("tif"));
        EXPECT_EQ(f.typedName, QString("photo.tif"));
        // A dot in a folder name is no extension; no name, nothing to change.
        struct Name { const char *typed, *after; } names[] = {
            {"my.dir/photo", "my.dir/photo"}, {"", ""}, {"a.b/c.d/pic.bmp", "a.b/c.d/pic.tif"}, {"pic.", "pic.tif"},
        };
        for (const Name &n : names) {
            f.typedName = n.typed;
            format->click();
            EXPECT_EQ(f.typedName, QString(n.after)) << n.typed;
        }
    });
    QString path = tmp.path() + "/photo.png";
    d.Execute(path, "Save Image", tmp.path(), 'i', "jpg", "png");
    EXPECT_EQ(fake.shown.back().defExt, QString("jpg"));
}

TEST_F(FileDlgTest, SaveImageQualityAndCompressionChoices)
{
    ctx->imgOpts.tiffCompression = 8; // not in the list
    // The user pastes a text over the field's contents.
    auto pasteQuality = [](TFakeFileDlg &f, const QString &text) {
        auto *edit = qobject_cast<QLineEdit *>(f.Item(61));
        QGuiApplication::clipboard()->setText(text);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    };
    {
        TSvImgDlg d(nullptr, ctx.get(), false);
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            auto *edit = qobject_cast<QLineEdit *>(f.Item(61));
            auto *tiff = qobject_cast<QComboBox *>(f.Item(51));
            ASSERT_TRUE(edit && tiff);
            EXPECT_EQ(edit->text(), QString("92"));
            EXPECT_EQ(tiff->currentText(), QString("None"));
            EXPECT_EQ(d.tiffCompression, 8);

            struct Quality { const char *typed, *shown; int kept; } qualities[] = {
                {"150", "150", 92}, {"0", "0", 92}, {"85", "85", 85}, {"abc", "abc", 85},
                {"7x", "7x", 7}, {"1000", "100", 100}, {"64", "64", 64},
            };
            for (const Quality &q : qualities) {
                pasteQuality(f, q.typed);
                EXPECT_EQ(edit->text(), QString(q.shown));
                EXPECT_EQ(d.jpegQuality, q.kept) << q.typed;
            }

            const int values[] = {1, 32946, 7, 32773, 32909, 5};
            for (int i = 0; i < 6; ++i) {
                tiff->setCurrentIndex(i);
                emit tiff->activated(i);
                EXPECT_EQ(d.tiffCompression, values[i]);
            }
            tiff->setCurrentIndex(tiff->findText("Packbits"));
            emit tiff->activated(tiff->currentIndex());
        });
        QString path;
        d.Execute(path, "t", "", 'i', "jpg", "");
    }
    const TImgOpts stored = StoredOpts();
    EXPECT_EQ(stored.tiffCompression, 32773);
    EXPECT_EQ(stored.jpegQuality, 64);
    // The next dialog starts from what the last one stored.
    TSvImgDlg next(nullptr, ctx.get(), false);
    EXPECT_EQ(next.tiffCompression, 32773);
    EXPECT_EQ(next.jpegQuality, 64);
}

TEST_F(FileDlgTest, SaveImageStoresChoicesAndTheFormatOnlyWhenAFileWasChosen)
{
    struct Case {
        bool choose;
        const char *ext;
        int storedTiff;
    } cases[] = {{false, "jpg", 32773}, {true, "png", 32773}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.choose);
        ctx->imgOpts = TImgOpts();
        ctx->defaultExt = "jpg";
        QFile::remove(IniFile());
        {
            TSvImgDlg d(nullptr, ctx.get(), false);
            fake.scripts.push_back([&](TFakeFileDlg &f) {
                auto *exts = qobject_cast<QComboBox *>(f.Item(73));
                exts->setCurrentIndex(exts->findText("png"));
                emit exts->activated(exts->currentIndex());
                auto *tiff = qobject_cast<QComboBox *>(f.Item(51));
                tiff->setCurrentIndex(3);
                emit tiff->activated(3);
                if (c.choose)
                    f.Choose({tmp.path() + "/p.png"});
            });
            QString path;
            EXPECT_EQ(d.Execute(path, "t", "", 'i', "jpg", "bmp"), c.choose);
            EXPECT_FALSE(OptsWritten()); // nothing until the dialog ends
        }
        EXPECT_TRUE(OptsWritten());
        const TImgOpts stored = StoredOpts();
        EXPECT_EQ(stored.tiffCompression, c.storedTiff);
        EXPECT_EQ(QString::fromLatin1(stored.ext), QString(c.ext));
        EXPECT_EQ(ctx->defaultExt, QString(c.ext));
    }
    // Nothing changed: nothing written.
    QFile::remove(IniFile());
    {
        TSvImgDlg d(nullptr, ctx.get(), false);
        QString path;
        d.Execute(path, "t", "", 'i', "jpg", "bmp");
    }
    EXPECT_FALSE(OptsWritten());
}

TEST_F(FileDlgTest, SaveImageScriptGroup)
{
    ctx->imgOpts.scriptLocation = 7; // out of range: the first entry
    {
        TSvImgDlg d(nullptr, ctx.get(), true);
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            auto *save = qobject_cast<QCheckBox *>(f.Item(101));
            auto *where = qobject_cast<QComboBox *>(f.Item(104));
            ASSERT_TRUE(save && where);
            EXPECT_TRUE(save->isChecked());
            EXPECT_EQ(where->count(), 3);
            EXPECT_EQ(where->currentText(), QString("Save With Image"));
            save->click();
            where->setCurrentIndex(2);
            emit where->activated(2);
        });
        QString path;
        d.Execute(path, "t", "", 'i', "jpg", "");
        EXPECT_FALSE(d.saveScript);
        EXPECT_EQ(d.scriptLocation, 2);
    }
    const TImgOpts stored = StoredOpts();
    EXPECT_EQ(stored.saveScript, 0);
    EXPECT_EQ(stored.scriptLocation, 2);
}

// ---- folder picker ----

TEST_F(FileDlgTest, FolderPickerFollowsTheSelection)
{
    const QString top = tmp.path() + "/top";
    ASSERT_TRUE(QDir().mkpath(top + "/sub"));
    ASSERT_TRUE(QDir().mkpath(top + "/typed"));
    QFile file(top + "/file.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    struct Case {
        const char *what;
        QString folderShown, item, typed;
        bool clear;
        bool result;
        QString folder;
    } cases[] = {
        {"sub-folder selected", top, "sub", "", false, true, top + "/sub"},
        {"file selected", top, "file.txt", "", false, true, "/start"},
        {"nothing selected", top, "", "", false, true, top},
        {"typed folder name", top, "", "typed", false, true, top + "/typed"},
        {"typed name of no folder", top, "sub", "nothing", false, true, top + "/sub"},
        {"clear", top, "sub", "", true, true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TSelDirDlg d(nullptr, ctx.get());
        QString shownText;
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            EXPECT_EQ(qobject_cast<QLabel *>(f.Item(66))->text(), QString("/start"));
            f.folderPath = c.folderShown;
            f.selectedItem = c.item;
            f.Select(c.item.isEmpty() ? QString() : c.folderShown + "/" + c.item);
            f.typedName = c.typed;
            if (c.clear)
                static_cast<QPushButton *>(f.Item(77))->click();
            else
                f.PressOk();
            shownText = qobject_cast<QLabel *>(f.Item(66))->text();
        });
        QString folder = "/start";
        EXPECT_EQ(d.Execute(folder, "Select Folder", false, nullptr), c.result);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(shownText, c.folder);
        if (c.clear) {
            EXPECT_EQ(fake.texts[FdFileName], QString());
        }
    }
}

TEST_F(FileDlgTest, FolderPickerDialogAndCheckBox)
{
    struct Case {
        bool show, include, click;
        bool after;
    } cases[] = {{true, true, false, true}, {true, true, true, false}, {true, false, true, true}, {false, true, false, true}};
    for (const Case &c : cases) {
        fake.hidden.clear();
        fake.texts.clear();
        bool include = c.include;
        TSelDirDlg d(nullptr, ctx.get());
        fake.scripts.push_back([&](TFakeFileDlg &f) {
            auto *box = qobject_cast<QCheckBox *>(f.Item(55));
            EXPECT_EQ(box->isHidden(), !c.show);
            if (c.show) {
                EXPECT_EQ(box->isChecked(), c.include);
            }
            if (c.click)
                box->click();
            // A file name is never accepted as a choice.
            f.Choose({tmp.path() + "/x.txt"});
        });
        QString folder = tmp.path();
        EXPECT_FALSE(d.Execute(folder, "t", c.show, &include));
        EXPECT_EQ(include, c.after);
        EXPECT_EQ(folder, tmp.path());
        EXPECT_EQ(fake.hidden, (std::set<int32_t>{FdTypeLabel, FdTypeList}));
        EXPECT_EQ(fake.texts[FdOkButton], QString("Select"));
        EXPECT_EQ(fake.texts[FdFileNameLabel], QString("Folder Name:"));
    }
}

} // namespace
