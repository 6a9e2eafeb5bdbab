#include "BoardInput.h"

#include "GameFlow.h"
#include "TGame.h"
#include "TSettings.h"

#include <QCursor>
#include <QWidget>

#include <algorithm>

// One of the two ways the left button moves pieces.
class TBoardInput::TGesture {
public:
    explicit TGesture(TBoardInput &input) : in(input), flow(input.flow) {}
    virtual ~TGesture() = default;
    virtual void Press(QPoint p) = 0;
    // False when the cursor is to stay as it is.
    virtual bool Release(QPoint p) = 0;

protected:
    TBoardInput &in;
    TGameFlow &flow;
};

// Press and release: the game object turns the two points into a move code;
// 1 to 9 turn the selected box, 10 to 99 rotate the shape, 100 or more do
// nothing, 0 or less is a click that selects or deselects a box.
class TBoardInput::TPressRelease : public TGesture {
public:
    using TGesture::TGesture;

    void Press(QPoint p) override { flow.game->PressRelease(p.x(), p.y(), false); }

    bool Release(QPoint p) override
    {
        TGame &game = *flow.game;
        const int code = game.PressRelease(p.x(), p.y(), true);
        if (code >= 1 && code <= 9) {
            flow.TurnBox(code);
            return false;
        }
        if (code >= 10 && code <= 99) {
            flow.RotateShape(code - 10);
            return false;
        }
        if (code >= 100)
            return false;
        if (!game.ClickBox(p.x(), p.y(), false))
            return true;   // beside the boxes: no repaint
        Clicked(game);
        emit in.rerender();
        return true;
    }

private:
    // A box became selected or deselected; a bonus or bad box of its level
    // says so (a bad box scrambles its neighbours first).
    void Clicked(TGame &game)
    {
        flow.keepMessage = false;
        flow.PlaySound("BOXPK");
        const int selected = game.selectedId;
        if (selected == 0)
            return;
        const TSettings &s = *in.settings;
        const int n = std::clamp(s.levels, 0, 8);
        for (int L = 0; L < n; ++L) {
            if (s.bonusBoxes && game.bonusId[L] == selected) {
                flow.PlaySound("BONUS");
                flow.ShowMessage(flow.messageBonusColor, "Bonus Box!", "Rotations also turn", "surrounding boxes.");
                flow.keepMessage = true;
            } else if (s.badBoxes && game.badId[L] == selected) {
                game.ScrambleAround();
                flow.PlaySound("BADBX");
                flow.ShowMessage(flow.messageBadColor, "Oh no!  Bad Box!", "Surrounding boxes",
                                 "have been scrambled.");
                flow.keepMessage = true;
            }
        }
    }
};

// Grab and drop: the press grabs a piece or a level, the release drops it
// there (the game object counts the move).
class TBoardInput::TGrabDrop : public TGesture {
public:
    using TGesture::TGesture;

    void Press(QPoint) override
    {
        if (flow.game->ClickBox(in.lastX, in.lastY, false)) {
            in.dragging = true;
            emit in.repaint();
        }
    }

    bool Release(QPoint p) override
    {
        in.lastX = p.x();
        in.lastY = p.y();
        flow.game->ClickBox(in.lastX, in.lastY, false);
        in.dragging = false;
        flow.game->selectedId = 0;
        emit in.rerender();
        return true;
    }
};

TBoardInput::TBoardInput(TSettings *settings, TGameFlow &flow, QWidget *window)
    : settings(settings), flow(flow), window(window), pressRelease(new TPressRelease(*this)),
      grabDrop(new TGrabDrop(*this))
{
}

TBoardInput::~TBoardInput()
{
    delete pressRelease;
    delete grabDrop;
}

TBoardInput::TGesture &TBoardInput::Gesture()
{
    return flow.dragGame ? *grabDrop : *pressRelease;
}

void TBoardInput::ChooseCursor(bool pressed)
{
    bool moving = false;
    const QImage image = flow.game->DragCursor(lastX, lastY, pressed, moving);
    emit cursorChosen(image, moving);
}

void TBoardInput::LeftDown(QPoint p, unsigned)
{
    if (!settings->inputEnabled || !flow.game)
        return;
    lastX = p.x();
    lastY = p.y();
    Gesture().Press(p);
    if (flow.game)
        ChooseCursor(true);
}

void TBoardInput::MouseMove(QPoint p, unsigned keyflags)
{
    if (!flow.game)
        return;
    lastX = p.x();
    lastY = p.y();
    const bool pressed = (keyflags & KeyFlagLeft) != 0;
    bool moving = false;
    const QImage image = flow.game->DragCursor(lastX, lastY, pressed, moving);
    if (pressed && dragging)
        emit repaint();
    emit cursorChosen(image, moving);
}

void TBoardInput::LeftUp(QPoint p, unsigned)
{
    if (!flow.game)
        return;
    if (Gesture().Release(p) && flow.game)
        ChooseCursor(false);
}

void TBoardInput::RightDown(QPoint p, unsigned)
{
    if (!settings->inputEnabled || !flow.game)
        return;
    if (flow.game->ClickBox(p.x(), p.y(), true)) {
        if (flow.game->infoId != 0)
            flow.PlaySound("OPBOX");
        emit repaint();
        return;
    }
    emit contextMenuWanted(QCursor::pos());
}

namespace {

enum class KeyAction { NewGame, Options, Quit, FullScreen, Help, Minimize, Left, Right, Up, Down };

struct KeyBinding {
    Qt::Key key;
    KeyAction action;
};

const KeyBinding KeyTable[] = {
    {Qt::Key_N, KeyAction::NewGame},     {Qt::Key_X, KeyAction::Quit},      {Qt::Key_M, KeyAction::FullScreen},
    {Qt::Key_W, KeyAction::FullScreen},  {Qt::Key_H, KeyAction::Help},      {Qt::Key_Minus, KeyAction::Minimize},
    {Qt::Key_Left, KeyAction::Left},     {Qt::Key_Right, KeyAction::Right}, {Qt::Key_Up, KeyAction::Up},
    {Qt::Key_Down, KeyAction::Down},     {Qt::Key_O, KeyAction::Options},
};

} // namespace

bool TBoardInput::Key(int key, Qt::KeyboardModifiers modifiers)
{
    if (!settings->inputEnabled)
        return false;
    if (settings->helpWindow) {
        // In a restored window the help window stays beside the game and
        // keeps the key; maximised or full screen it gives way.
        const Qt::WindowStates big = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
        if (window && !(window->windowState() & big))
            return false;
        QWidget *help = settings->helpWindow;
        settings->helpWindow = nullptr;
        help->close();
    }
    // A held Shift, Ctrl, Alt or Meta makes another key; so does the keypad
    // for the minus key (the arrows of the keypad are the arrows).
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key == Qt::Key_Minus && (modifiers & Qt::KeypadModifier))
        return false;
    const auto it = std::find_if(std::begin(KeyTable), std::end(KeyTable),
                                 [key](const KeyBinding &b) { return b.key == key; });
    if (it == std::end(KeyTable))
        return false;
    switch (it->action) {
    case KeyAction::NewGame: flow.NewGame(); return true;
    case KeyAction::Options: emit command(TKeyCommand::Options); return true;
    case KeyAction::Quit: emit command(TKeyCommand::Quit); return true;
    case KeyAction::FullScreen: emit command(TKeyCommand::FullScreen); return true;
    case KeyAction::Help: emit command(TKeyCommand::Help); return true;
    case KeyAction::Minimize: emit command(TKeyCommand::Minimize); return true;
    case KeyAction::Left:
    case KeyAction::Right:
    case KeyAction::Up:
    case KeyAction::Down: {
        if (!flow.game)
            return false;
        const int direction = int(it->action) - int(KeyAction::Left) + 1;   // 1 left, 2 right, 3 up, 4 down
        if (flow.game->selectedId != 0)
            flow.TurnBox(direction);
        else
            flow.RotateShape(direction);
        return true;
    }
    }
    return false;
}
