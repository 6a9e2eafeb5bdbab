#include "Prompts.h"

#include <QMessageBox>

#include <memory>

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
    std::unique_ptr<QMessageBox> box(MakePromptBox(parent, text, withCancel));
    return box->exec() == QMessageBox::Ok;
}

} // namespace

QMessageBox *MakePromptBox(QWidget *parent, const QString &text, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    auto *box = new QMessageBox(withCancel ? QMessageBox::Question : QMessageBox::Information,
                                QStringLiteral("quibo"), QString(), buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

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
