#include "VlDialog.h"

#include <QDialog>

void OnCancel(QDialog *dialog)
{
    if (!dialog)
        return;
    dialog->done(2);
    dialog->close();
}
