#include "VlmPix.h"

#include "VlmPixData.h"
#include "VlmPixTable.h"

#include <QHash>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace VlmPix {

namespace {

// Largest picture side a record may claim.
constexpr int MaxSide = 1024;

constexpr std::size_t MaxInflateRatio = 1032;

int u16(const unsigned char *p)
{
    return int(p[0]) | (int(p[1]) << 8);
}

} // namespace

std::vector<QImage> DecodeBlock(const unsigned char *data, std::size_t size, std::size_t rawSize, int count)
{
    std::vector<QImage> images(std::size_t(std::max(count, 0)));
    if (!data || rawSize == 0 || rawSize > (std::size_t(1) << 30) || size > (std::size_t(1) << 30))
        return images;
    // Deflate makes at most 1032 bytes of one: a stream that cannot inflate
    // to the size claimed is refused before that size is allocated.
    if (rawSize / MaxInflateRatio > size)
        return images;
    std::vector<unsigned char> raw(rawSize);
    uLongf len = uLongf(rawSize);
    if (uncompress(raw.data(), &len, data, uLong(size)) != Z_OK || len != rawSize)
        return images;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (len - pos < std::size_t(VlmPixTable::RecordHeader))
            break;
        const unsigned char *h = raw.data() + pos;
        const int w = u16(h + 1), ht = u16(h + 3);
        const int hx = u16(h + 5), hy = u16(h + 7);
        const int sx = u16(h + 9), sy = u16(h + 11);
        pos += VlmPixTable::RecordHeader;
        if (w > MaxSide || ht > MaxSide)
            break;
        const std::size_t bytes = std::size_t(w) * std::size_t(ht) * 4;
        if (len - pos < bytes)
            break;
        if (w > 0 && ht > 0) {
            QImage img(w, ht, QImage::Format_ARGB32);
            const unsigned char *px = raw.data() + pos;
            for (int y = 0; y < ht; ++y) {
                QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
                for (int x = 0; x < w; ++x, px += 4)
                    row[x] = qRgba(px[0], px[1], px[2], px[3]);
            }
            img.setOffset(QPoint(hx, hy));
            img.setText(QStringLiteral("spot2x"), QString::number(sx));
            img.setText(QStringLiteral("spot2y"), QString::number(sy));
            images[i] = img;
        }
        pos += bytes;
    }
    return images;
}

struct ImageList::Data {
    struct Block {
        const unsigned char *data = nullptr;
        std::size_t size = 0;
        std::size_t rawSize = 0;
        int first = 0;
        int count = 0;
        bool decoded = false;
        std::vector<QImage> images;
    };

    std::vector<QString> names;
    QHash<QString, int> byName;
    std::vector<Block> blocks;
    std::vector<int> blockOf;   // image index -> block, -1 when no block holds it
    int nextImage = 0;
    mutable std::mutex mutex;   // guards decoding

    static void Decode(Block &b)
    {
        b.images = DecodeBlock(b.data, b.size, b.rawSize, b.count);
        b.decoded = true;
    }
};

ImageList::ImageList(const char *const *names, int count) : d(new Data)
{
    d->names.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString n = QString::fromLatin1(names[i]);
        d->names.push_back(n);
        if (!d->byName.contains(n))
            d->byName.insert(n, i);
    }
    d->blockOf.assign(std::size_t(count), -1);
}

ImageList::~ImageList() = default;

void ImageList::AddBlock(const unsigned char *data, std::size_t size, std::size_t rawSize, int count)
{
    Data::Block b;
    b.data = data;
    b.size = size;
    b.rawSize = rawSize;
    b.first = d->nextImage;
    b.count = count > 0 ? count : 0;
    const int blockIndex = int(d->blocks.size());
    for (int i = 0; i < b.count && b.first + i < int(d->blockOf.size()); ++i)
        d->blockOf[std::size_t(b.first + i)] = blockIndex;
    d->nextImage += b.count;
    d->blocks.push_back(b);
}

int ImageList::GetCount() const
{
    return int(d->names.size());
}

int ImageList::GetBlockCount() const
{
    return int(d->blocks.size());
}

int ImageList::Find(const QString &name) const
{
    return d->byName.value(name, -1);
}

QString ImageList::GetName(int index) const
{
    if (index < 0 || index >= GetCount())
        return QString();
    return d->names[std::size_t(index)];
}

QImage ImageList::Get(int index) const
{
    if (index < 0 || index >= GetCount())
        return QImage();
    const int bi = d->blockOf[std::size_t(index)];
    if (bi < 0)
        return QImage();
    std::lock_guard<std::mutex> lock(d->mutex);
    Data::Block &b = d->blocks[std::size_t(bi)];
    if (!b.decoded)
        Data::Decode(b);
    return b.images[std::size_t(index - b.first)];
}

bool ImageList::IsDecoded(int index) const
{
    if (index < 0 || index >= GetCount())
        return false;
    const int bi = d->blockOf[std::size_t(index)];
    if (bi < 0)
        return false;
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->blocks[std::size_t(bi)].decoded;
}

const ImageList &Iml()
{
    static ImageList list(VlmPixTable::Names, VlmPixTable::ImageCount);
    static std::atomic<bool> built{false};
    static std::mutex buildMutex;
    if (!built.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(buildMutex);
        if (!built.load(std::memory_order_relaxed)) {
            for (const VlmPixBlock &b : VlmPixBlocks)
                list.AddBlock(b.data, b.size, b.rawSize, b.count);
            built.store(true, std::memory_order_release);
        }
    }
    return list;
}

int Count() { return Iml().GetCount(); }
int Find(const QString &name) { return Iml().Find(name); }
QImage Get(int index) { return Iml().Get(index); }
QString Name(int index) { return Iml().GetName(index); }

QPoint HotSpot(int index)
{
    const QImage img = Get(index);
    return img.isNull() ? QPoint() : img.offset();
}

QImage lflev() { return Get(87); }
QImage rtlev() { return Get(93); }
QImage uplev() { return Get(99); }
QImage dnlev() { return Get(105); }

namespace {
// Built while the program's static objects are built, as the list is
// registered at start-up.
const bool registeredAtStart = (Iml(), true);
} // namespace

} // namespace VlmPix
