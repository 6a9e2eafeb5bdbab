// The compiled image list: icon, button images and lamps in six sizes,
// level arrows, drag cursors and a transparent filler.
//
// Images are QImage in Format_ARGB32. A picture's hot spot is carried in
// QImage::offset(); its second spot in the text keys "spot2x"/"spot2y".
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace VlmPix {

// The list: names, and the pictures held as zlib-compressed blocks of
// consecutive images. A block is decoded when one of its images is first
// asked for and kept from then on. Safe to use from any thread.
class ImageList {
public:
    ~ImageList();
    ImageList(const ImageList &) = delete;
    ImageList &operator=(const ImageList &) = delete;

    int GetCount() const;                     // names: 119
    int GetBlockCount() const;                // data blocks added: 20
    int Find(const QString &name) const;      // -1 when absent
    QString GetName(int index) const;         // empty when out of range
    QImage Get(int index) const;              // null when out of range or bad data
    bool IsDecoded(int index) const;          // has the image's block been decoded

private:
    friend const ImageList &Iml();
    ImageList(const char *const *names, int count);
    // Adds one compressed block holding the next `count` images;
    // `rawSize` is its size when inflated.
    void AddBlock(const unsigned char *data, std::size_t size, std::size_t rawSize, int count);

    struct Data;
    std::unique_ptr<Data> d;
};

// Builds the list on the first call (thread-safe, once) and returns it.
const ImageList &Iml();

int Count();                       // 119
int Find(const QString &name);     // index, -1 when absent (exact, case-sensitive)
QImage Get(int index);             // null image for an index out of range
QString Name(int index);
QPoint HotSpot(int index);

// Inflates one stored block (zlib stream of `size` bytes, `rawSize` bytes
// inflated) and reads `count` image records from it. Records that do not
// fit the data, claim a side over 1024 pixels, or follow such a record come
// back as null images; a stream that does not inflate to exactly `rawSize`
// gives `count` null images.
std::vector<QImage> DecodeBlock(const unsigned char *data, std::size_t size, std::size_t rawSize, int count);

// Generated accessors that the program uses.
QImage lflev();
QImage rtlev();
QImage uplev();
QImage dnlev();

} // namespace VlmPix
