// The choosing steps of the set operations as the player sees them: the
// colour picker, the open-image dialog and plain-text message boxes, all
// modal over the options dialog, which gets the keyboard focus back.
#pragma once

#include "FaceSets.h"

class QWidget;

class TSetDialogs : public TSetChooser {
public:
    // owner: the options dialog (may be null); imgUt: the library context
    // the open-image dialog works with (null: no picture can be chosen).
    TSetDialogs(QWidget *owner, VlmImgUt::TImgUt *imgUt) : owner(owner), imgUt(imgUt) {}

    bool ChooseColor(Color start, Color &chosen) override;
    bool ChooseImageFile(QString &path, const QString &title, const QString &folder) override;
    void Message(const QString &text) override;
    bool Confirm(const QString &text) override;

private:
    void FocusOwner();
    QWidget *owner;
    VlmImgUt::TImgUt *imgUt;
};
