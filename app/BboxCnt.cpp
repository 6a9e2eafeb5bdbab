#include "BboxCnt.h"

#include "GameLook.h"
#include "VlScale.h"
#include "VlmPix.h"

#include <QPaintEvent>
#include <QResizeEvent>

#include <algorithm>

namespace {

constexpr int W = 118;

// A picture button with the plain image of that name.
void ImageButton(QWidget &parent, VlButton &b, int x, int y, int w, int h, const char *name)
{
    b.setParent(&parent);
    b.SetDesignRect(x, y, w, h);
    const int i = VlmPix::Find(QString::fromLatin1(name));
    if (i >= 0)
        b.SetImage(VlmPix::Get(i));
}

void SubPanel(QWidget &parent, VlPanel &p, int x, int y, int w, int h, Color background, bool shown)
{
    p.setParent(&parent);
    p.SetDesignRect(x, y, w, h, true);
    p.color = background;
    p.ownColor = background;
    p.setVisible(shown);
}

// The fonts of the panel's controls: the kit font, its bold face, and a
// big bold face for the help button's "?" (21 pixels as built, 7 above
// the kit height after a rescale).
enum FontKind { Kit, Bold, Big };

QFont FontOf(FontKind kind, int bigHeight)
{
    switch (kind) {
    case Bold: return BoldFont();
    case Big: return BoldFont(bigHeight);
    case Kit: break;
    }
    return VlFont;
}

using P = BboxCnt;

// A button of the panel: a picture, or (image null) a caption in its font
// and ink.
struct ButtonRow {
    VlPanel BboxCnt::*panel;
    VlButton BboxCnt::*button;
    int x, y, w, h;
    const char *image;
    const char *caption = nullptr;
    FontKind font = Kit;
    COLORREF ink = 0;
};

const ButtonRow Buttons[] = {
    {&P::titleStrip, &P::menuButton, 0, 1, 38, 20, nullptr, "Menu", Bold, RGBColor(202, 181, 151)},
    {&P::titleStrip, &P::helpButton, 38, 1, 20, 20, nullptr, "?", Big, RGBColor(66, 202, 141)},
    {&P::titleStrip, &P::aboutButton, 58, 1, 20, 20, "about"},
    {&P::titleStrip, &P::minButton, 78, 0, 20, 20, "Min"},
    {&P::titleStrip, &P::exitButton, 98, 0, 20, 20, "exit"},
    {&P::gamePanel, &P::newGameButton, 14, 1, 90, 20, nullptr, "New Game", Bold, RGBColor(222, 121, 121)},
    {&P::gamePanel, &P::soundsButton, 50, 82, 44, 20, nullptr, "Sounds", Kit, RGBColor(202, 121, 121)},
    {&P::gamePanel, &P::soundsLamp, 94, 82, 18, 20, "onred"},
    {&P::gamePanel, &P::optionsButton, 11, 110, 44, 20, nullptr, "Options", Kit, RGBColor(181, 161, 212)},
    {&P::gamePanel, &P::cheatButton, 70, 110, 44, 20, nullptr, "Cheat", Kit, RGBColor(212, 161, 181)},
    {&P::gamePanel, &P::loadButton, 11, 132, 44, 20, nullptr, "Load", Kit, RGBColor(222, 181, 161)},
    {&P::gamePanel, &P::saveButton, 70, 132, 44, 20, nullptr, "Save", Kit, RGBColor(222, 222, 161)},
    {&P::specialPanel, &P::bonusButton, 14, 3, 72, 20, nullptr, "Bonus Boxes", Kit, RGBColor(141, 202, 161)},
    {&P::specialPanel, &P::bonusLamp, 86, 3, 20, 20, "onyel"},
    {&P::specialPanel, &P::badButton, 14, 25, 72, 20, nullptr, "Bad Boxes", Kit, RGBColor(141, 202, 161)},
    {&P::specialPanel, &P::badLamp, 86, 25, 20, 20, "onyel"},
    {&P::statusPanel, &P::highScoresButton, 24, 105, 70, 20, nullptr, "High Scores", Kit, RGBColor(222, 141, 99)},
};

// A static text of the panel; ink ColorNull keeps the text's own.
struct TextRow {
    VlPanel BboxCnt::*panel;
    VlText BboxCnt::*text;
    int x, y, w, h;
    const char *caption;
    FontKind font;
    Qt::Alignment align = Qt::AlignHCenter;
    Color ink = ColorNull;
};

// The inks of the two lists and their labels, and of the status area.
constexpr Color TypeBlue = Color(RGBColor(88, 141, 222));
constexpr Color LevelsGreen = Color(RGBColor(101, 202, 181));
constexpr Color Gold = Color(RGBColor(222, 191, 44));
constexpr Color Cyan = Color(RGBColor(44, 202, 222));

const TextRow Texts[] = {
    {&P::gamePanel, &P::gameTypeLabel, 14, 25, 90, 14, "Game Type", Bold, Qt::AlignHCenter, TypeBlue},
    {&P::gamePanel, &P::levelsLabel, 8, 67, 34, 14, "Levels", Kit, Qt::AlignHCenter, LevelsGreen},
    {&P::statusPanel, &P::scoreLabel, 14, 52, 62, 14, "Score:", Bold, Qt::AlignLeft, Gold},
    {&P::statusPanel, &P::scoreValue, 66, 52, 36, 14, "", Bold, Qt::AlignRight, Gold},
    {&P::statusPanel, &P::movesLabel, 14, 71, 62, 14, "Moves:", Kit, Qt::AlignLeft, Cyan},
    {&P::statusPanel, &P::movesValue, 66, 71, 36, 14, "", Bold, Qt::AlignRight, Cyan},
    {&P::statusPanel, &P::disorderLabel, 14, 87, 62, 14, "Disorder:", Kit, Qt::AlignLeft, Cyan},
    {&P::statusPanel, &P::disorderValue, 66, 87, 36, 14, "", Bold, Qt::AlignRight, Cyan},
    {&P::shapePanel, &P::shapeRotateLabel, 6, 17, 46, 14, "Rotate", Kit},
    {&P::shapePanel, &P::shapeTitle, 6, 31, 46, 14, "Pyramid", Kit},
    {&P::boxPanel, &P::boxRotateLabel, 6, 17, 46, 14, "Rotate", Kit},
    {&P::boxPanel, &P::boxTitle, 6, 31, 46, 14, "Box", Kit},
};

// The arrow crosses (left, up, right, down) and their pictures.
const QPoint ArrowPlace[4] = {{54, 21}, {74, 1}, {94, 21}, {74, 41}};
const char *const ShapeArrowImages[4] = {"lfshp", "upshp", "rtshp", "dnshp"};
const char *const BoxArrowImages[4] = {"lfbox", "upbox", "rtbox", "dnbox"};

void ArrowCross(VlPanel &panel, VlButton (&arrows)[4], const char *const (&images)[4])
{
    for (int i = 0; i < 4; ++i)
        ImageButton(panel, arrows[i], ArrowPlace[i].x(), ArrowPlace[i].y(), 20, 20, images[i]);
}

} // namespace

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

    SubPanel(*this, titleStrip, 0, 0, W, 22, black, true);
    SubPanel(*this, gamePanel, 0, 30, W, 156, black, true);
    SubPanel(*this, specialPanel, 0, 222, W, 49, black, false);
    SubPanel(*this, statusPanel, 0, 284, W, 129, black, true);
    SubPanel(statusPanel, hintPanel, 0, 0, W, 47, Color(RGBColor(33, 33, 33)), true);
    SubPanel(statusPanel, messagePanel, 0, 0, W, 47, Color(RGBColor(151, 151, 151)), false);
    SubPanel(*this, shapePanel, 0, 434, W, 62, black, true);
    SubPanel(*this, boxPanel, 0, 516, W, 62, black, true);

    for (const ButtonRow &r : Buttons) {
        VlButton &b = this->*r.button;
        if (r.image) {
            ImageButton(this->*r.panel, b, r.x, r.y, r.w, r.h, r.image);
        } else {
            PlaceTextButton(this->*r.panel, b, r.x, r.y, r.w, r.h, r.caption, Color(r.ink));
            b.setFont(FontOf(r.font, 21));
        }
    }
    for (const TextRow &r : Texts) {
        PlaceText(this->*r.panel, this->*r.text, r.x, r.y, r.w, r.h, r.caption, r.align, r.ink);
        (this->*r.text).setFont(FontOf(r.font, 21));
    }
    for (int i = 0; i < 3; ++i) {
        PlaceText(hintPanel, hintText[i], 0, 2 + 14 * i, W, 14, "", Qt::AlignHCenter);
        hintText[i].setFont(kit);
        PlaceText(messagePanel, messageText[i], 0, 2 + 14 * i, W, 14, "", Qt::AlignHCenter, 0x000000);
        messageText[i].setFont(kit);
    }
    ArrowCross(shapePanel, shapeArrow, ShapeArrowImages);
    ArrowCross(boxPanel, boxArrow, BoxArrowImages);

    // The two lists.
    gameTypeDrop.setParent(&gamePanel);
    VlSetDesignRect(gameTypeDrop, 0, 39, W, 22);
    gameTypeDrop.SetColors(TypeBlue, black, bold);
    gameTypeDrop.SetFrame(VlFrame::Inset);
    gameTypeDrop.AddItem(0, QStringLiteral("Jigsaw Cube"));
    gameTypeDrop.AddItem(1, QStringLiteral("Jumbled Cube"));
    gameTypeDrop.AddItem(2, QStringLiteral("Jumbled Pyramid"));
    gameTypeDrop.AddItem(3, QStringLiteral("Rebukes Cube"));
    levelsDrop.setParent(&gamePanel);
    VlSetDesignRect(levelsDrop, 9, 81, 32, 22);
    levelsDrop.SetColors(LevelsGreen, black, kit);
    levelsDrop.SetFrame(VlFrame::Inset);
    for (int k = 0; k < 7; ++k)
        levelsDrop.AddItem(k, QString::number(k + 2));
    // The lists never keep the keyboard focus: the board's keys stay keys.
    gameTypeDrop.setFocusPolicy(Qt::NoFocus);
    levelsDrop.setFocusPolicy(Qt::NoFocus);
    gameTypeDrop.SetIndex(-1);
    levelsDrop.SetIndex(-1);
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

    // The panels place their controls anew and give them the kit font;
    // then the bold fonts and the scale's pictures.
    for (VlPanel *p : {&titleStrip, &gamePanel, &specialPanel, &statusPanel, &hintPanel, &messagePanel, &shapePanel,
                       &boxPanel})
        p->Rescale(true);
    for (const ButtonRow &r : Buttons) {
        VlButton &b = this->*r.button;
        if (r.image)
            b.SetSkinImage(QString::fromLatin1(r.image), 'W');
        else if (r.font != Kit)
            b.setFont(FontOf(r.font, VlFontHeight + 7));
    }
    for (const TextRow &r : Texts)
        if (r.font != Kit)
            (this->*r.text).setFont(FontOf(r.font, VlFontHeight + 7));
    for (int i = 0; i < 4; ++i) {
        shapeArrow[i].SetSkinImage(QString::fromLatin1(ShapeArrowImages[i]), 'W');
        boxArrow[i].SetSkinImage(QString::fromLatin1(BoxArrowImages[i]), 'W');
    }
    gameTypeDrop.valueDisplay.font = BoldFont();
    gameTypeDrop.itemDisplay.font = BoldFont();
    gameTypeDrop.update();
    Layout();
}
