// The board: the main window's client area below the menu bar. It renders
// the game into the settings' render bitmap when something changed, copies
// that to the screen with the transient layers over it (info card, dragged
// outline, intro title), runs the intro's 100 ms repaint timer and installs
// the board cursor. Its mouse and key events go to the board input; the
// end of a game, noticed while rendering, it reports by solved().
//
// The side panel and the level-arrow strips are its children.
#pragma once

#include "Color.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QPainter;
class QTimer;
class TBoardInput;
class TGameFlow;
class TSettings;

class TPictureJobs;

namespace VlmImgUt {
class TDib;
class TImgUt;
} // namespace VlmImgUt

// The background pattern as the board draws it: PutImage over the whole
// render bitmap, without border. A picture larger than the bitmap is drawn
// from a copy stretched to the size it is drawn at, made once per bitmap
// size, and the full-size picture read from a file is then not kept: the
// file is read again when a copy for another size is wanted. The pixels are those of PutImage with the
// full-size picture.
class TBoardPattern {
public:
    TBoardPattern() = default;
    ~TBoardPattern();
    TBoardPattern(const TBoardPattern &) = delete;
    TBoardPattern &operator=(const TBoardPattern &) = delete;

    // Draws the pattern of the settings into their render bitmap; false
    // when there is none (no file, or it cannot be read).
    bool Draw(TSettings &s);
    // Adds the reading of the pattern to `jobs` when Draw would read it.
    void Prepare(TSettings &s, TPictureJobs &jobs);

    QString failed;   // pattern file whose reading failed; not read again

private:
    // Reads the pattern with ctx when it is not read, and stretches a
    // picture larger than W x H to the size it is drawn at.
    void Load(TSettings &s, VlmImgUt::TImgUt *ctx, int W, int H);
    // Does the stretched copy serve for a bitmap of W x H.
    bool Serves(const TSettings &s, int W, int H) const;

    VlmImgUt::TDib *stretched = nullptr;   // owned
    QString stretchedFile;
    int stretchedForWidth = 0, stretchedForHeight = 0;
};

class TBoardView : public QWidget {
    Q_OBJECT
public:
    TBoardView(TSettings *settings, TGameFlow &flow, TBoardInput &input, QWidget *parent);
    ~TBoardView() override;

    TSettings *settings;                    // the window's
    TGameFlow &flow;
    TBoardInput &input;

    bool reRender = true;                   // the bitmap is drawn again at the next paint
    Color introTitleColor = 0xFF6800;
    int introTitleHeight = 55;
    int cursorWidth = 32;                   // board cursor size of the interface scale
    int cursorHeight = 32;
    QImage cursorImage;                     // the cursor the game object chose last
    QTimer *introTimer = nullptr;           // null when none runs
    QImage screenFrame;                     // the render bitmap as RGB32, converted once per render
    TBoardPattern pattern;                  // the background pattern
    bool painting = false;                  // inside Paint

    void Paint(QPainter &draw);
    void RenderBoard();
    // Reads the pictures the game's renders draw, side by side: the
    // pattern and the face pictures at the size of the layout.
    void PreparePictures();
    void PaintSplashTitle(QPainter &draw);
    // One tick of the intro timer: repaints while input is enabled.
    void SplashTimerProc();
    void StartIntroTimer();
    void KillIntroTimer();

    // Renders again now (queued while a paint runs), or at the next paint.
    void Rerender(bool now);
    // Repaints now: a synchronous repaint, queued while a paint runs or the
    // board is hidden.
    void RefreshSync();
    // Installs the cursor the game object chose; rescaled to the cursor
    // size of the interface unless moving or 32 pixels or less.
    void SetBoardCursor(bool moving);
    // The cursor size of an interface scale letter.
    static int CursorSizeOf(char scale);

signals:
    // The puzzle came into order at a render.
    void solved();
    // The render found the client size changed: the window syncs its size.
    void sizeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;   // Tab is an ordinary key

private:
    // The last rescaled cursor and what it was made from.
    qint64 lastKey = 0;
    int lastWidth = 0;
    int lastHeight = 0;
    QImage lastCursor;
};
