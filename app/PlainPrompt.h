// The message boxes of the colour picker and of the set operations: the
// text is shown as it is, never read as markup, so a set name such as
// "<b>x</b>" or "A&B" appears literally.
#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace PlainPrompt {

// A box with OK only.
void OK(QWidget *parent, const QString &text);
// A box with OK and Cancel; true for OK.
bool OKCancel(QWidget *parent, const QString &text);

// Tests answer in place of the boxes: the answerer gets the text and
// returns true for OK. Null restores the boxes.
void SetAnswerer(std::function<bool(const QString &)> answerer);

// The box that OK and OKCancel run (not yet shown).
QMessageBox *MakeBox(QWidget *parent, const QString &text, bool withCancel);

} // namespace PlainPrompt
