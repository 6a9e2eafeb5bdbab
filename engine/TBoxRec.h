// One box of a shape, box ids, face numbers, directions and the random
// orientation every game type draws.
#pragma once

#include <cstdint>

// One box: six signed 32-bit fields, 24 bytes, the same in memory and in
// saved games (written field by field, little-endian).
struct TBoxRec {
    int32_t id = 0;    // 100 + 100 x level + 10 x row + column; 0 no box
    int32_t x = 0;     // screen position of the front square, 0 until drawn
    int32_t y = 0;
    int32_t front = 0; // face numbers 0..5 shown to the front, left and top
    int32_t left = 1;
    int32_t top = 2;
};
static_assert(sizeof(TBoxRec) == 24, "TBoxRec is six 32-bit fields");

// Directions of turns and rotations, of the arrow keys and arrow buttons.
enum TDirection : int {
    DirLeft = 1,
    DirRight = 2,
    DirUp = 3,
    DirDown = 4,
};

// Id of the box at a position, counted from 0.
constexpr int BoxId(int level, int row, int col)
{
    return 100 + 100 * level + 10 * row + col;
}

// The top face that a front and a left face imply (top = front x left with
// faces 0, 1, 2 as +x, +y, +z and 5 - f as -f); -1 when front and left are
// out of range, equal or opposite.
int TopFace(int front, int left);

// Is (front, left, top) one of the 24 orientations a box can have.
bool IsValidOrientation(int front, int left, int top);

// The left face of a random orientation with the given front: Random(4) + 1
// steps on from the front, 5 wrapping to 0, then on while the face is the
// front or its opposite.
int RandomLeft(int front);

// Draws a random orientation into the box: front = Random(6), then
// RandomLeft, then the top from the two. id, x and y are untouched.
void RandomOrientation(TBoxRec &box);
