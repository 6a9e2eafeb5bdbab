#include "TBoxRec.h"

#include "Random.h"

namespace {

// top by [front][left]; -1 where left is front or its opposite.
constexpr int kTop[6][6] = {
    {-1, 2, 4, 1, 3, -1},
    {3, -1, 0, 5, -1, 2},
    {1, 5, -1, -1, 0, 4},
    {4, 0, -1, -1, 5, 1},
    {2, -1, 5, 0, -1, 3},
    {-1, 3, 1, 4, 2, -1},
};

} // namespace

int TopFace(int front, int left)
{
    if (front < 0 || front > 5 || left < 0 || left > 5)
        return -1;
    return kTop[front][left];
}

bool IsValidOrientation(int front, int left, int top)
{
    int t = TopFace(front, left);
    return t >= 0 && t == top;
}

int RandomLeft(int front)
{
    int left = front;
    int k = Random(4) + 1;
    for (int i = 0; i < k; ++i)
        left = (left + 1) % 6;
    while (left == front || left == 5 - front)
        left = (left + 1) % 6;
    return left;
}

void RandomOrientation(TBoxRec &box)
{
    box.front = Random(6);
    box.left = RandomLeft(box.front);
    box.top = TopFace(box.front, box.left);
}
