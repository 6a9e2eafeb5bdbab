// The Cancel action and the Enter key shared by the game's dialogs.
#pragma once

class QDialog;
class QKeyEvent;

// Ends the dialog's modal run with code 2, then closes the dialog.
void OnCancel(QDialog *dialog);

// The key the dialogs answer: Enter or Return with neither Shift, Ctrl,
// Alt nor Meta held (the keypad's own flag does not count).
bool IsDialogEnter(const QKeyEvent *event);
