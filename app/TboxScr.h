// The main window: a frame around its parts. It holds the settings record,
// the side panel, the menu bar and the parts that do the work:
//   flow   the game flow, owner of the current game object (GameFlow.h)
//   arrows the two strips of level arrows (LevelArrows.h)
//   input  the mouse and keys on the board (BoardInput.h)
//   board  the board itself: render, intro timer, board cursor (BoardView.h)
// and does what is the window's own: full screen and maximised, the
// interface scale and look, the wiring of the panel, the arrows, the menus
// and the keys to the parts, the dialog openers, and the shut-down.
#pragma once

#include "BboxCnt.h"
#include "BoardInput.h"
#include "BoardView.h"
#include "GameFlow.h"
#include "LevelArrows.h"

#include <QMenuBar>
#include <QWidget>

class QPoint;
class TSettings;
class VlBar;

class TboxScr : public QWidget {
    Q_OBJECT
public:
    // Builds the whole window; the settings record comes from the real
    // environment.
    TboxScr();
    // The same with a settings record made by the caller (tests), owned
    // from here on.
    explicit TboxScr(TSettings *ownSettings);
    ~TboxScr() override;

    TSettings *settings;                    // owned
    BboxCnt panel;
    QMenuBar menuBar;
    bool menuShown = false;                 // maximised with the menu bar
    TLevelArrows arrows;
    TGameFlow flow;
    TBoardInput input;
    TBoardView *board;                      // child: the client area below the menu bar

    // ---- The window ------------------------------------------------------
    void Layout();
    void SyncWindowSize();
    void ToggleFullScreen();
    void MinimizeWindow();
    void ApplyInterface(bool relayout);

    // ---- Menus and dialog openers ------------------------------------------
    void MainMenu(VlBar &bar);
    void GameMenu(VlBar &bar);
    void HelpMenu(VlBar &bar);
    void ContextMenu(VlBar &bar);
    // Builds the context menu and runs it at a global position until an
    // entry is chosen or it is dismissed.
    void ExecuteContextMenu(const QPoint &globalPos);
    void ShowHelp();
    void ShowAbout();
    // A saved game through the file dialogs (the game flow's).
    void LoadGame();
    void SaveGame();
    // The options dialog; after Save the interface is applied again when
    // the scale changed, and the board is laid out and rendered again.
    void ShowOptions();
    // The Hall of Fame: viewing mode from the panel; new-score mode after a
    // qualifying game, run after the paint that noticed it.
    void ShowHighScores();
    void ShowNewScore(int score);

    // The board widget (client area).
    TBoardView *View() const { return board; }

    // Start-up skin: standard font sans-serif 11, the skin reset, paper,
    // light and face (171, 171, 171), highlight (77, 101, 131), finish.
    static void StartupSkin();
    // The end switch among the arguments after the program path, joined by
    // blanks: the first "/" or "-" in the first 1000 characters followed
    // by "D" or "d".
    static bool EndSwitch(const QString &arguments);

signals:
    // The window was closed (after its close-time save); the program's
    // main ends its event loop on it.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Build();
    void Wire();
    void PlaceFrames();       // menu bar and board over the window
    void FitToScreen(Qt::WindowStates state);   // geometry of that state from the screen
    QWidget *DialogOwner();   // the window while it is shown, else none

    bool closing = false;
};

// The main window, set by its constructor.
extern TboxScr *pBoxScr;
