#include "BoardView.h"
#include "BoxPainter.h"

#include "BboxCnt.h"
#include "BoardInput.h"
#include "GameFlow.h"
#include "TDib.h"
#include "TGame.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "VlCursor.h"
#include "VlLook.h"
#include "VlSkinImage.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <algorithm>

namespace {

unsigned FlagsOf(const QMouseEvent *event)
{
    return (event->buttons() & Qt::LeftButton) ? TBoardInput::KeyFlagLeft : 0u;
}

// A fresh render bitmap: black brush and pen.
void PrepareBitmap(VlmImgUt::TDib *dib)
{
    dib->SetBrush(0x000000);
    dib->SetPen(0x000000, 1);
}

// One step of the intro title's colour channel: past 255, 255 is taken off.
int StepTitleChannel(int value, int add)
{
    value += add;
    if (value > 255)
        value -= 255;
    return value;
}

} // namespace

TBoardView::TBoardView(TSettings *settings, TGameFlow &flow, TBoardInput &input, QWidget *parent)
    : QWidget(parent), settings(settings), flow(flow), input(input)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The paint covers the whole board (the bitmap, black where it has
    // none), so Qt need not fill the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
}

TBoardView::~TBoardView()
{
    KillIntroTimer();
}

// ---- Qt's events -------------------------------------------------------------

void TBoardView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool was = painting;
    painting = true;
    Paint(painter);
    painting = was;
}

void TBoardView::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        input.LeftDown(p, FlagsOf(event));
    else if (event->button() == Qt::RightButton)
        input.RightDown(p, FlagsOf(event));
}

// The second press of a double click is a press like the first.
void TBoardView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void TBoardView::mouseMoveEvent(QMouseEvent *event)
{
    input.MouseMove(event->position().toPoint(), FlagsOf(event));
}

void TBoardView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        input.LeftUp(event->position().toPoint(), FlagsOf(event));
}

void TBoardView::keyPressEvent(QKeyEvent *event)
{
    if (!input.Key(event->key(), event->modifiers()))
        event->ignore();
}

bool TBoardView::focusNextPrevChild(bool)
{
    return false;
}

// ---- Painting ----------------------------------------------------------------

void TBoardView::Paint(QPainter &draw)
{
    TSettings &s = *settings;
    s.clientWidth = width();
    s.clientHeight = height();
    if (!s.renderBuffer || s.renderBuffer->width != s.clientWidth || s.renderBuffer->height != s.clientHeight)
        reRender = true;
    if (reRender) {
        if (!isVisible())
            return;
        RenderBoard();
        if (flow.introRunning && !introTimer)
            StartIntroTimer();
    }

    // The copy of the bitmap: converted once per render, drawn as it is;
    // black beside it.
    int w = 0, h = 0;
    if (s.renderBuffer && !screenFrame.isNull()) {
        w = std::clamp(std::min(s.bufferWidth, screenFrame.width()), 0, width());
        h = std::clamp(std::min(s.bufferHeight, screenFrame.height()), 0, height());
        draw.drawImage(0, 0, screenFrame, 0, 0, w, h);
    }
    if (w < width())
        draw.fillRect(w, 0, width() - w, height(), Qt::black);
    if (h < height())
        draw.fillRect(0, h, w, height() - h, Qt::black);

    if (TGame *game = flow.game) {
        if (game->infoId != 0)
            game->PaintInfo(draw, game->infoId);
        if (input.dragging)
            game->PaintDrag(input.lastX, input.lastY, draw);
        if (flow.introRunning)
            PaintSplashTitle(draw);
    }
}

void TBoardView::RenderBoard()
{
    TSettings &s = *settings;
    if (s.bufferWidth != s.clientWidth || s.bufferHeight != s.clientHeight)
        emit sizeChanged();

    // The bitmap, made again (not resized) when the size changed.
    if (!s.renderBuffer || s.renderBuffer->width != s.bufferWidth || s.renderBuffer->height != s.bufferHeight) {
        const bool fresh = !s.renderBuffer;
        if (fresh)
            s.renderBuffer = new VlmImgUt::TDib;
        if (!s.renderBuffer->Create(s.bufferWidth, s.bufferHeight)) {
            VlmImgUt::ReleaseDib(s.renderBuffer);
            screenFrame = QImage();
            return;
        }
        PrepareBitmap(s.renderBuffer);
        if (fresh)
            Gdi::PatBlt(s.renderBuffer->dc, 0, 0, s.bufferWidth, s.bufferHeight, Gdi::PATCOPY);
        flow.LayoutBoard();
    }
    reRender = false;

    // Background: the pattern, else the background colour; during the
    // intro and without a game the brush stays as it is.
    TGame *game = flow.game;
    if (game)
        PreparePictures();
    bool patternDrawn = false;
    if (!flow.introRunning && game) {
        if (s.usePattern)
            patternDrawn = pattern.Draw(s);
        if (!patternDrawn)
            s.renderBuffer->SetBrush(COLORREF(s.backgroundColor));
    }
    if (!patternDrawn)
        Gdi::PatBlt(s.renderBuffer->dc, 0, 0, s.bufferWidth, s.bufferHeight, Gdi::PATCOPY);

    if (game) {
        game->PaintShape(flow.boardRect);
        const bool isSolved = game->Evaluate(false);
        BboxCnt &panel = flow.panel;
        panel.scoreValue.SetText(QString::number(game->score));
        panel.movesValue.SetText(QString::number(game->moves));
        panel.disorderValue.SetText(QString::number(game->disorder));
        if (isSolved) {
            emit solved();
        } else if (!flow.keepMessage) {
            panel.messagePanel.hide();
            panel.hintPanel.show();
        }
    }

    Gdi::ToQImage(s.renderBuffer->bitmap, screenFrame);
}

void TBoardView::PreparePictures()
{
    TSettings &s = *settings;
    TPictureJobs jobs(s);
    // The pattern depends only on the bitmap's size: during the intro it
    // is read for the game that follows.
    if (s.usePattern)
        pattern.Prepare(s, jobs);
    s.painter->pictures.Prepare(s, TFacePictures::FitSize(s, flow.game->levels), jobs);
    jobs.Run();
}

// ---- The pattern ----------------------------------------------------------------

TBoardPattern::~TBoardPattern()
{
    VlmImgUt::ReleaseDib(stretched);
}

bool TBoardPattern::Serves(const TSettings &s, int W, int H) const
{
    // The stretched copy serves while the settings hold no other picture
    // and the file and the size are the same.
    return stretched && !s.patternImage && !s.patternFile.isEmpty() && stretchedFile == s.patternFile
           && stretchedForWidth == W && stretchedForHeight == H;
}

void TBoardPattern::Load(TSettings &s, VlmImgUt::TImgUt *ctx, int W, int H)
{
    if (!s.patternImage && ctx && !s.patternFile.isEmpty() && s.patternFile != failed) {
        VlmImgUt::TDib *picture = nullptr;
        if (!ctx->ReadImageFile(s.patternFile, &picture, 0, 0, false)) {
            VlmImgUt::ReleaseDib(picture);
            failed = s.patternFile;
        } else {
            failed.clear();
        }
        s.patternImage = picture;
    }
    if (!s.patternImage)
        return;
    int w, h;
    if (!BoxPainter::DrawnSize(s.patternImage->width, s.patternImage->height, W, H, w, h) || s.patternFile.isEmpty())
        return;
    auto *copy = new VlmImgUt::TDib;
    if (!copy->Create(w, h)) {
        VlmImgUt::ReleaseDib(copy);
        return;
    }
    Gdi::SetStretchBltMode(copy->dc, Gdi::HALFTONE);
    Gdi::StretchBlt(copy->dc, 0, 0, w, h, s.patternImage->dc, 0, 0, s.patternImage->width, s.patternImage->height,
                    Gdi::SRCCOPY);
    stretched = copy;
    stretchedFile = s.patternFile;
    stretchedForWidth = W;
    stretchedForHeight = H;
    VlmImgUt::ReleaseDib(s.patternImage);
}

void TBoardPattern::Prepare(TSettings &s, TPictureJobs &jobs)
{
    const int W = s.bufferWidth, H = s.bufferHeight;
    if (Serves(s, W, H) || s.patternImage || !s.imgUt || s.patternFile.isEmpty() || s.patternFile == failed)
        return;
    VlmImgUt::ReleaseDib(stretched);
    jobs.Add(TPictureJobs::PictureBytes(s.patternFile), !TPictureJobs::ReadsSideBySide(s.patternFile, *s.imgUt),
             [this, &s, W, H](VlmImgUt::TImgUt *ctx, TPictureJobs &) { Load(s, ctx, W, H); });
}

bool TBoardPattern::Draw(TSettings &s)
{
    const int W = s.bufferWidth, H = s.bufferHeight;
    if (stretched && !Serves(s, W, H))
        VlmImgUt::ReleaseDib(stretched);
    if (!stretched) {
        Load(s, s.imgUt, W, H);
        if (!stretched && !s.patternImage)
            return false;
    }
    QRect whole(0, 0, W, H);
    if (stretched) {
        // Drawn at its own size now; the bitmap is left in the mode the
        // stretch into it would have set.
        if (!s.tilePattern && Gdi::GetStretchBltMode(s.renderBuffer->dc) != Gdi::HALFTONE)
            Gdi::SetStretchBltMode(s.renderBuffer->dc, Gdi::HALFTONE);
        s.PutImage(s.renderBuffer, stretched, whole, s.tilePattern, false);
    } else {
        s.PutImage(s.renderBuffer, s.patternImage, whole, s.tilePattern, false);
    }
    return true;
}

void TBoardView::PaintSplashTitle(QPainter &draw)
{
    TGame *game = flow.game;
    if (!flow.introRunning || !game)
        return;
    const TBoxRec &b = game->box[1][1][1];
    const int boxSize = settings->boxSize;
    const int ax = b.x + boxSize;
    const int ay = b.y;
    const int W = 2 * boxSize - settings->sideDepth;
    const int H = boxSize - settings->topDepth;

    const QString title = QStringLiteral("quibo");
    QFont font = VlSansFont(std::max(1, introTitleHeight));
    QFontMetrics fm(font);
    int cx = fm.horizontalAdvance(title);
    int cy = fm.height();
    if (cx > W - 8 || cy > H - 16) {
        for (int i = 0; i < 8 && (cx > W - 8 || cx > H - 10) && introTitleHeight > 2; ++i) {
            introTitleHeight -= 2;
            font = VlSansFont(introTitleHeight);
            fm = QFontMetrics(font);
            cx = fm.horizontalAdvance(title);
            cy = fm.height();
        }
    }

    const QColor ink = ToQColor(uint32_t(introTitleColor));
    const int x = ax + (W - cx) / 2;
    const int y = ay - 8 + (H - cy) / 2;
    draw.setPen(ink);
    draw.setFont(font);
    draw.drawText(QRect(x, y, cx, cy), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title);

    const QString hint = QStringLiteral("(Right-Click boxes for info)");
    const QFont small = VlSansFont(introTitleHeight >= 50 ? 12 : 10);
    const QFontMetrics sm(small);
    const int hw = sm.horizontalAdvance(hint);
    draw.setFont(small);
    draw.drawText(QRect(ax + (W - hw) / 2, y + cy - 4, hw, sm.height()),
                  Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, hint);

    const int r = StepTitleChannel(GetRValue(uint32_t(introTitleColor)), 12);
    const int g = StepTitleChannel(GetGValue(uint32_t(introTitleColor)), 16);
    const int bl = StepTitleChannel(GetBValue(uint32_t(introTitleColor)), 8);
    introTitleColor = Color(RGBColor(r, g, bl));
}

// ---- Intro timer -----------------------------------------------------------------

void TBoardView::SplashTimerProc()
{
    if (settings && settings->inputEnabled)
        RefreshSync();
}

void TBoardView::StartIntroTimer()
{
    if (introTimer)
        return;
    introTimer = new QTimer(this);
    introTimer->setInterval(100);
    connect(introTimer, &QTimer::timeout, this, [this] { SplashTimerProc(); });
    introTimer->start();
}

void TBoardView::KillIntroTimer()
{
    if (!introTimer)
        return;
    introTimer->stop();
    delete introTimer;
    introTimer = nullptr;
}

// ---- Repaints and the cursor ---------------------------------------------------------

void TBoardView::Rerender(bool now)
{
    reRender = true;
    if (now)
        RefreshSync();
    else
        update();
}

void TBoardView::RefreshSync()
{
    if (painting || !isVisible())
        update();
    else
        repaint();
}

int TBoardView::CursorSizeOf(char scale)
{
    switch (scale) {
    case 'j':
    case 'h': return 48;
    case 'e':
    case 'g': return 64;
    case 'c':
    case 's': return 96;
    default: return 32;
    }
}

void TBoardView::SetBoardCursor(bool moving)
{
    const QImage &image = cursorImage;
    if (image.isNull()) {
        VlOverrideCursor(QCursor(Qt::ArrowCursor));
        return;
    }
    if (moving || cursorWidth <= 32) {
        VlOverrideCursor(QCursor(QPixmap::fromImage(image), image.offset().x(), image.offset().y()));
        return;
    }
    // Rescaled to the interface's cursor size and sharpened; the hot spot
    // goes with the horizontal factor. The last result is kept, as the
    // pointer moves over the same picture most of the time.
    if (image.cacheKey() != lastKey || cursorWidth != lastWidth || cursorHeight != lastHeight || lastCursor.isNull()) {
        const float f = image.width() > 0 ? float(cursorWidth) / float(image.width()) : 1.0f;
        lastCursor = VlResizeSharpened(image, cursorWidth, cursorHeight, f);
        lastKey = image.cacheKey();
        lastWidth = cursorWidth;
        lastHeight = cursorHeight;
    }
    VlOverrideCursor(QCursor(QPixmap::fromImage(lastCursor), lastCursor.offset().x(), lastCursor.offset().y()));
}
