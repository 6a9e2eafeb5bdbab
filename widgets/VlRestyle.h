// Restyling after a switch of look or scale.
#pragma once

#include <functional>

class QWidget;

// Restyle hooks: called, in the order added, at the end of every
// SetInterfaceScale (after the palette is installed), so the kit's own
// controls can rebuild their styles from the new colours and look.
// Returns an id for VlRemoveRestyleHook.
int VlAddRestyleHook(std::function<void()> hook);
void VlRemoveRestyleHook(int id);
// Runs every hook; VlSkinFinish calls it.
void VlRunRestyleHooks();

// A control whose look is more than what it paints from the palette and
// the font registers a restyle operation at construction (a style sheet
// built from the colours, the button style of the look); all of them run,
// in the order of construction, at each switch (SetInterfaceScale). Every
// other control needs none: the switch's QApplication::setPalette and
// setFont reach each widget as a PaletteChange and a FontChange, and Qt
// repaints it.
void VlRegisterRestyle(const QWidget *control, std::function<void()> restyle);
void VlUnregisterRestyle(const QWidget *control);
int VlRestyleCount();   // live registrations
