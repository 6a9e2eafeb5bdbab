// Info cards: the lines of the Jumbled Cube's and the Jumbled Pyramid's
// cards and the card itself, drawn on the window over the board.
#include "TCube.h"
#include "TPyramid.h"
#include "TSettings.h"

#include "VlScale.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPoint>

#include <algorithm>

namespace {

// The bonus or bad line of the box at level L, when it has one.
void AddBonusLine(TSettings *st, int id, int bonus, int bad)
{
    if (st->bonusBoxes && id == bonus)
        st->infoLines.push_back(QStringLiteral("(Bonus!)"));
    else if (st->badBoxes && id == bad)
        st->infoLines.push_back(QStringLiteral("(Bad!)"));
}

QColor CardColor(Color c)
{
    return ToQColor(PlainColor(c));
}

} // namespace

void TCube::PaintInfo(QPainter &draw, int id)
{
    if (!LocateBox(id))
        return;
    const int L = curLevel, R = curRow, C = curCol;
    const int n = settings->levels;
    settings->infoLines.clear();
    settings->infoLines.push_back(QString::number(L + 1) + QStringLiteral(", ") + QString::number(n - R));
    AddBonusLine(settings, id, bonusId[L], badId[L]);
    settings->scratchBox = box[L][R][C];
    settings->PaintInfoCard(draw, selectedId, true);
}

void TPyramid::PaintInfo(QPainter &draw, int id)
{
    if (!LocateBox(id))
        return;
    const int L = curLevel, R = curRow, C = curCol;
    settings->infoLines.clear();
    settings->infoLines.push_back(QString::number(L + 1) + QStringLiteral(", ") + QString::number(L - R + 1));
    AddBonusLine(settings, id, bonusId[L], badId[L]);
    settings->scratchBox = box[L][R][C];
    settings->PaintInfoCard(draw, selectedId, true);
}

void TSettings::PaintInfoCard(QPainter &draw, int selectedId, bool withText)
{
    const TBoxRec &b = scratchBox;
    const int x = b.x, y = b.y, s = boxSize, d = sideDepth, e = topDepth;
    auto hidden = [this](int face) {
        const int f = 5 - face;
        return useBoxColors && f >= 0 && f <= 5 ? faceColor[f] : infoColor;
    };
    Color edge = useBoxColors ? infoColor : infoEdgeColor;
    if (selectedId == b.id)
        edge = dragColor;

    draw.save();
    draw.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(CardColor(edge));
    pen.setWidth(std::max(VlLineFactor, 1));
    pen.setJoinStyle(Qt::MiterJoin);
    draw.setPen(pen);

    const QPoint back[4] = {QPoint(x, y), QPoint(x + s - d, y), QPoint(x + s - d, y + s - e), QPoint(x, y + s - e)};
    const QPoint right[4] = {QPoint(x + s - d, y), QPoint(x + s, y), QPoint(x + s, y + s), QPoint(x + s - d, y + s - e)};
    const QPoint bottom[4] = {QPoint(x, y + s - e), QPoint(x + s - d, y + s - e), QPoint(x + s, y + s), QPoint(x, y + s)};
    draw.setBrush(CardColor(hidden(b.front)));
    draw.drawPolygon(back, 4);
    draw.setBrush(CardColor(hidden(b.left)));
    draw.drawPolygon(right, 4);
    draw.setBrush(CardColor(hidden(b.top)));
    draw.drawPolygon(bottom, 4);

    if (withText && !infoLines.isEmpty()) {
        const QFontMetrics fm(VlFont);
        int W = 0, H = 4;
        for (const QString &line : infoLines) {
            W = std::max(W, fm.horizontalAdvance(line));
            H += fm.height();
        }
        const int gx = (s - W - 4) / 2, gy = (s - H) / 2;
        draw.fillRect(QRect(x + std::max(gx, 0), y + std::max(gy, 0), gx < 0 ? s : W + 4, gy < 0 ? s : H),
                      CardColor(infoColor));
        draw.setFont(VlFont);
        draw.setPen(CardColor(infoTextColor));
        int top = y + std::max(gy, 0) + 2;
        for (const QString &line : infoLines) {
            const int width = fm.horizontalAdvance(line);
            draw.drawText(x + s / 2 - width / 2, top + fm.ascent(), line);
            top += fm.height();
        }
    }
    draw.restore();
}
