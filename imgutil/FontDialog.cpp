// The font dialog of the image library and the path test.
#include "TImgUt.h"

#include "Gdi.h"

#include <QApplication>
#include <QFontDialog>
#include <QFontInfo>
#include <algorithm>

namespace VlmImgUt {

namespace {

// A face name as the 32-character LOGFONTW field holds it: at most 31
// characters, never half of a surrogate pair.
QString FaceName(const QString &face)
{
    QString name = face.left(31);
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    return name;
}

constexpr int32_t CF_SCREENFONTS = 0x01;
constexpr int32_t CF_INITTOLOGFONTSTRUCT = 0x40;

} // namespace

bool TImgUt::PathExists(const QString &path)
{
    return FileExists(path);
}

bool TImgUt::PickFont(QWidget *owner, QString &face, int16_t &pointSize, int16_t &weight, uint8_t &italic,
                      uint8_t &charSet, int32_t flags)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    if (flags == 0)
        flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;

    QFont initial;
    if (flags & CF_INITTOLOGFONTSTRUCT) {
        const QString name = FaceName(face);
        if (!name.isEmpty())
            initial.setFamily(name);
        if (pointSize > 0)
            initial.setPointSize(pointSize);
        if (weight > 0)
            initial.setWeight(QFont::Weight(std::clamp<int>(weight, 1, 1000)));
        initial.setItalic(italic != 0);
    }
    QFontDialog dialog(initial, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    const QFont chosen = dialog.selectedFont();
    qreal points = chosen.pointSizeF();
    if (points <= 0)
        points = QFontInfo(chosen).pointSizeF();
    face = FaceName(chosen.family());
    pointSize = int16_t(std::clamp(qRound(points * 10) / 10, 0, 32767));
    weight = int16_t(chosen.weight());
    italic = chosen.italic() ? 1 : 0;
    // Qt's fonts carry no character set: the given one stays.
    (void)charSet;
    return true;
}

} // namespace VlmImgUt
