// The EXIF block of a TIFF file: libtiff does not hand its EXIF directory
// out as one block, so the block is built from the file itself, in the
// file's byte order, every value copied behind its own directory.
#include "TImgUt.h"
#include "TDib.h"
#include "MetaBlock.h"
#include "ReaderKit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace VlmImgUt {

namespace {

constexpr uint16_t ExifPointer = 34665;
constexpr uint16_t InteropPointer = 40965;

// Descriptive entries of the first directory that the block keeps.
bool KeptFromFirst(uint16_t tag)
{
    switch (tag) {
    case 270: case 271: case 272: case 274: case 305: case 306: case 315: case 33432:
    case ExifPointer: case InteropPointer:
        return true;
    default:
        return false;
    }
}

// Bytes of one value of a TIFF 6.0 type (1..13); 0 for type 0.
uint32_t TypeSize(uint16_t type)
{
    static const uint8_t size[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < 14 ? size[type] : 0;
}

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint8_t value[4];        // as in the file
    std::vector<uint8_t> data; // the out-of-line value, when longer than 4 bytes
};

struct Reader {
    FILE *f = nullptr;
    int64_t size = 0;
    bool big = false;
    bool ReadAt(int64_t at, void *dst, int64_t n)
    {
        return at >= 0 && n >= 0 && at <= size && n <= size - at && VlmImgUt::ReadAt(f, at, dst, size_t(n));
    }
};

// Reads the directory at offset: every entry, or with `first` only the
// descriptive ones. Values longer than 4 bytes are read from the file as
// long as they lie inside it and the bytes read stay within budget (the
// file's length: a sound file holds no value twice); entries whose value
// cannot be had are left out, so no offset into the file stays behind.
bool ReadDirectory(Reader &r, uint32_t offset, bool first, std::vector<Entry> &out, int64_t &budget)
{
    uint8_t cnt[2];
    if (!r.ReadAt(offset, cnt, 2))
        return false;
    const uint16_t n = Get16(cnt, r.big);
    std::vector<uint8_t> raw(size_t(n) * 12);
    if (!r.ReadAt(int64_t(offset) + 2, raw.data(), int64_t(raw.size())))
        return false;
    for (uint16_t i = 0; i < n; ++i) {
        const uint8_t *e = raw.data() + size_t(i) * 12;
        Entry entry;
        entry.tag = Get16(e, r.big);
        entry.type = Get16(e + 2, r.big);
        entry.count = Get32(e + 4, r.big);
        memcpy(entry.value, e + 8, 4);
        if (first && (!KeptFromFirst(entry.tag) || entry.type > 13))
            continue;
        if (entry.type > 13) { // an unknown type keeps its four bytes as one LONG
            entry.type = 4;
            entry.count = 1;
        }
        const int64_t bytes = int64_t(entry.count) * TypeSize(entry.type);
        if (bytes > 4) {
            if (bytes > budget)
                continue;
            entry.data.resize(size_t(bytes));
            if (!r.ReadAt(Get32(entry.value, r.big), entry.data.data(), bytes))
                continue;
            budget -= bytes;
        }
        out.push_back(std::move(entry));
    }
    return true;
}

bool IsPointer(const Entry &e)
{
    return (e.type == 4 || e.type == 13) && e.count == 1;
}

// Appends a directory and its values at the end of block; pointer entries
// of the tags given get the offsets of the directories they point to.
void WriteDirectory(std::vector<uint8_t> &block, std::vector<Entry> &dir, bool big, uint32_t exifAt,
                    uint32_t interopAt)
{
    const size_t at = block.size();
    size_t valueAt = at + 2 + 12 * dir.size() + 4;
    block.resize(valueAt);
    uint8_t *p = block.data() + at;
    Put16(uint16_t(dir.size()), p, big);
    for (size_t i = 0; i < dir.size(); ++i) {
        Entry &e = dir[i];
        uint8_t *q = block.data() + at + 2 + 12 * i;
        Put16(e.tag, q, big);
        Put16(e.type, q + 2, big);
        Put32(e.count, q + 4, big);
        if (e.tag == ExifPointer && IsPointer(e)) {
            Put32(exifAt, q + 8, big);
        } else if (e.tag == InteropPointer && IsPointer(e)) {
            Put32(interopAt, q + 8, big);
        } else if (!e.data.empty()) {
            Put32(uint32_t(valueAt), q + 8, big);
            valueAt += e.data.size();
        } else {
            memcpy(q + 8, e.value, 4);
        }
    }
    Put32(0, block.data() + at + 2 + 12 * dir.size(), big);
    for (const Entry &e : dir)
        if (!e.data.empty() && !((e.tag == ExifPointer || e.tag == InteropPointer) && IsPointer(e)))
            block.insert(block.end(), e.data.begin(), e.data.end());
}

size_t DirectorySize(const std::vector<Entry> &dir)
{
    size_t n = 2 + 12 * dir.size() + 4;
    for (const Entry &e : dir)
        n += e.data.size();
    return n;
}

// Takes out the pointer entries of a tag: they are kept only where they
// can point to a directory of the block.
void DropPointers(std::vector<Entry> &dir, uint16_t tag, bool keep)
{
    for (size_t i = dir.size(); i-- > 0;)
        if (dir[i].tag == tag && (!keep || !IsPointer(dir[i])))
            dir.erase(dir.begin() + long(i));
}

bool PointerOf(const std::vector<Entry> &dir, uint16_t tag, bool big, uint32_t &offset)
{
    bool found = false;
    for (const Entry &e : dir)
        if (e.tag == tag && IsPointer(e)) {
            offset = Get32(e.value, big);
            found = true;
        }
    return found;
}

bool BuildExif(Reader &r, uint8_t header[8], std::vector<uint8_t> &block)
{
    int64_t budget = r.size;
    std::vector<Entry> first, exif, interop;
    if (!ReadDirectory(r, Get32(header + 4, r.big), true, first, budget))
        return false;

    uint32_t exifOffset = 0, interopOffset = 0;
    bool hasExif = PointerOf(first, ExifPointer, r.big, exifOffset);
    bool hasInterop = PointerOf(first, InteropPointer, r.big, interopOffset);
    if (hasExif) {
        hasExif = ReadDirectory(r, exifOffset, false, exif, budget);
        // The EXIF directory's own pointer replaces that of the first one.
        uint32_t own = 0;
        if (hasExif && PointerOf(exif, InteropPointer, r.big, own)) {
            interopOffset = own;
            hasInterop = true;
        }
    }
    if (hasInterop)
        hasInterop = ReadDirectory(r, interopOffset, false, interop, budget);
    DropPointers(first, ExifPointer, hasExif);
    DropPointers(first, InteropPointer, hasInterop);
    DropPointers(exif, ExifPointer, false);
    DropPointers(exif, InteropPointer, hasInterop);
    DropPointers(interop, ExifPointer, false);
    DropPointers(interop, InteropPointer, false);
    if (first.empty())
        return false;

    const size_t exifAt = 8 + DirectorySize(first);
    const size_t interopAt = exifAt + (hasExif ? DirectorySize(exif) : 0);
    const size_t total = interopAt + (hasInterop ? DirectorySize(interop) : 0);
    if (total > UINT32_MAX)
        return false;
    block.reserve(total);
    block.assign(header, header + 4);
    block.resize(8);
    Put32(8, block.data() + 4, r.big);
    WriteDirectory(block, first, r.big, uint32_t(exifAt), uint32_t(interopAt));
    if (hasExif)
        WriteDirectory(block, exif, r.big, uint32_t(exifAt), uint32_t(interopAt));
    if (hasInterop)
        WriteDirectory(block, interop, r.big, uint32_t(exifAt), uint32_t(interopAt));
    return true;
}

} // namespace

void ReadTiffExif(TImgUt &ctx, const QString &path)
{
    TDib *dib = ctx.readTarget;
    const TFilePtr file = OpenForRead(ctx, path);
    if (!file)
        return;
    std::free(dib->exif);
    dib->exif = nullptr;
    dib->exifSize = 0;
    Reader r;
    r.f = file.get();
    r.size = BytesLeft(r.f);
    if (r.size < 0)
        return;

    uint8_t header[8];
    if (!r.ReadAt(0, header, 8))
        return;
    if (header[0] == 'M' && header[1] == 'M')
        r.big = true;
    else if (header[0] != 'I' || header[1] != 'I')
        return;
    if (Get16(header + 2, r.big) != 42)
        return;

    std::vector<uint8_t> block;
    try {
        if (!BuildExif(r, header, block))
            return;
    } catch (const std::bad_alloc &) {
        return;
    }
    KeepBlock(dib->exif, dib->exifSize, block.data(), block.size());
}

} // namespace VlmImgUt
