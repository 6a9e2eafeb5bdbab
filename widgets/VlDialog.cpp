#include "VlDialog.h"

#include <QDialog>
#include <QKeyEvent>

void OnCancel(QDialog *dialog)
{
    if (!dialog)
        return;
    dialog->done(2);
    dialog->close();
}

bool IsDialogEnter(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && held == 0;
}
