// The Cancel action shared by the game's dialogs.
#pragma once

class QDialog;

// Ends the dialog's modal run with code 2, then closes the dialog.
void OnCancel(QDialog *dialog);
