// Writes the installation data laid beside the program: six face pictures
// drawn here (Images/*.bmp) and the installation options file
// "boxOptn.pcg" with an image set of them, read at a first start.
//   make_install_data OUTDIR
#include "OptionsFile.h"
#include "TSettings.h"
#include "VlLook.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>

namespace {

// Design size of the drawings; the files are drawn at twice that, larger
// than any side of the shape on a large screen, since pictures are only
// ever scaled down to fit.
constexpr int Size = 512;
constexpr int FileSize = 2 * Size;

void Sunrise(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, Size);
    sky.setColorAt(0, QColor(40, 60, 150));
    sky.setColorAt(0.55, QColor(250, 150, 70));
    sky.setColorAt(1, QColor(255, 220, 120));
    p.fillRect(0, 0, Size, Size, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 160));
    p.drawEllipse(QPointF(330, 300), 70, 70);
    p.setBrush(QColor(70, 50, 90));
    p.drawPolygon(QPolygonF({{0, 512}, {0, 330}, {120, 220}, {220, 340}, {300, 260}, {420, 380}, {512, 300}, {512, 512}}));
    p.setBrush(QColor(30, 90, 60));
    p.drawPolygon(QPolygonF({{0, 512}, {0, 420}, {160, 380}, {300, 440}, {512, 400}, {512, 512}}));
}

void Sailboat(QPainter &p)
{
    QLinearGradient sky(0, 0, 0, 320);
    sky.setColorAt(0, QColor(120, 190, 250));
    sky.setColorAt(1, QColor(220, 240, 255));
    p.fillRect(0, 0, Size, 320, sky);
    for (int y = 320; y < Size; y += 16) {
        p.fillRect(0, y, Size, 16, QColor(20, 80 + (y - 320) / 4, 160 - (y - 320) / 4));
    }
    p.setPen(QPen(QColor(255, 255, 255, 150), 3));
    for (int y = 340; y < Size; y += 32)
        for (int x = (y / 32) % 2 * 40; x < Size; x += 80)
            p.drawArc(x, y, 40, 14, 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(140, 60, 30));
    p.drawPolygon(QPolygonF({{120, 330}, {400, 330}, {360, 390}, {160, 390}}));
    p.setBrush(QColor(250, 250, 245));
    p.drawPolygon(QPolygonF({{270, 60}, {270, 320}, {140, 320}}));
    p.setBrush(QColor(220, 50, 50));
    p.drawPolygon(QPolygonF({{285, 90}, {285, 320}, {390, 320}}));
    p.fillRect(268, 50, 6, 282, QColor(80, 40, 20));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(80, 80), 40, 18);
    p.drawEllipse(QPointF(420, 120), 50, 20);
}

void Target(QPainter &p)
{
    const QColor rings[] = {QColor(230, 40, 60), QColor(250, 200, 40), QColor(40, 170, 90),
                            QColor(40, 110, 220), QColor(150, 60, 200), QColor(250, 250, 250)};
    p.fillRect(0, 0, Size, Size, QColor(20, 20, 40));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(rings[i]);
        const double r = 250 - i * 40;
        p.drawEllipse(QPointF(256, 256), r, r);
    }
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double r = (i % 2) ? 18 : 45;
        const QPointF q(256 + r * std::cos(a), 256 + r * std::sin(a));
        i ? star.lineTo(q) : star.moveTo(q);
    }
    star.closeSubpath();
    p.setBrush(QColor(250, 200, 40));
    p.drawPath(star);
    p.setBrush(QColor(255, 255, 255));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(i % 2 ? 470 : 42, i / 2 ? 470 : 42), 22, 22);
}

void Skyline(QPainter &p)
{
    QLinearGradient night(0, 0, 0, Size);
    night.setColorAt(0, QColor(10, 10, 40));
    night.setColorAt(1, QColor(60, 30, 90));
    p.fillRect(0, 0, Size, Size, night);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 220));
    p.drawEllipse(QPointF(400, 90), 45, 45);
    p.setBrush(QColor(20, 10, 40));
    p.drawEllipse(QPointF(420, 75), 40, 40);
    const int heights[] = {220, 300, 180, 360, 260, 320, 200, 280};
    for (int i = 0; i < 8; ++i) {
        const int x = i * 64, h = heights[i];
        p.fillRect(x + 4, Size - h, 56, h, QColor(30 + i * 8, 30 + i * 6, 60 + i * 10));
        for (int wy = Size - h + 14; wy < Size - 16; wy += 24)
            for (int wx = x + 12; wx < x + 52; wx += 16)
                if ((wx * 7 + wy * 3 + i) % 5 != 0)
                    p.fillRect(wx, wy, 8, 12, QColor(250, 220, 100));
    }
}

void Flower(QPainter &p)
{
    QRadialGradient g(256, 256, 360);
    g.setColorAt(0, QColor(200, 240, 200));
    g.setColorAt(1, QColor(60, 150, 80));
    p.fillRect(0, 0, Size, Size, g);
    p.setPen(Qt::NoPen);
    p.fillRect(248, 280, 16, 232, QColor(40, 110, 40));
    p.setBrush(QColor(50, 130, 50));
    p.drawEllipse(QPointF(200, 420), 55, 22);
    p.drawEllipse(QPointF(312, 380), 55, 22);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(256, 220);
        p.rotate(i * 45);
        p.setBrush(i % 2 ? QColor(240, 90, 150) : QColor(250, 130, 180));
        p.drawEllipse(QPointF(0, -95), 42, 80);
        p.restore();
    }
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(256, 220), 50, 50);
    p.setBrush(QColor(200, 130, 30));
    for (int i = 0; i < 12; ++i)
        p.drawEllipse(QPointF(256 + 28 * std::cos(i * M_PI / 6), 220 + 28 * std::sin(i * M_PI / 6)), 5, 5);
}

void Compass(QPainter &p)
{
    p.fillRect(0, 0, Size, Size, QColor(235, 220, 180));
    p.setPen(QPen(QColor(120, 90, 50), 6));
    p.setBrush(QColor(245, 235, 205));
    p.drawEllipse(QPointF(256, 256), 220, 220);
    p.setPen(Qt::NoPen);
    const QColor dark(150, 40, 40), light(40, 60, 120);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4 - M_PI / 2;
        const double len = (i % 2) ? 120 : 200;
        const QPointF tip(256 + len * std::cos(a), 256 + len * std::sin(a));
        const QPointF l(256 + 30 * std::cos(a - M_PI / 2), 256 + 30 * std::sin(a - M_PI / 2));
        const QPointF r(256 + 30 * std::cos(a + M_PI / 2), 256 + 30 * std::sin(a + M_PI / 2));
        p.setBrush(i % 2 ? light : dark);
        p.drawPolygon(QPolygonF({tip, l, QPointF(256, 256)}));
        p.setBrush(i % 2 ? light.lighter(160) : dark.lighter(160));
        p.drawPolygon(QPolygonF({tip, r, QPointF(256, 256)}));
    }
    QFont f = VlSansFont(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(90, 60, 30));
    p.drawText(QRect(226, 0, 60, 50), Qt::AlignCenter, QStringLiteral("N"));
    p.drawText(QRect(226, 462, 60, 50), Qt::AlignCenter, QStringLiteral("S"));
    p.drawText(QRect(0, 226, 50, 60), Qt::AlignCenter, QStringLiteral("W"));
    p.drawText(QRect(462, 226, 50, 60), Qt::AlignCenter, QStringLiteral("E"));
}

struct Picture {
    const char *file;
    void (*draw)(QPainter &);
};

const Picture Pictures[6] = {
    {"quibo-sunrise.bmp", Sunrise}, {"quibo-sailboat.bmp", Sailboat}, {"quibo-target.bmp", Target},
    {"quibo-skyline.bmp", Skyline}, {"quibo-flower.bmp", Flower},     {"quibo-compass.bmp", Compass},
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_install_data OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out + "/Images"))
        return 1;

    TSettings s;
    s.MakeDefaultColorSet();
    s.imageSetNames = {QStringLiteral("quibo Pictures")};
    s.imageSetFiles.clear();
    for (int f = 0; f < 6; ++f) {
        QImage img(FileSize, FileSize, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(FileSize) / Size, double(FileSize) / Size);
        Pictures[f].draw(p);
        p.end();
        const QString name = QString::fromLatin1(Pictures[f].file);
        if (!img.convertToFormat(QImage::Format_RGB888).save(out + "/Images/" + name, "BMP"))
            return 1;
        s.imageSetFiles.push_back(name);
        s.faceImageFile[f] = name;
    }
    s.imageSet = 1;

    if (!OptionsFile::WriteAt(s, out + "/boxOptn.pcg"))
        return 1;
    return 0;
}
