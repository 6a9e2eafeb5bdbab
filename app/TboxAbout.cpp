#include "TboxAbout.h"

#include "GameLook.h"
#include "TSettings.h"
#include "VlDesign.h"
#include "VlScale.h"
#include "VlCursor.h"
#include "VlmPix.h"

#include "Gdi.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryFile>

namespace {

constexpr int CycleTick = 100;   // ms

// The picture compiled into the program: a JPEG of 208 x 200 pixels.
const char PictureResource[] = ":/about/about.jpg";

void FreeDib(VlmImgUt::TDib *&dib)
{
    if (!dib)
        return;
    dib->Free();
    delete dib;
    dib = nullptr;
}

// One byte of a cycle step: the saved byte moved on by the offset, folded
// into 34..161.
uint8_t CycledByte(uint8_t saved, int offset)
{
    int v = saved + offset;
    if (v > 255)
        v -= 255;
    return uint8_t(v <= 127 ? v + 34 : 289 - v);
}

QFont UnderlinedFont()
{
    QFont f = VlFont;
    f.setUnderline(true);
    return f;
}

} // namespace

// ---- The picture ------------------------------------------------------------

BAImgBox::BAImgBox(QWidget *parent) : VlPanel(parent)
{
    timer.setInterval(CycleTick);
    connect(&timer, &QTimer::timeout, this, [this] { AnimateStep(); });
}

BAImgBox::~BAImgBox()
{
    timer.stop();
    FreeDib(image);
    FreeDib(savedImage);
}

void BAImgBox::paintEvent(QPaintEvent *event)
{
    const int w = width(), h = height();
    if (!image || !settings || !image->dc || w <= 0 || h <= 0) {
        VlPanel::paintEvent(event);
        return;
    }
    if (!backBuffer)
        backBuffer = std::make_unique<VlmImgUt::TDib>();
    if ((backBuffer->width != w || backBuffer->height != h || !backBuffer->bits) && !backBuffer->Create(w, h)) {
        VlPanel::paintEvent(event);
        return;
    }
    Gdi::HBRUSH brush = Gdi::CreateSolidBrush(COLORREF(brushColor));
    Gdi::HBRUSH old = Gdi::SelectObject(backBuffer->dc, brush);
    Gdi::RECT r{0, 0, w, h};
    VlmImgUt::TImgUt::DrawImageFit(backBuffer->dc, image, r, true, 1, false, true, 0);
    Gdi::SelectObject(backBuffer->dc, old);
    Gdi::DeleteObject(brush);
    QPainter p(this);
    Gdi::BlitToPainter(p, 0, 0, backBuffer->dc, 0, 0, w, h);
}

void BAImgBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    ToggleAnimation();
    update();
}

void BAImgBox::ToggleAnimation()
{
    if (animating) {
        // Frozen: the colours and the count of this run stay.
        timer.stop();
        animating = false;
        return;
    }
    if (!image)
        return;
    if (!savedImage) {
        savedImage = new VlmImgUt::TDib;
        savedImage->CopyFrom(image);
    }
    timer.start();
    animating = true;
}

void BAImgBox::AnimateStep()
{
    if (!image || !savedImage || !animating || !image->bits || !savedImage->bits)
        return;
    if (image->width != savedImage->width || image->height != savedImage->height)
        return;

    const int cycle = 3 * phaseLength;
    ++step;
    if (step > cycle)
        step = 1;
    if (step < 1)
        step = cycle;
    const int k = (step - 1) / phaseLength;
    const int pos = step - 1 - k * phaseLength;
    int offset[3];
    for (int c = 0; c < 3; ++c) {
        offset[c] = factor[(k + c) % 3] * pos;
        if (offset[c] > 255)
            offset[c] %= 255;
    }

    // The three bytes of each pixel in memory order: blue, green, red.
    for (int y = 0; y < image->height; ++y) {
        uint8_t *out = image->bits + size_t(y) * size_t(image->stride);
        const uint8_t *in = savedImage->bits + size_t(y) * size_t(savedImage->stride);
        for (int x = 0; x < image->width; ++x, out += 3, in += 3) {
            out[0] = CycledByte(in[0], offset[0]);
            out[1] = CycledByte(in[1], offset[1]);
            out[2] = CycledByte(in[2], offset[2]);
        }
    }

    ++tickCount;
    if (tickCount > cycle - 1) {
        ToggleAnimation();
        tickCount = 0;
        image->CopyFrom(savedImage);
    }
    if (isVisible())
        repaint();
}

// ---- The dialog ---------------------------------------------------------------

const char TboxAbout::WebCaption[] = "quibo.example.org";

QUrl TboxAbout::WebPage()
{
    return QUrl(QStringLiteral("https://quibo.example.org/"));
}

TboxAbout::TboxAbout(TSettings *settings_, QWidget *parent) : QDialog(parent), settings(settings_)
{
    setWindowTitle(QStringLiteral("About quibo"));
    resize(292, 196);
    setMouseTracking(true);

    mainPanel.setParent(this);
    mainPanel.SetDesignRect(8, 8, 276, 126, true);
    mainPanel.SetFrame(VlFrame::InsetOutset);

    picture.setParent(&mainPanel);
    picture.SetDesignRect(8, 12, 100, 100, true);
    picture.owner = this;
    picture.settings = settings;

    PlaceText(mainPanel, nameText, 161, 12, 48, 17, "quibo", Qt::AlignLeft, 0xC0C0C0);
    nameText.setFont(BoldFont(14));
    PlaceText(mainPanel, tmText, 209, 11, 14, 14, "TM", Qt::AlignLeft, 0xC0C0C0);
    tmText.setFont(BoldFont(8));
    PlaceText(mainPanel, versionLabel, 128, 28, 126, 15, "Version 1.7 (64-Bit)", Qt::AlignRight, 0xBBBBBB);
    PlaceText(mainPanel, webLabel, 117, 100, 50, 15, "Web Site:", Qt::AlignLeft, 0xBBBBBB);

    webButton.setParent(&mainPanel);
    webButton.SetDesignRect(167, 98, 96, 17);
    webButton.setText(QString::fromLatin1(WebCaption));
    webButton.SetColors(0xDD8866, 0, 0x2C2C6F, 0x654221);
    webButton.setFont(UnderlinedFont());
    connect(&webButton, &QAbstractButton::clicked, this, [this] { OpenWebSite(); });

    donePanel.setParent(this);
    donePanel.SetDesignRect(121, 167, 50, 22, true);
    doneButton.setParent(&donePanel);
    doneButton.SetDesignRect(0, 0, 50, 22);
    doneButton.setText(QStringLiteral("Done"));
    doneButton.SetColors(0x66DDDD, 0, 0x2C2C6F, 0x654221);
    doneButton.setFont(BoldUnderlinedFont());
    connect(&doneButton, &QAbstractButton::clicked, this, [this] { close(); });

    if (VlScale != 'n') {
        resize(int(292.0f * VlScaleX + 0.5f), int(196.0f * VlScaleY + 0.5f));
        mainPanel.Rescale(true);
        picture.Rescale(true);
        donePanel.Rescale(true);
        nameText.setFont(BoldFont(VlFontHeight + 3));
        tmText.setFont(VlFontOfHeight(VlFontHeight - 3));
        webButton.setFont(UnderlinedFont());
        doneButton.setFont(UnderlinedFont());
    }

    LoadPicture();
    // A control under the pointer takes its moves without passing them on,
    // so the cursor is also chosen whenever the pointer enters one.
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
}

TboxAbout::~TboxAbout() = default;

void TboxAbout::LoadPicture()
{
    if (!settings || !settings->imgUt)
        return;
    QFile resource(QString::fromLatin1(PictureResource));
    if (!resource.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = resource.readAll();
    if (bytes.isEmpty())
        return;
    // The picture reader takes a file: one of a fresh name, made only for
    // us and removed at the end of the scope; never a fixed name that
    // another user could have put a link at.
    for (QString folder : {QDir::tempPath(), settings->userFolder}) {
        if (folder.isEmpty() || !QDir().mkpath(folder))
            continue;
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        QTemporaryFile file(folder + QStringLiteral("bAbtXXXXXX.jpg"));
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
            continue;
        if (settings->imgUt->ReadImageFile(file.fileName(), &picture.image, 0, 0, false) && picture.image)
            picture.image->SetBrush(COLORREF(picture.brushColor));
        else
            FreeDib(picture.image);
        return;
    }
}

void TboxAbout::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), ToQColor(uint32_t(dialogColor)));
}

bool TboxAbout::Key(int key)
{
    if (key != 13)
        return false;
    close();
    return true;
}

void TboxAbout::keyPressEvent(QKeyEvent *event)
{
    if (PlainEnter(*event) && Key(13)) {
        event->accept();
        return;
    }
    // Not handled, Escape included.
    event->ignore();
}

void TboxAbout::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    // The point itself is in the picture's coordinates when the picture
    // forwards it.
    ShowCursorAt(event->globalPosition().toPoint());
}

bool TboxAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter)
        ShowCursorAt(static_cast<QEnterEvent *>(event)->globalPosition().toPoint());
    return QDialog::eventFilter(watched, event);
}

void TboxAbout::ShowCursorAt(const QPoint &global)
{
    if (picture.rect().contains(picture.mapFromGlobal(global))) {
        const QImage hand = VlmPix::Get(VlmPix::Find(QStringLiteral("HndPinch")));
        VlOverrideCursor(QCursor(QPixmap::fromImage(hand), hand.offset().x(), hand.offset().y()));
    } else {
        VlOverrideCursor(QCursor(Qt::ArrowCursor));
    }
}

void TboxAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    picture.setFocus(Qt::OtherFocusReason);
    QCursor::setPos(picture.mapToGlobal(QPoint(picture.width() - 8, picture.height() / 2)));
}

void TboxAbout::OpenWebSite()
{
    QDesktopServices::openUrl(WebPage());
}
