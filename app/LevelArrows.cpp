#include "LevelArrows.h"

#include "VlmPix.h"

TLevelArrows::TLevelArrows()
{
    for (VlPanel *strip : {&sideStrip, &bottomStrip}) {
        strip->opaque = false;
        strip->color = strip->ownColor = ColorNull;
    }
}

void TLevelArrows::Build(QWidget *board)
{
    sideStrip.setParent(board);
    sideStrip.SetDesignRect(0, 0, 39, 222, true);
    sideStrip.hide();
    bottomStrip.setParent(board);
    bottomStrip.SetDesignRect(0, 0, 222, 39, true);
    bottomStrip.hide();
    const QImage lf = VlmPix::lflev(), rt = VlmPix::rtlev(), up = VlmPix::uplev(), dn = VlmPix::dnlev();
    for (int i = 0; i < 8; ++i) {
        levelLeft[i].setParent(&sideStrip);
        levelLeft[i].SetDesignRect(1, 1 + 20 * i, 18, 18);
        levelLeft[i].SetImage(lf);
        levelRight[i].setParent(&sideStrip);
        levelRight[i].SetDesignRect(20, 1 + 20 * i, 18, 18);
        levelRight[i].SetImage(rt);
        levelUp[i].setParent(&bottomStrip);
        levelUp[i].SetDesignRect(1 + 20 * i, 1, 18, 18);
        levelUp[i].SetImage(up);
        levelDown[i].setParent(&bottomStrip);
        levelDown[i].SetDesignRect(1 + 20 * i, 20, 18, 18);
        levelDown[i].SetImage(dn);
    }
}

void TLevelArrows::ApplyScale()
{
    sideStrip.Rescale(true);
    bottomStrip.Rescale(true);
    for (int i = 0; i < 8; ++i) {
        levelLeft[i].SetSkinImage(QStringLiteral("lflev"), 'W');
        levelRight[i].SetSkinImage(QStringLiteral("rtlev"), 'W');
        levelUp[i].SetSkinImage(QStringLiteral("uplev"), 'W');
        levelDown[i].SetSkinImage(QStringLiteral("dnlev"), 'W');
    }
}

void TLevelArrows::Hide()
{
    sideStrip.hide();
    bottomStrip.hide();
}

void TLevelArrows::PlaceBottom(int n, int skip, int box, int right, int bottom)
{
    const int bw = levelLeft[0].QWidget::width();
    bottomStrip.setGeometry(right - n * box, bottom + 4, n * box, bottomStrip.QWidget::height());
    for (int i = 0; i < 8; ++i) {
        const bool shown = i < n && i != skip;
        if (shown) {
            const int x = box * (n - 1 - i) + (box - bw) / 2;
            levelUp[i].setGeometry(x, levelUp[i].y(), bw, levelUp[i].QWidget::height());
            levelDown[i].setGeometry(x, levelDown[i].y(), bw, levelDown[i].QWidget::height());
        }
        levelUp[i].setVisible(shown);
        levelDown[i].setVisible(shown);
    }
    bottomStrip.show();
}

void TLevelArrows::PlaceSide(int n, int skip, int x, int y0, int height, int first, int step)
{
    const int bh = levelLeft[0].QWidget::height();
    sideStrip.setGeometry(x, y0, sideStrip.QWidget::width(), height);
    for (int i = 0; i < 8; ++i) {
        const bool shown = i < n && i != skip;
        if (shown) {
            const int y = first + i * step;
            levelLeft[i].setGeometry(levelLeft[i].x(), y, levelLeft[i].QWidget::width(), bh);
            levelRight[i].setGeometry(levelRight[i].x(), y, levelRight[i].QWidget::width(), bh);
        }
        levelLeft[i].setVisible(shown);
        levelRight[i].setVisible(shown);
    }
    sideStrip.show();
}
