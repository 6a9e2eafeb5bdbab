// The base of the game objects: one puzzle with its boxes, selection,
// counters and the sixteen operations the main window calls.
#pragma once

#include "TBoxRec.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;
class QPainter;
class TSettings;
class TFieldReader;
class TFieldWriter;

// Everything a saved game's body holds for the base class.
struct TGameBody {
    bool inOrder = false;
    bool cheated = false;
    int score = 0;
    int moves = 0;
    int initialDisorder = 0;
    int previousDisorder = 0;
    int disorder = 0;
    TBoxRec box[8][8][8];
    int bonusId[8] = {};
    int badId[8] = {};
};

// How a score is computed from the disorder and the moves.
enum class TScoreFormula {
    Full,        // with the Bonus Boxes and Bad Boxes terms
    NoSwitches,  // the full formula without those terms
    Short,       // initialDisorder - disorder - moves
};

class TGame {
public:
    explicit TGame(TSettings *settings);

    // The game object of game type 1 to 4 (Jigsaw, Jumbled Cube, Jumbled
    // Pyramid, Rebukes), as a new game makes it; null for any other type
    // or without memory.
    static std::unique_ptr<TGame> Make(int gameType, TSettings *settings);

    // The sixteen operations, in slot order. Every Setup starts with the
    // base one: the boxes lose their screen positions.
    virtual void Setup();
    virtual void FitToRect(QRect &board);
    virtual void PaintShape(const QRect &board);
    virtual bool Evaluate(bool force);
    // A null image stands for the standard arrow cursor.
    virtual QImage DragCursor(int x, int y, bool pressed, bool &moving);
    virtual bool ClickBox(int x, int y, bool right);
    virtual bool LocateBox(int id);
    virtual void PaintDrag(int x, int y, QPainter &draw);
    virtual int PressRelease(int x, int y, bool release);
    virtual void TurnBox(int dir);
    virtual void RotateShape(int dir);
    virtual void RotateLevel(int number, int dir);
    virtual void PaintInfo(QPainter &draw, int id);
    virtual void ScrambleAround();
    // The body of a saved game (after the header). LoadBody reads and
    // checks the whole body before it changes anything: on false the
    // object is as it was.
    virtual bool LoadBody(QIODevice *file);
    virtual bool SaveBody(QIODevice *file);
    virtual ~TGame();

    TGame(const TGame &) = delete;
    TGame &operator=(const TGame &) = delete;

    // Moves and drops count up to MaxCount and stay there: far above any
    // real game, and low enough that no score computed from them overflows.
    static constexpr int MaxCount = 10000000;
    static void CountUp(int &counter) { counter += counter < MaxCount ? 1 : 0; }
    // The disorders an evaluation of game type gameType with n levels can
    // give: the Jigsaw counts misplaced pieces (0 to 6 n^2); the others
    // compare C boxes in at most K = min(24, C) orientations, which bounds
    // the disorder to -(K - 1)(C - 1 + K) .. (K - 1)(C - 1). False for a
    // game type or levels out of range.
    static bool DisorderRange(int gameType, int n, int &lowest, int &highest);
    // The game types (1 Jigsaw Cube to 4 Rebukes Cube) and the numbers of
    // levels (2 to 8, the size of the box arrays) a game takes.
    static bool ValidGameType(int t) { return t >= 1 && t <= 4; }
    static bool ValidLevels(int n) { return n >= 2 && n <= 8; }

    // Fields in order.
    TSettings *settings;       // shared, not owned
    bool inOrder = false;
    bool finished = false;     // end of game handled by the main window
    bool cheated = false;
    int levels = 0;
    int curLevel = 0;
    int curRow = 0;
    int curCol = 0;
    int pressX = 0;
    int pressY = 0;
    int pressId = 0;
    int score = 0;
    int moves = 0;
    int movesAtEval = 0;
    int disorder = 0;
    int initialDisorder = 0;
    int previousDisorder = 0;
    int selectedId = 0;
    int infoId = 0;
    TBoxRec box[8][8][8];
    int bonusId[8] = {};
    int badId[8] = {};
    // The boxes have screen positions: set by a PaintShape that drew them,
    // cleared by one that could not and by Setup. No hit test finds a box
    // before that.
    bool laidOut = false;
    bool Positioned() const { return laidOut; }

protected:
    // ---- Shared by the game types --------------------------------------

    // Start of a PaintShape of n levels: can it draw them (minLevels to 8)
    // in the board. Sets laidOut to the answer; the boxes are placed next.
    bool StartShape(const QRect &board, int n, int minLevels);

    // Draws the faces of mask of box b, level `level` of n, at the shading
    // fractions fx and fy, with the selection outline when it is selected.
    void PaintShownBox(const TBoxRec &b, int mask, int n, int level, float fx, float fy);

    // Is the point inside the box's front square, bounds included on all
    // four sides; never before the boxes have been placed.
    bool InFrontSquare(const TBoxRec &b, int px, int py) const;

    // Turns one box: the record is copied into the scratch box, turned
    // there and copied back.
    void TurnThroughScratch(TBoxRec &b, int dir);

    // Toggle of the selection (right false) or the info card (right true)
    // by the hit id h; false when h is 0.
    bool ToggleHit(int h, bool right);

    // The direction of a drag from (pressX, pressY) to (x, y): 0 within 7
    // pixels both ways, otherwise horizontal unless the vertical distance
    // is larger.
    int DragDirection(int x, int y) const;

    // PressRelease with the hit id h already found (0 none): the press
    // stores the point and h; the release gives the move code 0, 1..4,
    // 11..14 or 999 and clears pressId.
    int PressReleaseHit(int h, int x, int y, bool release);

    // One quarter turn of the square slice of level L with sides 0..m:
    // the boxes at (row r, column c) go to (c, m - r) for dir 1 or
    // (m - c, r) for dir 2, taking their faces, then turn in direction
    // dir. `whole` moves every box of the square, otherwise only its
    // border ring (row or column 0 or m). The level's bonus and bad ids
    // follow their boxes.
    void TurnLevelSlice(int L, int m, int dir, bool whole);

    // Quarter turn of row slice R of the cube of n = levels: boxes at
    // (level l, column c) go to (n-1-c, l) for dir 3 or (c, n-1-l) for
    // dir 4, then turn in direction dir. `whole` moves every box of the
    // slice, otherwise only the border ring. Bonus and bad ids stay.
    void TurnRowSlice(int R, int dir, bool whole);

    // The common part of every evaluation: compares each box with the
    // reference faces, fills the orientation histogram, computes the disorder, the
    // score for the game of n levels by the formula, and the result.
    bool EvaluateBoxes(bool force, int n, const TBoxRec &reference,
                       const std::vector<TBoxRec *> &compared, TScoreFormula formula);

    // A score computed in 64 bits, kept within int.
    static int ScoreValue(int64_t v);

    // The new disorder d of an evaluation: the old one is kept as the
    // previous, the first one as the initial.
    void RecordDisorder(int d);

    // The last steps of an evaluation: a negative or cheated score becomes
    // 0; a forced one leaves the shape in order, cheated, with no score,
    // and gives false; otherwise true only when the shape has just come
    // into order.
    bool EvaluationResult(bool force, bool ordered);

    // The base body, field by field. ReadBody checks what it reads for the
    // game of n = settings->levels and game type settings->gameType, and
    // changes nothing of the object; ApplyBody stores a checked body.
    bool ReadBody(TFieldReader &in, TGameBody &body) const;
    void ApplyBody(const TGameBody &body);
    bool WriteBody(TFieldWriter &out);
};
