// A random source for tests: returns given values in turn and records the
// bound of every draw. When the values run out it returns 0 and counts the
// draw in `overrun`. Put in place with TRandomScope.
#pragma once

#include "Random.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class TScriptedRandom : public TRandomSource {
public:
    TScriptedRandom() = default;
    explicit TScriptedRandom(std::vector<int> v) : values(std::move(v)) {}

    int Draw(int n) override
    {
        bounds.push_back(n);
        if (next >= values.size()) {
            ++overrun;
            return 0;
        }
        return values[next++];
    }

    void Add(int value) { values.push_back(value); }
    void Add(const std::vector<int> &more) { values.insert(values.end(), more.begin(), more.end()); }

    std::vector<int> values;  // what the draws return, in order
    std::size_t next = 0;     // index of the next value
    std::vector<int> bounds;  // n of every draw, in order
    int overrun = 0;          // draws made after the values ran out
};

// A fixed sequence of draws from a linear congruential generator: the same
// boards in every run, with no script to write.
class TSteadyRandom : public TRandomSource {
public:
    explicit TSteadyRandom(uint32_t seed = 20240601u) : state(seed) {}
    int Draw(int n) override
    {
        state = state * 1103515245u + 12345u;
        return n > 0 ? int((state >> 16) % uint32_t(n)) : 0;
    }

private:
    uint32_t state;
};
