// The game flow: the one owner of the current game object. It starts new
// games, answers the game type and levels lists, the cheat and the three
// switches, makes the moves (turning a box, rotating a level or the shape)
// with their sounds, lays out the board with its level arrows, writes the
// panel's messages and hints, and handles the end of a game.
//
// It draws nothing itself: it asks the board for a render or a repaint by
// its signals, which the window connects.
#pragma once

#include "Color.h"

#include <QObject>
#include <QRect>

#include <memory>

class BboxCnt;
class QWidget;
class TGame;
class TLevelArrows;
class TSettings;

class TGameFlow : public QObject {
    Q_OBJECT
public:
    TGameFlow(TSettings *settings, BboxCnt &panel, TLevelArrows &arrows);
    ~TGameFlow() override;   // deletes the game object

    TSettings *settings;                   // the window's
    BboxCnt &panel;
    TLevelArrows &arrows;

    TGame *game = nullptr;                 // owned; null after a failed load
    QRect boardRect;                       // right = x + width, bottom = y + height (BoardGeometry)
    bool sideStripShown = false;
    bool bottomStripShown = false;
    bool dragGame = false;                 // Jigsaw and Rebukes: grab and drop
    bool introRunning = true;
    bool keepMessage = true;               // the message survives the next render
    bool soundsOn = true;
    Color messageStartColor = 0x8DABCA;
    Color messageSolvedColor = 0xCAB542;
    Color messageBonusColor = 0xABCA42;
    Color messageBadColor = 0x798DDE;
    Color messageCheatColor = 0xAB6FBF;

    // The intro scene as the game, set up and laid out, with its messages.
    void StartIntro();

    // Deletes the current game (the intro ends here too) and makes one of
    // the stored game type, with its panel and hints; not set up.
    void NewGameObject();
    void NewGame();

    // A saved game chosen in the open dialog replaces the current one only
    // when the whole file was read; otherwise the game, the stored type and
    // levels and the panel stay and "Game Load failure!" is shown. Saving
    // writes the current game through a temporary file; the intro cannot be
    // saved. Either choice of a file remembers its folder in gameFolder.
    // owner: the window of the dialogs and messages (null when it is not
    // shown); board: takes the focus back after the dialog.
    void LoadGame(QWidget *owner, QWidget *board);
    void SaveGame(QWidget *owner, QWidget *board);
    void OnGameType();
    void OnLevels();
    void Cheat();
    void ToggleBonusBoxes();
    void ToggleBadBoxes();
    void ToggleSounds();
    void TurnBox(int direction);
    void RotateLevel(int number, int direction);
    void RotateShape(int direction);
    void LayoutBoard();

    // The puzzle came into order at a render: the end of the game, once.
    // A qualifying score (not in the intro) asks for the Hall of Fame by
    // scoreQualifies, with the board's input already off.
    void OnSolved();
    // After the Hall of Fame of a solved game: the message gives way at the
    // next render, and the selection of that game (when it is still the
    // current one) and its info card go.
    void HallOfFameDone(const TGame *solved);

    // Sound by resource name, only while the Sounds switch is on.
    void PlaySound(const char *name);
    // The message panel in a colour with three lines, the hints hidden.
    void ShowMessage(Color background, const char *line0, const char *line1, const char *line2);
    void SetHints(const char *line0, const char *line1, const char *line2);
    // Lamp images by the switches (mode 'W').
    void UpdateLamps();
    // The stored game type and levels selected in the two lists.
    void ShowStoredSelection();

signals:
    // The board is to be rendered again: now (a synchronous repaint, queued
    // while a paint runs) or at the next paint.
    void rerender(bool now);
    // The intro is over: its timer stops.
    void introEnded();
    // The board and its strips were laid out: the window lays out its frame.
    void laidOut();
    // A new score for the Hall of Fame.
    void scoreQualifies(int score);

private:
    void ClearSelection();
    // Ends the intro and deletes the current game.
    void DropGame();
    // Makes `made` the current game (deleting the one before), with the
    // panel, strips and hints of the stored game type.
    void UseGameObject(std::unique_ptr<TGame> made);
};
