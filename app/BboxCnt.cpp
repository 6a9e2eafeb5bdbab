#include "BboxCnt.h"

#include "VlScale.h"
#include "VlmPix.h"

#include <QPaintEvent>
#include <QResizeEvent>

#include <algorithm>

namespace {

constexpr int W = 118;

void PlainImage(VlButton &b, const char *name)
{
    const int i = VlmPix::Find(QString::fromLatin1(name));
    if (i >= 0)
        b.SetImage(VlmPix::Get(i));
}

void TextButton(VlPanel &parent, VlButton &b, int x, int y, int w, int h, const char *caption,
                const QFont &font, COLORREF ink)
{
    b.setParent(&parent);
    b.SetDesignRect(x, y, w, h);
    b.setText(QString::fromLatin1(caption));
    b.setFont(font);
    b.SetColors(Color(ink), 0, Color(RGBColor(111, 44, 44)), Color(RGBColor(33, 66, 101)));
}

void ImageButton(VlPanel &parent, VlButton &b, int x, int y, int w, int h, const char *image)
{
    b.setParent(&parent);
    b.SetDesignRect(x, y, w, h);
    PlainImage(b, image);
}

void Text(VlPanel &parent, VlText &t, int x, int y, int w, int h, const char *text, const QFont &font,
          Qt::Alignment align, Color ink = ColorNull)
{
    t.setParent(&parent);
    t.SetDesignRect(x, y, w, h);
    t.SetText(QString::fromLatin1(text));
    t.setFont(font);
    t.SetAlign(align);
    if (ink != ColorNull) {
        t.SetInk(ink);
        t.ownInk = ink;
    }
}

void SubPanel(QWidget &parent, VlPanel &p, int x, int y, int w, int h, Color background, bool shown)
{
    p.setParent(&parent);
    p.SetDesignRect(x, y, w, h, true);
    p.color = background;
    p.ownColor = background;
    p.setVisible(shown);
}

} // namespace

QFont BboxCnt::BoldFont()
{
    QFont f = VlFont;
    f.setBold(true);
    return f;
}

QFont BboxCnt::BoldFont(int pixelHeight)
{
    QFont f = VlFontOfHeight(pixelHeight);
    f.setBold(true);
    return f;
}

BboxCnt::BboxCnt()
{
    specialShown = false;
    boxPanelShown = true;
    designWidth = W;
    width = W;
    SetDesignRect(0, 0, W, 444, false);
    opaque = false;
    color = ColorNull;
    ownColor = ColorNull;

    const QFont kit = VlFont;
    const QFont bold = BoldFont();
    const Color black = 0x000000;

    // Title strip.
    SubPanel(*this, titleStrip, 0, 0, W, 22, black, true);
    TextButton(titleStrip, menuButton, 0, 1, 38, 20, "Menu", bold, RGBColor(202, 181, 151));
    TextButton(titleStrip, helpButton, 38, 1, 20, 20, "?", BoldFont(21), RGBColor(66, 202, 141));
    ImageButton(titleStrip, aboutButton, 58, 1, 20, 20, "about");
    ImageButton(titleStrip, minButton, 78, 0, 20, 20, "Min");
    ImageButton(titleStrip, exitButton, 98, 0, 20, 20, "exit");

    // Game controls.
    SubPanel(*this, gamePanel, 0, 30, W, 156, black, true);
    TextButton(gamePanel, newGameButton, 14, 1, 90, 20, "New Game", bold, RGBColor(222, 121, 121));
    Text(gamePanel, gameTypeLabel, 14, 25, 90, 14, "Game Type", bold, Qt::AlignHCenter, RGBColor(88, 141, 222));
    gameTypeDrop.setParent(&gamePanel);
    VlSetDesignRect(gameTypeDrop, 0, 39, W, 22);
    gameTypeDrop.SetColors(Color(RGBColor(88, 141, 222)), black, bold);
    gameTypeDrop.SetFrame(VlFrame::Inset);
    gameTypeDrop.AddItem(0, QStringLiteral("Jigsaw Cube"));
    gameTypeDrop.AddItem(1, QStringLiteral("Jumbled Cube"));
    gameTypeDrop.AddItem(2, QStringLiteral("Jumbled Pyramid"));
    gameTypeDrop.AddItem(3, QStringLiteral("Rebukes Cube"));
    Text(gamePanel, levelsLabel, 8, 67, 34, 14, "Levels", kit, Qt::AlignHCenter, RGBColor(101, 202, 181));
    levelsDrop.setParent(&gamePanel);
    VlSetDesignRect(levelsDrop, 9, 81, 32, 22);
    levelsDrop.SetColors(Color(RGBColor(101, 202, 181)), black, kit);
    levelsDrop.SetFrame(VlFrame::Inset);
    for (int k = 0; k < 7; ++k)
        levelsDrop.AddItem(k, QString::number(k + 2));
    // The lists never keep the keyboard focus: the board's keys stay keys.
    gameTypeDrop.setFocusPolicy(Qt::NoFocus);
    levelsDrop.setFocusPolicy(Qt::NoFocus);
    gameTypeDrop.SetIndex(-1);
    levelsDrop.SetIndex(-1);
    TextButton(gamePanel, soundsButton, 50, 82, 44, 20, "Sounds", kit, RGBColor(202, 121, 121));
    ImageButton(gamePanel, soundsLamp, 94, 82, 18, 20, "onred");
    TextButton(gamePanel, optionsButton, 11, 110, 44, 20, "Options", kit, RGBColor(181, 161, 212));
    TextButton(gamePanel, cheatButton, 70, 110, 44, 20, "Cheat", kit, RGBColor(212, 161, 181));
    TextButton(gamePanel, loadButton, 11, 132, 44, 20, "Load", kit, RGBColor(222, 181, 161));
    TextButton(gamePanel, saveButton, 70, 132, 44, 20, "Save", kit, RGBColor(222, 222, 161));

    // Bonus Boxes and Bad Boxes.
    SubPanel(*this, specialPanel, 0, 222, W, 49, black, false);
    TextButton(specialPanel, bonusButton, 14, 3, 72, 20, "Bonus Boxes", kit, RGBColor(141, 202, 161));
    ImageButton(specialPanel, bonusLamp, 86, 3, 20, 20, "onyel");
    TextButton(specialPanel, badButton, 14, 25, 72, 20, "Bad Boxes", kit, RGBColor(141, 202, 161));
    ImageButton(specialPanel, badLamp, 86, 25, 20, 20, "onyel");

    // Status area.
    SubPanel(*this, statusPanel, 0, 284, W, 129, black, true);
    SubPanel(statusPanel, hintPanel, 0, 0, W, 47, Color(RGBColor(33, 33, 33)), true);
    for (int i = 0; i < 3; ++i)
        Text(hintPanel, hintText[i], 0, 2 + 14 * i, W, 14, "", kit, Qt::AlignHCenter);
    SubPanel(statusPanel, messagePanel, 0, 0, W, 47, Color(RGBColor(151, 151, 151)), false);
    for (int i = 0; i < 3; ++i)
        Text(messagePanel, messageText[i], 0, 2 + 14 * i, W, 14, "", kit, Qt::AlignHCenter, 0x000000);
    const Color gold = Color(RGBColor(222, 191, 44));
    const Color cyan = Color(RGBColor(44, 202, 222));
    Text(statusPanel, scoreLabel, 14, 52, 62, 14, "Score:", bold, Qt::AlignLeft, gold);
    Text(statusPanel, scoreValue, 66, 52, 36, 14, "", bold, Qt::AlignRight, gold);
    Text(statusPanel, movesLabel, 14, 71, 62, 14, "Moves:", kit, Qt::AlignLeft, cyan);
    Text(statusPanel, movesValue, 66, 71, 36, 14, "", bold, Qt::AlignRight, cyan);
    Text(statusPanel, disorderLabel, 14, 87, 62, 14, "Disorder:", kit, Qt::AlignLeft, cyan);
    Text(statusPanel, disorderValue, 66, 87, 36, 14, "", bold, Qt::AlignRight, cyan);
    TextButton(statusPanel, highScoresButton, 24, 105, 70, 20, "High Scores", kit, RGBColor(222, 141, 99));

    // Shape arrows.
    SubPanel(*this, shapePanel, 0, 434, W, 62, black, true);
    Text(shapePanel, shapeRotateLabel, 6, 17, 46, 14, "Rotate", kit, Qt::AlignHCenter);
    Text(shapePanel, shapeTitle, 6, 31, 46, 14, "Pyramid", kit, Qt::AlignHCenter);
    ImageButton(shapePanel, shapeArrow[0], 54, 21, 20, 20, "lfshp");
    ImageButton(shapePanel, shapeArrow[1], 74, 1, 20, 20, "upshp");
    ImageButton(shapePanel, shapeArrow[2], 94, 21, 20, 20, "rtshp");
    ImageButton(shapePanel, shapeArrow[3], 74, 41, 20, 20, "dnshp");

    // Box arrows.
    SubPanel(*this, boxPanel, 0, 516, W, 62, black, true);
    Text(boxPanel, boxRotateLabel, 6, 17, 46, 14, "Rotate", kit, Qt::AlignHCenter);
    Text(boxPanel, boxTitle, 6, 31, 46, 14, "Box", kit, Qt::AlignHCenter);
    ImageButton(boxPanel, boxArrow[0], 54, 21, 20, 20, "lfbox");
    ImageButton(boxPanel, boxArrow[1], 74, 1, 20, 20, "upbox");
    ImageButton(boxPanel, boxArrow[2], 94, 21, 20, 20, "rtbox");
    ImageButton(boxPanel, boxArrow[3], 74, 41, 20, 20, "dnbox");
}

BboxCnt::~BboxCnt() = default;

void BboxCnt::paintEvent(QPaintEvent *) {}

void BboxCnt::resizeEvent(QResizeEvent *event)
{
    VlPanel::resizeEvent(event);
    Layout();
}

void BboxCnt::Layout()
{
    const int H = QWidget::height();
    const int h1 = titleStrip.QWidget::height();
    const int h2 = gamePanel.QWidget::height();
    const int h4 = statusPanel.QWidget::height();
    const int h7 = shapePanel.QWidget::height();
    const int h3 = specialPanel.QWidget::height();
    const int h8 = boxPanel.QWidget::height();
    int free = H - h1 - h2 - h4 - h7;
    int gaps = 3;
    if (specialShown) {
        free -= h3;
        gaps = 4;
    }
    if (boxPanelShown) {
        free -= h8;
        gaps += 1;
    }
    const int gap = std::max(free, 0) / gaps;
    auto top = [](VlPanel &p, int y, int h) { p.setGeometry(p.x(), y, p.QWidget::width(), h); };
    auto bottom = [H](VlPanel &p, int h) { p.setGeometry(p.x(), H - h, p.QWidget::width(), h); };
    top(titleStrip, 0, h1);
    top(gamePanel, h1 + gap, h2);
    int y = h1 + gap + h2 + gap;
    if (specialShown) {
        top(specialPanel, y, h3);
        y += h3 + gap;
    }
    top(statusPanel, y, h4);
    if (boxPanelShown) {
        top(shapePanel, y + h4 + gap, h7);
        bottom(boxPanel, h8);
    } else {
        bottom(shapePanel, h7);
    }
}

void BboxCnt::ApplyScale()
{
    width = int(float(designWidth) * VlScaleX + 0.5f);
    if (QWidget *parent = parentWidget())
        setGeometry(parent->QWidget::width() - width, 0, width, parent->QWidget::height());
    else
        resize(width, QWidget::height());

    titleStrip.Rescale(true);
    helpButton.setFont(BoldFont(VlFontHeight + 7));
    menuButton.setFont(BoldFont());
    aboutButton.SetSkinImage(QStringLiteral("about"), 'W');
    minButton.SetSkinImage(QStringLiteral("Min"), 'W');
    exitButton.SetSkinImage(QStringLiteral("exit"), 'W');

    gamePanel.Rescale(true);
    newGameButton.setFont(BoldFont());
    gameTypeLabel.setFont(BoldFont());
    gameTypeDrop.valueDisplay.font = BoldFont();
    gameTypeDrop.itemDisplay.font = BoldFont();
    gameTypeDrop.update();
    soundsLamp.SetSkinImage(QStringLiteral("onred"), 'W');

    specialPanel.Rescale(true);
    bonusLamp.SetSkinImage(QStringLiteral("onyel"), 'W');
    badLamp.SetSkinImage(QStringLiteral("onyel"), 'W');

    statusPanel.Rescale(true);
    hintPanel.Rescale(true);
    messagePanel.Rescale(true);
    scoreLabel.setFont(BoldFont());
    scoreValue.setFont(BoldFont());
    movesValue.setFont(BoldFont());
    disorderValue.setFont(BoldFont());

    static const char *const shapeNames[4] = {"lfshp", "upshp", "rtshp", "dnshp"};
    static const char *const boxNames[4] = {"lfbox", "upbox", "rtbox", "dnbox"};
    shapePanel.Rescale(true);
    for (int i = 0; i < 4; ++i)
        shapeArrow[i].SetSkinImage(QString::fromLatin1(shapeNames[i]), 'W');
    boxPanel.Rescale(true);
    for (int i = 0; i < 4; ++i)
        boxArrow[i].SetSkinImage(QString::fromLatin1(boxNames[i]), 'W');
    Layout();
}
