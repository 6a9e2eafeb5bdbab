// The compiled image list: icon, button images and lamps in six sizes,
// level arrows, drag cursors and a transparent filler.
//
// Images are QImage in Format_ARGB32. A picture's hot spot is carried in
// QImage::offset(); its second spot in the text keys "spot2x"/"spot2y".
#pragma once

#include <QImage>
#include <QString>

namespace VlmPix {

class ImageList;

// Builds the list on the first call (thread-safe, once) and returns it.
const ImageList &Iml();

int Count();                       // 119
int Find(const QString &name);     // index, -1 when absent (exact, case-sensitive)
QImage Get(int index);             // null image for an index out of range
QString Name(int index);
QPoint HotSpot(int index);

// Generated accessors that the program uses.
QImage lflev();
QImage rtlev();
QImage uplev();
QImage dnlev();

} // namespace VlmPix
