// The save-image dialog with its image options panel, and the folder picker.
#include "FileDialogs.h"
#include "TImgUt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <cstring>
#include <iterator>
#include <vector>

namespace VlmImgUt {

namespace {

constexpr COLORREF DialogGrey = 0x888888;
constexpr COLORREF TextGrey = 0x999999;

struct TNamedValue {
    const char *name;
    int32_t value;
};
const TNamedValue TiffCompressions[] = {
    {"None", 1}, {"Deflate", 32946}, {"JPEG", 7}, {"Packbits", 32773}, {"PixarLog", 32909}, {"LZW", 5},
};
const char *const ScriptLocations[] = {"Save With Image", "Prompt For Name", "In Remake Directory"};

QAbstractButton *Button(QWidget *panel, int32_t id)
{
    return qobject_cast<QAbstractButton *>(GetDlgItem(panel, id));
}
QComboBox *Combo(QWidget *panel, int32_t id)
{
    return qobject_cast<QComboBox *>(GetDlgItem(panel, id));
}

// The number at the start of a text, as atoi reads it.
int LeadingNumber(const QString &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    int n = 0;
    for (; i < text.size() && text[i].isDigit() && n < 100000; ++i)
        n = n * 10 + text[i].digitValue();
    return negative ? -n : n;
}

QString JoinFolder(QString folder, const QString &name)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name;
}

} // namespace

// ---- save-image ----

TSvImgDlg::TSvImgDlg(QWidget *owner, TImgUt *ctx, bool script) : TOpSvDlg(1, owner, ctx), scriptMode(script)
{
    const TImgOpts &o = imgUt->imgOpts;
    useFormat = o.useFormat != 0;
    saveScript = o.saveScript != 0;
    scriptLocation = o.scriptLocation;
    jpegQuality = o.jpegQuality;
    tiffCompression = o.tiffCompression;
    chosenExt = imgUt->defaultExt;
    brush = Gdi::CreateSolidBrush(DialogGrey);
}

TSvImgDlg::~TSvImgDlg()
{
    TImgOpts &o = imgUt->imgOpts;
    bool extChanged = false;
    if (accepted && chosenExt != imgUt->defaultExt) {
        imgUt->defaultExt = chosenExt;
        memset(o.ext, 0, sizeof o.ext);
        const QByteArray ext = chosenExt.toLatin1().left(int(sizeof o.ext));
        memcpy(o.ext, ext.constData(), size_t(ext.size()));
        extChanged = true;
    }
    // The panel's choices are kept after a cancel too.
    if ((o.useFormat != 0) != useFormat || extChanged || o.jpegQuality != jpegQuality ||
        o.tiffCompression != tiffCompression || (o.saveScript != 0) != saveScript ||
        o.scriptLocation != scriptLocation) {
        imgUt->optsDirty = true;
        o.useFormat = useFormat ? 1 : 0;
        o.jpegQuality = jpegQuality;
        o.tiffCompression = tiffCompression;
        o.saveScript = saveScript ? 1 : 0;
        o.scriptLocation = scriptLocation;
        imgUt->SaveOpts();
    }
}

bool TSvImgDlg::Execute(QString &path, const QString &title, const QString &folder, char kindArg,
                        const QString &defaultExt, const QString &origExtArg)
{
    defExt = defaultExt;
    origExt = origExtArg.isEmpty() ? QStringLiteral("jpg") : origExtArg;
    fileKind = kindArg;
    QString name, patterns;
    FilterOf(fileKind, name, patterns);
    const bool chosen = RunSave(path, title, folder, name, patterns, defExt,
                                OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE |
                                    OFN_EXPLORER | OFN_LONGNAMES | OFN_ENABLESIZING,
                                scriptMode ? "SVIMGSCR" : "SVIMGBOX");
    if (chosen)
        accepted = true;
    return chosen;
}

void TSvImgDlg::OnInitDone()
{
    if (!explorerWnd || !hookWnd)
        return;
    CentreDialog(explorerWnd, ownerWnd);
    PlacePanelTop(explorerWnd, hookWnd);
    if (QAbstractButton *orig = Button(hookWnd, 71))
        orig->setChecked(!useFormat);
    if (QAbstractButton *format = Button(hookWnd, 72))
        format->setChecked(useFormat);
    if (QComboBox *exts = Combo(hookWnd, 73)) {
        exts->clear();
        int sel = -1;
        for (const QString &ext : imgUt->imageExts) {
            exts->addItem(ext.mid(1));
            if (ext.mid(1) == chosenExt)
                sel = exts->count() - 1;
        }
        exts->setCurrentIndex(sel);
    }
    if (auto *quality = qobject_cast<QLineEdit *>(GetDlgItem(hookWnd, 61))) {
        quality->setMaxLength(3);
        quality->setText(QString::number(jpegQuality));
    }
    if (QComboBox *tiff = Combo(hookWnd, 51)) {
        tiff->clear();
        int sel = 0; // a value not in the list shows "None"
        for (const TNamedValue &c : TiffCompressions) {
            tiff->addItem(QLatin1String(c.name));
            if (c.value == tiffCompression)
                sel = tiff->count() - 1;
        }
        tiff->setCurrentIndex(sel);
    }
    if (scriptMode) {
        if (QAbstractButton *save = Button(hookWnd, 101))
            save->setChecked(saveScript);
        if (QComboBox *where = Combo(hookWnd, 104)) {
            where->clear();
            for (const char *s : ScriptLocations)
                where->addItem(QLatin1String(s));
            where->setCurrentIndex(scriptLocation < 3 ? scriptLocation : 0);
        }
    }
    hookWnd->update();
}

bool TSvImgDlg::OnCtlColor(Gdi::DC *dc, QWidget *control)
{
    return GreyText(dc, control, {50, 60, 62, 71, 72, 77, 88, 101, 103, 111});
}

void TSvImgDlg::OnCommand(int32_t id)
{
    if (!explorerWnd || !hookWnd)
        return;
    switch (id) {
    case 51:
        if (QComboBox *tiff = Combo(hookWnd, 51)) {
            const int i = tiff->currentIndex();
            if (i >= 0 && i < int(std::size(TiffCompressions)))
                tiffCompression = TiffCompressions[i].value;
        }
        break;
    case 61:
        if (auto *quality = qobject_cast<QLineEdit *>(GetDlgItem(hookWnd, 61))) {
            const int q = LeadingNumber(quality->text().left(3));
            if (q >= 1 && q <= 100)
                jpegQuality = q;
        }
        break;
    case 71:
    case 72: {
        QAbstractButton *orig = Button(hookWnd, 71);
        QAbstractButton *format = Button(hookWnd, 72);
        if (!orig || !format)
            break;
        if (id == 71) {
            useFormat = !orig->isChecked();
            format->setChecked(useFormat);
        } else {
            useFormat = format->isChecked();
            orig->setChecked(!useFormat);
        }
        UpdateExtension();
        break;
    }
    case 73:
        if (QComboBox *exts = Combo(hookWnd, 73)) {
            if (exts->currentIndex() >= 0)
                chosenExt = exts->currentText();
        }
        UpdateExtension();
        break;
    case 101:
        if (QAbstractButton *save = Button(hookWnd, 101))
            saveScript = save->isChecked();
        break;
    case 104:
        if (QComboBox *where = Combo(hookWnd, 104)) {
            if (where->currentIndex() >= 0)
                scriptLocation = uint8_t(where->currentIndex());
        }
        break;
    default:
        break;
    }
}

void TSvImgDlg::UpdateExtension()
{
    const QString ext = useFormat ? chosenExt : origExt;
    if (ext != defExt) {
        defExt = ext;
        explorerWnd->SetDefExt(defExt);
    }
    const QString name = explorerWnd->TypedName().left(4095);
    if (name.isEmpty() || defExt.isEmpty())
        return;
    // Only a dot after the last folder separator starts an extension.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < name.lastIndexOf(QLatin1Char('/')))
        return;
    if (name.mid(dot + 1).compare(defExt, Qt::CaseInsensitive) != 0)
        explorerWnd->SetControlText(FdFileName, name.left(dot + 1) + defExt);
}

// ---- folder picker ----

TSelDirDlg *TSelDirDlg::curSelDir = nullptr;
TWndProc TSelDirDlg::prevExplorerProc = nullptr;

TSelDirDlg::TSelDirDlg(QWidget *owner, TImgUt *ctx) : imgUt(ctx), ownerWnd(owner)
{
    curSelDir = this;
    brush = Gdi::CreateSolidBrush(DialogGrey);
}

TSelDirDlg::~TSelDirDlg()
{
    Gdi::DeleteObject(brush);
    if (curSelDir == this)
        curSelDir = nullptr;
}

bool TSelDirDlg::Execute(QString &folderArg, const QString &title, bool showCheckBox, bool *include)
{
    folder = folderArg;
    includeSubdirs = include;
    showSubdirs = showCheckBox;
    cleared = false;

    std::vector<char16_t> folderBuf(4096, u'\0'), titleBuf(1024, u'\0'), file(4096, u'\0');
    std::copy_n(reinterpret_cast<const char16_t *>(folder.utf16()), std::min<size_t>(4095, size_t(folder.size())),
                folderBuf.begin());
    std::copy_n(reinterpret_cast<const char16_t *>(title.utf16()), std::min<size_t>(1023, size_t(title.size())),
                titleBuf.begin());
    // A pattern no file matches: only folders are listed.
    static const char16_t filter[] = u"Folders\0viviviviviv.zkzkzkz\0";

    TOfn ofn;
    ofn.owner = ownerWnd;
    ofn.filter = filter;
    ofn.filterIndex = 1;
    ofn.file = file.data();
    ofn.maxFile = uint32_t(file.size());
    ofn.initialDir = folderBuf.data();
    ofn.title = titleBuf.data();
    ofn.flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER |
                OFN_LONGNAMES | OFN_ENABLESIZING | OFN_DONTADDTORECENT;
    ofn.custData = this;
    ofn.hook = SelDirHookProc;
    ofn.templateName = "SELDIRBOX";
    const bool chosen = FileDlgRunner().Run(ofn, TDlgMode::Folder);
    explorerWnd = nullptr;
    hookWnd = nullptr;
    if (chosen)
        folderArg = cleared ? QString() : folder;
    return chosen;
}

void TSelDirDlg::ShowFolder()
{
    if (auto *shown = qobject_cast<QLabel *>(GetDlgItem(hookWnd, 66)))
        shown->setText(folder);
}

void TSelDirDlg::SelectionUpdate()
{
    if (!explorerWnd || !hookWnd || cleared || !explorerWnd->HasFileList())
        return;
    const QString current = explorerWnd->FolderPath().left(4095);
    const QString item = explorerWnd->SelectedItem().left(4095);
    if (item.isEmpty()) {
        if (TImgUt::DirExists(current))
            folder = current;
    } else if (TImgUt::DirExists(current)) {
        const QString path = JoinFolder(current, item);
        if (TImgUt::DirExists(path))
            folder = path;
    }
    ShowFolder();
}

void TSelDirDlg::TakeTypedFolder()
{
    if (!explorerWnd || !hookWnd || cleared)
        return;
    const QString typed = explorerWnd->TypedName().left(4095);
    if (typed.isEmpty())
        return;
    const QString path = QDir::isAbsolutePath(typed) ? typed : JoinFolder(explorerWnd->FolderPath(), typed);
    if (TImgUt::DirExists(path)) {
        folder = QDir::cleanPath(path);
        ShowFolder();
    }
}

intptr_t SelDirHookProc(THookWnd &wnd, const THookMsg &msg)
{
    auto *dlg = static_cast<TSelDirDlg *>(wnd.userData);
    switch (msg.kind) {
    case THookMsg::InitDialog:
        if (TFileDlgWindow *explorer = wnd.explorer) {
            explorer->HideControl(FdTypeLabel);
            explorer->HideControl(FdTypeList);
            explorer->SetControlText(FdOkButton, QStringLiteral("Select"));
            explorer->SetControlText(FdFileNameLabel, QStringLiteral("Folder Name:"));
            TSelDirDlg::prevExplorerProc = explorer->SetWindowProc(SelDirWndProc);
        }
        dlg = msg.ofn ? static_cast<TSelDirDlg *>(msg.ofn->custData) : nullptr;
        if (dlg) {
            wnd.userData = dlg;
            dlg->hookWnd = wnd.panel;
            dlg->explorerWnd = wnd.explorer;
            if (!dlg->showSubdirs) {
                if (QWidget *box = GetDlgItem(wnd.panel, 55))
                    box->hide();
            }
        }
        return 1;
    case THookMsg::Notify:
        if (!dlg)
            return 0;
        switch (msg.code) {
        case CDN_INITDONE:
            CentreDialog(dlg->explorerWnd, dlg->ownerWnd);
            PlacePanelTop(dlg->explorerWnd, dlg->hookWnd);
            if (auto *shown = qobject_cast<QLabel *>(GetDlgItem(dlg->hookWnd, 66)))
                shown->setText(dlg->folder);
            if (QAbstractButton *box = Button(dlg->hookWnd, 55)) {
                if (!dlg->showSubdirs)
                    box->hide();
                else
                    box->setChecked(dlg->includeSubdirs && *dlg->includeSubdirs);
            }
            if (dlg->hookWnd)
                dlg->hookWnd->update();
            return 0;
        case CDN_SELCHANGE:
        case CDN_FOLDERCHANGE:
        case CDN_TYPECHANGE:
            dlg->SelectionUpdate();
            return 0;
        case CDN_FILEOK:
            return 1; // a typed name never closes the picker as a file
        default:
            return 0;
        }
    case THookMsg::Command:
        if (!dlg)
            return 0;
        if (msg.code == 55 && dlg->showSubdirs) {
            if (QAbstractButton *box = Button(dlg->hookWnd, 55)) {
                if (dlg->includeSubdirs)
                    *dlg->includeSubdirs = box->isChecked();
            }
        } else if (msg.code == 77) {
            dlg->folder.clear();
            dlg->cleared = true;
            if (auto *shown = qobject_cast<QLabel *>(GetDlgItem(dlg->hookWnd, 66)))
                shown->setText(QString());
            if (dlg->explorerWnd) {
                dlg->explorerWnd->SetControlText(FdFileName, QString());
                dlg->explorerWnd->End(1);
            }
        }
        return 0;
    case THookMsg::CtlColor: {
        if (!dlg || !dlg->brush)
            return 0;
        switch (GetDlgCtrlID(msg.control)) {
        case 55:
            Gdi::SetBkColor(msg.dc, DialogGrey);
            break;
        case 60:
        case 88:
            Gdi::SetBkColor(msg.dc, TextGrey);
            break;
        default:
            return 0;
        }
        return reinterpret_cast<intptr_t>(dlg->brush);
    }
    }
    return 0;
}

intptr_t SelDirWndProc(TFileDlgWindow &wnd, const THookMsg &msg)
{
    TSelDirDlg *dlg = TSelDirDlg::curSelDir;
    if (msg.kind == THookMsg::Command) {
        if (dlg)
            dlg->SelectionUpdate();
        if (msg.code == FdOkButton) {
            if (dlg)
                dlg->TakeTypedFolder();
            wnd.End(1);
            return 1;
        }
    } else if (msg.kind == THookMsg::Notify) {
        if (dlg)
            dlg->SelectionUpdate();
    }
    return TSelDirDlg::prevExplorerProc ? TSelDirDlg::prevExplorerProc(wnd, msg) : 0;
}

} // namespace VlmImgUt
