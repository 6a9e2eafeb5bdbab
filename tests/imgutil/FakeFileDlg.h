// A file-dialog runner for tests of any subsystem: while one exists, every
// file dialog of the library runs here instead of in a QFileDialog. Each run
// records what the dialog was given, builds the dialog's panel, feeds its
// hook and plays the next script, without a modal loop.
//
//   TFakeFileDlg fake;
//   fake.scripts.push_back([](TFakeFileDlg &d) { d.Choose({"/pics/a.bmp"}); });
//   TOpImgDlg dlg(nullptr, &ctx);
//   dlg.Execute(path, "Select Image File", folder, 'i', false); // path = "/pics/a.bmp"
//
// A run without a script is cancelled.
#pragma once

#include "FileDlgRunner.h"

#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <vector>

class TFakeFileDlg : public VlmImgUt::TFileDlgRunner, public VlmImgUt::TFileDlgWindow {
public:
    // What one dialog was given.
    struct Shown {
        VlmImgUt::TDlgMode mode;
        uint32_t flags = 0;
        std::u16string filter;  // the filter buffer up to its final zero
        QString title, folder, fileName, defExt, templateName;
        uint32_t maxFile = 0;
        QWidget *owner = nullptr;
        VlmImgUt::TQtDlgSetup qt; // what the Qt runner would set
    };
    using Script = std::function<void(TFakeFileDlg &)>;

    TFakeFileDlg() : previous(VlmImgUt::SetFileDlgRunner(this)) {}
    ~TFakeFileDlg() override { VlmImgUt::SetFileDlgRunner(previous); }
    TFakeFileDlg(const TFakeFileDlg &) = delete;
    TFakeFileDlg &operator=(const TFakeFileDlg &) = delete;

    std::deque<Script> scripts;
    std::vector<Shown> shown;

    // ---- during a script ----
    VlmImgUt::TFileDlgSession *session = nullptr;
    QWidget *Panel() const { return session->Panel(); }
    QWidget *Item(int id) const { return VlmImgUt::GetDlgItem(session->Panel(), id); }
    // The user selects an entry (a file or a folder; empty: none).
    void Select(const QString &path)
    {
        filePath = path;
        session->Notify(VlmImgUt::CDN_SELCHANGE);
    }
    void Choose(const QStringList &paths)
    {
        chosen = paths;
        choosing = true;
    }
    void Cancel() { choosing = false; }
    // The dialog's OK button.
    void PressOk()
    {
        if (!session->OkCommand())
            choosing = true;
    }

    // ---- the file dialog as the hooks see it; tests set and read these ----
    QRect frame{100, 100, 600, 400};
    QString filePath, folderPath, typedName, selectedItem, defExtSet;
    bool hasList = true;
    std::set<int32_t> hidden;
    std::map<int32_t, QString> texts;
    int endCode = -1;

    bool Run(VlmImgUt::TOfn &ofn, VlmImgUt::TDlgMode mode) override
    {
        Shown s;
        s.mode = mode;
        s.flags = ofn.flags;
        for (const char16_t *p = ofn.filter; p && (p[0] || p[1]); ++p)
            s.filter.push_back(*p);
        if (ofn.title)
            s.title = QString::fromUtf16(ofn.title);
        if (ofn.initialDir)
            s.folder = QString::fromUtf16(ofn.initialDir);
        s.fileName = VlmImgUt::BufferText(ofn.file, ofn.maxFile);
        if (ofn.defExt)
            s.defExt = QString::fromUtf16(ofn.defExt);
        if (ofn.templateName)
            s.templateName = QString::fromLatin1(ofn.templateName);
        s.maxFile = ofn.maxFile;
        s.owner = ofn.owner;
        s.qt = VlmImgUt::QtDlgSetup(ofn, mode);
        shown.push_back(s);

        VlmImgUt::TFileDlgSession run(ofn, *this, nullptr);
        session = &run;
        endCode = -1;
        choosing = false;
        chosen.clear();
        typedName = s.fileName;
        run.Start();
        run.InitDone();
        if (!scripts.empty()) {
            Script script = std::move(scripts.front());
            scripts.pop_front();
            script(*this);
        }
        bool result = false;
        if (endCode >= 0)
            result = endCode != 0;
        else if (choosing && run.FileOk())
            result = run.StoreResult(chosen);
        session = nullptr;
        return result;
    }

    QRect Frame() const override { return frame; }
    int ClientWidth() const override { return frame.width(); }
    void MoveTo(int x, int y) override { frame.moveTo(x, y); }
    QString FilePath() const override { return filePath; }
    QString FolderPath() const override { return folderPath; }
    QString TypedName() const override { return typedName; }
    bool HasFileList() const override { return hasList; }
    QString SelectedItem() const override { return selectedItem; }
    void SetDefExt(const QString &ext) override { defExtSet = ext; }
    void SetControlText(int32_t id, const QString &text) override
    {
        texts[id] = text;
        if (id == VlmImgUt::FdFileName)
            typedName = text;
    }
    void HideControl(int32_t id) override { hidden.insert(id); }
    void End(int code) override { endCode = code; }
    VlmImgUt::TWndProc SetWindowProc(VlmImgUt::TWndProc proc) override
    {
        VlmImgUt::TWndProc old = session->wndProc;
        session->wndProc = proc;
        return old;
    }

private:
    VlmImgUt::TFileDlgRunner *previous;
    QStringList chosen;
    bool choosing = false;
};
