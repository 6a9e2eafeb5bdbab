// The options dialog "quibo Options": how faces look (colours or pictures
// and how pictures are fitted), the perspective of the side and top faces,
// the interface scale, the background colour or pattern, the six face
// colours with their colour sets and the six face pictures with their image
// sets. It works on copies: nothing reaches the settings record before
// Save, which then writes the interface block (when the scale changed) and
// the options file.
//
// Two things take effect at once: a picked scale is applied to the kit and
// to the dialog (the destructor puts the opening scale back unless it was
// saved), and the dialog's margins show the background colour or pattern.
#pragma once

#include "FaceSets.h"
#include "VlButton.h"
#include "VlDrop.h"
#include "VlEdit.h"
#include "VlOpt.h"
#include "VlPanel.h"
#include "VlSlider.h"
#include "VlText.h"

#include <QDialog>

class QKeyEvent;
class QPaintEvent;
class TSettings;

namespace VlmImgUt {
class TDib;
}

class TboxOpts : public QDialog {
    Q_OBJECT
public:
    static constexpr int Faces = TFaceSets::Faces;

    // parent: the widget that shows the main window's render buffer; the
    // dialog places itself over it (at the screen's top left without one).
    explicit TboxOpts(TSettings *settings, QWidget *parent = nullptr);
    ~TboxOpts() override;

    // ---- Fields in order ---------------------------------------------------
    TSettings *settings;          // not owned
    // Working copies of the background colour and pattern, the face colours
    // and pictures and the two kinds of set, with their operations.
    TFaceSets sets;
    VlmImgUt::TDib *previewBuffer = nullptr;   // owned: the background preview
    bool saved = false;           // Save stored a changed scale
    bool previewDirty = true;     // rebuild the preview at the next paint
    char openingScale;            // VlScale when the dialog was built
    int modified = 0;             // 0 until the first change, then 1
    int designWidth = 552;
    int scaledWidth = 552;
    int designHeight = 440;
    int scaledHeight = 440;
    // The factor the dialog was laid out at when its scale did not fit the
    // screen; 0 while it is laid out at the scale's own factors.
    float fittedScale = 0.0f;

    VlTitleBox appearanceBox;
    VlTitleBox backgroundBox;
    VlTitleBox colorsBox;
    VlTitleBox imagesBox;
    VlPanel backgroundSwatch;
    VlPanel faceSwatch[Faces];
    VlPanel buttonStrip;
    VlImgBox patternBox;
    VlImgBox faceImageBox[Faces];
    VlButton backgroundButton;
    VlButton patternButton;
    VlButton faceColorButton[Faces];
    VlButton addColorSetButton;
    VlButton removeColorSetButton;
    VlButton faceImageButton[Faces];
    VlButton addImageSetButton;
    VlButton removeImageSetButton;
    VlButton saveButton;
    VlButton cancelButton;
    VlButton helpButton;
    VlText perspectiveLabel;
    VlText sideLabel;
    VlText topLabel;
    VlText sideValue;
    VlText topValue;
    VlText scaleLabel;
    VlText colorLabel;
    VlText patternLabel;
    VlText colorSetLabel;
    VlText imageSetLabel;
    VlOpt useBoxColorsOpt;
    VlOpt useBoxImagesOpt;
    VlOpt spanImagesOpt;
    VlOpt tileImagesOpt;
    VlOpt rotateImagesOpt;
    VlOpt borderImagesOpt;
    VlOpt usePatternOpt;
    VlOpt tilePatternOpt;
    VlDrop scaleDrop;
    VlDrop colorSetDrop;
    VlDrop imageSetDrop;
    VlSlider sideSlider;
    VlSlider topSlider;
    VlEditTx colorSetName;
    VlEditTx imageSetName;

    // ---- Operations --------------------------------------------------------
    // Applies the scale that scaleDrop shows; initial: the dialog's own
    // first layout (also when the scale is the current one).
    void OnScale(bool initial);
    // A slider moved: its value followed by "%" in its label.
    void OnPerspective(VlSlider &slider, VlText &label);
    // A background check box changed: the preview is rebuilt.
    void OnChange();
    // The first change: Save becomes the button Enter triggers.
    void SetModified();
    // Save: asks when no colour set or no image set is selected, stores
    // everything in the settings record, writes the interface block when
    // the scale changed, then the options file; ends with code 1.
    void SaveOptions();
    void ShowHelp();
    // Enter (13): Save once something changed, else close with code 2.
    bool Key(int key);

    // The colour and picture choices and the set buttons.
    void PickColor(int target);
    void PickImage(int target);
    void AddColorSet();
    void RemoveColorSet();
    void SelectColorSet();
    void AddImageSet();
    void RemoveImageSet();
    void SelectImageSet();

    // The scale letter of a scaleDrop position (any other gives "n"), and
    // the position of a letter (any other letter gives 0).
    static char ScaleLetterAt(int position);
    static int ScalePositionOf(char letter);
    // Where the dialog goes over a render buffer of W x H: centred across
    // unless that leaves its right edge outside, then against the right
    // edge; centred down, but at least 28 from the top.
    static QPoint PlaceOverBuffer(int bufferWidth, int bufferHeight, int width, int height);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Build();
    void BuildAppearance();
    void BuildBackground();
    void BuildColors();
    void BuildImages();
    void BuildButtons();
    void Connect();
    void RescalePanels();
    // Runs a set operation with the real choosers (colour picker,
    // open-image dialog, prompts) and shows what it changed.
    template <class Operation>
    void RunSetOperation(Operation operation);
    void Show(const TSetsChange &change);
    void FillSetList(VlDrop &drop, const QVector<QString> &names, int selected);
    void ShowSwatch(VlPanel &swatch, Color color);
    void RefreshNow();
};
