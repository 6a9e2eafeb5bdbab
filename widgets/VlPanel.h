// The kit's panels: VlPanel, a container with a background colour that
// re-places, re-fonts and recolours its direct kit children; VlTitleBox, a
// panel with a caption; VlImgBox, a panel showing a picture.
#pragma once

#include "VlDesign.h"
#include "VlFrame.h"

#include <QEvent>
#include <QFont>
#include <QString>
#include <QWidget>

#include <memory>

namespace VlmImgUt {
class TDib;
class TImgUt;
}

class VlText;

class VlPanel : public QWidget {
    Q_OBJECT
public:
    explicit VlPanel(QWidget *parent = nullptr);
    ~VlPanel() override;

    // While set, mouse moves and wheel turns go to the owner, at the
    // panel's own point. Not owned, never cleared by the panel.
    QWidget *owner = nullptr;
    VlDesignRect designRect;
    bool opaque = true;
    Color color = 0x000000;      // current background
    Color ownColor = 0x000000;   // designed background

    // Stores the design rectangle; place: also set it, unscaled.
    void SetDesignRect(int x, int y, int width, int height, bool place);
    void SetFrame(VlFrame frame) { VlSetFrame(this, frame); }
    // The area inside the frame, in the panel's coordinates.
    QRect ViewRect() const;

    // The colour operations and the rescale walk visit the direct children
    // whose class is one of the kit's, in child order.
    virtual void RestoreColors();
    virtual void ApplySystemColors(Color color);
    virtual void ApplySkinColors(Color color);
    // self: the panel itself is placed at its scaled design rectangle too.
    virtual void Rescale(bool self);
    virtual void SpareHook() {}

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    // Presses and releases stop here; they do not reach the parent.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

    // The owner link's point: the panel's view coordinates.
    void ForwardMouse(QMouseEvent *event, QEvent::Type type, Qt::MouseButton button);
};

class VlTitleBox : public VlPanel {
    Q_OBJECT
public:
    explicit VlTitleBox(QWidget *parent = nullptr);
    ~VlTitleBox() override;

    VlText *caption;     // the only built-in child
    int styleCode = 0;   // 1 or 3 bold caption, 2 underlined, else plain

    // frame code: hundreds give the caption's place (1 left, 2 right, any
    // other centred), the rest its frame (1 thin inset, 2 thin outset,
    // 3 field, 4 outset, 5 inset, 6 separators, else none). style code:
    // hundreds give a font-height increment, the rest the style.
    void SetTitle(const QString &text, Color paper, Color ink, int frameCode, int styleCode);
    // The caption's font for a style and a pixel height.
    static QFont CaptionFont(int style, int pixelHeight);

    void Rescale(bool self) override;
};

class VlImgBox : public VlPanel {
    Q_OBJECT
public:
    explicit VlImgBox(QWidget *parent = nullptr);
    ~VlImgBox() override;

    VlmImgUt::TImgUt *context = nullptr;   // not owned
    VlmImgUt::TDib *image = nullptr;       // not owned
    int lastWidth = 0;                     // size recorded at layout
    int lastHeight = 0;
    bool showCaption = false;
    bool stretch = false;
    QString captionText;
    QFont captionFont;
    Color captionInk = 0xABABAB;

    // Rescale (true), then the new size becomes the last size.
    virtual void ApplyScale();
    // Whether the next paint copies the picture 1:1 (the last size is
    // the picture's size); else it is fitted into the last size.
    bool DrawsOneToOne() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    std::unique_ptr<VlmImgUt::TDib> backBuffer;   // the fitted picture
};

// ---- Child walk ----------------------------------------------------------------
enum class VlKitClass { None, Button, EditTx, EditNo, Text, Opt, Drop, Slider, Array };

// The first kit class name that the control's run-time class name contains,
// tested in the order VlButton, VlEditTx, VlEditNo, VlText, VlOpt, VlDrop,
// VlSlider (only withRescaleOnly: the colour walks leave sliders alone),
// VlArray.
VlKitClass VlKitClassOf(const QWidget *control, bool withRescaleOnly);
