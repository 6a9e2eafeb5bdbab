// Scale-dependent pictures of the image list and the sharpening filter
// that resizing them uses.
#pragma once

#include <QImage>
#include <QString>

// The picture of that name at the current scale (name + suffix, else the
// plain name), resized by VlScaleY * 8/19 and sharpened at "c" and "s";
// a null image when neither name is in the image list. The hot spot
// (QImage::offset) is scaled along.
QImage SkinImage(const QString &name);

// Unsharp mask: out = in + amount/100 * (in - blur3x3(in)), worked on
// premultiplied colour so transparent edges gain no halo. The result is
// Format_ARGB32; offset and text keys are kept.
QImage VlSharpen(const QImage &image, int amount = 100);

// The whole picture resized smoothly to w x h, its hot spot and second
// spot scaled by f, then sharpened at amount 100.
QImage VlResizeSharpened(const QImage &img, int w, int h, float f);
