#include "VlLook.h"

#include "VlRestyle.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

VlLookColors VlLookColorsOf(char look)
{
    if (look == 'S')
        return {0xD4D4D4, 0xD4D4D4, 0xBFBFBF, 0x83654D};
    return {0xABABAB, 0xABABAB, 0xABABAB, 0x83654D};
}

QFont VlSansFont(int pixelHeight)
{
    // The layouts are designed for a narrow sans-serif face of Arial's
    // metrics; Liberation Sans has them. Any sans-serif face stands in.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, pixelHeight));
    f.setBold(false);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStretch(QFont::AnyStretch);
    return f;
}

namespace {

// The system colours in effect and the palette being built between
// VlSkinReset and VlSkinFinish.
VlLookColors sysColors = {0xABABAB, 0xABABAB, 0xABABAB, 0x83654D};
QPalette pendingPalette;
bool havePending = false;

void setAllGroups(QPalette &pal, QPalette::ColorRole role, const QColor &c)
{
    pal.setColor(QPalette::Active, role, c);
    pal.setColor(QPalette::Inactive, role, c);
    pal.setColor(QPalette::Disabled, role, c);
}

QColor mix(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

} // namespace

bool VlHaveGuiApp()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

COLORREF VlColorPaper() { return sysColors.paper; }
COLORREF VlColorLight() { return sysColors.light; }
COLORREF VlColorFace() { return sysColors.face; }
COLORREF VlColorHighlight() { return sysColors.highlight; }
COLORREF VlColorLabel() { return 0x000000; }
COLORREF VlColorText() { return 0x000000; }

void VlSkinReset()
{
    if (VlHaveGuiApp()) {
        QStyle *style = QApplication::style();
        if (!style || style->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0) {
            if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
                QApplication::setStyle(fusion);
        }
        pendingPalette = QApplication::style()->standardPalette();
    } else {
        pendingPalette = QPalette();
    }
    havePending = true;
}

void VlSetSystemColors(const VlLookColors &colors)
{
    if (!havePending)
        VlSkinReset();
    QPalette &pal = pendingPalette;

    sysColors.paper = colors.paper;
    const QColor paper = ToQColor(colors.paper);
    setAllGroups(pal, QPalette::Base, paper);
    setAllGroups(pal, QPalette::AlternateBase, paper);

    sysColors.light = colors.light;
    const QColor light = ToQColor(colors.light);
    setAllGroups(pal, QPalette::Light, light);

    sysColors.face = colors.face;
    const QColor face = ToQColor(colors.face);
    setAllGroups(pal, QPalette::Window, face);
    setAllGroups(pal, QPalette::Button, face);
    setAllGroups(pal, QPalette::Midlight, mix(light, face));
    setAllGroups(pal, QPalette::Mid, face.darker(150));
    setAllGroups(pal, QPalette::Dark, face.darker(200));
    setAllGroups(pal, QPalette::Shadow, face.darker(300));

    sysColors.highlight = colors.highlight;
    const QColor highlight = ToQColor(colors.highlight);
    setAllGroups(pal, QPalette::Highlight, highlight);
    setAllGroups(pal, QPalette::HighlightedText, Qt::white);

    const QColor ink = ToQColor(VlColorText());
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::WindowText, ink);
        pal.setColor(g, QPalette::Text, ink);
        pal.setColor(g, QPalette::ButtonText, ink);
    }
}

void VlSkinFinish()
{
    if (havePending && VlHaveGuiApp())
        QApplication::setPalette(pendingPalette);
    havePending = false;
    VlRunRestyleHooks();
}
