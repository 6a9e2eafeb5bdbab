// The game's random numbers. Every draw goes through Random(n); the game
// uses a generator seeded once from the system; tests put a source of
// their own in its place (tests/ScriptedRandom.h).
#pragma once

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
