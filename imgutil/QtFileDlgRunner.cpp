// The Qt runner: a non-native QFileDialog with the dialog's panel at its top,
// centred, feeding the hook from the dialog's signals.
#include "FileDialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>

#include <memory>

namespace VlmImgUt {

namespace {

class TQtFileDialog : public QFileDialog, public TFileDlgWindow {
public:
    TQtFileDialog(TOfn &ofnArg, TDlgMode mode) : QFileDialog(ofnArg.owner)
    {
        const TQtDlgSetup setup = QtDlgSetup(ofnArg, mode);
        setFont(FileDlgFont(FileDlgFontPixels));
        setOption(DontUseNativeDialog, true);
        setOption(HideNameFilterDetails, true);
        setAcceptMode(setup.save ? AcceptSave : AcceptOpen);
        // Open dialogs take any name typed; callers test that it exists.
        setFileMode(setup.folders ? Directory : AnyFile);
        setOption(ShowDirsOnly, setup.folders);
        setOption(DontConfirmOverwrite, !setup.confirmOverwrite);
        if (!setup.nameFilter.isEmpty()) {
            setNameFilter(setup.nameFilter);
            const QStringList filters = nameFilters();
            const int index = int(ofnArg.filterIndex) - 1;
            if (index >= 0 && index < filters.size())
                selectNameFilter(filters[index]);
        }
        if (setup.multiSelect) {
            for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(findChild<QListView *>("listView")),
                                            static_cast<QAbstractItemView *>(findChild<QTreeView *>("treeView"))})
                if (view)
                    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
        setSizeGripEnabled(setup.sizeGrip);
        if (!setup.title.isEmpty())
            setWindowTitle(setup.title);
        // Always set: a QFileDialog left without one opens where the last one was.
        setDirectory(setup.directory);
        if (!setup.fileName.isEmpty())
            selectFile(setup.fileName);
        if (!setup.defaultSuffix.isEmpty())
            setDefaultSuffix(setup.defaultSuffix);

        session = std::make_unique<TFileDlgSession>(ofnArg, *this, this);
        QWidget *panel = session->Panel();
        if (panel->width() > 0 && layout()) {
            // Room above the dialog's own controls.
            QMargins m = layout()->contentsMargins();
            m.setTop(m.top() + panel->height());
            layout()->setContentsMargins(m);
            panel->raise();
            resize(std::max(width(), panel->width()), height() + panel->height());
        }
        panel->show();
        session->Start();

        // The dialog may still signal while it is taken down, after the run.
        connect(this, &QFileDialog::currentChanged, this, [this](const QString &path) {
            selPath = path;
            if (session)
                session->Notify(CDN_SELCHANGE);
        });
        connect(this, &QFileDialog::directoryEntered, this, [this] {
            selPath.clear();
            if (session)
                session->Notify(CDN_FOLDERCHANGE);
        });
        connect(this, &QFileDialog::filterSelected, this, [this] {
            if (session)
                session->Notify(CDN_TYPECHANGE);
        });
    }

    ~TQtFileDialog() override
    {
        session.reset();
    }

    bool RunModal()
    {
        const int result = exec();
        if (endCode >= 0)
            return endCode != 0; // ended by the hook
        if (result != Accepted)
            return false;
        return session->StoreResult(selectedFiles());
    }

    // TFileDlgWindow
    QRect Frame() const override { return frameGeometry(); }
    int ClientWidth() const override { return width(); }
    void MoveTo(int x, int y) override
    {
        move(x, y);
        raise();
    }
    QString FilePath() const override { return selPath; }
    QString FolderPath() const override { return directory().absolutePath(); }
    QString TypedName() const override
    {
        const QLineEdit *edit = findChild<QLineEdit *>("fileNameEdit");
        return edit ? edit->text() : QString();
    }
    bool HasFileList() const override { return findChild<QListView *>("listView") != nullptr; }
    QString SelectedItem() const override
    {
        const QListView *list = findChild<QListView *>("listView");
        if (!list || !list->selectionModel())
            return {};
        const QModelIndexList rows = list->selectionModel()->selectedRows();
        return rows.isEmpty() ? QString() : rows.first().data().toString();
    }
    void SetDefExt(const QString &ext) override { setDefaultSuffix(ext); }
    void SetControlText(int32_t id, const QString &text) override
    {
        switch (id) {
        case FdOkButton:
            setLabelText(Accept, text);
            break;
        case FdFileNameLabel:
            setLabelText(FileName, text);
            break;
        case FdTypeLabel:
            setLabelText(FileType, text);
            break;
        case FdFileName:
            if (QLineEdit *edit = findChild<QLineEdit *>("fileNameEdit"))
                edit->setText(text);
            break;
        default:
            break;
        }
    }
    void HideControl(int32_t id) override
    {
        const char *name = id == FdTypeLabel       ? "fileTypeLabel"
                           : id == FdTypeList      ? "fileTypeCombo"
                           : id == FdFileNameLabel ? "fileNameLabel"
                           : id == FdFileName      ? "fileNameEdit"
                                                   : nullptr;
        if (!name)
            return;
        if (QWidget *w = findChild<QWidget *>(name))
            w->hide();
    }
    void End(int code) override
    {
        endCode = code;
        QFileDialog::done(code ? Accepted : Rejected);
    }
    TWndProc SetWindowProc(TWndProc proc) override
    {
        TWndProc old = session->wndProc;
        session->wndProc = proc;
        return old;
    }

protected:
    void accept() override
    {
        // A window procedure may take the OK button for itself.
        if (session->OkCommand())
            return;
        QFileDialog::accept();
    }

    void done(int result) override
    {
        if (result == Accepted && endCode < 0 && !session->FileOk())
            return; // the hook refused the choice
        QFileDialog::done(result);
    }

    void showEvent(QShowEvent *e) override
    {
        QFileDialog::showEvent(e);
        if (!initDone) {
            initDone = true;
            session->InitDone();
        }
    }

    void resizeEvent(QResizeEvent *e) override
    {
        QFileDialog::resizeEvent(e);
        if (initDone && session && session->HasTemplate())
            PlacePanelTop(this, session->Panel());
    }

private:
    std::unique_ptr<TFileDlgSession> session;
    QString selPath;
    bool initDone = false;
    int endCode = -1;
};

class TQtRunner : public TFileDlgRunner {
public:
    bool Run(TOfn &ofn, TDlgMode mode) override
    {
        TQtFileDialog dialog(ofn, mode);
        return dialog.RunModal();
    }
};

} // namespace

TFileDlgRunner &QtFileDlgRunner()
{
    static TQtRunner runner;
    return runner;
}

} // namespace VlmImgUt
