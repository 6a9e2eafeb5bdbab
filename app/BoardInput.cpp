// Board input of the main window: the two mouse protocols (press and
// release for the Jumbled Cube, the Jumbled Pyramid and the intro; grab and
// drop for the Jigsaw Cube and the Rebukes Cube), the right press, the keys
// and the board cursor.
#include "TboxScr.h"

#include "TGame.h"
#include "TSettings.h"
#include "VlKit.h"
#include "VlScale.h"

#include <QCursor>
#include <QPixmap>

#include <algorithm>

void TboxScr::LeftDown(QPoint p, unsigned)
{
    if (!settings->inputEnabled || !game)
        return;
    lastX = p.x();
    lastY = p.y();
    if (dragGame) {
        if (game->ClickBox(lastX, lastY, false)) {
            dragging = true;
            RefreshSync();
        }
    } else {
        game->PressRelease(lastX, lastY, false);
    }
    bool moving = false;
    cursorImage = game->DragCursor(lastX, lastY, true, moving);
    SetBoardCursor(moving);
}

void TboxScr::MouseMove(QPoint p, unsigned keyflags)
{
    if (!game)
        return;
    lastX = p.x();
    lastY = p.y();
    const bool pressed = (keyflags & KeyFlagLeft) != 0;
    bool moving = false;
    cursorImage = game->DragCursor(lastX, lastY, pressed, moving);
    if (pressed && dragging)
        RefreshSync();
    SetBoardCursor(moving);
}

void TboxScr::LeftUp(QPoint p, unsigned)
{
    if (!game)
        return;
    bool moving = false;
    if (dragGame) {
        lastX = p.x();
        lastY = p.y();
        game->ClickBox(lastX, lastY, false);
        dragging = false;
        game->selectedId = 0;
    } else {
        const int code = game->PressRelease(p.x(), p.y(), true);
        if (code >= 1 && code <= 9) {
            TurnBox(code);
            return;
        }
        if (code >= 10 && code <= 99) {
            RotateShape(code - 10);
            return;
        }
        if (code >= 100)
            return;
        if (!game->ClickBox(p.x(), p.y(), false)) {
            cursorImage = game->DragCursor(lastX, lastY, false, moving);
            SetBoardCursor(moving);
            return;
        }
        // The click selected or deselected a box.
        keepMessage = false;
        PlaySound("BOXPK");
        const int selected = game->selectedId;
        if (selected != 0) {
            const int n = std::clamp(settings->levels, 0, 8);
            for (int L = 0; L < n; ++L) {
                if (settings->bonusBoxes && game->bonusId[L] == selected) {
                    PlaySound("BONUS");
                    ShowMessage(messageBonusColor, "Bonus Box!", "Rotations also turn", "surrounding boxes.");
                    keepMessage = true;
                } else if (settings->badBoxes && game->badId[L] == selected) {
                    game->ScrambleAround();
                    PlaySound("BADBX");
                    ShowMessage(messageBadColor, "Oh no!  Bad Box!", "Surrounding boxes", "have been scrambled.");
                    keepMessage = true;
                }
            }
        }
    }
    reRender = true;
    RefreshSync();
    if (!game)
        return;
    cursorImage = game->DragCursor(lastX, lastY, false, moving);
    SetBoardCursor(moving);
}

void TboxScr::RightDown(QPoint p, unsigned)
{
    if (!settings->inputEnabled || !game)
        return;
    if (game->ClickBox(p.x(), p.y(), true)) {
        if (game->infoId != 0)
            PlaySound("OPBOX");
        RefreshSync();
        return;
    }
    ExecuteContextMenu(QCursor::pos());
}

bool TboxScr::Key(uint32_t key, int)
{
    if (!settings->inputEnabled)
        return false;
    if (settings->helpWindow) {
        // In a restored window the help window stays beside the game and
        // keeps the key; maximised or full screen it gives way.
        const Qt::WindowStates big = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
        if (!(windowState() & big))
            return false;
        QWidget *help = settings->helpWindow;
        settings->helpWindow = nullptr;
        help->close();
    }
    switch (key) {
    case KeyN:
        NewGame();
        return true;
    case KeyX:
        close();
        return true;
    case KeyM:
    case KeyW:
        ToggleFullScreen();
        return true;
    case KeyH:
        ShowHelp();
        return true;
    case KeyMinus:
        MinimizeWindow();
        return true;
    case KeyLeft:
    case KeyRight:
    case KeyUp:
    case KeyDown: {
        if (!game)
            return false;
        const int direction = key == KeyLeft ? 1 : key == KeyRight ? 2 : key == KeyUp ? 3 : 4;
        if (game->selectedId != 0)
            TurnBox(direction);
        else
            RotateShape(direction);
        return true;
    }
    default:
        return false;
    }
}

void TboxScr::SetBoardCursor(bool moving)
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
    static qint64 lastKey = 0;
    static int lastWidth = 0, lastHeight = 0;
    static QImage lastCursor;
    if (image.cacheKey() != lastKey || cursorWidth != lastWidth || cursorHeight != lastHeight || lastCursor.isNull()) {
        const float f = image.width() > 0 ? float(cursorWidth) / float(image.width()) : 1.0f;
        lastCursor = VlResizeSharpened(image, cursorWidth, cursorHeight, f);
        lastKey = image.cacheKey();
        lastWidth = cursorWidth;
        lastHeight = cursorHeight;
    }
    VlOverrideCursor(QCursor(QPixmap::fromImage(lastCursor), lastCursor.offset().x(), lastCursor.offset().y()));
}
