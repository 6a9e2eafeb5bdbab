// What one picture read may spend, and the flag that stops it.
//
// Every read holds, beside the record it makes, at most half the record's
// bytes and a fixed working set for the decoders; it does at most a fixed
// amount of work for each pixel of the picture it reads, plus a floor.
// Work is counted in bytes a decoder produces or scans. The readers and the
// libraries' hooks count against one budget, held by the read's context;
// any thread may stop the read, which then ends at its next count.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace VlmImgUt {

class TReadBudget {
public:
    static constexpr int64_t DefaultWorkingSet = int64_t(128) << 20;
    static constexpr int64_t WorkPerPixel = 32;
    static constexpr int64_t WorkFloor = int64_t(64) << 20;

    // The fixed part of the memory allowance: the decoders' working set.
    // Tests set a small one to show a fault on a small picture.
    int64_t workingSet = DefaultWorkingSet;

    // Tests: called by every Spend after the work is counted; may raise
    // Stop() to show where a read notices it.
    std::function<void(const TReadBudget &)> onSpend;

    // A new read: nothing spent or held, the picture not yet known (the
    // floors only). A raised stop stays raised.
    void Begin();

    // The picture in the file and the record the read makes, as soon as a
    // header gives them; the allowances follow from them.
    void SetPicture(int64_t srcWidth, int64_t srcHeight, int64_t recordWidth, int64_t recordHeight);

    // Bytes the read may hold beside its record.
    int64_t MemoryAllowance() const;
    // Bytes still free of the memory allowance.
    int64_t MemoryLeft() const;
    // True when bytes more would fit, without taking them.
    bool Fits(int64_t bytes) const;
    // Holds bytes of working memory; false (nothing held) when they would
    // pass the allowance or the read was stopped.
    bool Take(int64_t bytes);
    void Give(int64_t bytes);

    // Counts work; false once the read was stopped or the work passed its
    // allowance. A reader ends the read (failing it) when this is false.
    bool Spend(int64_t bytes);
    // True while the read may go on: not stopped, work within the allowance.
    bool Ok() const { return !Stopped() && spent.load(std::memory_order_relaxed) <= workAllowance; }
    int64_t Spent() const { return spent.load(std::memory_order_relaxed); }
    int64_t WorkAllowance() const { return workAllowance; }

    // Any thread: the read ends at its next count. Cleared only by Resume.
    void Stop() { stopped.store(true, std::memory_order_relaxed); }
    void Resume() { stopped.store(false, std::memory_order_relaxed); }
    bool Stopped() const { return stopped.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stopped{false};
    std::atomic<int64_t> spent{0};
    int64_t held = 0;
    int64_t recordBytes = 0;
    int64_t workAllowance = WorkFloor;
};

// Working memory held against a read's budget while it lives, given back
// when it goes.
class TBudgetHold {
public:
    explicit TBudgetHold(TReadBudget &budget) : budget(budget) {}
    ~TBudgetHold() { budget.Give(bytes); }
    TBudgetHold(const TBudgetHold &) = delete;
    TBudgetHold &operator=(const TBudgetHold &) = delete;

    // False (nothing more held) when n bytes more do not fit.
    bool Take(int64_t n)
    {
        if (!budget.Take(n))
            return false;
        bytes += n;
        return true;
    }

private:
    TReadBudget &budget;
    int64_t bytes = 0;
};

} // namespace VlmImgUt
