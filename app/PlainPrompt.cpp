#include "PlainPrompt.h"

#include <QMessageBox>

#include <memory>

namespace PlainPrompt {

namespace {

std::function<bool(const QString &)> &Answerer()
{
    static std::function<bool(const QString &)> answerer;
    return answerer;
}

bool Run(QWidget *parent, const QString &text, bool withCancel)
{
    if (Answerer())
        return Answerer()(text);
    std::unique_ptr<QMessageBox> box(MakeBox(parent, text, withCancel));
    return box->exec() == QMessageBox::Ok;
}

} // namespace

QMessageBox *MakeBox(QWidget *parent, const QString &text, bool withCancel)
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

void OK(QWidget *parent, const QString &text)
{
    Run(parent, text, false);
}

bool OKCancel(QWidget *parent, const QString &text)
{
    return Run(parent, text, true);
}

void SetAnswerer(std::function<bool(const QString &)> answerer)
{
    Answerer() = std::move(answerer);
}

} // namespace PlainPrompt
