// The window side of the library's file dialogs: the dialog record that a
// dialog hands to a runner, the messages the runner sends to the dialog's
// hook, the file dialog as the hook sees it, and the panels built from the
// dialog templates.
//
// A runner shows one file dialog for a record and feeds its hook. The one in
// use is the Qt runner (a non-native QFileDialog with the panel at its top)
// unless a test puts another in its place with SetFileDlgRunner.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QObject;
class QWidget;

namespace Gdi {
class DC;
}

namespace VlmImgUt {

// Record flags.
enum : uint32_t {
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_HIDEREADONLY = 0x4,
    OFN_NOCHANGEDIR = 0x8,
    OFN_ENABLEHOOK = 0x20,
    OFN_ENABLETEMPLATE = 0x40,
    OFN_NOVALIDATE = 0x100,
    OFN_ALLOWMULTISELECT = 0x200,
    OFN_PATHMUSTEXIST = 0x800,
    OFN_FILEMUSTEXIST = 0x1000,
    OFN_NOTESTFILECREATE = 0x10000,
    OFN_EXPLORER = 0x80000,
    OFN_LONGNAMES = 0x200000,
    OFN_ENABLESIZING = 0x800000,
    OFN_DONTADDTORECENT = 0x2000000,
};

// Notification codes sent to a hook.
enum : int32_t {
    CDN_INITDONE = -601,
    CDN_SELCHANGE = -602,
    CDN_FOLDERCHANGE = -603,
    CDN_FILEOK = -606,
    CDN_TYPECHANGE = -607,
};

// Controls of the file dialog itself.
enum : int32_t {
    FdOkButton = 1,         // "Open", "Save" or the picker's "Select"
    FdTypeLabel = 1089,
    FdFileNameLabel = 1090,
    FdTypeList = 1136,
    FdFileName = 1148,      // the file-name field
};

class TFileDlgWindow;
struct TOfn;

// A message to a hook or to the file dialog's window procedure.
struct THookMsg {
    enum Kind { InitDialog, Notify, Command, CtlColor };
    Kind kind = Notify;
    int32_t code = 0;          // Notify: a CDN_ code; Command: the control's id
    TOfn *ofn = nullptr;       // InitDialog: the record
    Gdi::DC *dc = nullptr;     // CtlColor: the text colours of the control's paint
    QWidget *control = nullptr; // CtlColor: the control being painted
};

// The window a hook serves: the panel and the file dialog holding it.
struct THookWnd {
    QWidget *panel = nullptr;             // the template's panel, or an empty one
    TFileDlgWindow *explorer = nullptr;   // the file dialog (the panel's parent)
    void *userData = nullptr;             // kept for the hook from InitDialog on
};

// A hook answers 0 for "go on"; to a CtlColor message a brush (Gdi::HBRUSH)
// that paints the control's background; to CDN_FILEOK non-zero to refuse.
using THookProc = intptr_t (*)(THookWnd &wnd, const THookMsg &msg);
// A window procedure of the file dialog sees the dialog's own commands (the
// OK button) and the list's notifications before the dialog handles them;
// non-zero means handled.
using TWndProc = intptr_t (*)(TFileDlgWindow &wnd, const THookMsg &msg);

// The dialog record. Buffers are UTF-16 and zero-terminated.
struct TOfn {
    QWidget *owner = nullptr;
    const char16_t *filter = nullptr;  // name, 0, patterns (";"-separated), 0, 0
    uint32_t filterIndex = 1;
    char16_t *file = nullptr;          // initial name in, choice out
    uint32_t maxFile = 0;              // characters of file
    const char16_t *initialDir = nullptr;
    const char16_t *title = nullptr;
    uint32_t flags = 0;
    void *custData = nullptr;          // handed to the hook at InitDialog
    THookProc hook = nullptr;
    const char *templateName = nullptr; // panel of OFN_ENABLETEMPLATE
    const char16_t *defExt = nullptr;   // default suffix of a save dialog
};

enum class TDlgMode { Open, Save, Folder };

// The file dialog as the hooks see it.
class TFileDlgWindow {
public:
    virtual ~TFileDlgWindow() = default;

    virtual QRect Frame() const = 0;            // window frame, screen coordinates
    virtual int ClientWidth() const = 0;
    virtual void MoveTo(int x, int y) = 0;      // size kept, raised
    virtual QString FilePath() const = 0;       // path of the current selection; empty: none
    virtual QString FolderPath() const = 0;     // the folder listed
    virtual QString TypedName() const = 0;           // text of the file-name field
    virtual bool HasFileList() const = 0;
    virtual QString SelectedItem() const = 0;   // name of the first selected entry; empty: none
    virtual void SetDefExt(const QString &ext) = 0;
    virtual void SetControlText(int32_t id, const QString &text) = 0;
    virtual void HideControl(int32_t id) = 0;
    virtual void End(int code) = 0;             // ends the run: non-zero chosen, 0 cancelled
    // Installs a window procedure; returns the one it replaces.
    virtual TWndProc SetWindowProc(TWndProc proc) = 0;
};

// Shows file dialogs.
class TFileDlgRunner {
public:
    virtual ~TFileDlgRunner() = default;
    // Runs the dialog of the record; true when a choice was made and (for the
    // open and save modes) the record's file buffer holds it.
    virtual bool Run(TOfn &ofn, TDlgMode mode) = 0;
};

// The runner in use: the Qt runner unless replaced.
TFileDlgRunner &FileDlgRunner();
TFileDlgRunner &QtFileDlgRunner();
// Puts a runner in place (null: the Qt runner); returns the one replaced
// (null when that was the Qt runner).
TFileDlgRunner *SetFileDlgRunner(TFileDlgRunner *runner);

bool GetOpenFileName(TOfn &ofn);   // TDlgMode::Open
bool GetSaveFileName(TOfn &ofn);   // TDlgMode::Save

// What a QFileDialog is set to for a record.
struct TQtDlgSetup {
    bool save = false;             // AcceptSave, else AcceptOpen
    bool folders = false;          // FileMode Directory with ShowDirsOnly, else AnyFile
    bool multiSelect = false;      // extended selection in the file list
    bool confirmOverwrite = false; // else DontConfirmOverwrite
    bool sizeGrip = false;
    bool panel = false;            // the template's panel at the top
    bool hook = false;             // the hook is fed
    QString nameFilter;            // "name (patterns)", patterns in any case
    QString defaultSuffix;
    QString title;
    QString directory;             // the record's folder, else the working folder
    QString fileName;
};
TQtDlgSetup QtDlgSetup(const TOfn &ofn, TDlgMode mode);

// "*.jpg;*.Tif" -> "*.[jJ][pP][gG];*.[tT][iI][fF]": patterns that match a
// name in any case.
QString AnyCasePatterns(const QString &patterns);

// Text of a zero-terminated buffer of at most size characters.
QString BufferText(const char16_t *buffer, size_t size);

// Dialog templates: the panel of a name ("OPIMGBOX", "SVIMGBOX", "SVIMGSCR",
// "SELDIRBOX"), sized from dialog units; null for an unknown name.
QWidget *BuildDlgTemplate(const QString &name, QWidget *parent);
// Panel controls carry their ids.
QWidget *GetDlgItem(const QWidget *panel, int32_t id);
int32_t GetDlgCtrlID(const QWidget *control);
// Dialog units to pixels: 1.5 across, 1.625 down.
int DluX(int units);
int DluY(int units);
// The file dialogs' font in pixels: like the system dialogs they stand for,
// the dialogs and their panels keep it whatever the application font (which
// follows the game's interface scale), so panel and dialog stay in step and
// nothing is cut at a large scale.
QFont FileDlgFont(int pixelSize);
constexpr int FileDlgFontPixels = 11;
constexpr int FileDlgPanelFontPixels = 10;

// One run of a file dialog on the runner's side: builds the panel, feeds the
// hook and stores the choice in the record's file buffer. Used by the Qt
// runner and by test runners alike.
class TFileDlgSession {
public:
    // The panel is built as a child of panelParent.
    TFileDlgSession(TOfn &ofn, TFileDlgWindow &explorer, QWidget *panelParent);
    // Hands the record to the hook (InitDialog); the explorer must be ready.
    void Start();
    ~TFileDlgSession();
    TFileDlgSession(const TFileDlgSession &) = delete;
    TFileDlgSession &operator=(const TFileDlgSession &) = delete;

    QWidget *Panel() const { return wnd.panel; }
    bool HasTemplate() const;

    void InitDone();                // CDN_INITDONE
    void Notify(int32_t code);      // window procedure first, then the hook
    void Command(int32_t id);       // a panel control's command
    // The OK button: true when the window procedure handled it.
    bool OkCommand();
    // CDN_FILEOK: false when the hook refuses the choice.
    bool FileOk();
    // Writes chosen paths into the file buffer: one path as it is; several
    // (multiple selection) as the folder of the first, then each name, each
    // zero-terminated, then a closing zero. False when it does not fit.
    bool StoreResult(const QStringList &paths);
    // Asks the hook about a panel control's colours: the brush colour and
    // the text background when it answers, else false.
    bool ControlColours(QWidget *control, uint32_t &brush, uint32_t &textBack, bool &opaque);

    TWndProc wndProc = nullptr;     // installed by SetWindowProc

private:
    intptr_t SendHook(const THookMsg &msg);

    TOfn &ofn;
    THookWnd wnd;
    std::unique_ptr<QObject> colourFilter;
};

} // namespace VlmImgUt
