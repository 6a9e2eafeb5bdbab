// Board input: the mouse on the board and the game's keys, turned into game
// actions. Two gestures, chosen by the game type (TGameFlow::dragGame):
// press and release (the Jumbled Cube and Pyramid and the intro: the game
// object turns the two points into a move code, a release that is no move
// is a click) and grab and drop (the Jigsaw and Rebukes Cubes: the press
// grabs, the release drops). A right press opens a box's info card, or
// beside the boxes the context menu. The keys are a table on Qt::Key.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>

class QWidget;
class TGameFlow;
class TSettings;

// What a key of the table does beside the moves.
enum class TKeyCommand { Quit, FullScreen, Help, Minimize, Options };

class TBoardInput : public QObject {
    Q_OBJECT
public:
    // Mouse key flags: the left button is held.
    static constexpr unsigned KeyFlagLeft = 0x8;

    // window: the main window, whose state decides whether a key closes
    // the help window.
    TBoardInput(TSettings *settings, TGameFlow &flow, QWidget *window);
    ~TBoardInput() override;

    TSettings *settings;   // the window's
    TGameFlow &flow;
    QWidget *window;
    bool dragging = false; // a piece or level is grabbed
    int lastX = 0;         // the last press or move over the board
    int lastY = 0;

    // Points in board coordinates; keyflags carries KeyFlagLeft.
    void LeftDown(QPoint p, unsigned keyflags);
    void MouseMove(QPoint p, unsigned keyflags);
    void LeftUp(QPoint p, unsigned keyflags);
    void RightDown(QPoint p, unsigned keyflags);
    // True when the key was handled: N, O, X, M, W, H, the minus key of the
    // main keyboard and the four arrows (these only with a game), each
    // without Shift, Ctrl, Alt or Meta. An open help window gives way
    // first, unless the window is restored (then nothing is handled).
    bool Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

signals:
    // The board is to be rendered again now, or only repainted now (the
    // dragged outline, an info card).
    void rerender();
    void repaint();
    // The game object's cursor for the pointer; moving: one of the arrows
    // of the interface scale, installed as it is.
    void cursorChosen(const QImage &image, bool moving);
    // A right press beside the boxes, at a global position.
    void contextMenuWanted(const QPoint &globalPos);
    // A key of the window's.
    void command(TKeyCommand command);

private:
    class TGesture;
    class TPressRelease;
    class TGrabDrop;
    TGesture &Gesture();
    void ChooseCursor(bool pressed);

    TGesture *pressRelease;
    TGesture *grabDrop;
};
