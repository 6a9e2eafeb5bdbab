// Draws the About picture: a Jumbled Cube of three levels in the "Primary
// Colors", put in order and then a few of its boxes turned, painted by the
// game's own box painter on black, 208 x 200 pixels. Writes it as a
// binary PPM file; scripts/make-about-picture makes the JPEG of it.
//   make_about_picture OUT.ppm
#include "Gdi.h"
#include "TCube.h"
#include "TDib.h"
#include "TSettings.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_about_picture OUT.ppm\n");
        return 2;
    }
    constexpr int Width = 208, Height = 200;

    TSettings st;
    st.gameType = 2;
    st.levels = 3;
    st.bonusBoxes = false;
    st.badBoxes = false;
    st.backgroundColor = 0x000000;
    for (int f = 0; f < 6; ++f)
        st.faceColor[f] = TSettings::DefaultFaceColors[f];
    st.renderBuffer = new VlmImgUt::TDib;
    if (!st.renderBuffer->Create(Width, Height))
        return 1;
    st.renderBuffer->SetBrush(0x000000);
    st.renderBuffer->SetPen(0x000000, 1);
    st.bufferWidth = Width;
    st.bufferHeight = Height;

    TCube cube(&st);
    cube.Setup();
    cube.Evaluate(true);   // every box in its home orientation
    // A few turned boxes on the visible sides: id, direction.
    const int turns[][2] = {{322, 1}, {312, 3}, {222, 2}, {120, 4}, {302, 1}, {102, 3}};
    for (const auto &t : turns) {
        cube.selectedId = t[0];
        cube.TurnBox(t[1]);
    }
    cube.selectedId = 0;

    QRect board(10, 10, Width - 20, Height - 20);
    cube.FitToRect(board);
    Gdi::PatBlt(st.renderBuffer->dc, 0, 0, Width, Height, Gdi::PATCOPY);
    cube.PaintShape(board);

    const QImage picture = Gdi::ToQImage(st.renderBuffer->bitmap).convertToFormat(QImage::Format_RGB888);
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PPM")) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
