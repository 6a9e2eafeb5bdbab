#include "DialogRun.h"

#include "TSettings.h"

#include <QDialog>

TInputPause::TInputPause(TSettings *settings, QWidget *board)
    : settings(settings), board(board)
{
    if (settings)
        settings->inputEnabled = false;
}

TInputPause::~TInputPause()
{
    if (!board)
        return;
    board->setFocus(Qt::OtherFocusReason);
    if (settings)
        settings->inputEnabled = true;
}

namespace {

std::function<int(QDialog &)> &Runner()
{
    static std::function<int(QDialog &)> runner;
    return runner;
}

} // namespace

int RunDialog(QDialog &dialog, TDialogPlace place)
{
    const QPoint placed = dialog.pos();
    dialog.setWindowFlag(Qt::Tool, true);
    dialog.move(place == TDialogPlace::TopLeft ? QPoint(0, 0) : placed);
    if (Runner())
        return Runner()(dialog);
    // Modal to the game's windows; the help viewer, a window of its own
    // beside the game, stays usable for the dialog's Help.
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog.exec();
}

void SetDialogRunner(std::function<int(QDialog &)> runner)
{
    Runner() = std::move(runner);
}
