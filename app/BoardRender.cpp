// Board rendering of the main window: the off-screen render into the
// settings' render bitmap when something changed, the copy to the screen
// with the transient layers over it (info card, dragged outline, intro
// title), and the end of a game with the Hall of Fame.
#include "TboxScr.h"

#include "TDib.h"
#include "TGame.h"
#include "THighScrs.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "VlScale.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

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

// The last end-of-game step: the selection outline goes at the next
// render, which is asked for, and the info card closes.
void ClearSelection(TboxScr &w)
{
    if (!w.game)
        return;
    if (w.game->selectedId != 0) {
        w.game->selectedId = 0;
        w.reRender = true;
        w.View()->update();
    }
    w.game->infoId = 0;
}

} // namespace

void TboxScr::Paint(QPainter &draw)
{
    TSettings &s = *settings;
    s.clientWidth = View()->width();
    s.clientHeight = View()->height();
    if (!s.renderBuffer || s.renderBuffer->width != s.clientWidth || s.renderBuffer->height != s.clientHeight)
        reRender = true;
    if (reRender) {
        if (!View()->isVisible())
            return;
        RenderBoard();
        if (introRunning && !introTimer)
            StartIntroTimer();
    }

    // The copy of the bitmap: converted once per render, drawn as it is.
    if (s.renderBuffer && !screenFrame.isNull())
        draw.drawImage(0, 0, screenFrame, 0, 0, std::min(s.bufferWidth, screenFrame.width()),
                       std::min(s.bufferHeight, screenFrame.height()));
    else
        draw.fillRect(View()->rect(), Qt::black);

    if (game) {
        if (game->infoId != 0)
            game->PaintInfo(draw, game->infoId);
        if (dragging)
            game->PaintDrag(lastX, lastY, draw);
        if (introRunning)
            PaintSplashTitle(draw);
    }
}

void TboxScr::RenderBoard()
{
    TSettings &s = *settings;
    if (s.bufferWidth != s.clientWidth || s.bufferHeight != s.clientHeight)
        SyncWindowSize();

    // The bitmap, made again (not resized) when the size changed.
    if (!s.renderBuffer) {
        s.renderBuffer = new VlmImgUt::TDib;
        if (!s.renderBuffer->Create(s.bufferWidth, s.bufferHeight)) {
            TSettings::ReleaseDib(s.renderBuffer);
            screenFrame = QImage();
            return;
        }
        PrepareBitmap(s.renderBuffer);
        Gdi::PatBlt(s.renderBuffer->dc, 0, 0, s.bufferWidth, s.bufferHeight, Gdi::PATCOPY);
        LayoutBoard();
    } else if (s.renderBuffer->width != s.bufferWidth || s.renderBuffer->height != s.bufferHeight) {
        if (!s.renderBuffer->Create(s.bufferWidth, s.bufferHeight)) {
            TSettings::ReleaseDib(s.renderBuffer);
            screenFrame = QImage();
            return;
        }
        PrepareBitmap(s.renderBuffer);
        LayoutBoard();
    }
    reRender = false;

    // Background: the pattern, else the background colour; during the
    // intro and without a game the brush stays as it is.
    bool patternDrawn = false;
    if (!introRunning && game) {
        if (s.usePattern) {
            if (!s.patternImage && s.imgUt && !s.patternFile.isEmpty() && s.patternFile != patternFailed) {
                if (!s.imgUt->ReadImageFile(s.patternFile, &s.patternImage, 0, 0, false)) {
                    TSettings::ReleaseDib(s.patternImage);
                    patternFailed = s.patternFile;
                } else {
                    patternFailed.clear();
                }
            }
            if (s.patternImage) {
                QRect whole(0, 0, s.bufferWidth, s.bufferHeight);
                s.PutImage(s.renderBuffer, s.patternImage, whole, s.tilePattern, false);
                patternDrawn = true;
            }
        }
        if (!patternDrawn)
            s.renderBuffer->SetBrush(COLORREF(s.backgroundColor));
    }
    if (!patternDrawn)
        Gdi::PatBlt(s.renderBuffer->dc, 0, 0, s.bufferWidth, s.bufferHeight, Gdi::PATCOPY);

    if (game) {
        game->PaintShape(boardRect);
        const bool solved = game->Evaluate(false);
        panel.scoreValue.SetText(QString::number(game->score));
        panel.movesValue.SetText(QString::number(game->moves));
        panel.disorderValue.SetText(QString::number(game->disorder));
        if (solved) {
            OnSolved();
        } else if (!keepMessage) {
            panel.messagePanel.hide();
            panel.hintPanel.show();
        }
    }

    screenFrame = Gdi::ToQImage(s.renderBuffer->bitmap);
}

void TboxScr::OnSolved()
{
    if (!game || game->finished)
        return;
    game->finished = true;

    if (!introRunning) {
        const int t = settings->gameType - 1;
        int notLower = 0;
        if (t >= 0 && t < 4) {
            for (int e = 0; e < 10; ++e)
                if (settings->hofScore[t][e] >= game->score)
                    ++notLower;
        } else {
            notLower = 10;
        }
        if (notLower < 10) {
            PlaySound("CNGRT");
            ShowMessage(messageSolvedColor, "Congratulations!", "Your Score qualifies", "for the Hall of Fame!");
            keepMessage = true;
            settings->inputEnabled = false;
            // No modal run inside a paint: the dialog runs right after it,
            // and the rest of the end of the game after the dialog.
            const int newScore = game->score;
            const QPointer<TboxScr> self(this);
            TGame *solvedGame = game;
            QTimer::singleShot(0, this, [self, newScore, solvedGame] {
                if (!self)
                    return;
                TboxScr &w = *self;
                auto *dialog = new THighScrs(w.settings, newScore, &w);
                dialog->ToolWindow();
                THighScrs::Run(*dialog);
                delete dialog;
                if (!self)
                    return;
                w.settings->inputEnabled = true;
                w.FocusBoard();
                w.keepMessage = false;
                if (w.game == solvedGame)
                    ClearSelection(w);
                w.View()->update();   // the uncovered board
            });
            return;
        }
    }

    PlaySound("GDJOB");
    ShowMessage(messageSolvedColor, "Good job!", "Everything appears", "to be in order!");
    keepMessage = true;
    ClearSelection(*this);
}

void TboxScr::SplashTimerProc()
{
    if (settings && settings->inputEnabled)
        RefreshSync();
}

void TboxScr::PaintSplashTitle(QPainter &draw)
{
    if (!introRunning || !game)
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
