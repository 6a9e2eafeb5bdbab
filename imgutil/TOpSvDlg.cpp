// The open and save dialogs, their hook and the open-image preview.
#include "FileDialogs.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPromise>
#include <QScreen>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace VlmImgUt {

namespace {

// Buffer sizes in UTF-16 characters.
constexpr size_t FileChars = 4096;
constexpr size_t MultiFileChars = 32768;
constexpr size_t TitleChars = 1024;
constexpr size_t FolderChars = 4096;
constexpr size_t FilterChars = 1024;

// A save dialog gets a second chance from this many UTF-8 bytes on.
constexpr int LongPathBytes = 260;

constexpr COLORREF DialogGrey = 0x888888;
constexpr COLORREF TextGrey = 0x999999;

using Buffer = std::vector<char16_t>;

// Copies as much of text as fits in front of the buffer's closing zero.
void Put(Buffer &buf, const QString &text)
{
    std::fill(buf.begin(), buf.end(), u'\0');
    if (buf.empty())
        return;
    const size_t n = std::min(buf.size() - 1, size_t(text.size()));
    const char16_t *src = reinterpret_cast<const char16_t *>(text.utf16());
    std::copy(src, src + n, buf.begin());
}

// name, 0, patterns, 0, 0; long texts are cut so the zeros always fit.
Buffer FilterBuffer(const QString &name, const QString &patterns)
{
    Buffer buf(FilterChars, u'\0');
    const size_t room = FilterChars - 3;
    const size_t nameLen = std::min(room, size_t(name.size()));
    const size_t patLen = std::min(room - nameLen, size_t(patterns.size()));
    const char16_t *n = reinterpret_cast<const char16_t *>(name.utf16());
    const char16_t *p = reinterpret_cast<const char16_t *>(patterns.utf16());
    std::copy(n, n + nameLen, buf.begin());
    std::copy(p, p + patLen, buf.begin() + ptrdiff_t(nameLen + 1));
    return buf;
}

// A multiple-selection result: the folder then the names, or one full path.
void ParseMultiSelect(const Buffer &buf, QString &path, QStringList &files)
{
    const QString first = BufferText(buf.data(), buf.size());
    size_t pos = size_t(first.size()) + 1;
    if (pos >= buf.size() || buf[pos] == 0) {
        path = first;
        return;
    }
    QString folder = first;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    while (pos < buf.size() && buf[pos]) {
        const QString item = BufferText(buf.data() + pos, buf.size() - pos);
        pos += size_t(item.size()) + 1;
        path = folder + item;
        files << path;
    }
}

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

const char16_t *Chars(const QString &s)
{
    return reinterpret_cast<const char16_t *>(s.utf16());
}

} // namespace

// ---- placement ----

void CentreDialog(TFileDlgWindow *explorer, const QWidget *owner)
{
    if (!explorer)
        return;
    QRect frame;
    if (owner) {
        frame = owner->isWindow() ? owner->frameGeometry()
                                  : QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
        frame = screen->availableGeometry();
    } else {
        return;
    }
    const QRect dlg = explorer->Frame();
    explorer->MoveTo(frame.left() + (frame.width() - dlg.width()) / 2,
                     frame.top() + (frame.height() - dlg.height()) / 2);
}

void PlacePanelTop(TFileDlgWindow *explorer, QWidget *panel)
{
    if (!explorer || !panel)
        return;
    int x = (explorer->ClientWidth() - panel->width()) / 2;
    if (x < 0)
        x = 0;
    panel->move(x, 0);
    panel->update();
}

// ---- base ----

TOpSvDlg::TOpSvDlg(QWidget *owner, TImgUt *ctx) : TOpSvDlg(-1, owner, ctx) {}

TOpSvDlg::TOpSvDlg(int16_t kindArg, QWidget *owner, TImgUt *ctx) : kind(kindArg), imgUt(ctx), ownerWnd(owner) {}

TOpSvDlg::~TOpSvDlg()
{
    if (brush)
        Gdi::DeleteObject(brush);
}

void TOpSvDlg::OnInitDone() {}

bool TOpSvDlg::OnCtlColor(Gdi::DC *, QWidget *)
{
    return false;
}

void TOpSvDlg::OnFileNotify(int32_t) {}

void TOpSvDlg::OnCommand(int32_t) {}

void TOpSvDlg::FilterOf(char fileKind, QString &name, QString &patterns) const
{
    if (fileKind == 'v') {
        name = imgUt->videoFilterName;
        patterns = imgUt->videoPatterns;
    } else if (fileKind == 'b') {
        name = imgUt->allFilterName;
        patterns = imgUt->allPatterns;
    } else {
        name = imgUt->imageFilterName;
        patterns = imgUt->imagePatterns;
    }
}

void TOpSvDlg::CentreAndRefresh()
{
    if (!explorerWnd || !hookWnd)
        return;
    CentreDialog(explorerWnd, ownerWnd);
    hookWnd->update();
}

namespace {

// The buffers of one dialog record.
struct TDlgBuffers {
    Buffer file, title, folder, filter;

    // False when the memory cannot be had.
    bool Make(size_t fileChars, const QString &titleText, const QString &folderText, const QString &filterName,
              const QString &filterPatterns)
    {
        try {
            file.resize(fileChars);
            title.resize(TitleChars);
            folder.resize(FolderChars);
            filter = FilterBuffer(filterName, filterPatterns);
        } catch (const std::bad_alloc &) {
            return false;
        }
        Put(title, titleText);
        Put(folder, folderText);
        return true;
    }
};

TOfn Record(TOpSvDlg *dlg, TDlgBuffers &b, uint32_t flags, const char *templateName)
{
    TOfn ofn;
    ofn.owner = dlg->ownerWnd;
    ofn.filter = b.filter.data();
    ofn.filterIndex = 1;
    ofn.file = b.file.data();
    ofn.maxFile = uint32_t(b.file.size());
    ofn.initialDir = b.folder.data();
    ofn.title = b.title.data();
    ofn.flags = flags;
    ofn.custData = dlg;
    ofn.hook = OpSvHookProc;
    ofn.templateName = templateName;
    return ofn;
}

} // namespace

bool TOpSvDlg::RunOpen(QString &path, const QString &title, const QString &folder, const QString &filterName,
                       const QString &filterPatterns, bool multi, QStringList &files, uint32_t flags,
                       const char *templateName)
{
    TDlgBuffers b;
    if (!b.Make(multi ? MultiFileChars : FileChars, title, folder, filterName, filterPatterns))
        return false;
    Put(b.file, path);
    TOfn ofn = Record(this, b, flags | (multi ? uint32_t(OFN_ALLOWMULTISELECT) : 0u), templateName);
    const bool chosen = GetOpenFileName(ofn);
    explorerWnd = nullptr;
    hookWnd = nullptr;
    if (!chosen)
        return false;
    if (multi)
        ParseMultiSelect(b.file, path, files);
    else
        path = BufferText(b.file.data(), b.file.size());
    return true;
}

bool TOpSvDlg::RunSave(QString &path, const QString &title, const QString &folder, const QString &filterName,
                       const QString &filterPatterns, const QString &defExt, uint32_t flags,
                       const char *templateName)
{
    const int attempts =
        (path.toUtf8().size() >= LongPathBytes || folder.toUtf8().size() >= LongPathBytes) ? 2 : 1;
    TDlgBuffers b;
    if (!b.Make(FileChars, title, folder, filterName, filterPatterns))
        return false;
    QString proposed = path;
    for (int attempt = 1;; ++attempt) {
        Put(b.file, proposed);
        // The panel may change the suffix between attempts.
        const QString ext = defExt;
        TOfn ofn = Record(this, b, flags, templateName);
        ofn.defExt = ext.isEmpty() ? nullptr : Chars(ext);
        const bool chosen = GetSaveFileName(ofn);
        explorerWnd = nullptr;
        hookWnd = nullptr;
        if (chosen) {
            path = BufferText(b.file.data(), b.file.size());
            return true;
        }
        if (attempt >= attempts)
            return false;
        proposed = FileNamePart(proposed);
        std::fill(b.folder.begin(), b.folder.end(), u'\0');
    }
}

bool TOpSvDlg::GreyText(Gdi::DC *dc, const QWidget *control, std::initializer_list<int32_t> ids)
{
    const int32_t id = GetDlgCtrlID(control);
    for (int32_t i : ids) {
        if (i == id) {
            Gdi::SetBkColor(dc, TextGrey);
            return true;
        }
    }
    return false;
}

// ---- hook ----

intptr_t OpSvHookProc(THookWnd &wnd, const THookMsg &msg)
{
    if (msg.kind == THookMsg::InitDialog) {
        if (msg.ofn && msg.ofn->custData) {
            auto *dlg = static_cast<TOpSvDlg *>(msg.ofn->custData);
            wnd.userData = dlg;
            dlg->hookWnd = wnd.panel;
            dlg->explorerWnd = wnd.explorer;
        }
        return 0;
    }
    auto *dlg = static_cast<TOpSvDlg *>(wnd.userData);
    if (!dlg)
        return 0;
    switch (msg.kind) {
    case THookMsg::Notify:
        switch (msg.code) {
        case CDN_INITDONE:
            dlg->OnInitDone();
            break;
        case CDN_SELCHANGE:
        case CDN_FOLDERCHANGE:
        case CDN_TYPECHANGE:
            dlg->OnFileNotify(msg.code);
            break;
        default:
            break; // a chosen file is never refused
        }
        return 0;
    case THookMsg::Command:
        dlg->OnCommand(msg.code & 0xFFFF);
        return 0;
    case THookMsg::CtlColor:
        if (dlg->brush && dlg->OnCtlColor(msg.dc, msg.control))
            return reinterpret_cast<intptr_t>(dlg->brush);
        return 0;
    default:
        return 0;
    }
}

// ---- open-image ----

// One preview read. The worker reads into a context of its own, so the
// dialog and its context may go while it runs; the dialog takes the picture
// on the GUI thread, at once when it is ready within a frame, else when the
// future finishes. Stopping it raises its budget's stop: a read not yet made
// is never made, one under way ends at its next count.
struct TPreviewRead {
    TPreviewRead(const TImgUt &main, const QString &pathArg, int32_t w, int32_t h)
        : ctx(main.subkey, main.Store()), path(pathArg), width(w), height(h)
    {
        // What a read may look at is the dialog's; nothing is written back.
        ctx.optsDirty = false;
        ctx.colOptsDirty = false;
        ctx.imgOpts = main.imgOpts;
        ctx.colOpts = main.colOpts;
        ctx.selProf = main.selProf;
        ctx.previewMode = main.previewMode;
        ctx.keepPhotoshop = main.keepPhotoshop;
        ctx.keepXmp = main.keepXmp;
        ctx.keepExif = main.keepExif;
        ctx.keepComment = main.keepComment;
        future = promise.future();
    }
    ~TPreviewRead() { delete picture; }

    // Any thread.
    void Stop() { ctx.budget.Stop(); }

    // Counts as running from before it is queued until its picture is there.
    void Run(std::atomic<int> &running)
    {
        promise.start();
        TDib *pic = nullptr;
        if (!ctx.budget.Stopped()) {
            if (TOpImgDlg::previewReadStarts)
                TOpImgDlg::previewReadStarts(path, ctx);
            if (!(ctx.ReadImageFile(path, &pic, width, height, false) && pic)) {
                delete pic;
                pic = nullptr;
            }
        }
        --running;
        {
            std::lock_guard<std::mutex> hold(lock);
            picture = pic;
            done = true;
        }
        ready.notify_all();
        promise.finish();
    }

    // Waits at most wait; true when the read has ended.
    bool WaitDone(std::chrono::milliseconds wait)
    {
        std::unique_lock<std::mutex> hold(lock);
        return ready.wait_for(hold, wait, [this] { return done; });
    }

    // The picture made, or null; the caller owns it.
    TDib *TakePicture()
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::exchange(picture, nullptr);
    }

    TImgUt ctx;
    const QString path;
    const int32_t width, height;
    QPromise<void> promise;
    QFuture<void> future;

private:
    std::mutex lock;
    std::condition_variable ready;
    bool done = false;        // under lock
    TDib *picture = nullptr;  // under lock; owned
};

namespace {

// A preview read that takes longer than this is shown when it is ready.
constexpr std::chrono::milliseconds PreviewFrame(16);

// Reads running side by side, at most: the current selection's and the
// stopped ones still ending. A stopped read ends within milliseconds, so
// even a selection that moves every 20 ms finds a thread free, and no more
// reads than this hold memory at once.
constexpr int PreviewThreads = 4;

std::atomic<int> previewReads{0};

// Runs the preview reads on at most PreviewThreads threads. A read with no
// thread free waits for the next one to end; a waiting read that is dropped
// is never started. The threads belong to the application, whose end waits
// for the reads still running: each was stopped when its dialog went.
class TPreviewThreads {
public:
    static TPreviewThreads &Get()
    {
        static TPreviewThreads threads;
        return threads;
    }

    // GUI thread.
    void Start(const std::shared_ptr<TPreviewRead> &read)
    {
        ++previewReads;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (busy >= PreviewThreads) {
                waiting.push_back(read);
                return;
            }
            ++busy;
        }
        Pool()->start([this, read] { Work(read); });
    }

    // Stops the read; one still waiting ends here, unread.
    void Drop(const std::shared_ptr<TPreviewRead> &read)
    {
        read->Stop();
        std::shared_ptr<TPreviewRead> unstarted;
        {
            std::lock_guard<std::mutex> hold(lock);
            for (auto it = waiting.begin(); it != waiting.end(); ++it) {
                if (*it == read) {
                    unstarted = std::move(*it);
                    waiting.erase(it);
                    break;
                }
            }
        }
        if (unstarted)
            unstarted->Run(previewReads);
    }

    bool WaitDone(int msecs) { return Pool()->waitForDone(msecs); }

private:
    QThreadPool *Pool()
    {
        if (!pool) {
            pool = new QThreadPool(QCoreApplication::instance());
            pool->setMaxThreadCount(PreviewThreads);
        }
        return pool;
    }

    // A pool thread: the read, then those that waited for a thread.
    void Work(std::shared_ptr<TPreviewRead> read)
    {
        while (read) {
            read->Run(previewReads);
            std::shared_ptr<TPreviewRead> next;
            {
                std::lock_guard<std::mutex> hold(lock);
                if (waiting.empty()) {
                    --busy;
                } else {
                    next = std::move(waiting.front());
                    waiting.pop_front();
                }
            }
            read = std::move(next);
        }
    }

    QPointer<QThreadPool> pool;   // GUI thread
    std::mutex lock;
    int busy = 0;                                    // under lock
    std::deque<std::shared_ptr<TPreviewRead>> waiting; // under lock
};

} // namespace

std::function<void(const QString &path, TImgUt &ctx)> TOpImgDlg::previewReadStarts;

int TOpImgDlg::PreviewReadsRunning()
{
    return previewReads.load();
}

bool TOpImgDlg::WaitForPreviewReads(int msecs)
{
    return TPreviewThreads::Get().WaitDone(msecs);
}

TOpImgDlg::TOpImgDlg(QWidget *owner, TImgUt *ctx) : TOpSvDlg(0, owner, ctx)
{
    showPreview = imgUt->imgOpts.showPreview != 0;
    brush = Gdi::CreateSolidBrush(DialogGrey);
    imgUt->previewMode = true;
}

TOpImgDlg::~TOpImgDlg()
{
    DropPreviewRead();
    delete previewDib;
    previewDib = nullptr;
    files.clear();
    imgUt->previewMode = false;
    if (showPreview != (imgUt->imgOpts.showPreview != 0)) {
        imgUt->imgOpts.showPreview = showPreview ? 1 : 0;
        imgUt->optsDirty = true;
        imgUt->SaveOpts();
    }
}

bool TOpImgDlg::Execute(QString &path, const QString &title, const QString &folder, char kindArg, bool multi)
{
    fileKind = kindArg;
    multiSelect = multi;
    QString name, patterns;
    FilterOf(fileKind, name, patterns);
    const bool chosen = RunOpen(path, title, folder, name, patterns, multi, files,
                                OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOVALIDATE |
                                    OFN_NOTESTFILECREATE | OFN_EXPLORER | OFN_LONGNAMES | OFN_ENABLESIZING,
                                "OPIMGBOX");
    DropPreviewRead();
    previewWnd = nullptr;
    return chosen;
}

void TOpImgDlg::OnInitDone()
{
    if (!explorerWnd || !hookWnd)
        return;
    CentreDialog(explorerWnd, ownerWnd);
    PlacePanelTop(explorerWnd, hookWnd);
    if (auto *box = qobject_cast<QAbstractButton *>(GetDlgItem(hookWnd, 101)))
        box->setChecked(showPreview);
    previewWnd = qobject_cast<QLabel *>(GetDlgItem(hookWnd, 3));
    if (previewWnd) {
        const QRect client = previewWnd->contentsRect();
        previewWidth = client.width();
        previewHeight = client.height();
    }
    hookWnd->update();
    OnFileNotify(0);
}

void TOpImgDlg::DropPreviewRead()
{
    // The watcher goes first: a finished read is then never delivered.
    previewWatch.reset();
    if (previewRead) {
        TPreviewThreads::Get().Drop(previewRead);
        previewRead.reset();
    }
}

void TOpImgDlg::OnFileNotify(int32_t code)
{
    if (!explorerWnd || !hookWnd)
        return;
    if (code != 0) {
        const QString path = explorerWnd->FilePath();
        curPath = path.size() < int(FileChars) ? path : QString();
    }
    DropPreviewRead();
    if (previewWnd && showPreview && !curPath.isEmpty() && TImgUt::FileExists(curPath)) {
        auto read = std::make_shared<TPreviewRead>(*imgUt, curPath, previewWidth, previewHeight);
        TPreviewThreads::Get().Start(read);
        if (read->WaitDone(PreviewFrame)) {
            previewDib = read->TakePicture();
        } else {
            // Black with empty texts until the picture is ready.
            previewRead = read;
            previewWatch = std::make_unique<QFutureWatcher<void>>();
            const TPreviewRead *which = read.get();
            QObject::connect(previewWatch.get(), &QFutureWatcherBase::finished, previewWatch.get(),
                             [this, which] { PreviewReady(which); });
            previewWatch->setFuture(read->future);
        }
    }
    ShowPreview();
}

void TOpImgDlg::PreviewReady(const TPreviewRead *read)
{
    // Only the read of the current selection, while the dialog runs.
    if (!previewRead || previewRead.get() != read || !explorerWnd || !hookWnd)
        return;
    previewDib = previewRead->TakePicture();
    // The watcher is in its signal: it goes with the next selection or the run.
    previewRead.reset();
    ShowPreview();
}

void TOpImgDlg::ShowPreview()
{
    QString nameText, sizeText;
    if (previewWnd) {
        // Drawn off screen and shown as a picture, so repaints keep it.
        TDib box;
        if (box.Create(previewWidth, previewHeight)) {
            Gdi::HBRUSH black = Gdi::CreateSolidBrush(0x000000);
            Gdi::HBRUSH old = Gdi::SelectObject(box.dc, black);
            Gdi::PatBlt(box.dc, 0, 0, previewWidth, previewHeight, Gdi::PATCOPY);
            Gdi::SelectObject(box.dc, old);
            Gdi::DeleteObject(black);
            if (previewDib) {
                Gdi::RECT r{0, 0, previewWidth, previewHeight};
                TImgUt::DrawImageFit(box.dc, previewDib, r, true, 1, false, false, 0);
                nameText = FileNamePart(curPath);
                sizeText = QString::number(previewDib->srcWidth) + QStringLiteral(" x ") +
                           QString::number(previewDib->srcHeight);
            }
            previewWnd->setPixmap(QPixmap::fromImage(Gdi::ToQImage(box.bitmap)));
        } else {
            previewWnd->clear();
        }
    }
    delete previewDib;
    previewDib = nullptr;
    if (auto *name = qobject_cast<QLabel *>(GetDlgItem(hookWnd, 2)))
        name->setText(nameText);
    if (auto *size = qobject_cast<QLabel *>(GetDlgItem(hookWnd, 1)))
        size->setText(sizeText);
    hookWnd->repaint();
}

bool TOpImgDlg::OnCtlColor(Gdi::DC *dc, QWidget *control)
{
    return GreyText(dc, control, {1, 2, 88, 101});
}

void TOpImgDlg::OnCommand(int32_t id)
{
    if (!hookWnd || id != 101)
        return;
    // Nothing is redrawn: the change shows at the next selection.
    if (auto *box = qobject_cast<QAbstractButton *>(GetDlgItem(hookWnd, 101)))
        showPreview = box->isChecked();
}

// ---- open-file and save-file ----

TOpFileDlg::TOpFileDlg(QWidget *owner, TImgUt *ctx) : TOpSvDlg(10, owner, ctx) {}

TOpFileDlg::~TOpFileDlg() = default;

bool TOpFileDlg::Execute(QString &path, const QString &title, const QString &folder, const QString &filterName,
                         const QString &filterPatterns, bool multi)
{
    multiSelect = multi;
    return RunOpen(path, title, folder, filterName, filterPatterns, multi, files,
                   OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_NOVALIDATE | OFN_NOTESTFILECREATE | OFN_EXPLORER |
                       OFN_LONGNAMES | OFN_ENABLESIZING,
                   nullptr);
}

void TOpFileDlg::OnInitDone()
{
    CentreAndRefresh();
}

TSvFileDlg::TSvFileDlg(QWidget *owner, TImgUt *ctx) : TOpSvDlg(11, owner, ctx) {}

TSvFileDlg::~TSvFileDlg() = default;

bool TSvFileDlg::Execute(QString &path, const QString &title, const QString &folder, const QString &filterName,
                         const QString &filterPatterns, const QString &defExt)
{
    return RunSave(path, title, folder, filterName, filterPatterns, defExt,
                   OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_LONGNAMES |
                       OFN_ENABLESIZING,
                   nullptr);
}

void TSvFileDlg::OnInitDone()
{
    CentreAndRefresh();
}

} // namespace VlmImgUt
