#include "Prompts.h"

#include <QMessageBox>

namespace {

std::function<bool(const QString &)> &Answerer()
{
    static std::function<bool(const QString &)> answerer;
    return answerer;
}

bool Prompt(QWidget *parent, const QString &text, bool withCancel)
{
    if (Answerer())
        return Answerer()(text);
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(withCancel ? QMessageBox::Question : QMessageBox::Information, QStringLiteral("quibo"), text,
                    buttons, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

} // namespace

bool PromptOKCancel(QWidget *parent, const QString &text)
{
    return Prompt(parent, text, true);
}

void PromptOK(QWidget *parent, const QString &text)
{
    Prompt(parent, text, false);
}

void SetPromptAnswerer(std::function<bool(const QString &)> answerer)
{
    Answerer() = std::move(answerer);
}
