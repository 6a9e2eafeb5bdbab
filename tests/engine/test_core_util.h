// Small fixtures shared by the engine core tests.
#pragma once

#include "Random.h"
#include "ScriptedRandom.h"
#include "TBoxRec.h"
#include "TCube.h"
#include "TSettings.h"

#include <array>
#include <memory>
#include <vector>

namespace coretest {

struct Orient {
    int f, l, t;
    bool operator==(const Orient &o) const { return f == o.f && l == o.l && t == o.t; }
    bool operator<(const Orient &o) const
    {
        return f != o.f ? f < o.f : l != o.l ? l < o.l : t < o.t;
    }
};

inline Orient OrientOf(const TBoxRec &b)
{
    return {b.front, b.left, b.top};
}

inline void SetOrient(TBoxRec &b, const Orient &o)
{
    b.front = o.f;
    b.left = o.l;
    b.top = o.t;
}

// The 24 orientations, in front then left order.
inline std::vector<Orient> AllOrientations()
{
    std::vector<Orient> all;
    for (int f = 0; f < 6; ++f)
        for (int l = 0; l < 6; ++l)
            if (TopFace(f, l) >= 0)
                all.push_back({f, l, TopFace(f, l)});
    return all;
}

// A cube of n levels set up with every random draw 0, then each box given
// an orientation by its position so that neighbours differ.
inline std::unique_ptr<TCube> MakeCube(TSettings &s, int n)
{
    s.levels = n;
    auto cube = std::make_unique<TCube>(&s);
    TScriptedRandom zeros;
    {
        TRandomScope scope(zeros);
        cube->Setup();
    }
    const std::vector<Orient> all = AllOrientations();
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c)
                SetOrient(cube->box[L][r][c], all[(L * 7 + r * 3 + c * 5) % 24]);
    return cube;
}

// Places the front column as the painter would: row 0 at the right, level
// 0 at the top, squares of settings.boxSize touching.
inline void PlaceFront(TCube &cube, int left = 100, int top = 50)
{
    const int n = cube.settings->levels;
    const int s = cube.settings->boxSize;
    for (int L = 0; L < n; ++L)
        for (int r = 0; r < n; ++r) {
            TBoxRec &b = cube.box[L][r][n - 1];
            b.x = left + (n - 1 - r) * s;
            b.y = top + L * s;
        }
    cube.laidOut = true;
}

// Everything of a game object that a move can change.
struct Snapshot {
    std::vector<int> data;
    explicit Snapshot(const TGame &g)
    {
        data = {g.inOrder, g.cheated, g.score, g.moves, g.movesAtEval, g.disorder,
                g.initialDisorder, g.previousDisorder, g.selectedId, g.infoId, g.pressId};
        for (int L = 0; L < 8; ++L)
            for (int r = 0; r < 8; ++r)
                for (int c = 0; c < 8; ++c) {
                    const TBoxRec &b = g.box[L][r][c];
                    data.insert(data.end(), {b.id, b.x, b.y, b.front, b.left, b.top});
                }
        for (int L = 0; L < 8; ++L)
            data.insert(data.end(), {g.bonusId[L], g.badId[L]});
    }
    bool operator==(const Snapshot &o) const { return data == o.data; }
};

} // namespace coretest
