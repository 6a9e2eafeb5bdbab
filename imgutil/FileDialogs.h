// The library's file dialogs: open-image with a live preview, open-file,
// save-file, save-image with a panel of image options, and the folder
// picker. A caller makes the dialog with its owner window and the library
// context, calls Execute, reads the result and destroys the dialog. Paths
// use "/" as the folder separator.
//
// The dialogs show through FileDlgRunner(): the Qt runner, or whatever a test
// put in its place with SetFileDlgRunner.
#pragma once

#include "FileDlgRunner.h"
#include "Gdi.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <functional>
#include <memory>

class QLabel;
class QWidget;
template <typename T>
class QFutureWatcher;

namespace VlmImgUt {

class TDib;
class TImgUt;

// Moves the file dialog to the middle of its owner's frame (of the screen
// without an owner), keeping its size.
void CentreDialog(TFileDlgWindow *explorer, const QWidget *owner);
// Puts the panel at the top of the file dialog, centred across it.
void PlacePanelTop(TFileDlgWindow *explorer, QWidget *panel);

// Base of the dialogs fed by OpSvHookProc. Destroyed through its own class.
class TOpSvDlg {
public:
    // A plain base (kind -1): no windows, no path, no brush.
    TOpSvDlg(QWidget *owner, TImgUt *imgUt);
    ~TOpSvDlg();
    TOpSvDlg(const TOpSvDlg &) = delete;
    TOpSvDlg &operator=(const TOpSvDlg &) = delete;

    virtual void OnInitDone();
    // True makes the hook answer with the dialog's brush.
    virtual bool OnCtlColor(Gdi::DC *dc, QWidget *control);
    // The selection, the folder or the file type changed (0: redraw).
    virtual void OnFileNotify(int32_t code);
    virtual void OnCommand(int32_t id);

    int16_t kind;                  // 0 open-image, 1 save-image, 10 open-file, 11 save-file
    TImgUt *imgUt;                 // not owned
    QWidget *ownerWnd;
    TFileDlgWindow *explorerWnd = nullptr; // set while the dialog runs
    QWidget *hookWnd = nullptr;            // the panel, set while the dialog runs
    QString curPath;
    Gdi::HBRUSH brush = nullptr;   // owned

protected:
    TOpSvDlg(int16_t kind, QWidget *owner, TImgUt *imgUt);

    // Filter name and patterns of a file kind: 'v' videos, 'b' both, any
    // other images.
    void FilterOf(char fileKind, QString &name, QString &patterns) const;
    // An open dialog; fills path (single selection) or path and files.
    bool RunOpen(QString &path, const QString &title, const QString &folder, const QString &filterName,
                 const QString &filterPatterns, bool multiSelect, QStringList &files, uint32_t flags,
                 const char *templateName);
    // A save dialog, shown a second time with the bare name and no folder
    // when the first is cancelled and the path or folder is long.
    bool RunSave(QString &path, const QString &title, const QString &folder, const QString &filterName,
                 const QString &filterPatterns, const QString &defExt, uint32_t flags, const char *templateName);
    // Centres the dialog and redraws the panel.
    void CentreAndRefresh();
    // Gives the controls of ids the grey text background; false for others.
    static bool GreyText(Gdi::DC *dc, const QWidget *control, std::initializer_list<int32_t> ids);
};

intptr_t OpSvHookProc(THookWnd &wnd, const THookMsg &msg);

struct TPreviewRead;

// Open-image dialog with a preview of the selected picture. The context's
// previewMode is set while it exists.
//
// A preview that is not read within a frame is read on a worker thread with
// a context of its own and shown when it is ready; a newer selection, the
// end of the run or the dialog's destruction drops it without waiting: its
// context's budget is stopped, so the read ends at its next count.
class TOpImgDlg : public TOpSvDlg {
public:
    TOpImgDlg(QWidget *owner, TImgUt *imgUt);
    ~TOpImgDlg();   // stores a changed "Show Preview"

    // path: initial name in, choice out (the last one with multiple
    // selection; all of them are appended to files). fileKind: 'i' images,
    // 'v' videos, 'b' both. False when nothing was chosen (path unchanged).
    bool Execute(QString &path, const QString &title, const QString &folder, char fileKind, bool multiSelect);

    void OnInitDone() override;
    bool OnCtlColor(Gdi::DC *dc, QWidget *control) override;
    void OnFileNotify(int32_t code) override;
    void OnCommand(int32_t id) override;

    bool showPreview;
    bool multiSelect = false;
    char fileKind = 'i';
    QLabel *previewWnd = nullptr;
    int32_t previewWidth = 160;
    int32_t previewHeight = 120;
    TDib *previewDib = nullptr;
    QStringList files;

    // True while the current selection's preview is still being read.
    bool PreviewPending() const { return previewRead != nullptr; }
    // Preview reads started and not yet ended, dropped ones included.
    static int PreviewReadsRunning();
    // Waits at most msecs for every preview read to end, as the
    // application's end does without a limit; false when one still runs.
    static bool WaitForPreviewReads(int msecs);
    // Tests: called on the reading thread before each preview read is made,
    // with the file's path and the read's context, whose budget is stopped
    // when the read is dropped; may hold the read up.
    static std::function<void(const QString &path, TImgUt &ctx)> previewReadStarts;

private:
    // Draws the black box, previewDib fitted into it and the texts, then
    // frees previewDib.
    void ShowPreview();
    void PreviewReady(const TPreviewRead *read);
    void DropPreviewRead();

    std::shared_ptr<TPreviewRead> previewRead;
    std::unique_ptr<QFutureWatcher<void>> previewWatch;
};

class TOpFileDlg : public TOpSvDlg {
public:
    TOpFileDlg(QWidget *owner, TImgUt *imgUt);
    ~TOpFileDlg();

    bool Execute(QString &path, const QString &title, const QString &folder, const QString &filterName,
                 const QString &filterPatterns, bool multiSelect);

    void OnInitDone() override;

    bool multiSelect = false;
    QStringList files;
};

class TSvFileDlg : public TOpSvDlg {
public:
    TSvFileDlg(QWidget *owner, TImgUt *imgUt);
    ~TSvFileDlg();

    // defExt: the suffix added to a name typed without one (no dot).
    bool Execute(QString &path, const QString &title, const QString &folder, const QString &filterName,
                 const QString &filterPatterns, const QString &defExt);

    void OnInitDone() override;
};

// Save dialog for pictures with the image options panel; the destructor
// stores the choices in the context's image options.
class TSvImgDlg : public TOpSvDlg {
public:
    TSvImgDlg(QWidget *owner, TImgUt *imgUt, bool scriptMode);
    ~TSvImgDlg();

    // defaultExt: the suffix at the start; origExt: the picture's own
    // extension (no dots).
    bool Execute(QString &path, const QString &title, const QString &folder, char fileKind,
                 const QString &defaultExt, const QString &origExt);

    void OnInitDone() override;
    bool OnCtlColor(Gdi::DC *dc, QWidget *control) override;
    void OnCommand(int32_t id) override;

    char fileKind = 'i';
    QString defExt;
    QString origExt;
    QString chosenExt;
    bool scriptMode;
    bool useFormat;
    bool accepted = false;
    bool saveScript;
    uint8_t scriptLocation;
    int32_t jpegQuality;
    int32_t tiffCompression;

private:
    void UpdateExtension();
};

// Folder picker: an open dialog listing folders, with the chosen folder
// shown in its panel.
class TSelDirDlg {
public:
    TSelDirDlg(QWidget *owner, TImgUt *imgUt);
    ~TSelDirDlg();
    TSelDirDlg(const TSelDirDlg &) = delete;
    TSelDirDlg &operator=(const TSelDirDlg &) = delete;

    // folder in/out (empty after "Clear Selected Directory"); showCheckBox
    // shows "Include Sub-Directories", which edits *includeSubdirs.
    bool Execute(QString &folder, const QString &title, bool showCheckBox, bool *includeSubdirs);

    // Follows the dialog's folder and selected entry.
    void SelectionUpdate();
    // "Select": a folder name typed in the file-name field wins.
    void TakeTypedFolder();

    TImgUt *imgUt;
    QWidget *ownerWnd;
    TFileDlgWindow *explorerWnd = nullptr;
    QWidget *hookWnd = nullptr;
    QString folder;
    Gdi::HBRUSH brush;
    bool showSubdirs = true;
    bool cleared = false;
    bool *includeSubdirs = nullptr;

    static TSelDirDlg *curSelDir;       // the picker constructed last
    static TWndProc prevExplorerProc;   // the window procedure SelDirWndProc replaced

private:
    void ShowFolder();
};

intptr_t SelDirHookProc(THookWnd &wnd, const THookMsg &msg);
intptr_t SelDirWndProc(TFileDlgWindow &wnd, const THookMsg &msg);

} // namespace VlmImgUt
