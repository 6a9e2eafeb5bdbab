#include "VlButton.h"

#include "VlHover.h"
#include "VlScale.h"
#include "VlCursor.h"
#include "VlLook.h"
#include "VlRestyle.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

#include <algorithm>

namespace {

// Look under the mouse in the looks "C" and "S".
constexpr Color SkinHot = 0x8A5C28;

QImage transPicture()
{
    QImage img = VlmPix::Get(VlmPix::Find(QStringLiteral("Trans")));
    if (img.isNull()) {
        img = QImage(4, 4, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
    }
    return img;
}

QImage disabledPicture(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = row[x];
            const int g = (qRed(p) * 11 + qGreen(p) * 16 + qBlue(p) * 5) / 32;
            const int v = 96 + g / 3;
            row[x] = qRgba(v, v, v, qAlpha(p) * 2 / 3);
        }
    }
    return img;
}

QImage monoPictureIn(const QImage &src, const QColor &ink)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            row[x] = qRgba(ink.red(), ink.green(), ink.blue(), qAlpha(row[x]));
    }
    return img;
}

VlButtonStyle faceStyle(VlButtonLook::Kind kind)
{
    VlButtonStyle s;
    for (int i = 0; i < 4; ++i) {
        s.look[i] = VlButtonLook::OfFace(kind, i);
        s.textColor[i] = Color(i == VlButtonStyle::Disabled ? VlColorDisabled() : VlColorText());
    }
    return s;
}

// The normal style with "Trans" as its normal and disabled looks, so the
// panel shows through, and flat colours under the mouse and pressed.
VlButtonStyle transparentStyle(Color hot, Color pressed)
{
    VlButtonStyle s = faceStyle(VlButtonLook::NormalFace);
    const QImage trans = transPicture();
    s.look[VlButtonStyle::Normal] = VlButtonLook::OfPicture(trans);
    s.look[VlButtonStyle::Disabled] = VlButtonLook::OfPicture(trans);
    s.look[VlButtonStyle::Hot] = VlButtonLook::OfColour(hot);
    s.look[VlButtonStyle::Pressed] = VlButtonLook::OfColour(pressed);
    return s;
}

} // namespace

VlButtonLook VlButtonLook::OfColour(Color c)
{
    VlButtonLook l;
    l.kind = Colour;
    l.colour = c;
    return l;
}

VlButtonLook VlButtonLook::OfPicture(const QImage &image)
{
    VlButtonLook l;
    l.kind = Picture;
    l.picture = image;
    return l;
}

VlButtonLook VlButtonLook::OfFace(Kind kind, int state)
{
    VlButtonLook l;
    l.kind = kind;
    l.state = state;
    l.face = VlColorFace();
    l.light = VlColorLight();
    return l;
}

VlButtonStyle VlButtonStyle::StyleNormal()
{
    return faceStyle(VlButtonLook::NormalFace);
}

VlButtonStyle VlButtonStyle::StyleEdge()
{
    return faceStyle(VlButtonLook::EdgeFace);
}

void VlPaintButtonLook(QPainter &p, const QRect &r, const VlButtonLook &look)
{
    if (r.isEmpty())
        return;
    switch (look.kind) {
    case VlButtonLook::Colour:
        if (look.colour != ColorNull)
            p.fillRect(r, ToQColor(uint32_t(look.colour)));
        return;
    case VlButtonLook::Picture:
        if (!look.picture.isNull())
            p.drawImage(r, look.picture);
        return;
    case VlButtonLook::NormalFace: {
        // A raised face with a dark rim and softened corners; pressed it
        // sinks, disabled it goes flat.
        const QColor f = ToQColor(look.face);
        QColor rim = f.darker(260);
        QRect in = r.adjusted(1, 1, -1, -1);
        switch (look.state) {
        case 1: {
            QLinearGradient g(in.topLeft(), in.bottomLeft());
            g.setColorAt(0, f.lighter(135));
            g.setColorAt(1, f.lighter(106));
            p.fillRect(in, g);
            p.fillRect(QRect(in.left(), in.top(), in.width(), 1), f.lighter(160));
            p.fillRect(QRect(in.left(), in.top(), 1, in.height()), f.lighter(150));
            rim = f.darker(300);
            break;
        }
        case 2:
            p.fillRect(in, f.darker(118));
            p.fillRect(QRect(in.left(), in.top(), in.width(), 1), f.darker(150));
            p.fillRect(QRect(in.left(), in.top(), 1, in.height()), f.darker(140));
            break;
        case 3:
            p.fillRect(in, f);
            rim = f.darker(150);
            break;
        default: {
            QLinearGradient g(in.topLeft(), in.bottomLeft());
            g.setColorAt(0, f.lighter(120));
            g.setColorAt(1, f.darker(108));
            p.fillRect(in, g);
            p.fillRect(QRect(in.left(), in.top(), in.width(), 1), f.lighter(145));
            p.fillRect(QRect(in.left(), in.top(), 1, in.height()), f.lighter(135));
            p.fillRect(QRect(in.left(), in.bottom(), in.width(), 1), f.darker(125));
            break;
        }
        }
        // Rim without its four corner pixels.
        p.fillRect(QRect(r.left() + 1, r.top(), r.width() - 2, 1), rim);
        p.fillRect(QRect(r.left() + 1, r.bottom(), r.width() - 2, 1), rim);
        p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), rim);
        p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), rim);
        return;
    }
    case VlButtonLook::EdgeFace: {
        // A flat face with one-pixel edges.
        const QColor f = ToQColor(look.face);
        const QColor l = ToQColor(look.light).lighter(125);
        const QColor s = f.darker(200);
        QColor tl = l, br = s, fill = f;
        switch (look.state) {
        case 1:
            fill = f.lighter(118);
            tl = l.lighter(115);
            break;
        case 2:
            fill = f.darker(112);
            tl = s;
            br = l;
            break;
        case 3:
            tl = br = f.darker(130);
            break;
        default:
            break;
        }
        p.fillRect(r, fill);
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), tl);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), tl);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
        return;
    }
    }
}

VlButton::VlButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);
    ApplyStyleW();
    VlRegisterRestyle(this, [this] { ApplyLookStyle(); });
}

VlButton::~VlButton()
{
    VlUnregisterRestyle(this);
}

void VlButton::SetColors(Color ink_, Color ink2_, Color face_, Color hot_)
{
    ink = ink_;
    ink2 = ink2_;
    face = face_;
    hot = hot_;
    ApplyLookStyle();
}

void VlButton::SetDesignRect(int x, int y, int width, int height)
{
    VlSetDesignRect(*this, x, y, width, height);
}

void VlButton::SetSkinImage(const QString &name, char mode)
{
    const QImage img = SkinImage(name);
    if (img.isNull())
        return;
    SetImage(img, mode != 'W');
}

void VlButton::SetImage(const QImage &image, bool monochrome)
{
    picture = image;
    monoPicture = monochrome;
    updateGeometry();
    update();
}

void VlButton::SetStyle(const VlButtonStyle &s)
{
    style = s;
    update();
}

void VlButton::ApplyStyleW()
{
    VlButtonStyle s = transparentStyle(hot, face);
    for (Color &c : s.textColor)
        c = ink;
    SetStyle(s);
}

void VlButton::ApplyStyleC()
{
    VlButtonStyle s = VlAltButtonStyle ? VlButtonStyle::StyleEdge() : transparentStyle(SkinHot, third);
    for (Color &c : s.textColor)
        c = VlSkinInk;
    SetStyle(s);
}

void VlButton::ApplyStyleS()
{
    VlButtonStyle s;
    if (VlAltButtonStyle) {
        s = VlButtonStyle::StyleEdge();
        const VlButtonLook formerNormal = s.look[VlButtonStyle::Normal];
        s.look[VlButtonStyle::Normal] = s.look[VlButtonStyle::Hot];
        s.look[VlButtonStyle::Disabled] = s.look[VlButtonStyle::Hot];
        s.look[VlButtonStyle::Hot] = formerNormal;
    } else {
        s = VlButtonStyle::StyleNormal();
        const Color faceNow = Color(VlColorFace());
        s.look[VlButtonStyle::Normal] = VlButtonLook::OfColour(faceNow);
        s.look[VlButtonStyle::Disabled] = VlButtonLook::OfColour(faceNow);
        s.look[VlButtonStyle::Hot] = VlButtonLook::OfColour(SkinHot);
        s.look[VlButtonStyle::Pressed] = VlButtonLook::OfColour(third);
    }
    SetStyle(s);
}

void VlButton::ApplyLookStyle()
{
    if (VlLook == 'C')
        ApplyStyleC();
    else if (VlLook == 'S')
        ApplyStyleS();
    else
        ApplyStyleW();
}

int VlButton::VisualState() const
{
    if (!isEnabled())
        return VlButtonStyle::Disabled;
    if (isDown())
        return VlButtonStyle::Pressed;
    if (VlPointerOver(this))
        return VlButtonStyle::Hot;
    return VlButtonStyle::Normal;
}

QSize VlButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const QSize t = fm.size(Qt::TextSingleLine, text());
    const int w = picture.width() + (picture.isNull() || text().isEmpty() ? 0 : 3) + t.width() + 12;
    const int h = std::max(picture.height(), t.height()) + 6;
    return QSize(w, h);
}

void VlButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int state = VisualState();
    VlHoverPainted(this, state == VlButtonStyle::Hot);
    VlPaintButtonLook(p, rect(), style.look[state]);

    // The label: picture left of the text, both centred. The styles give
    // every state the button's ink; as for disabled labels, the painting
    // greys the text of a disabled button.
    const QColor textColor = ToQColor(state == VlButtonStyle::Disabled ? VlColorDisabled()
                                                                      : uint32_t(style.textColor[state]));
    const QFontMetrics fm(font());
    const QString label = text();
    const QSize ts = label.isEmpty() ? QSize(0, 0) : fm.size(Qt::TextSingleLine, label);
    const int gap = (!picture.isNull() && !label.isEmpty()) ? 3 : 0;
    const int cw = picture.width() + gap + ts.width();
    QPoint off = state == VlButtonStyle::Pressed ? style.pressOffset : QPoint(0, 0);
    int x = (width() - cw) / 2 + off.x();
    const int cy = height() / 2 + off.y();
    if (!picture.isNull()) {
        QImage img = picture;
        if (monoPicture)
            img = monoPictureIn(picture, textColor);
        else if (state == VlButtonStyle::Disabled)
            img = disabledPicture(picture);
        p.drawImage(QPoint(x, cy - picture.height() / 2), img);
        x += picture.width() + gap;
    }
    if (!label.isEmpty()) {
        p.setFont(font());
        p.setPen(textColor);
        p.drawText(QRect(x, cy - ts.height() / 2, ts.width(), ts.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, label);
    }
}

void VlButton::mouseMoveEvent(QMouseEvent *event)
{
    VlOverrideCursor(Qt::ArrowCursor);
    QAbstractButton::mouseMoveEvent(event);
    update();
}

void VlButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton || JustArrived()) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void VlButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (JustArrived()) {
        event->accept();
        return;
    }
    QAbstractButton::mouseDoubleClickEvent(event);
}

void VlButton::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    NoteArrival();
}

void VlButton::moveEvent(QMoveEvent *event)
{
    QAbstractButton::moveEvent(event);
    if (isVisible())
        NoteArrival();
}

void VlButton::NoteArrival()
{
    if (VlPointerOver(this))
        arrivedUnderPointer.start();
    else
        arrivedUnderPointer.invalidate();
}

bool VlButton::JustArrived() const
{
    return arrivedUnderPointer.isValid()
        && arrivedUnderPointer.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void VlButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void VlButton::enterEvent(QEnterEvent *event)
{
    update();
    QAbstractButton::enterEvent(event);
}

void VlButton::leaveEvent(QEvent *event)
{
    update();
    QAbstractButton::leaveEvent(event);
}
