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
    QString patternFailed;                  // pattern file whose reading failed; not read again
    bool painting = false;                  // inside Paint

    void Paint(QPainter &draw);
    void RenderBoard();
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
