// Clipboard paste and copy of pictures through the application's clipboard.
#include "TDib.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace VlmImgUt {

namespace {

QClipboard *Clipboard()
{
    // QGuiApplication::clipboard() needs a GUI application object.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

bool TDib::PasteClipboard()
{
    QClipboard *clipboard = Clipboard();
    if (!clipboard)
        return false;
    const QImage image = clipboard->image();
    if (image.isNull())
        return false;
    if (!Create(image.width(), image.height(), 72, 72))
        return false;
    return Gdi::FromQImage(bitmap, image, 0, 0);
}

bool TDib::CopyClipboard(int32_t x, int32_t y, int32_t w, int32_t h)
{
    QClipboard *clipboard = Clipboard();
    if (!clipboard || !bitmap)
        return false;
    int32_t px, py, pw, ph;
    PartOf(width, x, w, px, pw);
    PartOf(height, y, h, py, ph);
    const QImage part = Gdi::ToQImage(bitmap, px, py, pw, ph);
    if (part.isNull())
        return false;
    clipboard->setImage(part);
    return true;
}

} // namespace VlmImgUt
