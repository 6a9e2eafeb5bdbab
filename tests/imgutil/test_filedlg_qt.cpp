// The file dialogs in the Qt runner: real non-native QFileDialogs with their
// panels, driven from inside their modal loops.
//
// With QUIBO_SHOT_DIR set (under a real X server) each test also saves a
// grab of its dialog there; QUIBO_SHOT_FACE names a picture to preview in
// the open-image grab.
#include "FileDialogs.h"
#include "FileDlgFixture.h"
#include "TImgUt.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QFile>
#include <QFontInfo>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace VlmImgUt;

namespace {

class QtFileDlgTest : public FileDlgFixture {
protected:
    void SetUp() override
    {
        FileDlgFixture::SetUp();
        pictures = pics = tmp.path() + "/pics";
        ASSERT_TRUE(QDir().mkpath(pics + "/sub"));
    }

    // Runs body on the dialog once its modal loop runs; the dialog is
    // cancelled afterwards unless body ended it.
    static void WhenShown(std::function<void(QFileDialog *)> body)
    {
        QTimer::singleShot(0, [body] {
            auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dlg) {
                ADD_FAILURE() << "no file dialog";
                return;
            }
            body(dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
    }

    // The dialog's list, once it shows at least count entries.
    static QListView *ListOf(QFileDialog *dlg, int count)
    {
        auto *list = dlg->findChild<QListView *>("listView");
        if (!list)
            return nullptr;
        const bool listed = QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) >= count; }, 60000);
        return listed ? list : nullptr;
    }

    // The user presses the dialog's Open, Save or Select button.
    static void PressAccept(QFileDialog *dlg)
    {
        auto *box = dlg->findChild<QDialogButtonBox *>("buttonBox");
        ASSERT_NE(box, nullptr);
        for (QAbstractButton *b : box->buttons()) {
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) {
                EXPECT_TRUE(b->isEnabled());
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no accept button";
    }

    static QModelIndex IndexOf(QListView *list, const QString &path)
    {
        auto *model = qobject_cast<QFileSystemModel *>(list->model());
        return model ? model->index(path) : QModelIndex();
    }

    static void Shot(QWidget *dlg, const char *name)
    {
        const QString dir = qEnvironmentVariable("QUIBO_SHOT_DIR");
        if (dir.isEmpty())
            return;
        QTest::qWait(300);
        dlg->grab().save(dir + "/" + name + ".png");
        if (QScreen *screen = dlg->screen())
            screen->grabWindow(0).save(dir + "/" + name + "-screen.png");
    }

    QString pics;
};

TEST_F(QtFileDlgTest, OpenImageDialogPreviewsTheSelectedPicture)
{
    const QString face = WriteBmp("face.bmp", 64, 48, QColor(30, 90, 200));
    WriteBmp("LOUD.BMP", 8, 8, Qt::white);
    QFile other(pics + "/notes.txt");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    const QString extraFace = qEnvironmentVariable("QUIBO_SHOT_FACE");
    if (!extraFace.isEmpty())
        QFile::copy(extraFace, pics + "/" + QFileInfo(extraFace).fileName());

    QWidget owner;
    owner.setGeometry(100, 100, 1000, 800);
    owner.show();
    TOpImgDlg d(&owner, ctx.get());
    WhenShown([&](QFileDialog *dlg) {
        EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dlg->windowTitle(), QString("Select Image File"));
        EXPECT_EQ(dlg->fileMode(), QFileDialog::AnyFile);
        auto *types = dlg->findChild<QComboBox *>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->itemText(0), ctx->imageFilterName);

        // The panel across the top, above the dialog's own controls.
        QWidget *panel = dlg->findChild<QWidget *>("OPIMGBOX");
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->size(), QSize(333, 150));
        EXPECT_EQ(panel->pos(), QPoint((dlg->width() - 333) / 2, 0));
        auto *lookIn = dlg->findChild<QWidget *>("lookInCombo");
        ASSERT_NE(lookIn, nullptr);
        EXPECT_GE(lookIn->mapTo(dlg, QPoint(0, 0)).y(), 150);
        // Centred on the owner's frame.
        const QRect f = dlg->frameGeometry(), o = owner.frameGeometry();
        EXPECT_LE(std::abs(f.center().x() - o.center().x()), 1);

        // Pictures in any case are listed; other files are not.
        QListView *list = ListOf(dlg, 3);
        ASSERT_NE(list, nullptr);
        QStringList names;
        for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
            names << list->model()->index(r, 0, list->rootIndex()).data().toString();
        EXPECT_TRUE(names.contains("face.bmp"));
        EXPECT_TRUE(names.contains("LOUD.BMP"));
        EXPECT_FALSE(names.contains("notes.txt"));

        // A selection change draws the preview (a loaded machine may take
        // more than a frame to read it).
        list->setCurrentIndex(IndexOf(list, face));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.PreviewPending(); }, 30000));
        auto *preview = qobject_cast<QLabel *>(GetDlgItem(panel, 3));
        ASSERT_NE(preview, nullptr);
        const QImage img = preview->pixmap().toImage();
        ASSERT_EQ(img.size(), QSize(181, 138));
        EXPECT_EQ(img.pixel(90, 69) & 0xFFFFFF, 0x1E5AC8u);
        EXPECT_EQ(img.pixel(90, 0) & 0xFFFFFF, 0u); // 4:3 in a wider box: black above
        EXPECT_EQ(qobject_cast<QLabel *>(GetDlgItem(panel, 2))->text(), QString("face.bmp"));
        EXPECT_EQ(qobject_cast<QLabel *>(GetDlgItem(panel, 1))->text(), QString("64 x 48"));

        if (!extraFace.isEmpty())
            list->setCurrentIndex(IndexOf(list, pics + "/" + QFileInfo(extraFace).fileName()));
        Shot(dlg, "open-image");
    });
    QString path;
    EXPECT_FALSE(d.Execute(path, "Select Image File", pics, 'i', false));
    EXPECT_TRUE(path.isEmpty());
}

// A picture whose preview is slow (held up at the gate) is read while the
// dialog goes on: the next selection shows at once, and the dialog ends
// without waiting for the read.
TEST_F(QtFileDlgTest, OpenImageDialogStaysResponsiveWhileASlowPreviewIsRead)
{
    ASSERT_TRUE(QTest::qWaitFor([] { return TOpImgDlg::PreviewReadsRunning() == 0; }, 60000));
    PreviewGate gate("/wide.png");
    const QString slow = pics + "/wide.png";
    ASSERT_TRUE(WriteBilevelPng(slow, 24000, 16000));
    const QString small = WriteBmp("small.bmp", 40, 30, QColor(30, 90, 200));

    TOpImgDlg d(nullptr, ctx.get());
    WhenShown([&](QFileDialog *dlg) {
        QWidget *panel = dlg->findChild<QWidget *>("OPIMGBOX");
        ASSERT_NE(panel, nullptr);
        auto *name = qobject_cast<QLabel *>(GetDlgItem(panel, 2));
        auto *size = qobject_cast<QLabel *>(GetDlgItem(panel, 1));
        auto *preview = qobject_cast<QLabel *>(GetDlgItem(panel, 3));
        ASSERT_TRUE(name && size && preview);
        QListView *list = ListOf(dlg, 2);
        ASSERT_NE(list, nullptr);

        list->setCurrentIndex(IndexOf(list, slow));
        EXPECT_TRUE(d.PreviewPending());
        EXPECT_EQ(name->text(), QString());
        Shot(dlg, "open-image-reading");
        gate.Open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return name->text() == "wide.png"; }, 30000));
        EXPECT_EQ(size->text(), QString("24000 x 16000"));
        EXPECT_EQ(preview->pixmap().toImage().pixel(90, 69) & 0xFFFFFF, 0xFFFFFFu);
        Shot(dlg, "open-image-slow");

        gate.Close();
        list->setCurrentIndex(IndexOf(list, small));
        list->setCurrentIndex(IndexOf(list, slow));
        list->setCurrentIndex(IndexOf(list, small));
        ASSERT_TRUE(QTest::qWaitFor([&] { return name->text() == "small.bmp"; }, 30000));
        EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
        EXPECT_EQ(size->text(), QString("40 x 30"));
        EXPECT_EQ(preview->pixmap().toImage().pixel(90, 69) & 0xFFFFFF, 0x1E5AC8u);
        gate.Open();
        // Every read ended and its result delivered: the stale one changed
        // nothing.
        ASSERT_TRUE(TOpImgDlg::WaitForPreviewReads(60000));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(name->text(), QString("small.bmp"));

        // Chosen while its preview is still read.
        gate.Close();
        list->setCurrentIndex(IndexOf(list, slow));
        ASSERT_TRUE(d.PreviewPending());
        PressAccept(dlg);
    });
    QString path;
    ASSERT_TRUE(d.Execute(path, "Select Image File", pics, 'i', false));
    EXPECT_EQ(path, slow);
    EXPECT_GE(TOpImgDlg::PreviewReadsRunning(), 1);
    gate.Open();
    EXPECT_TRUE(QTest::qWaitFor([] { return TOpImgDlg::PreviewReadsRunning() == 0; }, 60000));
}

// The application font follows the game's interface scale (44 pixels at
// the largest); the file dialogs keep their own dialog font, so their own
// controls match the panel and are not cut, whatever the scale.
TEST_F(QtFileDlgTest, FileDialogsKeepTheirFontAtAnyInterfaceScale)
{
    const QFont appFont = QApplication::font();
    QFont big = appFont;
    big.setPixelSize(44);
    QApplication::setFont(big);

    TOpImgDlg d(nullptr, ctx.get());
    WhenShown([&](QFileDialog *dlg) {
        QWidget *panel = dlg->findChild<QWidget *>("OPIMGBOX");
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->size(), QSize(333, 150));
        EXPECT_EQ(QFontInfo(GetDlgItem(panel, 101)->font()).pixelSize(), 10);
        for (const char *name : {"lookInCombo", "fileNameLabel", "fileNameEdit", "fileTypeCombo", "buttonBox"}) {
            QWidget *w = dlg->findChild<QWidget *>(name);
            ASSERT_NE(w, nullptr) << name;
            EXPECT_EQ(QFontInfo(w->font()).pixelSize(), 11) << name;
        }
        // The labels are shown whole.
        auto *label = dlg->findChild<QLabel *>("fileNameLabel");
        ASSERT_NE(label, nullptr);
        EXPECT_GE(label->width(), label->sizeHint().width());
    });
    QString path;
    EXPECT_FALSE(d.Execute(path, "Select Image File", pics, 'i', false));
    QApplication::setFont(appFont);
}

TEST_F(QtFileDlgTest, OpenFileDialogReturnsAMultipleSelection)
{
    for (const char *name : {"a.qgf", "b.qgf", "c.qgf"}) {
        QFile f(pics + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TOpFileDlg d(nullptr, ctx.get());
    WhenShown([&](QFileDialog *dlg) {
        QListView *list = ListOf(dlg, 4);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        for (const char *name : {"a.qgf", "c.qgf"})
            list->selectionModel()->select(IndexOf(list, pics + "/" + name),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        PressAccept(dlg);
    });
    QString path;
    ASSERT_TRUE(d.Execute(path, "Load Game", pics, "Saved Games (.qgf)", "*.qgf", true));
    QStringList files = d.files;
    files.sort();
    EXPECT_EQ(files, QStringList({pics + "/a.qgf", pics + "/c.qgf"}));
    EXPECT_TRUE(d.files.contains(path));

    // A name typed for no file is returned too: callers test that it exists.
    WhenShown([&](QFileDialog *dlg) {
        ASSERT_NE(ListOf(dlg, 4), nullptr);
        QTest::keyClicks(dlg->findChild<QLineEdit *>("fileNameEdit"), "new.qgf");
        PressAccept(dlg);
    });
    ASSERT_TRUE(d.Execute(path, "Load Game", pics, "Saved Games (.qgf)", "*.qgf", true));
    EXPECT_EQ(path, pics + "/new.qgf");
    EXPECT_EQ(d.files.size(), 2);
}

// A save proposed in a long path that the user cancels comes back with the
// bare name and no folder: the working folder, not the one Qt showed last.
TEST_F(QtFileDlgTest, SecondSaveAfterALongPathOpensInTheWorkingFolder)
{
    const QString deep = pics + "/" + QString(200, 'd') + "/" + QString(70, 'e');
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString proposed = deep + "/qvs20261211001500.qgf";
    ASSERT_NE(QDir::currentPath(), deep);

    QStringList folders, names;
    std::function<void(QFileDialog *)> look = [&](QFileDialog *dlg) {
        folders << dlg->directory().absolutePath();
        names << dlg->findChild<QLineEdit *>("fileNameEdit")->text();
        if (folders.size() == 1)
            WhenShown(look); // the second attempt
    };
    WhenShown(look);
    TSvFileDlg d(nullptr, ctx.get());
    QString path = proposed;
    EXPECT_FALSE(d.Execute(path, "Load quibo Game File", deep, "quibo Game File [.qgf]", "*.qgf", "qgf"));
    EXPECT_EQ(path, proposed);
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(folders[0], deep);
    EXPECT_EQ(folders[1], QDir::currentPath());
    EXPECT_EQ(names[1], QString("qvs20261211001500.qgf"));

    // A dialog given no folder after one that had one.
    folders.clear();
    WhenShown([&](QFileDialog *dlg) { folders << dlg->directory().absolutePath(); });
    QString none;
    TOpFileDlg open(nullptr, ctx.get());
    EXPECT_FALSE(open.Execute(none, "Load quibo Game File", "", "quibo Game Files [.qgf]", "*.qgf", false));
    EXPECT_EQ(folders, QStringList({QDir::currentPath()}));
}

TEST_F(QtFileDlgTest, SaveImageDialogFollowsTheFormatAndAddsTheSuffix)
{
    TSvImgDlg d(nullptr, ctx.get(), false);
    WhenShown([&](QFileDialog *dlg) {
        EXPECT_EQ(dlg->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dlg->testOption(QFileDialog::DontConfirmOverwrite));
        QWidget *panel = dlg->findChild<QWidget *>("SVIMGBOX");
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->size(), QSize(342, 99));
        auto *name = dlg->findChild<QLineEdit *>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), QString("photo.png"));
        EXPECT_EQ(dlg->defaultSuffix(), QString("png"));
        Shot(dlg, "save-image");
        qobject_cast<QRadioButton *>(GetDlgItem(panel, 72))->click();
        EXPECT_EQ(name->text(), QString("photo.jpg"));
        EXPECT_EQ(dlg->defaultSuffix(), QString("jpg"));
        name->setText("renamed");
        PressAccept(dlg);
    });
    QString path = pics + "/photo.png";
    ASSERT_TRUE(d.Execute(path, "Save Image", pics, 'i', "png", "png"));
    EXPECT_EQ(path, pics + "/renamed.jpg");
    EXPECT_TRUE(d.useFormat);
}

TEST_F(QtFileDlgTest, FolderPickerSelectsAFolder)
{
    TSelDirDlg d(nullptr, ctx.get());
    WhenShown([&](QFileDialog *dlg) {
        EXPECT_EQ(dlg->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(dlg->labelText(QFileDialog::Accept), QString("Select"));
        EXPECT_EQ(dlg->labelText(QFileDialog::FileName), QString("Folder Name:"));
        EXPECT_TRUE(dlg->findChild<QComboBox *>("fileTypeCombo")->isHidden());
        QWidget *panel = dlg->findChild<QWidget *>("SELDIRBOX");
        ASSERT_NE(panel, nullptr);
        auto *shown = qobject_cast<QLabel *>(GetDlgItem(panel, 66));
        EXPECT_EQ(shown->text(), pics);
        QListView *list = ListOf(dlg, 1);
        ASSERT_NE(list, nullptr);
        list->setCurrentIndex(IndexOf(list, pics + "/sub"));
        EXPECT_EQ(shown->text(), pics + "/sub");
        Shot(dlg, "folder-picker");
        PressAccept(dlg);
    });
    QString folder = pics;
    bool include = true;
    ASSERT_TRUE(d.Execute(folder, "Select Directory", true, &include));
    EXPECT_EQ(folder, pics + "/sub");
}

} // namespace
