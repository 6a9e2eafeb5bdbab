#include "SetDialogs.h"

#include "PlainPrompt.h"
#include "TImgUt.h"
#include "VlColorPick.h"

#include <QFileDialog>
#include <QWidget>

bool TSetDialogs::ChooseColor(Color start, Color &chosen)
{
    auto *picker = new VlColorPick(start, owner);
    picker->ToolWindow();
    const int code = VlColorPick::Run(*picker);
    if (code == 1)
        chosen = picker->color;
    delete picker;
    FocusOwner();
    return code == 1;
}

bool TSetDialogs::ChooseImageFile(QString &path, const QString &title, const QString &folder)
{
    // The image library's open-image dialog (with its preview) goes here;
    // until then a plain file dialog over the same picture files.
    QFileDialog dialog(owner, title, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (imgUt) {
        dialog.setNameFilters({VlmImgUt::TImgUt::QtFileFilter(imgUt->allFilterName, imgUt->allPatterns),
                               VlmImgUt::TImgUt::QtFileFilter(imgUt->imageFilterName, imgUt->imagePatterns)});
    }
    if (!path.isEmpty())
        dialog.selectFile(path);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (chosen)
        path = dialog.selectedFiles().first();
    FocusOwner();
    return chosen;
}

void TSetDialogs::Message(const QString &text)
{
    PlainPrompt::OK(owner, text);
}

bool TSetDialogs::Confirm(const QString &text)
{
    return PlainPrompt::OKCancel(owner, text);
}

void TSetDialogs::FocusOwner()
{
    if (owner) {
        owner->activateWindow();
        owner->setFocus();
    }
}
