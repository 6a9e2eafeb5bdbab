// The main window: the board, the control panel docked at its right edge,
// the menu bar, the level-arrow strips and the one settings record and game
// object. Every mouse event, key, button and menu entry reaches the puzzle
// engine through it.
//
// The board is the child widget `view`, the client area below the menu bar;
// panel and strips are children of it. Qt's events map onto the handlers:
//   view paintEvent        -> Paint
//   left/right press       -> LeftDown / RightDown
//   mouse move             -> MouseMove (left-button flag KeyFlagLeft)
//   left release           -> LeftUp
//   key press              -> Key (KeyCodeOf; not handled: passed on)
//   window resize          -> Layout
//   window close           -> the close-time save, help closed, closed()
#pragma once

#include "BboxCnt.h"
#include "ContextMenu.h"

#include <QImage>
#include <QMenuBar>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QPainter;
class QTimer;
class TGame;
class TSettings;
class TboxScr;

// The client area of the main window: hands its events to the window.
class TBoardView : public QWidget {
    Q_OBJECT
public:
    explicit TBoardView(TboxScr *owner);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;   // Tab is an ordinary key

private:
    TboxScr *owner;
};

class TboxScr : public QWidget {
    Q_OBJECT
public:
    // Key codes: a virtual-key code plus KeyDelta; a held Shift, Ctrl, Alt
    // or Meta adds its flag, so such a key never matches the game's table.
    static constexpr uint32_t KeyDelta = 0x200000;
    static constexpr uint32_t KeyShift = 0x01000000;
    static constexpr uint32_t KeyCtrl = 0x02000000;
    static constexpr uint32_t KeyAlt = 0x04000000;
    static constexpr uint32_t KeyMeta = 0x08000000;
    static constexpr uint32_t KeyN = KeyDelta + 0x4E;
    static constexpr uint32_t KeyX = KeyDelta + 0x58;
    static constexpr uint32_t KeyM = KeyDelta + 0x4D;
    static constexpr uint32_t KeyW = KeyDelta + 0x57;
    static constexpr uint32_t KeyO = KeyDelta + 0x4F;
    static constexpr uint32_t KeyH = KeyDelta + 0x48;
    static constexpr uint32_t KeyMinus = KeyDelta + 0xBD;   // main keyboard
    static constexpr uint32_t KeyLeft = KeyDelta + 0x25;
    static constexpr uint32_t KeyUp = KeyDelta + 0x26;
    static constexpr uint32_t KeyRight = KeyDelta + 0x27;
    static constexpr uint32_t KeyDown = KeyDelta + 0x28;
    // Mouse key flags: the left button is held.
    static constexpr unsigned KeyFlagLeft = 0x8;

    // The code of a key press; 0 for keys the game has no code for.
    static uint32_t KeyCodeOf(const QKeyEvent *event);

    // Builds the whole window; the settings record comes from the real
    // environment.
    TboxScr();
    // The same with a settings record made by the caller (tests), owned
    // from here on.
    explicit TboxScr(TSettings *ownSettings);
    ~TboxScr() override;

    // ---- Fields in order ----------------------------------------------
    TSettings *settings = nullptr;          // owned
    BboxCnt panel;
    TGame *game = nullptr;                  // owned; null after a failed load
    QRect boardRect;                        // right = x + width, bottom = y + height (BoardGeometry)
    QMenuBar menuBar;
    bool reRender = true;
    bool menuShown = false;                 // maximised with the menu bar
    bool sideStripShown = false;
    bool bottomStripShown = false;
    bool dragGame = false;                  // Jigsaw and Rebukes: grab and drop
    bool introRunning = true;
    bool keepMessage = true;
    bool soundsOn = true;
    bool dragging = false;
    Color introTitleColor = ColorNull;
    Color messageStartColor = ColorNull;
    Color messageSolvedColor = ColorNull;
    Color messageBonusColor = ColorNull;
    Color messageBadColor = ColorNull;
    Color messageCheatColor = ColorNull;
    VlPanel sideStrip;                      // left and right level arrows
    VlPanel bottomStrip;                    // up and down level arrows
    VlButton levelLeft[8];
    VlButton levelRight[8];
    VlButton levelUp[8];
    VlButton levelDown[8];
    int introTitleHeight = 55;
    int lastX = 0;
    int lastY = 0;
    int cursorWidth = 32;
    int cursorHeight = 32;
    QImage cursorImage;
    QTimer *introTimer = nullptr;           // the intro repaint timer; null when none runs

    // ---- Start-up and the window --------------------------------------
    void Layout();
    void SyncWindowSize();
    void ToggleFullScreen();
    void MinimizeWindow();
    void ApplyInterface(bool relayout);

    // ---- Game flow ----------------------------------------------------
    void NewGameObject();
    void NewGame();
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

    // ---- Board input (BoardInput.cpp) ----------------------------------
    // p in client (view) coordinates; keyflags carries KeyFlagLeft.
    void LeftDown(QPoint p, unsigned keyflags);
    void MouseMove(QPoint p, unsigned keyflags);
    void LeftUp(QPoint p, unsigned keyflags);
    void RightDown(QPoint p, unsigned keyflags);
    // True when the key was handled.
    bool Key(uint32_t key, int count);
    void SetBoardCursor(bool moving);

    // ---- Rendering and end of game (BoardRender.cpp) -------------------
    void Paint(QPainter &draw);
    void RenderBoard();
    void OnSolved();
    void PaintSplashTitle(QPainter &draw);
    // One tick of the intro timer: repaints while input is enabled.
    void SplashTimerProc();

    // ---- Menus and dialog openers ---------------------------------------
    void MainMenu(TBar &bar);
    void GameMenu(TBar &bar);
    void HelpMenu(TBar &bar);
    void ContextMenu(TBar &bar);
    // Builds the context menu and runs it at a global position until an
    // entry is chosen or it is dismissed.
    void ExecuteContextMenu(const QPoint &globalPos);
    void ShowHelp();
    void ShowHighScores();                  // THighScrs.cpp

    // ---- Helpers -------------------------------------------------------
    // The board widget (client area).
    QWidget *View() const { return view; }
    // Ctrl::Refresh + Ctrl::Sync: repaints the board now (queued while a
    // paint runs).
    void RefreshSync();
    // Sound by resource name, only while the Sounds switch is on.
    void PlaySound(const char *name);
    // Starts the 100 ms intro timer (SplashTimerProc) unless one runs.
    void StartIntroTimer();
    // Stops and deletes the intro timer when one runs.
    void KillIntroTimer();
    // Shows the message panel in a colour with three lines, hint hidden.
    void ShowMessage(Color background, const char *line0, const char *line1, const char *line2);
    // Sets the three hint lines.
    void SetHints(const char *line0, const char *line1, const char *line2);
    // Lamp images by the switches (mode 'W').
    void UpdateLamps();
    // Selects the stored game type and levels in the two lists.
    void ShowStoredSelection();
    // Gives the keyboard focus back to the board.
    void FocusBoard();

    bool painting = false;                  // inside Paint
    QImage screenFrame;                     // renderBuffer as RGB32, converted once per render
    QString patternFailed;                  // pattern file whose reading failed; not read again

    // Message boxes. The answerer seam (tests) replaces them: it gets the
    // text and returns true for OK.
    static bool PromptOKCancel(QWidget *parent, const QString &text);
    static void PromptOK(QWidget *parent, const QString &text);
    static void SetPromptAnswerer(std::function<bool(const QString &)> answerer);

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
    void PlaceFrames();       // menu bar and view over the window
    void FitToScreen();       // geometry of the window state from the screen

    TBoardView *view = nullptr;
    bool closing = false;
    friend class TBoardView;
};

// The main window, set by its constructor; read by the intro timer.
extern TboxScr *pBoxScr;
