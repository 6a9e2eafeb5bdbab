#include "GameFlow.h"

#include "BboxCnt.h"
#include "BoardGeometry.h"
#include "DialogRun.h"
#include "FileDialogs.h"
#include "GameFile.h"
#include "LevelArrows.h"
#include "Prompts.h"
#include "TCube.h"
#include "TGame.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSettings.h"
#include "TSplash.h"

#include <QDir>

#include <new>

namespace {

void SetLines(VlText (&lines)[3], const char *line0, const char *line1, const char *line2)
{
    lines[0].SetText(QString::fromLatin1(line0));
    lines[1].SetText(QString::fromLatin1(line1));
    lines[2].SetText(QString::fromLatin1(line2));
}

} // namespace

TGameFlow::TGameFlow(TSettings *settings, BboxCnt &panel, TLevelArrows &arrows)
    : settings(settings), panel(panel), arrows(arrows)
{
}

TGameFlow::~TGameFlow()
{
    delete game;
}

void TGameFlow::StartIntro()
{
    keepMessage = true;
    soundsOn = true;
    introRunning = true;
    game = new TSplash(settings);
    sideStripShown = bottomStripShown = false;
    panel.specialShown = false;
    panel.boxPanelShown = true;
    dragGame = false;
    game->Setup();
    LayoutBoard();
    SetHints("Right-click boxes", "for info. Click to", "select and practice.");
    ShowMessage(messageStartColor, "Please Choose a", "Game Type & Levels.", "Then click New Game.");
}

// ---- New games ---------------------------------------------------------------

void TGameFlow::NewGameObject()
{
    DropGame();   // before the new one is made
    UseGameObject(TGame::Make(settings->gameType, settings));
}

void TGameFlow::DropGame()
{
    emit introEnded();
    introRunning = false;
    delete game;
    game = nullptr;
}

void TGameFlow::UseGameObject(std::unique_ptr<TGame> made)
{
    DropGame();
    game = made.release();
    keepMessage = false;
    panel.disorderLabel.SetText(QStringLiteral("Disorder:"));

    switch (settings->gameType) {
    case 1:
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
        sideStripShown = true;
        bottomStripShown = settings->gameType == 2;
        dragGame = false;
        panel.specialShown = true;
        panel.boxPanelShown = true;
        SetHints("Match all Box sides.", "Click to select box.", "(Can turn with mouse)");
        break;
    case 4:
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

void TGameFlow::NewGame()
{
    NewGameObject();
    if (game) {
        game->Setup();
        LayoutBoard();
    }
    emit rerender(true);
}

namespace {

// A choice in the game type or levels list: the list position plus first
// gives the value. While a game runs, another value asks first and starts a
// new game; declined, the list shows the stored value again.
void OnListChoice(TGameFlow &flow, VlDrop &list, int &stored, int first, const char *question)
{
    const int position = list.FindKey(list.GetKey());
    if (position < 0)
        return;
    const int t = first + position;
    const bool running = flow.game && !flow.introRunning;
    if (running) {
        if (t == stored)
            return;
        if (!PromptOKCancel(list.window(), QString::fromLatin1(question))) {
            list.SetIndex(stored - first);
            return;
        }
    }
    stored = t;
    if (running)
        flow.NewGame();
}

} // namespace

void TGameFlow::OnGameType()
{
    OnListChoice(*this, panel.gameTypeDrop, settings->gameType, 1,
                 "Changing Game Type will start a New Game - Okay to continue?");
}

void TGameFlow::OnLevels()
{
    OnListChoice(*this, panel.levelsDrop, settings->levels, 2,
                 "Changing Levels will start a New Game - Okay to continue?");
}

// ---- Saved games -------------------------------------------------------------------

namespace {

// Both dialogs carry this title.
const char GameDialogTitle[] = "Load quibo Game File";

// The folder part of a chosen path, with its final "/".
QString FolderOf(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

void TGameFlow::LoadGame(QWidget *owner, QWidget *board)
{
    QString path;
    {
        TInputPause pause(settings, board);
        VlmImgUt::TOpFileDlg dialog(owner, settings->imgUt);
        if (!dialog.Execute(path, QString::fromLatin1(GameDialogTitle), settings->gameFolder,
                            QStringLiteral("quibo Game Files [.qgf]"), QStringLiteral("*.qgf"), false))
            return;
    }
    settings->gameFolder = FolderOf(path);

    // Read whole into a fresh object first: a file that fails leaves the
    // running game, the stored type and levels and the panel as they were.
    std::unique_ptr<TGame> loaded = LoadGameFile(*settings, path, &TGame::Make);
    if (!loaded) {
        PromptOK(owner, QStringLiteral("Game Load failure!"));
        return;
    }
    UseGameObject(std::move(loaded));
    ShowStoredSelection();
    LayoutBoard();
    emit rerender(true);
}

void TGameFlow::SaveGame(QWidget *owner, QWidget *board)
{
    if (!game)
        return;
    // The intro's boxes are no game of the stored type: such a file could
    // not be loaded back.
    if (introRunning) {
        PromptOK(owner, QStringLiteral("The intro cannot be saved - (Start a New Game first)"));
        return;
    }
    QString path = settings->gameFolder + QStringLiteral("qvs") + settings->TimestampText() + QStringLiteral(".qgf");
    {
        TInputPause pause(settings, board);
        if (!settings->gameFolder.isEmpty())
            QDir().mkpath(settings->gameFolder);
        VlmImgUt::TSvFileDlg dialog(owner, settings->imgUt);
        if (!dialog.Execute(path, QString::fromLatin1(GameDialogTitle), settings->gameFolder,
                            QStringLiteral("quibo Game File [.qgf]"), QStringLiteral("*.qgf"), QStringLiteral("qgf")))
            return;
    }
    settings->gameFolder = FolderOf(path);
    // The file appears, or replaces an older one, only once written whole.
    if (!SaveGameFile(*settings, *game, path))
        PromptOK(owner, QStringLiteral("Game Save failure! - (Choose a different Directory)"));
}

// ---- Cheat and switches ----------------------------------------------------------

void TGameFlow::Cheat()
{
    if (!game)
        return;
    game->Evaluate(true);
    game->finished = true;
    game->selectedId = 0;
    game->infoId = 0;
    PlaySound("CHEAT");
    ShowMessage(messageCheatColor, "That was too easy!", "Score = 0", "for Cheaters!");
    // The repaint keeps the message; the next render after a move gives the
    // hints back.
    keepMessage = true;
    emit rerender(true);
    keepMessage = false;
}

void TGameFlow::ToggleBonusBoxes()
{
    settings->bonusBoxes = !settings->bonusBoxes;
    UpdateLamps();
}

void TGameFlow::ToggleBadBoxes()
{
    settings->badBoxes = !settings->badBoxes;
    UpdateLamps();
}

void TGameFlow::ToggleSounds()
{
    soundsOn = !soundsOn;
    UpdateLamps();
}

// ---- Moves -------------------------------------------------------------------------

void TGameFlow::TurnBox(int direction)
{
    if (!game || game->selectedId == 0 || direction < 1 || direction > 4)
        return;
    PlaySound("RTBOX");
    game->TurnBox(direction);
    game->infoId = 0;
    emit rerender(true);
}

void TGameFlow::RotateShape(int direction)
{
    if (!game)
        return;
    PlaySound("RTSHP");
    game->RotateShape(direction);
    keepMessage = false;
    game->selectedId = 0;
    game->infoId = 0;
    emit rerender(true);
}

void TGameFlow::RotateLevel(int number, int direction)
{
    if (!game)
        return;
    PlaySound("RTLEV");
    game->RotateLevel(number, direction);
    keepMessage = false;
    game->selectedId = 0;
    game->infoId = 0;
    emit rerender(true);
}

// ---- Board layout ------------------------------------------------------------------

void TGameFlow::LayoutBoard()
{
    const int n = introRunning ? 3 : settings->levels;
    int left = 16, top = 16;
    int right = settings->bufferWidth - panel.width - 16;
    int bottom = settings->bufferHeight - 16;
    boardRect = QRect(left, top, right - left, bottom - top);
    arrows.Hide();
    if (!game)
        return;
    if (sideStripShown)
        right -= 55;
    if (bottomStripShown)
        bottom -= 55;
    boardRect = QRect(left, top, right - left, bottom - top);
    game->FitToRect(boardRect);
    top = boardRect.y();
    right = BoardGeometry::Right(boardRect);
    bottom = BoardGeometry::Bottom(boardRect);

    const int bh = arrows.levelLeft[0].QWidget::height();
    const int s = settings->boxSize;
    // The middle slice of a Rebukes Cube of odd size cannot move.
    const int skip = bottomStripShown && !panel.boxPanelShown && n % 2 != 0 ? n / 2 : -1;
    if (bottomStripShown)
        arrows.PlaceBottom(n, skip, s, right, bottom);
    if (sideStripShown) {
        if (bottomStripShown)
            arrows.PlaceSide(n, skip, right + 4, bottom - n * s, n * s, (s - bh) / 2, s);
        else   // the pyramid: spread below the top faces
            arrows.PlaceSide(n, skip, right + 4, top, bottom - top, settings->topDepth + s / 2,
                             (bottom - top - settings->topDepth) / n);
    }

    if (introRunning)
        panel.shapeTitle.SetText(QStringLiteral("Shape"));
    else if (sideStripShown == bottomStripShown)
        panel.shapeTitle.SetText(QStringLiteral("Cube"));
    else
        panel.shapeTitle.SetText(QStringLiteral("Pyramid"));
    emit laidOut();
}

// ---- End of a game -------------------------------------------------------------------

void TGameFlow::OnSolved()
{
    if (!game || game->finished)
        return;
    game->finished = true;

    if (!introRunning) {
        // The score qualifies when at least one entry of its table is lower.
        const int t = settings->gameType - 1;
        int notLower = 10;
        if (t >= 0 && t < 4) {
            notLower = 0;
            for (int e = 0; e < 10; ++e)
                if (settings->hofScore[t][e] >= game->score)
                    ++notLower;
        }
        if (notLower < 10) {
            PlaySound("CNGRT");
            ShowMessage(messageSolvedColor, "Congratulations!", "Your Score qualifies", "for the Hall of Fame!");
            keepMessage = true;
            settings->inputEnabled = false;
            emit scoreQualifies(game->score);
            return;
        }
    }

    PlaySound("GDJOB");
    ShowMessage(messageSolvedColor, "Good job!", "Everything appears", "to be in order!");
    keepMessage = true;
    ClearSelection();
}

void TGameFlow::HallOfFameDone(const TGame *solved)
{
    keepMessage = false;
    if (game && game == solved)
        ClearSelection();
}

// The selection outline goes at the next render, and the info card closes.
void TGameFlow::ClearSelection()
{
    if (!game)
        return;
    if (game->selectedId != 0) {
        game->selectedId = 0;
        emit rerender(false);
    }
    game->infoId = 0;
}

// ---- Panel -----------------------------------------------------------------------------

void TGameFlow::PlaySound(const char *name)
{
    if (soundsOn && settings)
        settings->PlayWave(QString::fromLatin1(name));
}

void TGameFlow::ShowMessage(Color background, const char *line0, const char *line1, const char *line2)
{
    panel.messagePanel.color = background;
    SetLines(panel.messageText, line0, line1, line2);
    panel.hintPanel.hide();
    panel.messagePanel.show();
    panel.messagePanel.update();
}

void TGameFlow::SetHints(const char *line0, const char *line1, const char *line2)
{
    SetLines(panel.hintText, line0, line1, line2);
}

void TGameFlow::UpdateLamps()
{
    panel.bonusLamp.SetSkinImage(settings && settings->bonusBoxes ? QStringLiteral("onyel") : QStringLiteral("off"), 'W');
    panel.badLamp.SetSkinImage(settings && settings->badBoxes ? QStringLiteral("onyel") : QStringLiteral("off"), 'W');
    panel.soundsLamp.SetSkinImage(soundsOn ? QStringLiteral("onred") : QStringLiteral("off"), 'W');
}

void TGameFlow::ShowStoredSelection()
{
    panel.gameTypeDrop.SetIndex(std::clamp(settings->gameType, 1, 4) - 1);
    panel.levelsDrop.SetIndex(std::clamp(settings->levels, 2, 8) - 2);
}
