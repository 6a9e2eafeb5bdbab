#include "VlScale.h"

#include "VlmPix.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <utility>
#include <vector>

char VlScale = 'n';
char VlLook = 'W';
bool VlAltButtonStyle = false;
float VlScaleX = 1.0f;
float VlScaleY = 1.0f;
int VlLineFactor = 1;
int VlFontHeight = 11;
QFont VlFont = VlSansFont(VlFontHeight);
Color VlSkinInk = 0x000000;
Color VlSkinPaper = 0xABABAB;

const VlScaleRow VlScaleTable[VlScaleCount] = {
    {'n', "Normal", 1.0f, 1.0f, 1, 11, "", false},
    {'l', "Large", 53.0f / 44.0f, 19.0f / 16.0f, 1, 13, "L", false},
    {'j', "Jumbo", 61.0f / 44.0f, 22.0f / 16.0f, 1, 15, "J", false},
    {'h', "Huge", 72.0f / 44.0f, 27.0f / 16.0f, 2, 18, "H", false},
    {'e', "Enormous", 2.0f, 33.0f / 16.0f, 2, 22, "E", false},
    {'g', "Gigantic", 105.0f / 44.0f, 38.0f / 16.0f, 2, 26, "G", false},
    {'c', "Colossal", 3.0f, 3.0f, 3, 33, "G", true},
    {'s', "Super", 4.0f, 4.0f, 3, 44, "G", true},
};

const VlScaleRow &VlScaleRowOf(char letter)
{
    for (const VlScaleRow &row : VlScaleTable)
        if (row.letter == letter)
            return row;
    return VlScaleTable[0];
}

const char *VlImageSuffix(char scale)
{
    return VlScaleRowOf(scale).suffix;
}

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

struct Hook {
    int id;
    std::function<void()> fn;
};
std::vector<Hook> &hooks()
{
    static std::vector<Hook> list;
    return list;
}
int nextHookId = 1;

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

bool haveGuiApp()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

COLORREF VlColorPaper() { return sysColors.paper; }
COLORREF VlColorLight() { return sysColors.light; }
COLORREF VlColorFace() { return sysColors.face; }
COLORREF VlColorHighlight() { return sysColors.highlight; }
COLORREF VlColorLabel() { return 0x000000; }
COLORREF VlColorText() { return 0x000000; }

int VlAddRestyleHook(std::function<void()> hook)
{
    int id = nextHookId++;
    hooks().push_back({id, std::move(hook)});
    return id;
}

void VlRemoveRestyleHook(int id)
{
    auto &list = hooks();
    list.erase(std::remove_if(list.begin(), list.end(), [id](const Hook &h) { return h.id == id; }),
               list.end());
}

void VlSkinReset()
{
    if (haveGuiApp()) {
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
    if (havePending && haveGuiApp())
        QApplication::setPalette(pendingPalette);
    havePending = false;
    // Copy: a hook may add or remove hooks.
    const std::vector<Hook> list = hooks();
    for (const Hook &h : list)
        if (h.fn)
            h.fn();
}

void SetInterfaceScale(TSettings *, char look, char scale, bool altButtonStyle)
{
    VlLook = look;
    VlScale = scale;
    VlAltButtonStyle = altButtonStyle;

    const VlScaleRow &row = VlScaleRowOf(scale);
    VlScaleX = row.scaleX;
    VlScaleY = row.scaleY;
    VlLineFactor = row.lineFactor;
    VlFontHeight = row.fontHeight;

    if (haveGuiApp())
        QApplication::setFont(VlSansFont(VlFontHeight));

    VlFont.setPixelSize(VlFontHeight);

    VlSkinReset();
    VlSetSystemColors(VlLookColorsOf(look));
    VlSkinFinish();
}

// ---- Sharpening -------------------------------------------------------

QImage VlSharpen(const QImage &image, int amount)
{
    if (image.isNull())
        return image;
    const QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width();
    const int h = src.height();
    QImage dst(w, h, QImage::Format_ARGB32_Premultiplied);
    dst.setOffset(image.offset());
    for (const QString &key : image.textKeys())
        dst.setText(key, image.text(key));

    // 3x3 binomial blur (1 2 1 / 2 4 2 / 1 2 1) / 16, edges replicated;
    // out = in + amount/100 * (in - blur), in premultiplied channels.
    const long long den = 100LL * 16;
    for (int y = 0; y < h; ++y) {
        const QRgb *rows[3] = {
            reinterpret_cast<const QRgb *>(src.constScanLine(std::max(0, y - 1))),
            reinterpret_cast<const QRgb *>(src.constScanLine(y)),
            reinterpret_cast<const QRgb *>(src.constScanLine(std::min(h - 1, y + 1))),
        };
        QRgb *out = reinterpret_cast<QRgb *>(dst.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int xs[3] = {std::max(0, x - 1), x, std::min(w - 1, x + 1)};
            static const int k[3] = {1, 2, 1};
            int sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    const QRgb p = rows[j][xs[i]];
                    const int wt = k[j] * k[i];
                    sum[0] += qAlpha(p) * wt;
                    sum[1] += qRed(p) * wt;
                    sum[2] += qGreen(p) * wt;
                    sum[3] += qBlue(p) * wt;
                }
            const QRgb c = rows[1][x];
            const int in[4] = {qAlpha(c), qRed(c), qGreen(c), qBlue(c)};
            int v[4];
            for (int n = 0; n < 4; ++n) {
                const long long diff = 16LL * in[n] - sum[n];
                long long d = amount * diff;
                d = d >= 0 ? (d + den / 2) / den : -((-d + den / 2) / den);
                v[n] = int(std::clamp<long long>(in[n] + d, 0, 255));
            }
            for (int n = 1; n < 4; ++n)
                v[n] = std::min(v[n], v[0]);
            out[x] = qRgba(v[1], v[2], v[3], v[0]);
        }
    }
    return dst.convertToFormat(QImage::Format_ARGB32);
}

// ---- Scale-dependent pictures -----------------------------------------

QImage VlResizeSharpened(const QImage &img, int w, int h, float f)
{
    if (w <= 0 || h <= 0 || img.isNull())
        return QImage();
    QImage scaled = img.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QPoint hs = img.offset();
    scaled.setOffset(QPoint(int(float(hs.x()) * f + 0.5f), int(float(hs.y()) * f + 0.5f)));
    for (const QString &key : img.textKeys()) {
        bool ok = false;
        const int v = img.text(key).toInt(&ok);
        if (ok && (key == QLatin1String("spot2x") || key == QLatin1String("spot2y")))
            scaled.setText(key, QString::number(int(float(v) * f + 0.5f)));
        else
            scaled.setText(key, img.text(key));
    }
    return VlSharpen(scaled, 100);
}

namespace {

QImage resizeSharpened(const QImage &img, float f)
{
    return VlResizeSharpened(img, int(float(img.width()) * f + 0.5f), int(float(img.height()) * f + 0.5f), f);
}

// Resized pictures by scale letter and name; they never change, since the
// image list is fixed. Kept small: cleared when full.
QHash<QString, QImage> &resizedCache()
{
    static QHash<QString, QImage> cache;
    return cache;
}
constexpr int ResizedCacheLimit = 64;

} // namespace

QImage SkinImage(const QString &name)
{
    const VlScaleRow &row = VlScaleRowOf(VlScale);
    int index = -1;
    if (*row.suffix)
        index = VlmPix::Find(name + QLatin1String(row.suffix));
    if (index < 0)
        index = VlmPix::Find(name);
    if (index < 0)
        return QImage();
    const QImage img = VlmPix::Get(index);
    if (!row.resized || img.width() <= 0)
        return img;

    const QString key = QString(QChar(row.letter)) + QLatin1Char(':') + VlmPix::Name(index);
    QHash<QString, QImage> &cache = resizedCache();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return it.value();
    const float f = VlScaleY * 8.0f / 19.0f;
    QImage out = resizeSharpened(img, f);
    if (cache.size() >= ResizedCacheLimit)
        cache.clear();
    cache.insert(key, out);
    return out;
}

// ---- Cursor ------------------------------------------------------------------

void VlOverrideCursor(const QCursor &cursor)
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(cursor);
    else
        QGuiApplication::setOverrideCursor(cursor);
}

// ---- Restyling ---------------------------------------------------------------------

namespace {

struct Registration {
    const QWidget *control;
    std::function<void()> restyle;
};

std::vector<Registration> &registry()
{
    static std::vector<Registration> list;
    return list;
}

void restyleAll()
{
    // Copy the controls first: a restyle may create or destroy controls.
    std::vector<const QWidget *> controls;
    controls.reserve(registry().size());
    for (const Registration &r : registry())
        controls.push_back(r.control);
    for (const QWidget *c : controls) {
        auto &list = registry();
        auto it = std::find_if(list.begin(), list.end(), [c](const Registration &r) { return r.control == c; });
        if (it != list.end() && it->restyle) {
            std::function<void()> fn = it->restyle;
            fn();
        }
    }
}

} // namespace

void VlRegisterRestyle(const QWidget *control, std::function<void()> restyle)
{
    static bool hooked = false;
    if (!hooked) {
        VlAddRestyleHook(restyleAll);
        hooked = true;
    }
    VlUnregisterRestyle(control);
    registry().push_back({control, std::move(restyle)});
}

void VlUnregisterRestyle(const QWidget *control)
{
    auto &list = registry();
    list.erase(std::remove_if(list.begin(), list.end(), [control](const Registration &r) { return r.control == control; }),
               list.end());
}

int VlRestyleCount()
{
    return int(registry().size());
}
