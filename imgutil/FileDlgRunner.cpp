#include "FileDlgRunner.h"
#include "Gdi.h"
#include "TImgUt.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

#include <algorithm>
#include <vector>

namespace VlmImgUt {

namespace {

TFileDlgRunner *currentRunner = nullptr;

const char *const IdProperty = "dlgId";

// ---- dialog templates ----

enum class CtlKind { Sunken, Bordered, Text, SunkenText, CheckBox, Radio, Group, DropList, Edit, Push };

struct TCtlDef {
    int32_t id;
    CtlKind kind;
    int x, y, w, h; // dialog units
    const char *text;
    bool centred;
};

struct TTemplateDef {
    const char *name;
    int w, h;
    std::vector<TCtlDef> controls; // bottom to top
};

const std::vector<TTemplateDef> &Templates()
{
    static const std::vector<TTemplateDef> defs = {
        {"OPIMGBOX", 222, 92, {
            {88, CtlKind::Sunken, 0, 0, 222, 92, "", false},
            {3, CtlKind::Bordered, 3, 3, 122, 86, "", false},
            {2, CtlKind::Text, 126, 8, 94, 8, "", true},
            {1, CtlKind::Text, 126, 22, 94, 8, "", true},
            {101, CtlKind::CheckBox, 143, 76, 62, 10, "Show Preview", false},
        }},
        {"SVIMGBOX", 228, 61, {
            {88, CtlKind::Sunken, 0, 0, 228, 61, "", false},
            {77, CtlKind::Group, 8, 4, 107, 51, "Default Image Format", false},
            {71, CtlKind::Radio, 18, 21, 87, 10, "Use Orig Image Format", false},
            {72, CtlKind::Radio, 18, 37, 50, 10, "Use Format", false},
            {73, CtlKind::DropList, 69, 35, 33, 59, "", false},
            {60, CtlKind::Text, 124, 12, 71, 10, "JPEG Quality (1 - 100)", false},
            {61, CtlKind::Edit, 198, 10, 22, 12, "", false},
            {50, CtlKind::Text, 133, 29, 77, 10, "TIFF Compression Type", false},
            {51, CtlKind::DropList, 124, 38, 96, 56, "", false},
        }},
        {"SVIMGSCR", 300, 61, {
            {88, CtlKind::Sunken, 0, 0, 300, 61, "", false},
            {77, CtlKind::Group, 8, 4, 107, 51, "Default Image Format", false},
            {71, CtlKind::Radio, 18, 21, 87, 10, "Use Orig Image Format", false},
            {72, CtlKind::Radio, 18, 37, 50, 10, "Use Format", false},
            {73, CtlKind::DropList, 69, 35, 33, 59, "", false},
            {60, CtlKind::Text, 124, 9, 42, 9, "JPEG Quality", false},
            {62, CtlKind::Text, 131, 17, 28, 9, "(1 - 100)", true},
            {61, CtlKind::Edit, 168, 12, 22, 12, "", false},
            {50, CtlKind::Text, 126, 30, 60, 9, "TIFF Compression", true},
            {51, CtlKind::DropList, 124, 39, 66, 56, "", false},
            {111, CtlKind::Group, 199, 4, 93, 51, "Spectrel Script", false},
            {101, CtlKind::CheckBox, 207, 16, 78, 10, "Save Remake Script", false},
            {103, CtlKind::Text, 204, 29, 84, 9, "Script Name/Location", true},
            {104, CtlKind::DropList, 204, 38, 84, 56, "", false},
        }},
        {"SELDIRBOX", 228, 50, {
            {88, CtlKind::Sunken, 0, 0, 228, 50, "", false},
            {60, CtlKind::Text, 72, 4, 84, 10, "Selected Directory", true},
            {66, CtlKind::SunkenText, 4, 15, 220, 10, "", true},
            {55, CtlKind::CheckBox, 14, 30, 92, 14, "Include Sub-Directories", false},
            {77, CtlKind::Push, 126, 30, 88, 14, "Clear Selected Directory", false},
        }},
    };
    return defs;
}

QWidget *MakeControl(const TCtlDef &d, QWidget *panel)
{
    const QString text = QString::fromLatin1(d.text);
    QWidget *w = nullptr;
    switch (d.kind) {
    case CtlKind::Sunken:
    case CtlKind::Bordered:
    case CtlKind::Text:
    case CtlKind::SunkenText: {
        auto *l = new QLabel(text, panel);
        if (d.kind == CtlKind::Sunken || d.kind == CtlKind::SunkenText)
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        else if (d.kind == CtlKind::Bordered)
            l->setFrameStyle(QFrame::Box | QFrame::Plain);
        l->setAlignment((d.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        l->setTextFormat(Qt::PlainText);
        w = l;
        break;
    }
    case CtlKind::CheckBox:
        w = new QCheckBox(text, panel);
        break;
    case CtlKind::Radio:
        w = new QRadioButton(text, panel);
        break;
    case CtlKind::Group:
        w = new QGroupBox(text, panel);
        break;
    case CtlKind::DropList: {
        auto *c = new QComboBox(panel);
        c->setMaxVisibleItems(8);
        w = c;
        break;
    }
    case CtlKind::Edit:
        w = new QLineEdit(panel);
        break;
    case CtlKind::Push:
        w = new QPushButton(text, panel);
        static_cast<QPushButton *>(w)->setAutoDefault(false);
        break;
    }
    int h = DluY(d.h);
    // A drop-down list's height includes its open list.
    if (d.kind == CtlKind::DropList)
        h = std::min(h, w->sizeHint().height());
    w->setGeometry(DluX(d.x), DluY(d.y), DluX(d.w), h);
    w->setProperty(IdProperty, d.id);
    return w;
}

// ---- control colours ----

// Where a control draws its text.
QRect TextRect(QWidget *w)
{
    const QFontMetrics fm = w->fontMetrics();
    if (auto *l = qobject_cast<QLabel *>(w)) {
        if (l->text().isEmpty())
            return {};
        return w->style()->itemTextRect(fm, l->contentsRect(), int(l->alignment()), l->isEnabled(), l->text());
    }
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.lineWidth = 1;
        opt.midLineWidth = 0;
        opt.textAlignment = g->alignment();
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        return w->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    }
    const bool radio = qobject_cast<QRadioButton *>(w) != nullptr;
    if (radio || qobject_cast<QCheckBox *>(w)) {
        auto *b = static_cast<QAbstractButton *>(w);
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect r = w->style()->subElementRect(radio ? QStyle::SE_RadioButtonContents
                                                         : QStyle::SE_CheckBoxContents, &opt, b);
        return w->style()->itemTextRect(fm, r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                        b->isEnabled(), b->text());
    }
    return {};
}

// Paints a panel control's background and text background as the hook
// answers, then lets the control paint itself on top.
class TColourFilter : public QObject {
public:
    explicit TColourFilter(TFileDlgSession *s) : session(s) {}

    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Paint || !o->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(o);
        uint32_t brush = 0, back = 0;
        bool opaque = false;
        if (!session->ControlColours(w, brush, back, opaque))
            return false;
        QPainter p(w);
        p.fillRect(w->rect(), ToQColor(brush));
        if (opaque) {
            const QRect r = TextRect(w);
            if (!r.isEmpty())
                p.fillRect(r, ToQColor(back));
        }
        return false;
    }

private:
    TFileDlgSession *session;
};

// The name-pattern pairs of a filter buffer.
std::vector<std::pair<QString, QString>> FilterPairs(const char16_t *filter)
{
    std::vector<std::pair<QString, QString>> pairs;
    if (!filter)
        return pairs;
    const char16_t *p = filter;
    while (*p) {
        const QString name = QString::fromUtf16(p);
        p += name.size() + 1;
        const QString pattern = QString::fromUtf16(p);
        p += pattern.size() + 1;
        pairs.emplace_back(name, pattern);
        if (pattern.isEmpty() && !*p)
            break;
    }
    return pairs;
}

} // namespace

// ---- runners ----

TFileDlgRunner &FileDlgRunner()
{
    return currentRunner ? *currentRunner : QtFileDlgRunner();
}

TFileDlgRunner *SetFileDlgRunner(TFileDlgRunner *runner)
{
    TFileDlgRunner *old = currentRunner;
    currentRunner = runner;
    return old;
}

bool GetOpenFileName(TOfn &ofn)
{
    return FileDlgRunner().Run(ofn, TDlgMode::Open);
}

bool GetSaveFileName(TOfn &ofn)
{
    return FileDlgRunner().Run(ofn, TDlgMode::Save);
}

QString AnyCasePatterns(const QString &patterns)
{
    QStringList out;
    for (const QString &pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        // A pattern with its own character sets is taken as it stands.
        if (pattern.contains(QLatin1Char('['))) {
            out << pattern;
            continue;
        }
        QString any;
        for (const QChar c : pattern) {
            const QChar lo = c.toLower(), up = c.toUpper();
            if (lo != up)
                any += QLatin1Char('[') + lo + up + QLatin1Char(']');
            else
                any += c;
        }
        out << any;
    }
    return out.join(QLatin1Char(';'));
}

QString BufferText(const char16_t *buffer, size_t size)
{
    if (!buffer)
        return {};
    size_t n = 0;
    while (n < size && buffer[n])
        ++n;
    return QString::fromUtf16(buffer, qsizetype(n));
}

TQtDlgSetup QtDlgSetup(const TOfn &ofn, TDlgMode mode)
{
    TQtDlgSetup s;
    s.save = mode == TDlgMode::Save;
    s.folders = mode == TDlgMode::Folder;
    s.multiSelect = mode == TDlgMode::Open && (ofn.flags & OFN_ALLOWMULTISELECT);
    s.confirmOverwrite = s.save && (ofn.flags & OFN_OVERWRITEPROMPT);
    s.sizeGrip = ofn.flags & OFN_ENABLESIZING;
    s.panel = (ofn.flags & OFN_ENABLETEMPLATE) && ofn.templateName;
    s.hook = (ofn.flags & OFN_ENABLEHOOK) && ofn.hook;
    QStringList filters;
    for (const auto &pair : FilterPairs(ofn.filter))
        filters << TImgUt::QtFileFilter(pair.first, AnyCasePatterns(pair.second));
    s.nameFilter = filters.join(QStringLiteral(";;"));
    if (ofn.defExt)
        s.defaultSuffix = QString::fromUtf16(ofn.defExt);
    if (ofn.title)
        s.title = QString::fromUtf16(ofn.title);
    if (ofn.initialDir)
        s.directory = QString::fromUtf16(ofn.initialDir);
    // Without a folder the dialog opens in the working folder, never in the
    // one a dialog showed last.
    if (s.directory.isEmpty())
        s.directory = QDir::currentPath();
    s.fileName = BufferText(ofn.file, ofn.maxFile);
    return s;
}

// ---- templates ----

int DluX(int units)
{
    return (units * 6 + 2) / 4;
}

int DluY(int units)
{
    return (units * 13 + 4) / 8;
}

QFont FileDlgFont(int pixelSize)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    return f;
}

QWidget *BuildDlgTemplate(const QString &name, QWidget *parent)
{
    for (const TTemplateDef &def : Templates()) {
        if (name.compare(QLatin1String(def.name), Qt::CaseInsensitive) != 0)
            continue;
        auto *panel = new QWidget(parent);
        panel->setObjectName(QLatin1String(def.name));
        // The templates are laid out for a narrow 8-point dialog font; a
        // face of Arial's metrics fits them at 10 pixels.
        panel->setFont(FileDlgFont(FileDlgPanelFontPixels));
        panel->resize(DluX(def.w), DluY(def.h));
        for (const TCtlDef &c : def.controls)
            MakeControl(c, panel);
        return panel;
    }
    return nullptr;
}

QWidget *GetDlgItem(const QWidget *panel, int32_t id)
{
    if (!panel)
        return nullptr;
    for (QObject *o : panel->children())
        if (o->isWidgetType() && o->property(IdProperty).toInt() == id && o->property(IdProperty).isValid())
            return static_cast<QWidget *>(o);
    return nullptr;
}

int32_t GetDlgCtrlID(const QWidget *control)
{
    return control ? control->property(IdProperty).toInt() : 0;
}

// ---- one run ----

TFileDlgSession::TFileDlgSession(TOfn &ofnArg, TFileDlgWindow &explorer, QWidget *panelParent) : ofn(ofnArg)
{
    wnd.explorer = &explorer;
    if (HasTemplate())
        wnd.panel = BuildDlgTemplate(QString::fromLatin1(ofn.templateName), panelParent);
    if (!wnd.panel) {
        // Without a template the hook serves an empty panel.
        wnd.panel = new QWidget(panelParent);
        wnd.panel->resize(0, 0);
    }

    colourFilter = std::make_unique<TColourFilter>(this);
    wnd.panel->installEventFilter(colourFilter.get());
    for (QObject *o : wnd.panel->children()) {
        if (!o->isWidgetType())
            continue;
        auto *w = static_cast<QWidget *>(o);
        const int32_t id = GetDlgCtrlID(w);
        w->installEventFilter(colourFilter.get());
        // Commands come from the user's actions only, never from the values
        // the hook sets.
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            QObject::connect(b, &QAbstractButton::clicked, b, [this, id] { Command(id); });
        else if (auto *c = qobject_cast<QComboBox *>(w))
            QObject::connect(c, &QComboBox::activated, c, [this, id] { Command(id); });
        else if (auto *e = qobject_cast<QLineEdit *>(w))
            QObject::connect(e, &QLineEdit::textEdited, e, [this, id] { Command(id); });
    }
}

void TFileDlgSession::Start()
{
    THookMsg msg;
    msg.kind = THookMsg::InitDialog;
    msg.ofn = &ofn;
    SendHook(msg);
}

TFileDlgSession::~TFileDlgSession()
{
    delete wnd.panel;
}

bool TFileDlgSession::HasTemplate() const
{
    return (ofn.flags & OFN_ENABLETEMPLATE) && ofn.templateName;
}

intptr_t TFileDlgSession::SendHook(const THookMsg &msg)
{
    if (!(ofn.flags & OFN_ENABLEHOOK) || !ofn.hook)
        return 0;
    return ofn.hook(wnd, msg);
}

void TFileDlgSession::InitDone()
{
    THookMsg msg;
    msg.code = CDN_INITDONE;
    SendHook(msg);
}

void TFileDlgSession::Notify(int32_t code)
{
    THookMsg msg;
    msg.code = code;
    if (wndProc)
        wndProc(*wnd.explorer, msg);
    SendHook(msg);
}

void TFileDlgSession::Command(int32_t id)
{
    THookMsg msg;
    msg.kind = THookMsg::Command;
    msg.code = id;
    SendHook(msg);
}

bool TFileDlgSession::OkCommand()
{
    if (!wndProc)
        return false;
    THookMsg msg;
    msg.kind = THookMsg::Command;
    msg.code = FdOkButton;
    return wndProc(*wnd.explorer, msg) != 0;
}

bool TFileDlgSession::FileOk()
{
    THookMsg msg;
    msg.code = CDN_FILEOK;
    return SendHook(msg) == 0;
}

bool TFileDlgSession::StoreResult(const QStringList &paths)
{
    if (!ofn.file || ofn.maxFile == 0 || paths.isEmpty())
        return false;
    std::u16string out;
    auto append = [&out](const QString &s) {
        out.append(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
        out.push_back(u'\0');
    };
    const bool single = paths.size() == 1 || !(ofn.flags & OFN_ALLOWMULTISELECT);
    if (single) {
        append(paths.first());
    } else {
        // The folder, then each name in it.
        const QString folder = QFileInfo(paths.first()).path();
        const QDir dir(folder);
        append(folder);
        for (const QString &p : paths)
            append(dir.relativeFilePath(p));
    }
    out.push_back(u'\0');
    // A single path needs only its own zero.
    const size_t need = single ? out.size() - 1 : out.size();
    if (need > ofn.maxFile)
        return false;
    std::fill(ofn.file, ofn.file + ofn.maxFile, u'\0');
    std::copy(out.begin(), out.begin() + ptrdiff_t(std::min<size_t>(out.size(), ofn.maxFile)), ofn.file);
    return true;
}

bool TFileDlgSession::ControlColours(QWidget *control, uint32_t &brush, uint32_t &textBack, bool &opaque)
{
    Gdi::DC dc;
    THookMsg msg;
    msg.kind = THookMsg::CtlColor;
    msg.dc = &dc;
    msg.control = control;
    const intptr_t answer = SendHook(msg);
    if (!answer)
        return false;
    brush = reinterpret_cast<Gdi::Brush *>(answer)->color;
    textBack = dc.bkColor;
    opaque = dc.bkMode == Gdi::OPAQUE;
    return true;
}

} // namespace VlmImgUt
