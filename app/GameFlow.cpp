// Game flow: new games, the type and levels lists, the cheat, the three
// switches, the move actions and the board layout with its arrow strips.
#include "TboxScr.h"

#include "BoardGeometry.h"
#include "TCube.h"
#include "TGame.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSettings.h"

#include <new>

void TboxScr::NewGameObject()
{
    KillIntroTimer();
    introRunning = false;
    delete game;
    game = nullptr;
    keepMessage = false;
    panel.disorderLabel.SetText(QStringLiteral("Disorder:"));

    switch (settings->gameType) {
    case 1:
        game = new (std::nothrow) TJigsaw(settings);
        sideStripShown = false;
        bottomStripShown = false;
        dragGame = true;
        panel.specialShown = false;
        panel.boxPanelShown = false;
        panel.disorderLabel.SetText(QStringLiteral("Misplaced:"));
        SetHints("Click and Drag", "Boxes to their", "proper position.");
        break;
    case 2:
    case 3:
        if (settings->gameType == 2)
            game = new (std::nothrow) TCube(settings);
        else
            game = new (std::nothrow) TPyramid(settings);
        sideStripShown = true;
        bottomStripShown = settings->gameType == 2;
        dragGame = false;
        panel.specialShown = true;
        panel.boxPanelShown = true;
        SetHints("Match all Box sides.", "Click to select box.", "(Can turn with mouse)");
        break;
    case 4:
        game = new (std::nothrow) TRebukes(settings);
        sideStripShown = true;
        bottomStripShown = true;
        dragGame = true;
        panel.specialShown = false;
        panel.boxPanelShown = false;
        SetHints("Move Cube levels to", "match all Box sides.", "(Can move via mouse)");
        break;
    default:
        break;
    }

    panel.messagePanel.hide();
    panel.hintPanel.show();
    panel.specialPanel.setVisible(panel.specialShown);
    panel.boxPanel.setVisible(panel.boxPanelShown);
}

void TboxScr::NewGame()
{
    NewGameObject();
    if (game) {
        game->Setup();
        LayoutBoard();
    }
    reRender = true;
    RefreshSync();
}

namespace {

// A choice in the game type or levels list: the list position plus first
// gives the value. While a game runs, another value asks first and starts a
// new game; declined, the list shows the stored value again.
void OnListChoice(TboxScr &w, VlDrop &list, int &stored, int first, const char *question)
{
    const int position = list.FindKey(list.GetKey());
    if (position < 0)
        return;
    const int t = first + position;
    const bool running = w.game && !w.introRunning;
    if (running) {
        if (t == stored)
            return;
        if (!TboxScr::PromptOKCancel(&w, QString::fromLatin1(question))) {
            list.SetIndex(stored - first);
            return;
        }
    }
    stored = t;
    if (running)
        w.NewGame();
}

} // namespace

void TboxScr::OnGameType()
{
    OnListChoice(*this, panel.gameTypeDrop, settings->gameType, 1,
                 "Changing Game Type will start a New Game - Okay to continue?");
}

void TboxScr::OnLevels()
{
    OnListChoice(*this, panel.levelsDrop, settings->levels, 2,
                 "Changing Levels will start a New Game - Okay to continue?");
}

void TboxScr::Cheat()
{
    if (!game)
        return;
    game->Evaluate(true);
    game->finished = true;
    game->selectedId = 0;
    game->infoId = 0;
    PlaySound("CHEAT");
    ShowMessage(messageCheatColor, "That was too easy!", "Score = 0", "for Cheaters!");
    keepMessage = true;
    reRender = true;
    RefreshSync();
    keepMessage = false;
}

void TboxScr::ToggleBonusBoxes()
{
    settings->bonusBoxes = !settings->bonusBoxes;
    UpdateLamps();
}

void TboxScr::ToggleBadBoxes()
{
    settings->badBoxes = !settings->badBoxes;
    UpdateLamps();
}

void TboxScr::ToggleSounds()
{
    soundsOn = !soundsOn;
    UpdateLamps();
}

void TboxScr::TurnBox(int direction)
{
    if (!game || game->selectedId == 0 || direction < 1 || direction > 4)
        return;
    PlaySound("RTBOX");
    game->TurnBox(direction);
    game->infoId = 0;
    reRender = true;
    RefreshSync();
}

void TboxScr::RotateShape(int direction)
{
    if (!game)
        return;
    PlaySound("RTSHP");
    game->RotateShape(direction);
    keepMessage = false;
    game->selectedId = 0;
    game->infoId = 0;
    reRender = true;
    RefreshSync();
}

void TboxScr::RotateLevel(int number, int direction)
{
    if (!game)
        return;
    PlaySound("RTLEV");
    game->RotateLevel(number, direction);
    keepMessage = false;
    game->selectedId = 0;
    game->infoId = 0;
    reRender = true;
    RefreshSync();
}

void TboxScr::LayoutBoard()
{
    const int n = introRunning ? 3 : settings->levels;
    int left = 16, top = 16;
    int right = settings->bufferWidth - panel.width - 16;
    int bottom = settings->bufferHeight - 16;
    boardRect = QRect(left, top, right - left, bottom - top);
    sideStrip.hide();
    bottomStrip.hide();
    if (!game)
        return;
    if (sideStripShown)
        right -= 55;
    if (bottomStripShown)
        bottom -= 55;
    boardRect = QRect(left, top, right - left, bottom - top);
    game->FitToRect(boardRect);
    left = boardRect.x();
    top = boardRect.y();
    right = BoardGeometry::Right(boardRect);
    bottom = BoardGeometry::Bottom(boardRect);

    const int bw = levelLeft[0].QWidget::width();
    const int bh = levelLeft[0].QWidget::height();
    const int s = settings->boxSize;
    int skip = -1;

    if (bottomStripShown) {
        bottomStrip.setGeometry(right - n * s, bottom + 4, n * s, bottomStrip.QWidget::height());
        if (!panel.boxPanelShown && n % 2 != 0)
            skip = n / 2;
        for (int i = 0; i < 8; ++i) {
            const bool shown = i < n && i != skip;
            if (shown) {
                const int x = s * (n - 1 - i) + (s - bw) / 2;
                levelUp[i].setGeometry(x, levelUp[i].y(), bw, levelUp[i].QWidget::height());
                levelDown[i].setGeometry(x, levelDown[i].y(), bw, levelDown[i].QWidget::height());
            }
            levelUp[i].setVisible(shown);
            levelDown[i].setVisible(shown);
        }
        bottomStrip.show();
    }

    if (sideStripShown) {
        int y0, height, first, step;
        if (bottomStripShown) {
            y0 = bottom - n * s;
            height = n * s;
            first = (s - bh) / 2;
            step = s;
        } else {
            y0 = top;
            height = bottom - top;
            first = settings->topDepth + s / 2;
            step = (bottom - top - settings->topDepth) / n;
        }
        sideStrip.setGeometry(right + 4, y0, sideStrip.QWidget::width(), height);
        for (int i = 0; i < 8; ++i) {
            const bool shown = i < n && i != skip;
            if (shown) {
                const int y = first + i * step;
                levelLeft[i].setGeometry(levelLeft[i].x(), y, levelLeft[i].QWidget::width(), bh);
                levelRight[i].setGeometry(levelRight[i].x(), y, levelRight[i].QWidget::width(), bh);
            }
            levelLeft[i].setVisible(shown);
            levelRight[i].setVisible(shown);
        }
        sideStrip.show();
    }

    if (introRunning)
        panel.shapeTitle.SetText(QStringLiteral("Shape"));
    else if (sideStripShown == bottomStripShown)
        panel.shapeTitle.SetText(QStringLiteral("Cube"));
    else
        panel.shapeTitle.SetText(QStringLiteral("Pyramid"));
    Layout();
}
