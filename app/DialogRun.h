// How the main window runs the game's modal dialogs (Hall of Fame, options,
// About) and the file dialogs: the board takes no input while one runs.
// The options dialog runs its colour picker through RunDialog too.
// An opener is
//
//     TInputPause pause(settings, board);      // input off until the end of the scope
//     auto *dialog = new TSomeDialog(settings, ..., window);
//     const int code = RunDialog(*dialog);     // tool window, modal
//     delete dialog;
//
// or OpenDialog, which does the same in one call.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QDialog;
class TSettings;

// Clears the settings record's input flag for its lifetime; at its end the
// board takes the keyboard focus back, the flag is set again (also when it
// was clear before) and the control of the board's window under the
// pointer chooses its cursor again, as on a move: the dialog's cursor does
// not stay until the pointer moves. Nothing is touched at the end when the
// board is gone: it goes with the window, and the settings record with it.
class TInputPause {
public:
    TInputPause(TSettings *settings, QWidget *board);
    ~TInputPause();
    TInputPause(const TInputPause &) = delete;
    TInputPause &operator=(const TInputPause &) = delete;

private:
    TSettings *settings;
    QPointer<QWidget> board;
};

// Where RunDialog shows a dialog: at the screen's top left, where the
// dialog has placed itself, or centred over its owner's window (the
// screen when it has none) and kept within the available screen.
enum class TDialogPlace { TopLeft, AsPlaced, CentredOnOwner };

// The top left that centres a window of the given size over owner's
// window (or the available screen), kept inside the available screen with
// room for the window frame.
QPoint CentredPlace(const QSize &size, const QWidget *owner);

// Makes the dialog a tool window and runs it modal to its owner; returns
// its code (1 OK or Save, 2 Cancel). Tests put a runner in place of the
// modal loop.
int RunDialog(QDialog &dialog, TDialogPlace place = TDialogPlace::TopLeft);
void SetDialogRunner(std::function<int(QDialog &)> runner);

// The whole opener: input paused, the dialog made by make(), run and
// deleted. Returns the run's code.
template <class Make>
int OpenDialog(TSettings *settings, QWidget *board, Make make, TDialogPlace place = TDialogPlace::TopLeft)
{
    TInputPause pause(settings, board);
    std::unique_ptr<QDialog> dialog(make());
    return RunDialog(*dialog, place);
}
