// Board rendering: an 8-level Jumbled Cube into a 1920 x 1080 render
// bitmap, with colours only and with six face pictures (made here), in
// milliseconds per full render, the whole shape drawn at once beside the
// same shape drawn box by box on one thread (the straightforward path) in
// the same run: a render again of what was drawn (faces resampled before
// are kept), a render after each shape rotation with nothing kept, and
// the first render after a layout change (the pictures fitted anew); with
// pictures fitted, and spanned and rotated. Then writes a PNG of each game
// type's board at 1280 x 800 (default folder: build-pngs in the source
// tree, or the first argument), among them boards whose face pictures come
// from JPEG, PNG and TIFF files, and from PNM, Sun raster, Targa,
// Photoshop and JPEG 2000 files.
#include "BoardGeometry.h"
#include "Gdi.h"
#include "Random.h"
#include "ScriptedRandom.h"
#include "TCube.h"
#include "TDib.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"
#include "TSettings.h"
#include "BoxPainter.h"
#include "TSplash.h"

#include "ShapeRecord.h"
#include "bench/face_pictures.h"
#include "imgutil/picture_writers.h"
#include "TImgUt.h"

#include <openjpeg.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using VlmImgUt::TDib;
using benchpictures::MakeFaceImage;
using benchpictures::MakeFacePicture;

namespace {

// The colour set "Primary Colors" look: red, green, blue, yellow, magenta,
// cyan, as 0x00BBGGRR.
const Color kFaceColors[6] = {0x0000E0, 0x00C000, 0xE00000, 0x00E0E0, 0xE000E0, 0xE0E000};

// The six designs stored as picture files by Qt's writers, one kind of file
// a face: colour and grey JPEG, palette and colour PNG, colour and palette
// TIFF. The game reads them with its own readers.
QStringList WriteFaceFiles(const QString &dir, int size)
{
    struct Kind { const char *name, *format; QImage::Format as; } kinds[6] = {
        {"face0.jpg", "JPG", QImage::Format_RGB32},       {"face1.jpeg", "JPG", QImage::Format_Grayscale8},
        {"face2.png", "PNG", QImage::Format_Indexed8},    {"face3.png", "PNG", QImage::Format_ARGB32},
        {"face4.tif", "TIFF", QImage::Format_RGB32},      {"face5.tiff", "TIFF", QImage::Format_Indexed8},
    };
    QStringList paths;
    for (int f = 0; f < 6; ++f) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(kinds[f].name);
        if (!MakeFaceImage(f, size, size).convertToFormat(kinds[f].as).save(path, kinds[f].format, 90))
            std::printf("  could not write %s\n", qPrintable(path));
        paths << path;
    }
    return paths;
}

// A picture's rows as bytes: rows from the top or the bottom, each pixel
// the given channels of R, G, B (0, 1, 2), rows padded to a multiple of pad.
QByteArray PixelRows(const QImage &img, bool bottomUp, const char *order, int pad)
{
    QByteArray b;
    for (int r = 0; r < img.height(); ++r) {
        const int y = bottomUp ? img.height() - 1 - r : r;
        int n = 0;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            const int rgb[3] = {qRed(p), qGreen(p), qBlue(p)};
            for (const char *c = order; *c; ++c, ++n)
                b.append(char(*c == 'x' ? 0 : rgb[*c - '0']));
        }
        for (; n % pad; ++n)
            b.append('\0');
    }
    return b;
}

void Append(QByteArray &b, uint32_t v, int bytes, bool bigEndian)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char(v >> (8 * (bigEndian ? bytes - 1 - i : i))));
}

// A JP2 file or a bare code stream of the picture, made by OpenJPEG.
bool WriteJpeg2000(const QImage &img, const QString &path, OPJ_CODEC_FORMAT format)
{
    pictures::Jpeg2000Spec s;
    s.format = format;
    s.width = img.width();
    s.height = img.height();
    s.rate = 20;
    s.colourTransform = 1;
    s.resolutions = 6;
    s.sample = [&](int c, int x, int y) {
        const QRgb p = img.pixel(x, y);
        return c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p);
    };
    return pictures::WriteJpeg2000(QFile::encodeName(path).toStdString(), s);
}

// The six designs stored in the formats the library reads through its own
// decoders and OpenJPEG, one a face: PNM (by Qt), Sun raster, Targa and
// Photoshop (bytes written here), JP2 and a JPEG 2000 code stream (by
// OpenJPEG).
QStringList WriteMoreFaceFiles(const QString &dir, int size)
{
    const char *names[6] = {"face0.ppm", "face1.ras", "face2.tga", "face3.psd", "face4.jp2", "face5.jpc"};
    QStringList paths;
    for (int f = 0; f < 6; ++f) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(names[f]);
        const QImage img = MakeFaceImage(f, size, size);
        QByteArray b;
        bool ok = true;
        switch (f) {
        case 0:
            ok = img.save(path, "PPM");
            break;
        case 1: // standard type, 24 bits B-G-R, rows padded to 16 bits
            for (uint32_t v : {0x59A66A95u, uint32_t(size), uint32_t(size), 24u, 0u, 1u, 0u, 0u})
                Append(b, v, 4, true);
            b.append(PixelRows(img, false, "210", 2));
            break;
        case 2: // true colour, bottom row first
            b = QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
            Append(b, uint32_t(size), 2, false);
            Append(b, uint32_t(size), 2, false);
            b.append(char(24)).append(char(0));
            b.append(PixelRows(img, true, "210", 1));
            break;
        case 3: { // RGB, 8 bits, raw: the channels one after the other
            b = "8BPS";
            Append(b, 1, 2, true);
            b.append(QByteArray(6, '\0'));
            Append(b, 3, 2, true);
            Append(b, uint32_t(size), 4, true);
            Append(b, uint32_t(size), 4, true);
            Append(b, 8, 2, true);
            Append(b, 3, 2, true);
            Append(b, 0, 12, true); // colour mode data, resources, layers: empty
            Append(b, 0, 2, true);
            for (const char *channel : {"0", "1", "2"})
                b.append(PixelRows(img, false, channel, 1));
            break;
        }
        default:
            ok = WriteJpeg2000(img, path, f == 4 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
            break;
        }
        if (!b.isEmpty()) {
            QFile file(path);
            ok = file.open(QIODevice::WriteOnly) && file.write(b) == b.size();
        }
        if (!ok)
            std::printf("  could not write %s\n", qPrintable(path));
        paths << path;
    }
    return paths;
}

void FreeDib(TDib *&d)
{
    if (d) {
        d->Free();
        delete d;
        d = nullptr;
    }
}

// A settings record with a render bitmap of w x h, prepared as the board
// rendering prepares it.
std::unique_ptr<TSettings> MakeSettings(int w, int h, int levels)
{
    auto st = std::make_unique<TSettings>();
    st->levels = levels;
    st->renderBuffer = new TDib;
    st->renderBuffer->Create(w, h);
    st->renderBuffer->SetBrush(0);
    st->renderBuffer->SetPen(0, 1);
    st->bufferWidth = w;
    st->bufferHeight = h;
    for (int f = 0; f < 6; ++f)
        st->faceColor[f] = kFaceColors[f];
    return st;
}

void SetPictures(TSettings &st, int size)
{
    for (int f = 0; f < 6; ++f) {
        FreeDib(st.faceImage[f]);
        FreeDib(st.faceImageFit[f]);
        st.faceImage[f] = MakeFacePicture(f, size, size);
    }
    st.useBoxImages = true;
}

// The board rectangle of the main window: 16 pixels from the edges, the
// side panel (taken as 180 pixels) and the level-arrow strips (55) off.
QRect BoardRect(const TSettings &st)
{
    return QRect(16, 16, st.bufferWidth - 180 - 16 - 55 - 16, st.bufferHeight - 16 - 55 - 16);
}

// One full render: background, then the shape.
void Render(TSettings &st, TGame &g, const QRect &board)
{
    TDib *rb = st.renderBuffer;
    rb->SetBrush(COLORREF(st.backgroundColor));
    Gdi::PatBlt(rb->dc, 0, 0, rb->width, rb->height, Gdi::PATCOPY);
    g.PaintShape(board);
}

// Median milliseconds of `runs` calls of f, each after prepare (untimed).
double MedianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &f)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// Forgets the resampled faces kept from earlier renders.
void ForgetFaces(TSettings &st)
{
    TFaceStore *&store = st.painter->pictures.store;
    delete store;
    store = nullptr;
}

// Drops the fitted pictures, as a layout change makes them anew.
void ForgetFits(TSettings &st)
{
    for (int f = 0; f < 6; ++f)
        FreeDib(st.faceImageFit[f]);
    ForgetFaces(st);
}

// A game of type G set up on its own settings with a w x h render bitmap,
// fitted to the main window's board rectangle.
template <typename G>
struct TBench {
    std::unique_ptr<TSettings> st;
    std::unique_ptr<G> g;
    QRect board;

    TBench(int w, int h, int levels) : st(MakeSettings(w, h, levels)), g(std::make_unique<G>(st.get()))
    {
        g->Setup();
        board = BoardRect(*st);
        g->FitToRect(board);
    }
    void Render() { ::Render(*st, *g, board); }
};

bool SavePng(const TSettings &st, const QString &path, const std::function<void(QPainter &)> &overlay = {})
{
    QImage img = Gdi::ToQImage(st.renderBuffer->bitmap);
    if (overlay) {
        QPainter p(&img);
        overlay(p);
    }
    return img.save(path, "PNG");
}

// Every box of a 4-level cube turned home: faces 0, 1 and 2 to the front,
// the left and the top, so that each side shows one whole picture.
void HomeOrientation(TCube &g)
{
    for (int L = 0; L < 4; ++L)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                g.box[L][r][c].front = 0;
                g.box[L][r][c].left = 1;
                g.box[L][r][c].top = 2;
            }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The boards come out the same in every run.
    TSteadyRandom fixedRandom;
    TRandomScope randomScope(fixedRandom);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(QUIBO_SOURCE_DIR "/build-pngs");

    // ---- Timing: 8-level Jumbled Cube, 1920 x 1080 ----------------------
    {
        TBench<TCube> b(1920, 1080, 8);
        TSettings *st = b.st.get();
        TCube *cube = b.g.get();
        const QRect board = b.board;
        std::printf("8-level Jumbled Cube, 1920 x 1080 render bitmap, board %d x %d, box %d, depths %d/%d\n",
                    board.width(), board.height(), st->boxSize, st->sideDepth, st->topDepth);
        std::printf("  %-52s %11s %12s\n", "median ms per full render", "whole shape", "box by box");
        auto render = [&] { Render(*st, *cube, board); };
        auto nothing = [] {};
        auto rotate = [&] {
            cube->RotateShape(1);
            ForgetFaces(*st);
        };
        // Each figure is taken for both paths in turn, so that both see the
        // same load on the machine.
        auto both = [&](const char *what, int runs, const std::function<void()> &prepare, double goal) {
            double whole = 0, one = 0;
            for (bool boxByBox : {false, true}) {
                st->painter->paintBoxByBox = boxByBox;
                render();
                (boxByBox ? one : whole) = MedianMs(runs, prepare, render);
            }
            st->painter->paintBoxByBox = false;
            std::printf("  %-52s %11.3f %12.3f", what, whole, one);
            if (goal > 0)
                std::printf("   goal < %.0f%s", goal, whole < goal ? "" : "  NOT MET");
            std::printf("\n");
        };
        both("colours only", 101, nothing, 0);
        SetPictures(*st, 512);
        auto firstTime = [&] { ForgetFits(*st); };
        for (int layout = 0; layout < 2; ++layout) {
            const bool spanned = layout == 1;
            st->spanImages = st->rotateImages = spanned;
            const char *name = spanned ? "pictures spanned and rotated" : "six face pictures";
            both((std::string(name) + ", again").c_str(), 51, nothing, spanned ? 12 : 8);
            both((std::string(name) + ", after a rotation").c_str(), 51, rotate, spanned ? 12 : 8);
            both((std::string(name) + ", after a layout change").c_str(), 21, firstTime, 40);
        }
        st->spanImages = st->rotateImages = false;
        st->antiAlias = false;
        both("six face pictures, no supersampling", 51, rotate, 0);
        st->antiAlias = true;
    }

    // ---- One PNG of each game type's board at 1280 x 800 ----------------
    QDir().mkpath(outDir);
    int written = 0;
    auto save = [&](TSettings &st, const QString &name, const std::function<void(QPainter &)> &overlay = {}) {
        const QString path = outDir + QLatin1Char('/') + name;
        if (SavePng(st, path, overlay)) {
            std::printf("  wrote %s\n", qPrintable(path));
            ++written;
        } else {
            std::printf("  could not write %s\n", qPrintable(path));
        }
    };
    std::printf("Boards at 1280 x 800:\n");
    {
        TBench<TJigsaw> b(1280, 800, 4);
        SetPictures(*b.st, 400);
        b.st->useBoxImages = false;  // the Jigsaw Cube forces pictures on by itself
        b.Render();
        save(*b.st, QStringLiteral("board_1_jigsaw_cube.png"));
    }
    {
        TBench<TCube> b(1280, 800, 4);
        TCube &g = *b.g;
        g.selectedId = g.box[1][1][3].id;
        g.infoId = g.box[2][2][3].id;
        b.Render();
        save(*b.st, QStringLiteral("board_2_jumbled_cube.png"), [&](QPainter &p) { g.PaintInfo(p, g.infoId); });
        SetPictures(*b.st, 400);
        b.st->rotateImages = true;
        b.Render();
        save(*b.st, QStringLiteral("board_2_jumbled_cube_pictures.png"));
        b.st->spanImages = true;
        b.st->rotateImages = false;
        HomeOrientation(g);
        b.Render();
        save(*b.st, QStringLiteral("board_2_jumbled_cube_spanned.png"));
    }
    // Face pictures from files of each format, read by the game's readers;
    // then in home orientation, spanned: faces 0, 1 and 2 in front, on the
    // left and on top.
    struct FileSet {
        const char *what, *board;
        QStringList (*write)(const QString &, int);
    };
    for (const FileSet &set : {FileSet{"JPEG, PNG and TIFF", "picture_files", WriteFaceFiles},
                               FileSet{"PNM, Sun raster, Targa, Photoshop and JPEG 2000", "picture_files_2",
                                       WriteMoreFaceFiles}}) {
        QTemporaryDir files;
        TBench<TCube> b(1280, 800, 4);
        TCube &g = *b.g;
        b.st->imgUt = new VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"),
                                           TRegStore::InFolder(files.path() + QStringLiteral("/reg")));
        const QStringList paths = set.write(files.path(), 400);
        for (int f = 0; f < 6; ++f)
            b.st->faceImageFile[f] = paths[f];
        b.st->useBoxImages = true;
        b.Render();
        // Read (a large picture is kept only as fitted).
        int read = 0;
        for (int f = 0; f < 6; ++f)
            read += (b.st->faceImage[f] && b.st->faceImage[f]->width == 400)
                    || (b.st->painter->pictures.dropped[f] == paths[f] && b.st->faceImageFit[f]);
        std::printf("  face pictures read from %s files: %d of 6\n", set.what, read);
        const QString board = QStringLiteral("board_2_jumbled_cube_%1").arg(QLatin1String(set.board));
        save(*b.st, board + QStringLiteral(".png"));
        b.st->spanImages = true;
        HomeOrientation(g);
        b.Render();
        save(*b.st, board + QStringLiteral("_spanned.png"));
        b.st->imgUt->optsDirty = false;
    }
    {
        TBench<TPyramid> b(1280, 800, 5);
        TPyramid &g = *b.g;
        g.selectedId = g.box[4][2][4].id;
        g.infoId = g.box[2][0][2].id;
        b.Render();
        save(*b.st, QStringLiteral("board_3_jumbled_pyramid.png"), [&](QPainter &p) { g.PaintInfo(p, g.infoId); });
    }
    {
        TBench<TRebukes> b(1280, 800, 4);
        b.Render();
        save(*b.st, QStringLiteral("board_4_rebukes_cube.png"));
    }
    {
        TBench<TSplash> b(1280, 800, 4);
        TSplash &g = *b.g;
        g.selectedId = 211;
        g.infoId = 101;
        b.st->backgroundColor = 0;  // on a black background
        b.Render();
        save(*b.st, QStringLiteral("intro.png"), [&](QPainter &p) { g.PaintInfo(p, g.infoId); });
    }
    return written == 11 ? 0 : 1;
}
