// Board cursors of the game types: what a press, a drag or a release at
// the pointer will do. A null image stands for the standard arrow.
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSettings.h"
#include "TSplash.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <cstdlib>

namespace {

// Pictures of the image list fetched by position.
enum : int {
    PixMoveAll = 111,
    PixMoveWE = 112,
    PixMoveNS = 113,
    PixMoveNot = 114,
    PixHndThere = 116,
    PixHndPinch = 117,
};

QImage Pix(int index)
{
    return VlmPix::Get(index);
}

// The arrow of a drag from (fromX, fromY) to (x, y) for the arrow family
// "box", "shp" or "lev": vertical when the vertical distance is larger,
// otherwise (a tie too) horizontal.
QImage DragArrow(const char *family, int x, int y, int fromX, int fromY)
{
    const int ddx = std::abs(x - fromX), ddy = std::abs(y - fromY);
    const char *way;
    if (ddx < ddy)
        way = y > fromY ? "dn" : "up";
    else
        way = x > fromX ? "rt" : "lf";
    return SkinImage(QString::fromLatin1(way) + QString::fromLatin1(family));
}

// The cursor over the selected box, the first test of the press-and-
// release family. True with the cursor in `cursor` when the pointer is
// over it.
bool SelectedBoxCursor(TGame &g, int x, int y, bool pressed, bool &moving, QImage &cursor)
{
    moving = false;
    if (!g.Positioned() || g.selectedId == 0 || !g.LocateBox(g.selectedId))
        return false;
    const TBoxRec &b = g.box[g.curLevel][g.curRow][g.curCol];
    const int s = g.settings->boxSize;
    if (x < b.x || x > b.x + s || y < b.y || y > b.y + s)
        return false;
    if (pressed) {
        const int ddx = std::abs(x - g.pressX), ddy = std::abs(y - g.pressY);
        if (ddx >= 8 || ddy >= 8) {
            moving = true;
            cursor = DragArrow("box", x, y, g.pressX, g.pressY);
            return true;
        }
    }
    cursor = Pix(PixMoveAll);
    return true;
}

// The press-and-release family (Jumbled Cube, Jumbled Pyramid, intro):
// the selected box first, then `hit`, the box under the pointer that a
// press would take hold of (0 none), found by the game type's own search.
QImage PressReleaseCursor(TGame &g, int x, int y, bool pressed, bool &moving, int hit)
{
    QImage cursor;
    if (SelectedBoxCursor(g, x, y, pressed, moving, cursor))
        return cursor;
    if (hit == 0)
        return QImage();
    if (pressed && g.pressId != 0) {
        const int ddx = std::abs(x - g.pressX), ddy = std::abs(y - g.pressY);
        if (ddx < 8 && ddy < 8)
            return Pix(PixHndPinch);
        moving = true;
        return DragArrow("shp", x, y, g.pressX, g.pressY);
    }
    return Pix(PixHndThere);
}

} // namespace

QImage TCube::DragCursor(int x, int y, bool pressed, bool &moving)
{
    return PressReleaseCursor(*this, x, y, pressed, moving, HitFront(x, y));
}

QImage TPyramid::DragCursor(int x, int y, bool pressed, bool &moving)
{
    return PressReleaseCursor(*this, x, y, pressed, moving, HitFront(x, y));
}

QImage TSplash::DragCursor(int x, int y, bool pressed, bool &moving)
{
    return PressReleaseCursor(*this, x, y, pressed, moving, HitFront(x, y));
}

QImage TRebukes::DragCursor(int x, int y, bool pressed, bool &moving)
{
    moving = false;
    levels = settings->levels;
    const int m = MiddleSlice(levels);
    const int ddx = std::abs(x - grabX), ddy = std::abs(y - grabY);
    // Measured from the grab point, so only while a grab is pending.
    const bool active = pressed && selectedId != 0 && (ddx > 11 || ddy > 11);

    const TCell cell = HitCell(x, y);
    if (cell.id == 0)
        return QImage();

    const bool aMiddle = cell.a == m, bMiddle = cell.b == m;
    QImage cursor;
    if (aMiddle && bMiddle) {
        return Pix(PixMoveNot);
    } else if (aMiddle) {
        if (!active || ddy <= 11)
            return Pix(PixMoveNS);
        cursor = SkinImage(y > grabY ? QStringLiteral("dnlev") : QStringLiteral("uplev"));
    } else if (bMiddle) {
        if (!active || ddx <= 11)
            return Pix(PixMoveWE);
        cursor = SkinImage(x > grabX ? QStringLiteral("rtlev") : QStringLiteral("lflev"));
    } else {
        if (!active)
            return Pix(PixMoveAll);
        cursor = DragArrow("lev", x, y, grabX, grabY);
    }
    moving = true;
    return cursor;
}

QImage TJigsaw::DragCursor(int x, int y, bool pressed, bool &moving)
{
    moving = false;
    levels = settings->levels;
    if (HitFront(x, y) == 0)
        return QImage();
    if (!pressed || selectedId == 0)
        return Pix(PixHndThere);
    if (!wholeFace)
        return Pix(PixHndPinch);
    const int ddx = std::abs(x - pressX), ddy = std::abs(y - pressY);
    if (ddx < 8 && ddy < 8)
        return Pix(PixMoveAll);
    moving = true;
    return DragArrow("shp", x, y, pressX, pressY);
}
