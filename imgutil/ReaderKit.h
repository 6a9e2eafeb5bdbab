// Shared by the picture readers: the file opened for a read, its length and
// positioned reads, sizes checked against the record's cap and the file's
// length, and decoded rows placed into the picture through the reduction's
// sampled rows and columns.
#pragma once

#include "TImgUt.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace VlmImgUt {

class TDib;

// The file positions of a picture's rows or columns: every one in turn for
// a read at full size, held as a table only for a reduced read, so that a
// picture of one long row or column costs no table of its length.
class TSampled {
public:
    TSampled() = default;
    static TSampled Every(int32_t count)
    {
        TSampled s;
        s.count = count;
        return s;
    }
    static TSampled Of(std::vector<int32_t> table)
    {
        TSampled s;
        s.count = int32_t(table.size());
        s.table = std::move(table);
        return s;
    }

    size_t size() const { return size_t(count); }
    bool empty() const { return count == 0; }
    int32_t operator[](size_t k) const { return table.empty() ? int32_t(k) : table[k]; }
    int32_t back() const { return (*this)[size() - 1]; }

    class const_iterator {
    public:
        const_iterator(const TSampled *s, size_t k) : s(s), k(k) {}
        int32_t operator*() const { return (*s)[k]; }
        const_iterator &operator++()
        {
            ++k;
            return *this;
        }
        bool operator!=(const const_iterator &o) const { return k != o.k; }

    private:
        const TSampled *s;
        size_t k;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // The entries that hold position v, as [first, last); the positions
    // never step back.
    std::pair<int32_t, int32_t> Find(int64_t v) const;
    // The first entry at position v or beyond; size() when there is none.
    int32_t From(int64_t v) const;

private:
    int32_t count = 0;
    std::vector<int32_t> table;
};

class TReaderRows {
public:
    // Sizes and creates ctx.readTarget for a width x height file reduced
    // toward the box (a dpiX of 0 gives 72 dpi), sets its size in the file,
    // tells the read's budget the picture and picks the sampled rows and
    // columns. False when the size passes the record's cap, Create fails,
    // the read was stopped or there is no memory for the positions.
    bool Start(TImgUt &ctx, int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight,
               int32_t dpiX = 0, int32_t dpiY = 0);

    // Picture rows (from the top) that take file row y, as [first, last):
    // empty for a row the reduction skips; more than one only at the end.
    std::pair<int32_t, int32_t> Targets(int64_t y) const;
    bool Wanted(int64_t y) const
    {
        const auto t = Targets(y);
        return t.first < t.second;
    }

    // First byte of picture row k (from the top).
    uint8_t *Row(int32_t k) const;

    // Picture rows first + 1 .. last - 1 made copies of row first: the
    // rest of a file row's targets once the first is stored.
    void Repeat(int32_t first, int32_t last) const;

    // Stores a file row of B, G, R pixels (full width) as picture row y.
    void PutBgr(int64_t y, const uint8_t *bgr) const;

    int32_t Width() const { return int32_t(cols.size()); }
    int32_t Height() const { return int32_t(rows.size()); }
    const TSampled &Columns() const { return cols; }

private:
    TDib *dib = nullptr;
    TSampled rows; // file row of each picture row
    TSampled cols; // file column of each picture column
};

struct TFileCloser {
    void operator()(FILE *f) const { fclose(f); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

// The file of a read as a C stream: null when the context has no picture
// to fill or path is no regular file.
TFilePtr OpenForRead(const TImgUt &ctx, const QString &path);

// Sizes v to n elements; false (no exception) when there is no memory.
template <typename T>
bool Resize(std::vector<T> &v, size_t n) noexcept
{
    try {
        v.resize(n);
        return true;
    } catch (...) {
        return false;
    }
}

// True when a width x height picture lies within the record's size cap.
bool WithinRecordCap(int64_t width, int64_t height);

// True when a reader that reduces while it reads may take a width x height
// picture: each side fits the record's source size and the pixel count is
// small enough that byte counts made from it fit 64 bits. Only the reduced
// record is held to the record's cap.
bool WithinSourceCap(int64_t width, int64_t height);

// Bytes left in the stream after its current position; -1 when unknown.
int64_t BytesLeft(FILE *f);

// Reads n bytes at offset at; false unless all of them were read.
bool ReadAt(FILE *f, int64_t at, void *dst, size_t n);

} // namespace VlmImgUt
