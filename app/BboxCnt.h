// The control panel at the right edge of the main window: title strip,
// game controls, the Bonus Boxes and Bad Boxes switches, the status area
// and the two arrow crosses. The main window wires and writes it.
#pragma once

#include "VlButton.h"
#include "VlDrop.h"
#include "VlPanel.h"
#include "VlText.h"

class BboxCnt : public VlPanel {
    Q_OBJECT
public:
    BboxCnt();
    ~BboxCnt() override;

    int32_t designWidth = 118;   // unscaled width
    int32_t width = 118;         // current width: designWidth x VlScaleX rounded
    bool specialShown = false;   // specialPanel takes part in Layout
    bool boxPanelShown = true;   // boxPanel takes part in Layout

    VlPanel titleStrip;
    VlPanel gamePanel;
    VlPanel specialPanel;
    VlPanel statusPanel;
    VlPanel hintPanel;           // in statusPanel
    VlPanel messagePanel;        // in statusPanel, same place as hintPanel
    VlPanel shapePanel;
    VlPanel boxPanel;

    VlButton menuButton;
    VlButton helpButton;
    VlButton aboutButton;
    VlButton minButton;
    VlButton exitButton;
    VlButton newGameButton;
    VlButton soundsButton;
    VlButton soundsLamp;
    VlButton optionsButton;
    VlButton cheatButton;
    VlButton loadButton;
    VlButton saveButton;
    VlButton bonusLamp;
    VlButton bonusButton;
    VlButton badLamp;
    VlButton badButton;
    VlButton highScoresButton;
    VlButton shapeArrow[4];      // left, up, right, down
    VlButton boxArrow[4];        // left, up, right, down

    VlText gameTypeLabel;
    VlText levelsLabel;
    VlText hintText[3];
    VlText messageText[3];
    VlText scoreLabel;
    VlText scoreValue;
    VlText movesLabel;
    VlText movesValue;
    VlText disorderLabel;
    VlText disorderValue;
    VlText shapeRotateLabel;
    VlText shapeTitle;
    VlText boxRotateLabel;
    VlText boxTitle;

    VlDrop gameTypeDrop;         // keys 0..3: game type - 1
    VlDrop levelsDrop;           // keys 0..6: levels - 2

    // Spreads the shown sub-panels over the panel's height.
    void Layout();
    // Resizes the panel and its sub-panels to the current interface scale
    // and renews fonts and images.
    virtual void ApplyScale();

protected:
    void paintEvent(QPaintEvent *event) override;   // draws nothing
    void resizeEvent(QResizeEvent *event) override; // runs Layout
};
