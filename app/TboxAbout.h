// The About box: the game's name and version, a button to the web site, a
// "Done" button and a picture from the program's resources, which cycles
// its colours while the player toggles it with a click.
#pragma once

#include "VlButton.h"
#include "VlPanel.h"
#include "VlText.h"

#include <QDialog>
#include <QTimer>
#include <QUrl>

#include <memory>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QShowEvent;
class TSettings;

namespace VlmImgUt {
class TDib;
}

// The About picture: drawn fitted into the box, margins in brushColor. A
// click starts or freezes a colour cycle of 3 x phaseLength steps, one each
// 100 ms, over the picture as loaded; the run that reaches its last step
// shows the picture as loaded again and stops. A frozen cycle resumes at
// the same step.
class BAImgBox : public VlPanel {
    Q_OBJECT
public:
    explicit BAImgBox(QWidget *parent = nullptr);
    ~BAImgBox() override;   // frees image, then savedImage

    TSettings *settings = nullptr;            // the About box's
    VlmImgUt::TDib *savedImage = nullptr;     // owned: the picture as loaded, copied at the first start
    VlmImgUt::TDib *image = nullptr;          // owned: the picture as shown
    Color brushColor = 0x000000;              // margins and the picture's brush
    bool animating = false;
    int phaseLength = 128;                    // steps per colour phase
    int step = 1;                             // 1..3 x phaseLength, never reset
    int tickCount = 0;                        // steps of the current run
    int factor[3] = {8, 2, 4};                // per-step multipliers of the channels
    QTimer timer;                             // 100 ms while the cycle runs

    // Starts the cycle (a picture is needed) or freezes it.
    void ToggleAnimation();
    // One step of the cycle: the timer's tick.
    void AnimateStep();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::unique_ptr<VlmImgUt::TDib> backBuffer;   // the fitted picture
};

class TboxAbout : public QDialog {
    Q_OBJECT
public:
    explicit TboxAbout(TSettings *settings, QWidget *parent = nullptr);
    ~TboxAbout() override;

    // The web site: the web button's caption and the page it opens.
    static const char WebCaption[];
    static QUrl WebPage();

    // ---- Fields in order ----------------------------------------------
    TSettings *settings;     // not owned
    VlPanel mainPanel;
    VlPanel donePanel;
    BAImgBox picture;        // in mainPanel
    VlButton webButton;      // in mainPanel
    VlButton doneButton;     // in donePanel
    VlText nameText;
    VlText tmText;
    VlText versionLabel;
    VlText webLabel;
    Color dialogColor = 0x242424;

    // Enter (13) closes the box; every other key is not handled.
    bool Key(int key);
    // The web page through the desktop's handler; a failure is ignored.
    void OpenWebSite();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Moves over the dialog and, forwarded, over the picture: the pinching
    // hand over the picture, the arrow elsewhere.
    void mouseMoveEvent(QMouseEvent *event) override;
    // The pointer entering any control of the box.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The first time: the picture takes the focus and the pointer is put
    // on it.
    void showEvent(QShowEvent *event) override;

private:
    // The pinching hand when the point is over the picture, else the arrow.
    void ShowCursorAt(const QPoint &global);
    // Reads the compiled-in picture through a temporary file of a fresh
    // name; without it the box has no picture.
    void LoadPicture();

    bool shownOnce = false;
};
