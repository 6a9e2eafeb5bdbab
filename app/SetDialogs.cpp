#include "SetDialogs.h"

#include "DialogRun.h"
#include "FileDialogs.h"
#include "Prompts.h"
#include "VlColorPick.h"

#include <QWidget>

bool TSetDialogs::ChooseColor(Color start, Color &chosen)
{
    auto *picker = new VlColorPick(start, owner);
    const int code = RunDialog(*picker, TDialogPlace::CentredOnOwner);
    if (code == 1)
        chosen = picker->color;
    delete picker;
    FocusOwner();
    return code == 1;
}

bool TSetDialogs::ChooseImageFile(QString &path, const QString &title, const QString &folder)
{
    if (!imgUt)
        return false;
    bool chosen;
    {
        VlmImgUt::TOpImgDlg dialog(owner, imgUt);
        chosen = dialog.Execute(path, title, folder, 'i', false);
    }
    FocusOwner();
    return chosen;
}

void TSetDialogs::Message(const QString &text)
{
    PromptOK(owner, text);
}

bool TSetDialogs::Confirm(const QString &text)
{
    return PromptOKCancel(owner, text);
}

void TSetDialogs::FocusOwner()
{
    if (owner) {
        owner->activateWindow();
        owner->setFocus();
    }
}
