#include "DialogRun.h"

#include "GameLook.h"
#include "TSettings.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMouseEvent>

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
    // The kit's cursor is the application's override, which the dialog may
    // have changed: a move where the pointer is lets the control there
    // choose it again.
    const QPoint at = QCursor::pos();
    QWidget *under = QApplication::widgetAt(at);
    if (under && under->window() == board->window()) {
        QMouseEvent move(QEvent::MouseMove, under->mapFromGlobal(QPointF(at)), QPointF(at), Qt::NoButton,
                         QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
        QCoreApplication::sendEvent(under, &move);
    }
}

namespace {

std::function<int(QDialog &)> &Runner()
{
    static std::function<int(QDialog &)> runner;
    return runner;
}

} // namespace

QPoint CentredPlace(const QSize &size, const QWidget *owner)
{
    const QRect area = AvailableArea(owner);
    const QRect over = owner ? owner->window()->frameGeometry() : area;
    QPoint at = over.center() - QPoint(size.width() / 2, size.height() / 2);
    if (!area.isEmpty()) {
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - FrameRoomX - size.width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - FrameRoomY - size.height())));
    }
    return at;
}

int RunDialog(QDialog &dialog, TDialogPlace place)
{
    const QPoint placed = dialog.pos();
    dialog.setWindowFlag(Qt::Tool, true);
    switch (place) {
    case TDialogPlace::TopLeft:
        dialog.move(0, 0);
        break;
    case TDialogPlace::AsPlaced:
        dialog.move(placed);
        break;
    case TDialogPlace::CentredOnOwner:
        dialog.move(CentredPlace(dialog.size(), dialog.parentWidget()));
        break;
    }
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
