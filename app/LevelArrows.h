// The two strips of level arrows beside the board: left and right arrows
// in the side strip, up and down arrows in the bottom strip, eight of each,
// the i-th turning level (or slice) i + 1. The game flow places them for
// the game type (TGameFlow::LayoutBoard); the window wires them.
#pragma once

#include "VlButton.h"
#include "VlPanel.h"

class QWidget;

class TLevelArrows {
public:
    TLevelArrows();

    VlPanel sideStrip;        // left and right arrows, design 0, 0, 39 x 222
    VlPanel bottomStrip;      // up and down arrows, design 0, 0, 222 x 39
    VlButton levelLeft[8];    // the i-th at (1, 1 + 20i), 18 x 18
    VlButton levelRight[8];   // the i-th at (20, 1 + 20i)
    VlButton levelUp[8];      // the i-th at (1 + 20i, 1)
    VlButton levelDown[8];    // the i-th at (1 + 20i, 20)

    // Puts the strips into the board, hidden, with their arrows at their
    // design places.
    void Build(QWidget *board);
    // The strips and their arrows at the current interface scale, with the
    // arrow pictures of that scale.
    void ApplyScale();
    void Hide();

    // Shows the arrows of the levels 0..n-1 but `skip` (-1 for none) and
    // hides the others. The bottom strip goes under the shape, its right
    // edge at `right`, its top at `bottom` + 4; its i-th pair sits under
    // column n - 1 - i of boxes of `box` pixels.
    void PlaceBottom(int n, int skip, int box, int right, int bottom);
    // The side strip at x `x`, from y `y0` over `height`; its i-th pair at
    // first + i x step within it (hidden pairs keep their step).
    void PlaceSide(int n, int skip, int x, int y0, int height, int first, int step);
};
