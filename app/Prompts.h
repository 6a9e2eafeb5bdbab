// The game's message boxes: a text with OK, or with OK and Cancel. Any
// window or dialog of the game shows them; they leave the board's input
// flag as it is. The text is shown as it is, never read as markup, so a
// set name such as "<b>x</b>" or "A&B" or a path appears literally.
// Tests put an answerer in place of the boxes: it gets the text and
// returns true for OK.
#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// True for OK.
bool PromptOKCancel(QWidget *parent, const QString &text);
void PromptOK(QWidget *parent, const QString &text);

// Replaces the boxes until it is reset with null.
void SetPromptAnswerer(std::function<bool(const QString &)> answerer);

// The box that PromptOK and PromptOKCancel run (not yet shown).
QMessageBox *MakePromptBox(QWidget *parent, const QString &text, bool withCancel);
