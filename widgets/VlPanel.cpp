#include "VlPanel.h"

#include "VlArray.h"
#include "VlButton.h"
#include "VlDrop.h"
#include "VlEdit.h"
#include "VlOpt.h"
#include "VlOwnerLink.h"
#include "VlScale.h"
#include "VlCursor.h"
#include "VlLook.h"
#include "VlSlider.h"
#include "VlText.h"

#include "Gdi.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstring>

#include <algorithm>

namespace {

template <class Ctl>
void placeScaled(Ctl *c)
{
    VlSetRect(c, c->designRect.Scaled());
}

// Visits the direct kit children; `fn` gets the child and its class.
template <class F>
void forKitChildren(QWidget *panel, bool withRescaleOnly, F fn)
{
    const QObjectList kids = panel->children();
    for (QObject *o : kids) {
        QWidget *w = qobject_cast<QWidget *>(o);
        if (!w || w->isWindow())
            continue;
        fn(w, VlKitClassOf(w, withRescaleOnly));
    }
}

} // namespace

// ---- VlPanel --------------------------------------------------------------------

VlPanel::VlPanel(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

VlPanel::~VlPanel() = default;

void VlPanel::SetDesignRect(int x, int y, int width, int height, bool place)
{
    designRect = VlDesignRect{x, y, width, height};
    if (place)
        VlSetRect(this, designRect.Unscaled());
}

QRect VlPanel::ViewRect() const
{
    return rect().marginsRemoved(VlFrameMargins(this));
}

void VlPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (opaque && color != ColorNull)
        p.fillRect(ViewRect(), ToQColor(uint32_t(color)));
    VlPaintFrame(p, rect(), VlFrameOf(this));
}

void VlPanel::ForwardMouse(QMouseEvent *event, QEvent::Type type, Qt::MouseButton button)
{
    const QMargins m = VlFrameMargins(this);
    if (m.isNull()) {
        VlForwardMouse(owner, event, type, button);
        return;
    }
    const QPointF view = event->position() - QPointF(m.left(), m.top());
    QMouseEvent atView(event->type(), view, event->scenePosition(), event->globalPosition(), event->button(),
                       event->buttons(), event->modifiers(), event->pointingDevice());
    VlForwardMouse(owner, &atView, type, button);
}

void VlPanel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (owner) {
        ForwardMouse(event, QEvent::MouseMove, Qt::NoButton);
        return;
    }
    VlOverrideCursor(Qt::ArrowCursor);
}

void VlPanel::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (owner)
        VlForwardWheel(owner, event);
}

void VlPanel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void VlPanel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void VlPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void VlPanel::Rescale(bool self)
{
    if (self)
        VlSetRect(this, designRect.Scaled());
    const int row = VlRowHeight(VlFont);
    forKitChildren(this, true, [&](QWidget *w, VlKitClass cls) {
        switch (cls) {
        case VlKitClass::Button:
            if (auto *b = qobject_cast<VlButton *>(w)) {
                placeScaled(b);
                b->setFont(VlFontWithIncrement(b->fontIncrement));
            }
            break;
        case VlKitClass::Text:
            if (auto *t = qobject_cast<VlText *>(w)) {
                placeScaled(t);
                t->setFont(VlFontWithIncrement(t->fontIncrement));
            }
            break;
        case VlKitClass::EditTx:
        case VlKitClass::EditNo:
            if (auto *e = qobject_cast<VlEditBase *>(w)) {
                placeScaled(e);
                e->setFont(VlFont);
            }
            break;
        case VlKitClass::Opt:
            if (auto *o = qobject_cast<VlOpt *>(w)) {
                placeScaled(o);
                o->setFont(VlFont);
            }
            break;
        case VlKitClass::Drop:
            if (auto *d = qobject_cast<VlDrop *>(w)) {
                placeScaled(d);
                d->valueDisplay.font = VlFont;
                d->itemDisplay.font = VlFont;
                d->rowHeight = row;
            }
            break;
        case VlKitClass::Slider:
            if (auto *s = qobject_cast<VlSlider *>(w))
                placeScaled(s);
            break;
        case VlKitClass::Array:
            if (auto *a = qobject_cast<VlArray *>(w)) {
                placeScaled(a);
                a->cellDisplay.font = VlFont;
                a->SetRowHeight(row);
                for (int c = 0; c < a->columnCount(); ++c)
                    a->SetHeaderFont(c, VlFont);
            }
            break;
        case VlKitClass::None:
            break;
        }
        w->update();
    });
    update();
}

void VlPanel::RestoreColors()
{
    color = ownColor;
    forKitChildren(this, false, [&](QWidget *w, VlKitClass cls) {
        switch (cls) {
        case VlKitClass::Button:
            if (auto *b = qobject_cast<VlButton *>(w)) {
                b->ApplyStyleW();
                b->ink2 = 0;
                b->face = 0x2C2C6F;
                b->hot = 0x654221;
                b->ApplyLookStyle();
            }
            break;
        case VlKitClass::EditTx:
        case VlKitClass::EditNo:
            if (auto *e = qobject_cast<VlEditBase *>(w)) {
                e->InstallOwnStyle();
                e->SetNoBackground(e->noBackgroundFlag);
                e->SetTransparent(e->noBackgroundFlag);
            }
            break;
        case VlKitClass::Text:
            if (auto *t = qobject_cast<VlText *>(w)) {
                t->SetInk(t->ownInk);
                if (t->opaque) {
                    t->paper = t->ownPaper;
                    t->SetTransparent(false);
                }
            }
            break;
        case VlKitClass::Opt:
            if (auto *o = qobject_cast<VlOpt *>(w))
                o->ink = o->ownInk;
            break;
        case VlKitClass::Drop:
            if (auto *d = qobject_cast<VlDrop *>(w)) {
                d->SetFrame(VlFrame::Inset);
                for (VlDisplay *disp : {&d->valueDisplay, &d->itemDisplay}) {
                    disp->ink = disp->ownInk;
                    disp->paper = disp->ownPaper;
                    disp->ownColors = true;
                }
            }
            break;
        case VlKitClass::Array:
            if (auto *a = qobject_cast<VlArray *>(w)) {
                a->OddRowColor(a->ownPaper, a->ownInk);
                a->EvenRowColor(a->ownPaper, a->ownInk);
            }
            break;
        default:
            break;
        }
        if (cls != VlKitClass::None)
            w->update();
    });
    update();
}

namespace {

// Gives every kit child of the panel one look: the system colours or the skin's.
void applyUniformColors(QWidget *panel, bool skin)
{
    forKitChildren(panel, false, [&](QWidget *w, VlKitClass cls) {
        const Color ink = skin ? VlSkinInk : Color(VlColorLabel());
        const Color paper = skin ? VlSkinPaper : Color(VlColorPaper());
        switch (cls) {
        case VlKitClass::Button:
            if (auto *b = qobject_cast<VlButton *>(w)) {
                if (skin)
                    b->ApplyStyleC();
                else
                    b->ApplyStyleS();
            }
            break;
        case VlKitClass::EditTx:
        case VlKitClass::EditNo:
            if (auto *e = qobject_cast<VlEditBase *>(w)) {
                e->InstallDefaultStyle();
                e->SetNoBackground(false);
                e->SetTransparent(false);
            }
            break;
        case VlKitClass::Text:
            if (auto *t = qobject_cast<VlText *>(w)) {
                t->SetInk(ink);
                if (t->opaque) {
                    t->paper = paper;
                    t->SetTransparent(false);
                } else {
                    t->SetTransparent(true);
                }
            }
            break;
        case VlKitClass::Opt:
            if (auto *o = qobject_cast<VlOpt *>(w))
                o->ink = ink;
            break;
        case VlKitClass::Drop:
            if (auto *d = qobject_cast<VlDrop *>(w)) {
                d->SetFrame(VlFrame::Inset);
                for (VlDisplay *disp : {&d->valueDisplay, &d->itemDisplay}) {
                    if (skin) {
                        disp->ink = ink;
                        disp->paper = paper;
                    }
                    disp->ownColors = skin;
                }
            }
            break;
        case VlKitClass::Array:
            if (auto *a = qobject_cast<VlArray *>(w)) {
                const Color rowInk = skin ? VlSkinInk : Color(VlColorText());
                a->OddRowColor(paper, rowInk);
                a->EvenRowColor(paper, rowInk);
            }
            break;
        default:
            break;
        }
        if (cls != VlKitClass::None)
            w->update();
    });
}

} // namespace

void VlPanel::ApplySystemColors(Color c)
{
    color = c;
    applyUniformColors(this, false);
    update();
}

void VlPanel::ApplySkinColors(Color c)
{
    color = c;
    applyUniformColors(this, true);
    update();
}

// ---- VlTitleBox ---------------------------------------------------------------------

VlTitleBox::VlTitleBox(QWidget *parent) : VlPanel(parent), caption(new VlText(this))
{
}

VlTitleBox::~VlTitleBox() = default;

QFont VlTitleBox::CaptionFont(int style, int pixelHeight)
{
    QFont f = VlFontOfHeight(pixelHeight);
    f.setBold(style == 1 || style == 3);
    f.setUnderline(style == 2);
    return f;
}

void VlTitleBox::SetTitle(const QString &text, Color paper, Color ink, int frameCode, int style)
{
    int position = 0;
    int frame = frameCode;
    if (frameCode >= 100) {
        position = frameCode / 100;
        frame = frameCode % 100;
    }
    int increment = 0;
    int st = style;
    if (style >= 100) {
        increment = style / 100;
        st = style % 100;
    }
    styleCode = st;

    const QFont font = CaptionFont(st, 11 + increment);
    if (increment > 0)
        caption->fontIncrement = increment;

    const QSize ts = QFontMetrics(font).size(0, text);
    const int cw = ts.width() + 6;
    const int ch = ts.height() + (frame <= 3 ? 1 : 3);
    int cx;
    if (position == 1)
        cx = 0;
    else if (position == 2)
        cx = designRect.width - cw;
    else
        cx = (designRect.width - cw) / 2;
    caption->designRect = VlDesignRect{cx, 0, cw, ch};
    VlSetRect(caption, caption->designRect.Unscaled());

    caption->opaque = true;
    caption->paper = paper;
    caption->ownPaper = paper;
    caption->SetTransparent(false);
    caption->ownInk = ink;
    caption->SetInk(ink);
    caption->setFont(font);
    caption->SetAlign(Qt::AlignRight);
    caption->SetFrame(VlFrameOfCode(frame));
    caption->SetText(text);
}

void VlTitleBox::Rescale(bool self)
{
    VlPanel::Rescale(self);
    caption->setFont(CaptionFont(styleCode, VlFontHeight + caption->fontIncrement));
}

// ---- VlImgBox ---------------------------------------------------------------------------

VlImgBox::VlImgBox(QWidget *parent) : VlPanel(parent), captionFont(VlFont)
{
}

VlImgBox::~VlImgBox() = default;

void VlImgBox::ApplyScale()
{
    Rescale(true);
    lastWidth = width();
    lastHeight = height();
}

bool VlImgBox::DrawsOneToOne() const
{
    return image && lastWidth == image->width && lastHeight == image->height;
}

void VlImgBox::resizeEvent(QResizeEvent *event)
{
    lastWidth = width();
    lastHeight = height();
    VlPanel::resizeEvent(event);
}

void VlImgBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = lastWidth, h = lastHeight;
    if (image && context && image->dc) {
        if (DrawsOneToOne()) {
            Gdi::BlitToPainter(p, 0, 0, image->dc, 0, 0, w, h);
        } else if (w > 0 && h > 0) {
            // Fitted into a back buffer of the last size, margins black.
            if (!backBuffer)
                backBuffer = std::make_unique<VlmImgUt::TDib>();
            if ((backBuffer->width != w || backBuffer->height != h || !backBuffer->bits) && !backBuffer->Create(w, h))
                return;
            Gdi::HBRUSH brush = Gdi::CreateSolidBrush(0x000000);
            Gdi::HBRUSH old = Gdi::SelectObject(backBuffer->dc, brush);
            Gdi::RECT r{0, 0, w, h};
            VlmImgUt::TImgUt::DrawImageFit(backBuffer->dc, image, r, true, 1, stretch, true, 0);
            Gdi::SelectObject(backBuffer->dc, old);
            Gdi::DeleteObject(brush);
            Gdi::BlitToPainter(p, 0, 0, backBuffer->dc, 0, 0, w, h);
        }
    } else if (ownColor != ColorNull && w > 0 && h > 0) {
        p.fillRect(QRect(0, 0, w, h), ToQColor(uint32_t(ownColor)));
    }
    if (showCaption && !captionText.isEmpty()) {
        const QSize ts = QFontMetrics(captionFont).size(0, captionText);
        const int x = std::max(0, (w - ts.width()) / 2);
        const int y = std::max(0, (h - ts.height()) / 2);
        p.setFont(captionFont);
        p.setPen(ToQColor(uint32_t(captionInk)));
        p.drawText(QRect(x, y, ts.width(), ts.height()), Qt::AlignLeft | Qt::AlignTop, captionText);
    }
}

void VlImgBox::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (owner)
        ForwardMouse(event, QEvent::MouseMove, Qt::NoButton);
}

void VlImgBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (owner && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton))
        ForwardMouse(event, QEvent::MouseButtonPress, Qt::LeftButton);
}

void VlImgBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (owner && event->button() == Qt::LeftButton)
        ForwardMouse(event, QEvent::MouseButtonRelease, Qt::LeftButton);
}

void VlImgBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press like the first.
    mousePressEvent(event);
}

// ---- Child walk ------------------------------------------------------------------

VlKitClass VlKitClassOf(const QWidget *control, bool withRescaleOnly)
{
    if (!control)
        return VlKitClass::None;
    const char *name = control->metaObject()->className();
    static const std::pair<const char *, VlKitClass> names[] = {
        {"VlButton", VlKitClass::Button}, {"VlEditTx", VlKitClass::EditTx}, {"VlEditNo", VlKitClass::EditNo},
        {"VlText", VlKitClass::Text},     {"VlOpt", VlKitClass::Opt},       {"VlDrop", VlKitClass::Drop},
        {"VlSlider", VlKitClass::Slider}, {"VlArray", VlKitClass::Array},
    };
    for (const auto &[word, cls] : names) {
        if (!withRescaleOnly && cls == VlKitClass::Slider)
            continue;
        if (std::strstr(name, word))
            return cls;
    }
    return VlKitClass::None;
}
