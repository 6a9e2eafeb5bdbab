#include "VlEdit.h"

#include "VlLook.h"
#include "VlRestyle.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QValidator>

#include <limits>

VlEditStyle VlEditStyle::Default()
{
    VlEditStyle s;
    s.text = Color(VlColorText());
    s.paper = Color(VlColorPaper());
    s.selection = Color(VlColorHighlight());
    s.selectedText = 0xFFFFFF;
    s.disabledText = Color(VlColorDisabled());
    return s;
}

VlEditBase::VlEditBase(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    VlSetFrame(this, VlFrame::Field);
    setTextMargins(VlFrameMargins(VlFrame::Field));
    ownStyle = VlEditStyle::Default();
    ownStyle.text = ownTextColor;
    install(ownStyle, true);
    SetNoBackground(true);
    SetTransparent(true);
    connect(this, &QLineEdit::textEdited, this, [this] { emit action(); });
    VlRegisterRestyle(this, [this] { restyle(); });
}

VlEditBase::~VlEditBase()
{
    VlUnregisterRestyle(this);
}

void VlEditBase::SetColors(Color text, bool noBg)
{
    ownTextColor = text;
    ownStyle.text = text;
    noBackgroundFlag = noBg;
    InstallOwnStyle();
    SetNoBackground(noBg);
    SetTransparent(true);
    update();
}

void VlEditBase::InstallOwnStyle()
{
    install(ownStyle, true);
}

void VlEditBase::InstallDefaultStyle()
{
    install(VlEditStyle::Default(), false);
}

void VlEditBase::install(const VlEditStyle &s, bool own)
{
    installed = s;
    ownInstalled = own;
    QPalette pal = palette();
    // The background is painted here, never by the style.
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, Qt::transparent);
        pal.setColor(g, QPalette::Text, ToQColor(uint32_t(g == QPalette::Disabled ? s.disabledText : s.text)));
        pal.setColor(g, QPalette::Highlight, ToQColor(uint32_t(s.selection)));
        pal.setColor(g, QPalette::HighlightedText, ToQColor(uint32_t(s.selectedText)));
    }
    setPalette(pal);
    update();
}

void VlEditBase::restyle()
{
    // The own style follows the new system colours; its text colour stays.
    ownStyle = VlEditStyle::Default();
    ownStyle.text = ownTextColor;
    if (ownInstalled)
        InstallOwnStyle();
    else
        InstallDefaultStyle();
}

void VlEditBase::SetNoBackground(bool on)
{
    noBackground = on;
    update();
}

void VlEditBase::SetTransparent(bool on)
{
    transparent = on;
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent, !on && !noBackground);
    update();
}

void VlEditBase::SetFrame(VlFrame frame)
{
    VlSetFrame(this, frame);
    setTextMargins(VlFrameMargins(frame));
}

void VlEditBase::paintEvent(QPaintEvent *event)
{
    {
        QPainter p(this);
        const QRect view = rect().marginsRemoved(VlFrameMargins(this));
        if (!noBackground && installed.paper != ColorNull)
            p.fillRect(view, ToQColor(uint32_t(installed.paper)));
        VlPaintFrame(p, rect(), VlFrameOf(this));
    }
    QLineEdit::paintEvent(event);
}

VlEditTx::VlEditTx(QWidget *parent) : VlEditBase(parent)
{
}

// ---- Integer field --------------------------------------------------------

namespace {

// Lets through only what the key filter lets through: a paste or a drop
// with any other character is refused whole.
class FilterValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (QChar c : input)
            if (!VlEditNo::CharPasses(c))
                return Invalid;
        return Acceptable;
    }
};

} // namespace

VlEditNo::VlEditNo(QWidget *parent) : VlEditBase(parent)
{
    setValidator(new FilterValidator(this));
    setFocusPolicy(Qt::ClickFocus);
}

bool VlEditNo::CharPasses(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\t' || u == u' ' || u == u'-' || (u >= u'0' && u <= u'9');
}

std::optional<int32_t> VlEditNo::Parse(const QString &text)
{
    int i = 0;
    const int n = int(text.size());
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (i < n && blank(text[i]))
        ++i;
    int end = n;
    while (end > i && blank(text[end - 1]))
        --end;
    if (i == end)
        return std::nullopt;
    bool negative = false;
    if (text[i] == u'-') {
        negative = true;
        ++i;
    }
    if (i == end)
        return std::nullopt;
    int64_t v = 0;
    for (; i < end; ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        v = v * 10 + (u - u'0');
        if (v > int64_t(MaxValue) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < MinValue || v > MaxValue)
        return std::nullopt;
    return int32_t(v);
}

std::optional<int32_t> VlEditNo::GetInt() const
{
    return Parse(text());
}

void VlEditNo::SetInt(std::optional<int32_t> value)
{
    if (value && *value >= MinValue)
        setText(QString::number(*value));
    else
        setText(QString());
}

void VlEditNo::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    bool pass = false;
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
        switch (event->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Delete:
            pass = mods == Qt::NoModifier;
            break;
        default: {
            const QString t = event->text();
            pass = t.size() == 1 && CharPasses(t[0]);
            break;
        }
        }
    }
    if (pass)
        QLineEdit::keyPressEvent(event);
    else
        event->ignore();
}

void VlEditNo::keyReleaseEvent(QKeyEvent *event)
{
    event->ignore();
}
