#include "VlColorPick.h"

#include "DialogRun.h"
#include "GameLook.h"
#include "Prompts.h"
#include "VlDialog.h"
#include "VlOwnerLink.h"
#include "VlScale.h"
#include "VlLook.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// The basic colours of the palette's top row, by column.
constexpr COLORREF BasicColors[VCPBox::Columns] = {
    0x000000, 0x000080, 0x0000FF, 0xFF00FF, 0xFF0080, 0x800000, 0xFF0000, 0xFFFF00, 0x808000,
    0x008000, 0x00FF00, 0x008080, 0x00FFFF, 0xC0FFFF, 0x808080, 0xC0C0C0, 0xE0E0E0, 0xFFFFFF,
};

const char *const InvalidTexts[3] = {
    "Invalid Red value! (0 - 255)",
    "Invalid Green value! (0 - 255)",
    "Invalid Blue value! (0 - 255)",
};


int ChannelOf(COLORREF rgb, int channel)
{
    return channel == 0 ? GetRValue(rgb) : channel == 1 ? GetGValue(rgb) : GetBValue(rgb);
}

bool Blank(const QString &text)
{
    for (QChar c : text)
        if (c != u' ' && c != u'\t')
            return false;
    return true;
}

} // namespace

// ---- VCPBox ---------------------------------------------------------------------

VCPBox::VCPBox(QWidget *parent) : VlPanel(parent)
{
}

VCPBox::~VCPBox() = default;

COLORREF VCPBox::PaletteColor(int i)
{
    if (i < 0 || i >= Rows * Columns)
        return 0;
    if (i < Columns)
        return BasicColors[i];
    if (i < 2 * Columns) {
        const int v = (i - Columns + 1) * 255 / 20;
        return RGBColor(v, v, v);
    }
    const int b = (i - 2 * Columns) / Columns;
    const int k = (i - 2 * Columns) % Columns;
    const int red = k < 9 ? (k + 1) * 255 / 9 : (18 - k) * 255 / 9;
    const int green = b < 6 ? (b + 1) * 255 / 6 : (12 - b) * 255 / 6;
    const int blue = b < 6 ? (k < 9 ? 0 : 150) : (k < 9 ? 200 : 255);
    COLORREF c = RGBColor(red, green, blue);
    // Two cells would repeat white and yellow of the top row.
    if (c == 0xFFFFFF || c == 0x00FFFF)
        c -= 0x100;
    return c;
}

int VCPBox::CrossCell(Color c) const
{
    int cell = -1;
    for (int i = 0; i < rows * columns; ++i)
        if (c != ColorNull && PaletteColor(i) == COLORREF(c))
            cell = i;
    return cell;
}

void VCPBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int d = cellSize;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            p.fillRect(QRect(c * d, r * d, d, d), ToQColor(PaletteColor(r * columns + c)));
    const QColor line = ToQColor(uint32_t(lineColor));
    for (int k = 0; k <= columns; ++k)
        p.fillRect(QRect(k * d, 0, 1, rows * d), line);
    for (int k = 0; k <= rows; ++k)
        p.fillRect(QRect(0, k * d, columns * d, 1), line);
    const int cell = CrossCell(chosenColor);
    if (cell >= 0) {
        const int x = (cell % columns) * d, y = (cell / columns) * d, h = d / 2;
        p.fillRect(QRect(x + 2, y + h, d - 4, 2), line);
        p.fillRect(QRect(x + h, y + 2, 2, d - 4), line);
    }
}

void VCPBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        LeftDown(event->position().toPoint(), event);
}

void VCPBox::LeftDown(const QPoint &point, QMouseEvent *event)
{
    if (!owner || cellSize <= 0 || point.x() < 0 || point.y() < 0)
        return;
    const int column = point.x() / cellSize, row = point.y() / cellSize;
    if (column >= columns || row >= rows)
        return;
    chosenColor = Color(PaletteColor(column + columns * row));
    picked = true;
    VlForwardMouse(owner, event, QEvent::MouseButtonPress, Qt::LeftButton);
    update();
}

// ---- VlColorPick ------------------------------------------------------------------

VlColorPick::VlColorPick(Color start, QWidget *parent)
    : QDialog(parent), backgroundColor(Color(RGBColor(36, 36, 36))), color(start)
{
    setWindowTitle(QStringLiteral("Select Color"));
    const QRect area = AvailableArea(parent);
    layoutScale = area.isEmpty() ? VlScaleX : FitScale(VlScaleX, area.size());
    Layout(layoutScale);
    move(CentredPlace(size(), parent));

    if (VlLook == 'S') {
        backgroundColor = Color(VlColorPaper());
        const Color face = Color(VlColorFace());
        palette.ApplySystemColors(face);
        editPanel.ApplySystemColors(face);
        buttonStrip.ApplySystemColors(face);
    }

    UpdateColor();

    // Only the user's edits, drags and clicks run these.
    for (int ch = 0; ch < 3; ++ch)
        connect(&Edit(ch), &VlEditBase::action, this, [this, ch] { OnRgbEdit(ch); });
    connect(&ramp, &ColorCtrlBase::action, this, [this] { OnRamp(); });
    connect(&wheel, &ColorCtrlBase::action, this, [this] { OnWheel(); });
    connect(&selectButton, &QAbstractButton::clicked, this, [this] { OnSelect(); });
    connect(&cancelButton, &QAbstractButton::clicked, this, [this] { OnCancel(this); });
}

VlColorPick::~VlColorPick() = default;

void VlColorPick::Layout(float s)
{
    auto S = [s](int k) { return int(float(k) * s + 0.5f); };
    const int d = S(12), e = S(8);
    const QSize size = WindowSize(s);
    resize(size);

    // Past the screen's room the kit font shrinks with the layout.
    const QFont font = s == VlScaleX ? VlFont : VlFontOfHeight(std::min(VlFontHeight, S(11)));

    ramp.setParent(this);
    ramp.setGeometry(e, e, 18 * d, 14 * d);
    wheel.setParent(this);
    wheel.setGeometry(e, 14 * d + 2 * e, 18 * d, 14 * d);

    palette.setParent(this);
    palette.owner = this;
    palette.cellSize = d;
    palette.SetDesignRect(2 * e + 18 * d, e, 18 * d, 14 * d, true);

    const int P = S(208);
    editPanel.setParent(this);
    editPanel.SetDesignRect(2 * e + 18 * d + (18 * d - P) / 2, 14 * d + S(40), P, S(74), true);
    struct Field {
        VlText VlColorPick::*label;
        VlEditNo VlColorPick::*edit;
        const char *caption;
        int labelX, labelW, editX;
        COLORREF ink;
    };
    static const Field fields[3] = {
        {&VlColorPick::redLabel, &VlColorPick::redEdit, "Red", 9, 21, 34, RGBColor(212, 101, 101)},
        {&VlColorPick::greenLabel, &VlColorPick::greenEdit, "Green", 72, 32, 107, RGBColor(88, 181, 141)},
        {&VlColorPick::blueLabel, &VlColorPick::blueEdit, "Blue", 145, 24, 171, RGBColor(55, 141, 181)},
    };
    for (const Field &f : fields) {
        VlText &label = this->*f.label;
        PlaceText(editPanel, label, S(f.labelX), S(3), S(f.labelW), S(16), f.caption, Qt::AlignLeft, Color(f.ink));
        label.setFont(font);
        VlEditNo &edit = this->*f.edit;
        edit.setParent(&editPanel);
        VlSetDesignRect(edit, S(f.editX), S(1), S(28), S(20));
        edit.setFont(font);
        edit.setFocusPolicy(Qt::ClickFocus);
        edit.SetColors(0x000000, false);
    }
    preview.setParent(&editPanel);
    preview.SetDesignRect(S(2), S(24), S(204), S(48), true);

    const int B = S(180);
    buttonStrip.setParent(this);
    buttonStrip.SetDesignRect(2 * e + 18 * d + (18 * d - B) / 2, 28 * d - S(24), B, S(22), true);
    PlaceTextButton(buttonStrip, selectButton, S(1), S(1), S(66), S(20), "Select", Color(RGBColor(102, 136, 221)));
    PlaceTextButton(buttonStrip, cancelButton, S(112), S(1), S(66), S(20), "Cancel", Color(RGBColor(221, 102, 102)));
    selectButton.setFont(font);
    cancelButton.setFont(font);
}

QSize VlColorPick::WindowSize(float s)
{
    const int d = int(12.0f * s + 0.5f), e = int(8.0f * s + 0.5f);
    return QSize(3 * e + 36 * d, 3 * e + 28 * d);
}

float VlColorPick::FitScale(float wanted, const QSize &available)
{
    return FitLayoutScale(wanted, available, WindowSize);
}

VlEditNo &VlColorPick::Edit(int channel)
{
    return channel == 0 ? redEdit : channel == 1 ? greenEdit : blueEdit;
}

void VlColorPick::UpdateColor()
{
    palette.chosenColor = color;
    const COLORREF rgb = PlainColor(color);
    for (int ch = 0; ch < 3; ++ch) {
        VlEditNo &edit = Edit(ch);
        const QString text = QString::number(ChannelOf(rgb, ch));
        // An unchanged text keeps the cursor where the user is typing.
        if (edit.text() != text)
            edit.setText(text);
    }
    ramp.SetColor(color);
    wheel.SetColor(color);
    preview.color = color;
    preview.ownColor = color;
    preview.update();
    palette.update();
}

void VlColorPick::OnRamp()
{
    color = Color(ramp.GetColor());
    UpdateColor();
}

void VlColorPick::OnWheel()
{
    color = Color(wheel.GetColor());
    UpdateColor();
}

void VlColorPick::OnRgbEdit(int channel)
{
    if (channel < 0 || channel > 2)
        return;
    VlEditNo &edit = Edit(channel);
    const COLORREF rgb = PlainColor(color);
    int value = 0;
    if (!Blank(edit.text())) {
        // A text that is no integer, a number too long for one included,
        // is as invalid as one out of range.
        const std::optional<int32_t> v = VlEditNo::Parse(edit.text());
        if (!v || *v < 0 || *v > 255) {
            PromptOK(this, QString::fromLatin1(InvalidTexts[channel]));
            edit.setText(QString::number(ChannelOf(rgb, channel)));
            return;
        }
        value = *v;
    }
    int c[3] = {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)};
    c[channel] = value;
    color = Color(RGBColor(c[0], c[1], c[2]));
    UpdateColor();
}

void VlColorPick::OnSelect()
{
    done(1);
    close();
}

void VlColorPick::LeftDown(const QPoint &)
{
    if (!palette.picked)
        return;
    color = palette.chosenColor;
    palette.picked = false;
    UpdateColor();
}

void VlColorPick::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), ToQColor(uint32_t(backgroundColor)));
}

void VlColorPick::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        LeftDown(event->position().toPoint());
}
