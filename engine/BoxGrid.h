// Box-array steps shared by the game objects: id decoding, uniform setup
// and the surface of the cube.
#pragma once

#include "TBoxRec.h"

#include <vector>

namespace BoxGrid {

using Boxes = TBoxRec[8][8][8];

// Level, row and column named by a box id; false (and nothing written) for
// ids below 100, which name no position.
inline bool SplitId(int id, int &level, int &row, int &col)
{
    if (id < 100)
        return false;
    level = id / 100 - 1;
    row = (id % 100) / 10;
    col = id % 10;
    return true;
}

// One more border box of a level during setup: the first one from the
// b-th on becomes the bonus box, the first other one from the d-th on the
// bad box. j counts the border boxes met so far.
inline void MarkBorderBox(int id, int &j, int b, int d, int &bonusId, int &badId)
{
    if (j >= b && bonusId == 0)
        bonusId = id;
    else if (j >= d && badId == 0)
        badId = id;
    ++j;
}

// Numbers every box of the cube of n levels, puts it at (0, 0) and gives
// all of them one random orientation.
inline void FillUniform(Boxes &box, int n)
{
    TBoxRec common;
    RandomOrientation(common);
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                TBoxRec &b = box[L][r][c];
                b.id = BoxId(L, r, c);
                b.x = 0;
                b.y = 0;
                b.front = common.front;
                b.left = common.left;
                b.top = common.top;
            }
}

// The boxes on the surface of the cube of n levels, level by level, row by
// row, column by column.
inline std::vector<TBoxRec *> SurfaceBoxes(Boxes &box, int n)
{
    std::vector<TBoxRec *> surface;
    surface.reserve(size_t(n) * n * n);
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                if (L == 0 || L == n - 1 || r == 0 || r == n - 1 || c == 0 || c == n - 1)
                    surface.push_back(&box[L][r][c]);
    return surface;
}

} // namespace BoxGrid
