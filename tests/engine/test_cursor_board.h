// Fixtures of the board tests of the grab-and-drop games and the cursors:
// a cube laid out as its painter lays it out, points inside the visible
// cells, and names for the cursor images.
#pragma once

#include "TGame.h"
#include "TSettings.h"
#include "VlSkinImage.h"
#include "VlmPix.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <string>

namespace boardtest {

// Geometry used throughout: boxes of 40 pixels with depths of 10, the
// shape's lower right corner at (400, 400).
constexpr int S = 40, D = 10, E = 10, Right = 400, Bottom = 400;

inline void SetGeometry(TSettings &s, int n)
{
    s.levels = n;
    s.boxSize = S;
    s.sideDepth = D;
    s.topDepth = E;
}

// x and y of every box by the cube's drawing rule: level 0 on top, row 0
// at the right, column n-1 in front.
inline void LayOutCube(TGame &g)
{
    const int n = g.settings->levels;
    const int s = g.settings->boxSize, d = g.settings->sideDepth, e = g.settings->topDepth;
    const int X = Right - (n - 1) * d - s;
    const int Ybottom = Bottom - (n - 1) * e - s;
    for (int L = 0; L < n; ++L) {
        const int Y = Ybottom - (n - 1 - L) * s;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                g.box[L][r][c].x = X - r * s + c * d;
                g.box[L][r][c].y = Y + c * e;
            }
    }
    g.laidOut = true;
}

// Middle points of the visible cells of box (L, R, C).
inline QPoint FrontPoint(const TGame &g, int L, int R)
{
    const int n = g.settings->levels, s = g.settings->boxSize;
    const TBoxRec &b = g.box[L][R][n - 1];
    return {b.x + s / 2, b.y + s / 2};
}
inline QPoint LeftPoint(const TGame &g, int L, int C)
{
    const int n = g.settings->levels, s = g.settings->boxSize;
    const TBoxRec &b = g.box[L][n - 1][C];
    return {b.x - g.settings->sideDepth / 2, b.y - g.settings->topDepth + s / 2};
}
inline QPoint TopPoint(const TGame &g, int R, int C)
{
    const int s = g.settings->boxSize;
    const TBoxRec &b = g.box[0][R][C];
    return {b.x - g.settings->sideDepth + s / 2, b.y - g.settings->topDepth / 2};
}

// The name of a cursor image: "arrow" for the standard arrow (a null
// image), the image list's name of a picture fetched by position, or the
// name of an arrow fetched at the interface scale.
inline std::string CursorName(const QImage &image)
{
    if (image.isNull())
        return "arrow";
    for (int index : {111, 112, 113, 114, 116, 117})
        if (image == VlmPix::Get(index))
            return VlmPix::Name(index).toStdString();
    for (const char *name : {"rtbox", "lfbox", "dnbox", "upbox", "rtshp", "lfshp", "dnshp", "upshp",
                             "rtlev", "lflev", "dnlev", "uplev"})
        if (image == SkinImage(QString::fromLatin1(name)))
            return name;
    return "?";
}

} // namespace boardtest
