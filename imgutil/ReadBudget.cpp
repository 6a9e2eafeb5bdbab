#include "ReadBudget.h"

#include <algorithm>

namespace VlmImgUt {

namespace {

// a x b, saturated to INT64_MAX / 4 so that sums of a few stay in range.
int64_t Product(int64_t a, int64_t b)
{
    constexpr int64_t Max = INT64_MAX / 4;
    if (a <= 0 || b <= 0)
        return 0;
    return a > Max / b ? Max : a * b;
}

} // namespace

void TReadBudget::Begin()
{
    spent.store(0, std::memory_order_relaxed);
    held = 0;
    recordBytes = 0;
    workAllowance = WorkFloor;
}

void TReadBudget::SetPicture(int64_t srcWidth, int64_t srcHeight, int64_t recordWidth, int64_t recordHeight)
{
    recordBytes = Product(Product(recordWidth, recordHeight), 3);
    workAllowance = Product(Product(srcWidth, srcHeight), WorkPerPixel) + WorkFloor;
}

int64_t TReadBudget::MemoryAllowance() const
{
    return recordBytes / 2 + std::max<int64_t>(workingSet, 0);
}

int64_t TReadBudget::MemoryLeft() const
{
    return std::max<int64_t>(MemoryAllowance() - held, 0);
}

bool TReadBudget::Fits(int64_t bytes) const
{
    return bytes >= 0 && bytes <= MemoryLeft();
}

bool TReadBudget::Take(int64_t bytes)
{
    if (Stopped() || !Fits(bytes))
        return false;
    held += bytes;
    return true;
}

void TReadBudget::Give(int64_t bytes)
{
    held = std::max<int64_t>(held - std::max<int64_t>(bytes, 0), 0);
}

bool TReadBudget::Spend(int64_t bytes)
{
    const int64_t add = std::max<int64_t>(bytes, 0);
    const int64_t now = spent.fetch_add(add, std::memory_order_relaxed) + add;
    if (onSpend)
        onSpend(*this);
    return !Stopped() && now <= workAllowance;
}

} // namespace VlmImgUt
