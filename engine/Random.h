// The game's random numbers. Every draw goes through Random(n); the game
// uses a generator seeded once from the system, tests put a scripted
// source in its place.
#pragma once

#include <cstddef>
#include <vector>

// An integer in 0..n-1; 0 when n <= 0.
int Random(int n);

// A source of random numbers. Draw(n) is asked for every Random(n), also
// with n <= 0; results outside 0..n-1 are brought into range by Random.
class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    virtual int Draw(int n) = 0;
};

// Replaces the source for as long as the object lives (the previous one is
// put back by the destructor). Scopes nest.
class TRandomScope {
public:
    explicit TRandomScope(TRandomSource &source);
    ~TRandomScope();
    TRandomScope(const TRandomScope &) = delete;
    TRandomScope &operator=(const TRandomScope &) = delete;

private:
    TRandomSource *previous;
};

// A source that returns given values in turn and records the bound of
// every draw. When the values run out it returns 0 and counts the draw in
// `overrun`.
class TScriptedRandom : public TRandomSource {
public:
    TScriptedRandom() = default;
    explicit TScriptedRandom(std::vector<int> values);

    int Draw(int n) override;

    void Add(int value) { values.push_back(value); }
    void Add(const std::vector<int> &more) { values.insert(values.end(), more.begin(), more.end()); }

    std::vector<int> values;  // what the draws return, in order
    std::size_t next = 0;     // index of the next value
    std::vector<int> bounds;  // n of every draw, in order
    int overrun = 0;          // draws made after the values ran out
};
